// The recording mode driven as the shell drives it, with a fake window that "paints" the
// current demo frame as a flat colour; the AVIs land in a scratch folder and are read back
// with ffprobe/ffmpeg.
#include "record/record_mode.h"

#include <gtest/gtest.h>

#include <cstring>

#include "record/record_hooks.h"
#include "tests/record/record_files.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kSide = 16;
constexpr uint32_t kSongFrames = 2 * kRate + 123;  // 2.0028 s

struct FakeWindow {
  int usage, closes, failures, releases;
  uint32_t paints;
  uint32_t demoFrame;            // the frame the demo published last
  uint32_t refuseFrom;           // paints from this one on draw nothing
  std::vector<uint32_t> shown;   // per video frame: the demo frame it showed
  std::vector<uint64_t> clocks;  // per video frame: the recorder clock while it was painted
};
FakeWindow g_fake;
const AviFileOps* g_ops = &kAviStdioFile;

uint32_t colour_of(uint32_t demoFrame) { return (demoFrame & 0xFF) | (demoFrame >> 8) << 8 | 0x40u << 16; }

// A counting ramp, different in each channel.
std::vector<int16_t> make_song(uint32_t frames) {
  std::vector<int16_t> pcm(size_t(frames) * 2);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t((i & 1 ? -7 : 11) * int32_t(i % 2900) - 1);
  return pcm;
}

void reset(uint32_t fps = 70, uint32_t width = kSide, uint32_t height = kSide) {
  std::free(g_record.track);
  g_record = Recorder{};
  g_record.fps = fps;
  g_record.width = width;
  g_record.height = height;
  g_record.sampleRate = kRate;
  g_record.trackVolumePercent = 100;
  g_record.trackSoundOn = true;
  g_record.recording = true;
  g_fake = FakeWindow{};
  g_fake.refuseFrom = UINT32_MAX;
  g_ops = &kAviStdioFile;
}

// The shell's side of a whole recording: the demo publishes frames until the song has
// played (or the window was asked to close, or `escapeAfter` frames), then the fill, the
// tail and the finish.
void record_show(uint32_t songFrames, uint32_t escapeAfter = UINT32_MAX) {
  std::vector<int16_t> song = make_song(songFrames);
  ASSERT_TRUE(record_prepare_track(song.data(), songFrames, kRate));
  bool quitEarly = false;
  for (uint32_t f = 0; record_clock() < songFrames; ++f) {
    if (f == escapeAfter || g_fake.closes) {
      quitEarly = true;
      break;
    }
    g_fake.demoFrame = f;
    record_demo_frame(nullptr);
    // The next demo frame runs on the clock of its own start.
    ASSERT_EQ(record_clock(), uint64_t(f + 1) * kRate / 70);
  }
  if (!quitEarly && !g_fake.closes) {
    record_fill_to_song_end(nullptr);
    while (record_tail_step(nullptr)) {
    }
  }
  record_finish(nullptr, quitEarly);
}

std::string name_for(uint32_t fps) { return "Vrinx-record-" + std::to_string(fps) + ".avi"; }

// Every frame of the file against what the fake window showed, and its sound against the
// song followed by silence.
void expect_file(const std::string& file, uint32_t fps, uint32_t videoFrames, uint32_t audioFrames) {
  auto m = probe(file);
  EXPECT_EQ(m["streams.stream.0.nb_read_frames"], std::to_string(videoFrames));
  EXPECT_EQ(m["streams.stream.0.r_frame_rate"], std::to_string(fps) + "/1");
  std::string video = ffmpeg_video(file);
  ASSERT_EQ(video.size(), size_t(videoFrames) * kSide * kSide * 3);
  for (uint32_t k = 0; k < videoFrames; ++k)
    ASSERT_EQ(bgr24_at(video, size_t(k) * kSide * kSide), colour_of(g_fake.shown[k])) << "video frame " << k;
  std::string audio = ffmpeg_audio(file);
  ASSERT_EQ(audio.size(), size_t(audioFrames) * 4);
  std::vector<int16_t> song = make_song(kSongFrames);
  song.resize(size_t(audioFrames) * 2);
  EXPECT_EQ(std::memcmp(audio.data(), song.data(), audio.size()), 0);
}

}  // namespace

// The platform side, faked.
void record_show_usage() { g_fake.usage++; }
void record_request_paint(void*) {
  if (g_fake.paints++ >= g_fake.refuseFrom) return;
  g_fake.shown.push_back(g_fake.demoFrame);
  g_fake.clocks.push_back(record_clock());
  std::vector<uint32_t> pixels(size_t(g_record.width) * g_record.height, colour_of(g_fake.demoFrame));
  avi_write_frame(g_record.writer, pixels.data(), g_record.width, g_record.height);
}
void record_post_close(void*) { g_fake.closes++; }
void record_show_failure(void*) { g_fake.failures++; }
void record_release_capture() { g_fake.releases++; }
const AviFileOps* record_file_ops() { return g_ops; }

