// Test helpers of record/: a scratch folder as the current directory, and a file read
// back by ffprobe/ffmpeg.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/test_files.h"

namespace fs = std::filesystem;

// A fresh folder named after the running test, made the current directory.
struct TempDir {
  fs::path old, dir;
  TempDir() {
    old = fs::current_path();
    dir = fs::temp_directory_path() / ("vrinx-avi-" + std::to_string(std::rand()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
  }
  ~TempDir() {
    fs::current_path(old);
    fs::remove_all(dir);
  }
};

inline bool have_ffmpeg() {
  return std::system("ffprobe -version >/dev/null 2>&1 && ffmpeg -version >/dev/null 2>&1") == 0;
}

inline std::string run(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

// ffprobe -of flat of the streams and format, as key = value.
inline std::map<std::string, std::string> probe(const std::string& file) {
  std::map<std::string, std::string> m;
  std::string out = run("ffprobe -v error -count_frames -show_streams -show_format -of flat " + file);
  for (size_t pos = 0, end; pos < out.size(); pos = end + 1) {
    end = std::min(out.find('\n', pos), out.size());
    std::string line = out.substr(pos, end - pos);
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string v = line.substr(eq + 1);
    if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
    m[line.substr(0, eq)] = v;
  }
  return m;
}

// The pictures as ffmpeg decodes them, bgr24 frame after frame, and the sound as s16le.
inline std::string ffmpeg_video(const std::string& file) {
  return run("ffmpeg -v error -i " + file + " -map 0:v -f rawvideo -pix_fmt bgr24 -");
}
inline std::string ffmpeg_audio(const std::string& file) {
  return run("ffmpeg -v error -i " + file + " -map 0:a -f s16le - 2>/dev/null");
}
// Pixel `index` of bgr24 video as 0xRRGGBB.
inline uint32_t bgr24_at(const std::string& video, size_t index) {
  const auto* p = reinterpret_cast<const uint8_t*>(video.data()) + index * 3;
  return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
}
