// Small AVIs written into a temporary folder, read back by hand, by ffprobe/ffmpeg and by
// GStreamer.
#include "record/avi_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "base/byte_order.h"
#include "tests/record/record_files.h"

namespace {

uint32_t u32(const Bytes& b, size_t at) { return load_le32(&b[at]); }
uint16_t u16(const Bytes& b, size_t at) { return load_le16(&b[at]); }
uint64_t u64(const Bytes& b, size_t at) { return load_le64(&b[at]); }
std::string cc(const Bytes& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

uint32_t pixel(uint32_t frame, uint32_t x, uint32_t y) {
  return ((x * 7 + frame * 31) & 0xFF) | ((y * 13 + frame) & 0xFF) << 8 | ((x ^ y) * 5 & 0xFF) << 16;
}

struct Recording {
  uint32_t fps, width, height, rate, audioFrames, frames;
  uint64_t limit = kAviSegmentLimit;
  std::vector<int16_t> audio{};  // filled by record()
};

// Writes the frames of a known pattern (the unused top byte set from the second frame on)
// and a counting audio track.
bool record(AviWriter& w, Recording& r, const AviFileOps* ops = &kAviStdioFile) {
  r.audio.resize(size_t(r.audioFrames) * 2);
  for (size_t i = 0; i < r.audio.size(); ++i) r.audio[i] = int16_t(i * 37 - 20000);
  avi_init(w, ops, r.fps, r.width, r.height, r.rate, r.audio.data(), r.audioFrames);
  w.segmentLimit = r.limit;
  std::vector<uint32_t> pixels(size_t(r.width) * r.height);
  for (uint32_t f = 0; f < r.frames; ++f) {
    for (uint32_t y = 0; y < r.height; ++y)
      for (uint32_t x = 0; x < r.width; ++x) pixels[y * r.width + x] = pixel(f, x, y) | (f ? 0xAB000000u : 0);
    if (!avi_write_frame(w, pixels.data(), r.width, r.height)) break;
  }
  return avi_finish(w);
}

void expect_decodes(const std::string& file, const Recording& r, uint32_t audioFramesWritten) {
  auto m = probe(file);
  EXPECT_EQ(m["streams.stream.0.codec_type"], "video");
  EXPECT_EQ(m["streams.stream.0.width"], std::to_string(r.width));
  EXPECT_EQ(m["streams.stream.0.height"], std::to_string(r.height));
  EXPECT_EQ(m["streams.stream.0.r_frame_rate"], std::to_string(r.fps) + "/1");
  EXPECT_EQ(m["streams.stream.0.nb_read_frames"], std::to_string(r.frames));
  EXPECT_EQ(m["streams.stream.1.codec_name"], "pcm_s16le");
  EXPECT_EQ(m["streams.stream.1.sample_rate"], std::to_string(r.rate));
  EXPECT_EQ(m["streams.stream.1.channels"], "2");
  std::string video = ffmpeg_video(file);
  ASSERT_EQ(video.size(), size_t(r.frames) * r.width * r.height * 3);
  for (size_t i = 0; i < video.size() / 3; ++i) {
    uint32_t x = i % r.width, y = i / r.width % r.height, f = uint32_t(i / r.width / r.height);
    ASSERT_EQ(bgr24_at(video, i), pixel(f, x, y)) << "frame " << f << " at " << x << "," << y;
  }
  std::string audio = ffmpeg_audio(file);
  ASSERT_EQ(audio.size(), size_t(audioFramesWritten) * 4);
  EXPECT_EQ(std::memcmp(audio.data(), r.audio.data(), audio.size()), 0);
}

TEST(AviWriter, ReadsBackThroughFfmpegAndGstreamer) {
  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  {
    // One segment; width 17: rows of 51 bytes padded to 52.
    TempDir tmp;
    AviWriter w;
    Recording r{25, 17, 16, 44100, 44100 * 6 / 25, 6};
    ASSERT_TRUE(record(w, r));
    EXPECT_EQ(w.stride, 52u);
    EXPECT_FALSE(fs::exists("Vrinx-record-25.avi.partial"));
    expect_decodes("Vrinx-record-25.avi", r, r.audioFrames);
  }
  // Several segments; the audio runs out after 30 frames: the later audio chunks are empty.
  TempDir tmp;
  AviWriter w;
  Recording r{10, 64, 48, 8000, 800 * 30, 40, 1048576 + 160000};
  ASSERT_TRUE(record(w, r));
  EXPECT_GE(w.segmentCount, 3u);
  EXPECT_EQ(w.audioWritten, 800u * 30);
  expect_decodes("Vrinx-record-10.avi", r, 800 * 30);

  // GStreamer's avidemux follows the super indexes into every segment as well.
  if (std::system("gst-launch-1.0 --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "gst-launch-1.0 not installed";
  ASSERT_EQ(
      std::system("gst-launch-1.0 -q filesrc location=Vrinx-record-10.avi ! avidemux name=d d.video_0 ! "
                  "queue ! filesink location=video d.audio_0 ! queue ! filesink location=audio"),
      0);
  Bytes gstVideo = test_read_file("video"), gstAudio = test_read_file("audio");
  EXPECT_EQ(std::string(gstVideo.begin(), gstVideo.end()), ffmpeg_video("Vrinx-record-10.avi"));
  ASSERT_EQ(gstAudio.size(), size_t(800) * 30 * 4);
  EXPECT_EQ(std::memcmp(gstAudio.data(), r.audio.data(), gstAudio.size()), 0);
}

// Walks the headers and indexes by hand.
TEST(AviWriter, HeaderFieldsAndIndexes) {
  TempDir tmp;
  AviWriter w;
  Recording r{10, 20, 16, 8000, 800 * 30, 30, 1048576 + 20000};
  const uint32_t fps = 10, W = 20, H = 16, R = 8000, frames = 30, stride = 60;
  ASSERT_TRUE(record(w, r));
  auto b = test_read_file("Vrinx-record-10.avi");
  ASSERT_GT(b.size(), 200000u);
  EXPECT_EQ(cc(b, 0) + cc(b, 8) + cc(b, 12) + cc(b, 20) + cc(b, 24), "RIFFAVI LISThdrlavih");
  ASSERT_EQ(u32(b, 28), 56u);
  const size_t avih = 32;
  const uint32_t firstFrames = u32(b, avih + 16);
  struct Field {
    size_t at;
    uint32_t want;
  };
  for (Field f : {Field{0, 100000}, {4, stride * H * fps + R * 4}, {12, 0x110}, {24, 2}, {28, stride * H},
                  {32, W}, {36, H}})
    EXPECT_EQ(u32(b, avih + f.at), f.want) << "avih + " << f.at;

  size_t p = avih + 56;
  size_t superPos[2];
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(cc(b, p) + cc(b, p + 8), "LISTstrl");
    size_t h = p + 12;
    EXPECT_EQ(cc(b, h), "strh");
    EXPECT_EQ(cc(b, h + 8), s ? "auds" : "vids");
    for (Field f : {Field{4, 56}, {28, s ? 4u : 1u}, {32, s ? R * 4 : fps}, {40, s ? 800u * frames : frames},
                    {48, 0xFFFFFFFFu}, {52, s ? 4u : 0u}})
      EXPECT_EQ(u32(b, h + f.at), f.want) << "strh + " << f.at;
    EXPECT_EQ(u16(b, h + 60), s ? 0 : W);
    EXPECT_EQ(u16(b, h + 62), s ? 0 : H);
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
  EXPECT_EQ(cc(b, p + 8) + cc(b, p + 12), "odmldmlh");
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
      uint64_t base = u64(b, ix + 20);
      EXPECT_EQ(cc(b, base) + cc(b, base + 8), i ? "RIFFAVIX" : "RIFFAVI ");
      uint32_t duration = 0;
      for (uint32_t k = 0; k < u32(b, ix + 12); ++k) {
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
  EXPECT_EQ(cc(b, movi) + cc(b, movi + 8), "LISTmovi");
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
  EXPECT_EQ(b[movi + 12 + 8 + (H - 1) * stride + 3], pixel(0, 1, 0) & 0xFF);
}

TEST(AviWriter, NamesMoveOnPastTakenFiles) {
  TempDir tmp;
  { std::ofstream("Vrinx-record-70.avi") << "x"; }
  { std::ofstream("Vrinx-record-70-001.avi.partial") << "x"; }
  AviWriter w;
  Recording r{70, 16, 16, 44100, 1000, 2};
  ASSERT_TRUE(record(w, r));
  EXPECT_TRUE(fs::exists("Vrinx-record-70-002.avi"));
}

// Counts bytes without storing them, so full-size segments cost nothing.
uint64_t g_nullPos;
const AviFileOps kNullOps = {
    [](const char*, int* exists) -> void* {
      *exists = 0;
      return &g_nullPos;
    },
    [](const char*) { return 0; },
    [](void*, const void*, uint32_t n) {
      g_nullPos += n;
      return 1;
    },
    [](void*, uint64_t p) {
      g_nullPos = p;
      return 1;
    },
    [](void*, uint64_t* p) {
      *p = g_nullPos;
      return 1;
    },
    [](void*) { return 1; },
    [](const char*, const char*) { return 1; },
};

TEST(AviWriter, SegmentLimits) {
  // A full-size segment holds 289 frames at 640x480.
  g_nullPos = 0;
  AviWriter w;
  std::vector<int16_t> audio(44100 * 2 * 5, 0);
  avi_init(w, &kNullOps, 70, 640, 480, 44100, audio.data(), 44100 * 5);
  std::vector<uint32_t> px(640 * 480, 0);
  for (int f = 0; f < 290; ++f) {
    ASSERT_TRUE(avi_write_frame(w, px.data(), 640, 480));
    ASSERT_EQ(w.segmentCount, f < 289 ? 0u : 1u) << f;
  }
  EXPECT_EQ(w.firstSegmentFrames, 289u);
  EXPECT_TRUE(avi_finish(w));

  // With a limit that splits at every frame, the frame that would open segment 4097 fails the recording.
  g_nullPos = 0;
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
    Recording r{30, 64, 64, 44100, 44100, 30};
    EXPECT_FALSE(record(w, r, &failing));
    EXPECT_TRUE(w.failed);
    EXPECT_LT(w.videoWritten, 30u);
    EXPECT_TRUE(fs::exists("Vrinx-record-30.avi.partial"));
    EXPECT_FALSE(fs::exists("Vrinx-record-30.avi"));
  }
  {
    // A folder that cannot be written to (removed under us, which holds even for root).
    TempDir tmp;
    fs::create_directory(tmp.dir / "gone");
    fs::current_path(tmp.dir / "gone");
    fs::remove(tmp.dir / "gone");
    AviWriter w;
    Recording r{30, 16, 16, 44100, 44100, 3};
    EXPECT_FALSE(record(w, r));
    EXPECT_TRUE(w.failed);
    EXPECT_EQ(w.videoWritten, 0u);
  }
  // A picture of the wrong size is refused.
  AviWriter w;
  std::vector<uint32_t> px(32 * 32);
  avi_init(w, &kNullOps, 30, 32, 32, 44100, nullptr, 0);
  EXPECT_FALSE(avi_write_frame(w, px.data(), 32, 31));
  EXPECT_FALSE(avi_write_frame(w, px.data(), 32, 32));
  EXPECT_FALSE(avi_finish(w));
}

}  // namespace