TEST(RecordCommandLine, AcceptsOneWellFormedGroup) {
  struct Case {
    std::vector<const char*> args;
    bool ok, recording;
    uint32_t fps, width, height;
  } cases[] = {
      {{}, true, false, 70, 0, 0},
      {{"/nogui", "x", "record", "/recordx", "70"}, true, false, 70, 0, 0},
      {{"/record", "70", "640", "480"}, true, true, 70, 640, 480},
      {{"/RECORD", "60", "320", "200"}, true, true, 60, 320, 200},
      {{"/ReCoRd", "1", "16", "16"}, true, true, 1, 16, 16},
      {{"/record", "240", "8192", "8192"}, true, true, 240, 8192, 8192},
      {{"/record", "0070", "0640", "480"}, true, true, 70, 640, 480},
      {{"/nogui", "/record", "35", "17", "9", "/saveconfig"}, false, false, 70, 0, 0},
      {{"/nogui", "/record", "35", "17", "19", "/saveconfig", "42"}, true, true, 35, 17, 19},
      {{"/record", "0", "640", "480"}, false, false, 70, 0, 0},
      {{"/record", "241", "640", "480"}, false, false, 70, 0, 0},
      {{"/record", "2400", "640", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "15", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "640", "8193"}, false, false, 70, 0, 0},
      {{"/record", "70", "81920", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "640"}, false, false, 70, 0, 0},
      {{"/record"}, false, false, 70, 0, 0},
      {{"/record", "70", "+640", "480"}, false, false, 70, 0, 0},
      {{"/record", "-70", "640", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", " 640", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "640 ", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "", "480"}, false, false, 70, 0, 0},
      {{"/record", "7O", "640", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "0x40", "480"}, false, false, 70, 0, 0},
      {{"/record", "70", "640", "4294967776"}, false, false, 70, 0, 0},
      {{"/record", "70", "640", "99999999999999999999999"}, false, false, 70, 0, 0},
      {{"/record", "70", "640", "480", "/record", "70", "640", "480"}, false, true, 70, 640, 480},
      {{"/record", "70", "640", "480", "/RECORD"}, false, true, 70, 640, 480},
      {{"/record", "/record", "70", "640", "480"}, false, false, 70, 0, 0},
  };
  for (const Case& c : cases) {
    reset();
    g_record = Recorder{};
    g_record.fps = 70;
    std::vector<char*> argv = {const_cast<char*>("Vrinx.exe")};
    std::string text;
    for (const char* a : c.args) {
      argv.push_back(const_cast<char*>(a));
      text += std::string(" ") + a;
    }
    SCOPED_TRACE(text);
    EXPECT_EQ(record_parse_command_line(int(argv.size()), argv.data()), c.ok);
    EXPECT_EQ(g_fake.usage, c.ok ? 0 : 1);
    EXPECT_EQ(g_record.recording, c.recording);
    EXPECT_EQ(g_record.fps, c.fps);
    EXPECT_EQ(g_record.width, c.width);
    EXPECT_EQ(g_record.height, c.height);
  }
}

TEST(RecordTrack, SongThenFiveSecondsOfSilence) {
  struct Case {
    uint32_t fps, songFrames;
    bool soundOn;
    uint32_t videoFrames, trackFrames;  // by hand: ceil(N x F / R), R x (T + 5 F) / F
  } cases[] = {
      {70, kSongFrames, true, 141, 309330},  // 140.195 -> 141; 44100 x 491 / 70
      {35, kSongFrames, true, 71, 309960},   // 70.098 -> 71; 44100 x 246 / 35
      {24, kSongFrames, false, 49, 310537},  // 48.067 -> 49; 44100 x 169 / 24 = 310537.5
      {1, kSongFrames, true, 3, 352800},     // 2.003 -> 3; 44100 x 8
      {70, 630, true, 1, 221130},            // exactly one video frame: 44100 x 351 / 70
      {240, 1, true, 1, 220683},             // 44100 x 1201 / 240 = 220683.75
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fps << " fps, " << c.songFrames << " frames, sound " << c.soundOn);
    reset(c.fps);
    g_record.trackSoundOn = c.soundOn;
    std::vector<int16_t> song = make_song(c.songFrames);
    ASSERT_TRUE(record_prepare_track(song.data(), c.songFrames, kRate));
    EXPECT_EQ(g_record.songVideoFrames, c.videoFrames);
    EXPECT_EQ(g_record.trackFrames, c.trackFrames);
    EXPECT_EQ(record_total_frames(), c.videoFrames + 5 * c.fps);
    size_t songValues = song.size();
    for (size_t i = 0; i < size_t(c.trackFrames) * 2; ++i)
      ASSERT_EQ(g_record.track[i], c.soundOn && i < songValues ? song[i] : 0) << "value " << i;
  }

  // The track volume scales each value, truncating toward zero.
  reset();
  g_record.trackVolumePercent = 50;
  int16_t loud[4] = {-32768, 32767, 3, -3};
  ASSERT_TRUE(record_prepare_track(loud, 2, kRate));
  EXPECT_EQ(std::vector<int16_t>(g_record.track, g_record.track + 4),
            (std::vector<int16_t>{-16384, 16383, 1, -1}));

  // Sizes that cannot be recorded make the song load fail.
  for (uint32_t size : {0u, 8193u}) {
    reset(70, size, 200);
    EXPECT_FALSE(record_prepare_track(loud, 2, kRate));
    reset(70, 320, size);
    EXPECT_FALSE(record_prepare_track(loud, 2, kRate));
  }
}

TEST(RecordShow, VideoFrameKShowsDemoFrameKTimes70OverF) {
  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  struct Case {
    uint32_t fps, total;  // by hand: T + 5 x F, see RecordTrack
  } cases[] = {{70, 491}, {35, 246}, {140, 981}, {1, 8}, {24, 169}, {60, 421}, {240, 1681}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fps << " fps");
    TempDir tmp;
    reset(c.fps);
    record_show(kSongFrames);
    ASSERT_EQ(g_fake.shown.size(), c.total);
    const uint32_t songVideo = c.total - 5 * c.fps;
    for (uint32_t k = 0; k < c.total; ++k) {
      // The song's frames follow the demo; the tail repeats its last frame (140 here).
      uint32_t demo = k < songVideo ? uint32_t(uint64_t(k) * 70 / c.fps) : 140;
      ASSERT_EQ(g_fake.shown[k], demo) << "video frame " << k;
      ASSERT_EQ(g_fake.clocks[k], uint64_t(k) * kRate / c.fps) << "video frame " << k;
    }
    EXPECT_EQ(g_fake.closes + g_fake.failures, 0);
    EXPECT_EQ(g_fake.releases, 1);
    EXPECT_FALSE(fs::exists(name_for(c.fps) + ".partial"));
    expect_file(name_for(c.fps), c.fps, c.total, uint32_t(uint64_t(kRate) * c.total / c.fps));
  }
}

