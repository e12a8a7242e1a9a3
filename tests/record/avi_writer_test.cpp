// Small AVIs written into a temporary folder, read back by hand and by ffprobe/ffmpeg.
#include "record/avi_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "tests/record/record_files.h"

namespace {

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint64_t u64(const std::vector<uint8_t>& b, size_t at) { return u32(b, at) | uint64_t(u32(b, at + 4)) << 32; }
std::string cc(const std::vector<uint8_t>& b, size_t at) {
  return std::string(b.begin() + at, b.begin() + at + 4);
}

uint32_t pixel(uint32_t frame, uint32_t x, uint32_t y) {
  return ((x * 7 + frame * 31) & 0xFF) | ((y * 13 + frame) & 0xFF) << 8 | ((x ^ y) * 5 & 0xFF) << 16;
}

struct Recording {
  std::vector<int16_t> audio;
  std::vector<uint32_t> pixels;
};

// Writes `frames` frames of a known pattern; the audio track is a counting pattern.
bool record(AviWriter& w, Recording& r, uint32_t fps, uint32_t width, uint32_t height, uint32_t rate,
            uint32_t audioFrames, uint32_t frames, const AviFileOps* ops = &kAviStdioFile,
            uint64_t limit = kAviSegmentLimit) {
  r.audio.resize(size_t(audioFrames) * 2);
  for (size_t i = 0; i < r.audio.size(); ++i) r.audio[i] = int16_t(i * 37 - 20000);
  avi_init(w, ops, fps, width, height, rate, r.audio.data(), audioFrames);
  w.segmentLimit = limit;
  r.pixels.resize(size_t(width) * height);
  for (uint32_t f = 0; f < frames; ++f) {
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) r.pixels[y * width + x] = pixel(f, x, y) | (f ? 0xAB000000u : 0);
    if (!avi_write_frame(w, r.pixels.data(), width, height)) break;
  }
  return avi_finish(w);
}

void expect_decodes(const std::string& file, const Recording& r, uint32_t fps, uint32_t width,
                    uint32_t height, uint32_t rate, uint32_t frames, uint32_t audioFramesWritten) {
  auto m = probe(file);
  EXPECT_EQ(m["streams.stream.0.codec_type"], "video");
  EXPECT_EQ(m["streams.stream.0.width"], std::to_string(width));
  EXPECT_EQ(m["streams.stream.0.height"], std::to_string(height));
  EXPECT_EQ(m["streams.stream.0.r_frame_rate"], std::to_string(fps) + "/1");
  EXPECT_EQ(m["streams.stream.0.nb_read_frames"], std::to_string(frames));
  EXPECT_EQ(m["streams.stream.1.codec_name"], "pcm_s16le");
  EXPECT_EQ(m["streams.stream.1.sample_rate"], std::to_string(rate));
  EXPECT_EQ(m["streams.stream.1.channels"], "2");

  std::string video = run("ffmpeg -v error -i " + file + " -map 0:v -f rawvideo -pix_fmt bgr24 -");
  ASSERT_EQ(video.size(), size_t(frames) * width * height * 3);
  for (uint32_t f = 0; f < frames; ++f)
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p =
            reinterpret_cast<const uint8_t*>(video.data()) + ((size_t(f) * height + y) * width + x) * 3;
        uint32_t want = pixel(f, x, y);
        ASSERT_EQ(p[0] | p[1] << 8 | p[2] << 16, want) << "frame " << f << " at " << x << "," << y;
      }
  std::string audio = run("ffmpeg -v error -i " + file + " -map 0:a -f s16le - 2>/dev/null");
  ASSERT_EQ(audio.size(), size_t(audioFramesWritten) * 4);
  EXPECT_EQ(std::memcmp(audio.data(), r.audio.data(), audio.size()), 0);
}

TEST(AviWriter, OneSegmentReadsBackThroughFfmpeg) {
  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  TempDir tmp;
  AviWriter w;
  Recording r;
  // Width 17: rows of 51 bytes padded to 52.
  ASSERT_TRUE(record(w, r, 25, 17, 16, 44100, 44100 * 6 / 25, 6));
  EXPECT_EQ(w.stride, 52u);
  EXPECT_TRUE(fs::exists("Vrinx-record-25.avi"));
  EXPECT_FALSE(fs::exists("Vrinx-record-25.avi.partial"));
  expect_decodes("Vrinx-record-25.avi", r, 25, 17, 16, 44100, 6, 44100 * 6 / 25);
}

