// Test helpers of record/: a scratch folder as the current directory, whole files, and
// the output of ffprobe/ffmpeg.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// ffprobe -of flat of the streams and format, as key = value.
inline std::map<std::string, std::string> probe(const std::string& file) {
  std::map<std::string, std::string> m;
  std::string out = run("ffprobe -v error -count_frames -show_streams -show_format -of flat " + file);
  size_t pos = 0;
  while (pos < out.size()) {
    size_t end = out.find('\n', pos);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(pos, end - pos);
    size_t eq = line.find('=');
    if (eq != std::string::npos) {
      std::string v = line.substr(eq + 1);
      if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
      m[line.substr(0, eq)] = v;
    }
    pos = end + 1;
  }
  return m;
}