TEST(RecordShow, FailuresStopTheRecordingAndKeepThePartialFile) {
  struct Case {
    const char* what;
    uint32_t refuseFrom;  // the first paint that draws nothing
    uint32_t writeLimit;  // bytes the file takes before its writes fail (0: no limit)
  } cases[] = {
      {"first paint refused: no file at all", 0, 0},
      {"paint refused while the demo runs", 40, 0},
      {"paint refused in the tail", 150, 0},
      {"disk full while the demo runs", UINT32_MAX, 200000},
  };
  static uint64_t written, limit;
  static AviFileOps full;
  full = kAviStdioFile;
  full.write = [](void* f, const void* d, uint32_t n) {
    written += n;
    return written > limit ? 0 : kAviStdioFile.write(f, d, n);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    reset();
    g_fake.refuseFrom = c.refuseFrom;
    written = 0;
    limit = c.writeLimit;
    if (c.writeLimit) g_ops = &full;
    record_show(kSongFrames);
    EXPECT_TRUE(record_failed());
    EXPECT_EQ(g_fake.failures, 1);
    EXPECT_FALSE(fs::exists(name_for(70)));
    // No paint is asked for once the recording has failed.
    EXPECT_EQ(g_fake.paints, c.writeLimit ? g_fake.shown.size() : c.refuseFrom + 1);
    if (c.refuseFrom == 0) {
      EXPECT_FALSE(fs::exists(name_for(70) + ".partial"));
      continue;
    }
    ASSERT_TRUE(fs::exists(name_for(70) + ".partial"));
    if (!c.writeLimit && have_ffmpeg()) {
      auto m = probe(name_for(70) + ".partial");
      EXPECT_EQ(m["streams.stream.0.nb_read_frames"], std::to_string(c.refuseFrom));
    }
  }
}

TEST(RecordShow, EndingEarlyFinishesTheFileWithTheFramesSoFar) {
  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  struct Case {
    uint32_t fps, escapeAfter, frames;  // frames: those of the demo frames before the escape
  } cases[] = {{70, 50, 50}, {35, 51, 26}, {140, 50, 100}, {1, 3, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fps << " fps, escape after " << c.escapeAfter);
    TempDir tmp;
    reset(c.fps);
    record_show(kSongFrames, c.escapeAfter);
    EXPECT_FALSE(record_failed());
    EXPECT_EQ(g_fake.failures, 0);
    EXPECT_EQ(g_fake.shown.size(), c.frames);
    expect_file(name_for(c.fps), c.fps, c.frames, uint32_t(uint64_t(kRate) * c.frames / c.fps));
  }
}