TEST(AviWriter, SegmentsReadBackThroughFfmpeg) {
  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  TempDir tmp;
  AviWriter w;
  Recording r;
  // Audio runs out after 30 frames: the later audio chunks are empty.
  ASSERT_TRUE(record(w, r, 10, 64, 48, 8000, 800 * 30, 40, &kAviStdioFile, 1048576 + 160000));
  EXPECT_GE(w.segmentCount, 3u);
  EXPECT_EQ(w.audioWritten, 800u * 30);
  expect_decodes("Vrinx-record-10.avi", r, 10, 64, 48, 8000, 40, 800 * 30);

  // GStreamer's avidemux follows the super indexes into every segment as well.
  if (std::system("gst-launch-1.0 --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "gst-launch-1.0 not installed";
  ASSERT_EQ(
      std::system("gst-launch-1.0 -q filesrc location=Vrinx-record-10.avi ! avidemux name=d "
                  "d.video_0 ! queue ! filesink location=video d.audio_0 ! queue ! filesink location=audio"),
      0);
  std::string video = run("ffmpeg -v error -i Vrinx-record-10.avi -map 0:v -f rawvideo -pix_fmt bgr24 -");
  Bytes gstVideo = test_read_file("video"), gstAudio = test_read_file("audio");
  EXPECT_EQ(std::string(gstVideo.begin(), gstVideo.end()), video);
  ASSERT_EQ(gstAudio.size(), size_t(800) * 30 * 4);
  EXPECT_EQ(std::memcmp(gstAudio.data(), r.audio.data(), gstAudio.size()), 0);
}

// Walks the headers and indexes by hand.
TEST(AviWriter, HeaderFieldsAndIndexes) {
  TempDir tmp;
  AviWriter w;
  Recording r;
  const uint32_t fps = 10, W = 20, H = 16, R = 8000, frames = 30, stride = 60;
  ASSERT_TRUE(record(w, r, fps, W, H, R, 800 * frames, frames, &kAviStdioFile, 1048576 + 20000));
  auto b = test_read_file("Vrinx-record-10.avi");
  ASSERT_GT(b.size(), 200000u);
  EXPECT_EQ(cc(b, 0), "RIFF");
  EXPECT_EQ(cc(b, 8), "AVI ");
  EXPECT_EQ(cc(b, 12), "LIST");
  EXPECT_EQ(cc(b, 20), "hdrl");
  EXPECT_EQ(cc(b, 24), "avih");
  ASSERT_EQ(u32(b, 28), 56u);
  const size_t avih = 32;
  EXPECT_EQ(u32(b, avih), 100000u);
  EXPECT_EQ(u32(b, avih + 4), stride * H * fps + R * 4);
  EXPECT_EQ(u32(b, avih + 12), 0x110u);
  const uint32_t firstFrames = u32(b, avih + 16);
  EXPECT_EQ(u32(b, avih + 24), 2u);
  EXPECT_EQ(u32(b, avih + 28), stride * H);
  EXPECT_EQ(u32(b, avih + 32), W);
  EXPECT_EQ(u32(b, avih + 36), H);

  size_t p = avih + 56;
  size_t superPos[2];
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(cc(b, p), "LIST");
    EXPECT_EQ(cc(b, p + 8), "strl");
    size_t h = p + 12;
    EXPECT_EQ(cc(b, h), "strh");
    EXPECT_EQ(u32(b, h + 4), 56u);
    EXPECT_EQ(cc(b, h + 8), s ? "auds" : "vids");
    EXPECT_EQ(u32(b, h + 8 + 20), s ? 4u : 1u);
    EXPECT_EQ(u32(b, h + 8 + 24), s ? R * 4 : fps);
    EXPECT_EQ(u32(b, h + 8 + 32), s ? 800u * frames : frames);
    EXPECT_EQ(u32(b, h + 8 + 40), 0xFFFFFFFFu);
    EXPECT_EQ(u32(b, h + 8 + 44), s ? 4u : 0u);
    EXPECT_EQ(u16(b, h + 8 + 52), s ? 0 : W);
    EXPECT_EQ(u16(b, h + 8 + 54), s ? 0 : H);
    size_t f = h + 64;
    EXPECT_EQ(cc(b, f), "strf");
    if (s == 0) {
      EXPECT_EQ(u32(b, f + 4), 40u);
      EXPECT_EQ(u32(b, f + 16), H);
      EXPECT_EQ(u16(b, f + 22), 24);
      EXPECT_EQ(u32(b, f + 28), stride * H);
    } else {
      EXPECT_EQ(u32(b, f + 4), 16u);
      EXPECT_EQ(u16(b, f + 10), 2);
      EXPECT_EQ(u32(b, f + 12), R);
      EXPECT_EQ(u16(b, f + 20), 4);
    }
    size_t x = f + 8 + u32(b, f + 4);
    EXPECT_EQ(cc(b, x), "indx");
    EXPECT_EQ(u32(b, x + 4), 65560u);
    EXPECT_EQ(cc(b, x + 16), s ? "01wb" : "00db");
    superPos[s] = x;
    p = x + 8 + 65560;
  }
  EXPECT_EQ(cc(b, p + 8), "odml");
  EXPECT_EQ(cc(b, p + 12), "dmlh");
  EXPECT_EQ(u32(b, p + 16), 252u);
  EXPECT_EQ(u32(b, p + 20), frames);

  // Every super-index entry names an ix chunk whose entries point at chunks of the right id and size.
  const uint32_t segments = u32(b, superPos[0] + 12);
  EXPECT_EQ(segments, w.segmentCount);
  EXPECT_GE(segments, 3u);
  for (int s = 0; s < 2; ++s) {
    uint32_t total = 0;
    ASSERT_EQ(u32(b, superPos[s] + 12), segments);
    for (uint32_t i = 0; i < segments; ++i) {
      size_t e = superPos[s] + 8 + 24 + i * 16;
      uint64_t ix = u64(b, e);
      EXPECT_EQ(cc(b, ix), s ? "ix01" : "ix00");
      EXPECT_EQ(u32(b, e + 8), u32(b, ix + 4) + 8);
      uint32_t n = u32(b, ix + 12);
      uint64_t base = u64(b, ix + 20);
      EXPECT_EQ(cc(b, base), "RIFF");
      EXPECT_EQ(cc(b, base + 8), i ? "AVIX" : "AVI ");
      uint32_t duration = 0;
      for (uint32_t k = 0; k < n; ++k) {
        uint64_t data = base + u32(b, ix + 32 + k * 8);
        uint32_t size = u32(b, ix + 36 + k * 8);
        EXPECT_EQ(cc(b, data - 8), s ? "01wb" : "00db");
        EXPECT_EQ(u32(b, data - 4), size);
        duration += s ? size / 4 : 1;
      }
      EXPECT_EQ(u32(b, e + 12), duration);
      total += duration;
    }
    EXPECT_EQ(total, s ? 800u * frames : frames);
  }

  // idx1 follows the first segment's ix chunks: offsets relative to the "movi" list type.
  size_t movi = superPos[1] + 8 + 65560 + 8 + 4 + 8 + 252;
  EXPECT_EQ(cc(b, movi), "LIST");
  EXPECT_EQ(cc(b, movi + 8), "movi");
  size_t after = movi + 8 + u32(b, movi + 4);
  after += 8 + u32(b, after + 4);
  after += 8 + u32(b, after + 4);
  ASSERT_EQ(cc(b, after), "idx1");
  EXPECT_EQ(u32(b, after + 4), firstFrames * 2 * 16);
  for (uint32_t i = 0; i < firstFrames * 2; ++i) {
    size_t e = after + 8 + i * 16;
    EXPECT_EQ(cc(b, e), i & 1 ? "01wb" : "00db");
    EXPECT_EQ(u32(b, e + 4), 0x10u);
    EXPECT_EQ(cc(b, movi + 8 + u32(b, e + 8)), cc(b, e));
    EXPECT_EQ(u32(b, movi + 8 + u32(b, e + 8) + 4), u32(b, e + 12));
  }
  // First frame's top row lands last in the bottom-up chunk.
  size_t first = movi + 12 + 8;
  EXPECT_EQ(b[first + (H - 1) * stride + 3], pixel(0, 1, 0) & 0xFF);
}

TEST(AviWriter, NamesMoveOnPastTakenFiles) {
  TempDir tmp;
  { std::ofstream("Vrinx-record-70.avi") << "x"; }
  { std::ofstream("Vrinx-record-70-001.avi.partial") << "x"; }
  AviWriter w;
  Recording r;
  ASSERT_TRUE(record(w, r, 70, 16, 16, 44100, 1000, 2));
  EXPECT_TRUE(fs::exists("Vrinx-record-70-002.avi"));
}

// Counts bytes without storing them, so full-size segments cost nothing.
struct NullFile {
  uint64_t pos = 0, size = 0;
  uint64_t failAfter = ~0ull;
};
NullFile g_null;
const AviFileOps kNullOps = {
    [](const char*, int* exists) -> void* {
      *exists = 0;
      return &g_null;
    },
    [](const char*) { return 0; },
    [](void*, const void*, uint32_t n) {
      if (g_null.pos + n > g_null.failAfter) return 0;
      g_null.pos += n;
      if (g_null.pos > g_null.size) g_null.size = g_null.pos;
      return 1;
    },
    [](void*, uint64_t p) {
      g_null.pos = p;
      return 1;
    },
    [](void*, uint64_t* p) {
      *p = g_null.pos;
      return 1;
    },
    [](void*) { return 1; },
    [](const char*, const char*) { return 1; },
};

TEST(AviWriter, FullSizeSegmentHolds289FramesAt640x480) {
  g_null = NullFile();
  AviWriter w;
  Recording r;
  r.audio.assign(44100 * 2 * 5, 0);
  avi_init(w, &kNullOps, 70, 640, 480, 44100, r.audio.data(), 44100 * 5);
  std::vector<uint32_t> px(640 * 480, 0);
  for (int f = 0; f < 290; ++f) {
    ASSERT_TRUE(avi_write_frame(w, px.data(), 640, 480));
    if (f < 289) {
      EXPECT_EQ(w.segmentCount, 0u) << f;
    }
  }
  EXPECT_EQ(w.segmentCount, 1u);
  EXPECT_EQ(w.firstSegmentFrames, 289u);
  EXPECT_TRUE(avi_finish(w));
}

// With a limit that splits at every frame, the frame that would open segment 4097 fails the recording.
TEST(AviWriter, SegmentLimitOf4096) {
  g_null = NullFile();
  AviWriter w;
  std::vector<uint32_t> px(16 * 16, 0);
  avi_init(w, &kNullOps, 70, 16, 16, 44100, nullptr, 0);
  w.segmentLimit = 1;
  for (uint32_t f = 0; f < kAviMaxSegments; ++f) ASSERT_TRUE(avi_write_frame(w, px.data(), 16, 16)) << f;
  EXPECT_EQ(w.segmentCount, kAviMaxSegments - 1);
  EXPECT_FALSE(avi_write_frame(w, px.data(), 16, 16));
  EXPECT_EQ(w.segmentCount, kAviMaxSegments);
  EXPECT_FALSE(avi_finish(w));
}

TEST(AviWriter, FailuresKeepThePartialFile) {
  {
    // A write that fails midway: no success, the file stays under its partial name.
    TempDir tmp;
    static uint64_t written;
    static AviFileOps failing;
    written = 0;
    failing = kAviStdioFile;
    failing.write = [](void* f, const void* d, uint32_t n) {
      written += n;
      return written > 200000 ? 0 : kAviStdioFile.write(f, d, n);
    };
    AviWriter w;
    Recording r;
    EXPECT_FALSE(record(w, r, 30, 64, 64, 44100, 44100, 30, &failing));
    EXPECT_TRUE(w.failed);
    EXPECT_LT(w.videoWritten, 30u);
    EXPECT_TRUE(fs::exists("Vrinx-record-30.avi.partial"));
    EXPECT_FALSE(fs::exists("Vrinx-record-30.avi"));
  }
  {
    // A folder that cannot be written to (removed under us, which holds even for root).
    TempDir tmp;
    fs::path gone = tmp.dir / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    AviWriter w;
    Recording r;
    EXPECT_FALSE(record(w, r, 30, 16, 16, 44100, 44100, 3));
    EXPECT_TRUE(w.failed);
    EXPECT_EQ(w.videoWritten, 0u);
  }
  {
    // A picture of the wrong size is refused.
    g_null = NullFile();
    AviWriter w;
    std::vector<uint32_t> px(32 * 32);
    avi_init(w, &kNullOps, 30, 32, 32, 44100, nullptr, 0);
    EXPECT_FALSE(avi_write_frame(w, px.data(), 32, 31));
    EXPECT_FALSE(avi_write_frame(w, px.data(), 32, 32));
    EXPECT_FALSE(avi_finish(w));
  }
}

}  // namespace
