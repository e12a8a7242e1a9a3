// The recorder's tests. AVI files written into a scratch folder are walked by hand and read back by
// ffprobe/ffmpeg; the recording mode is driven as the shell drives it, with a fake window
// that "paints" the current demo frame as a flat colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "base/byte_order.h"
#include "record/avi_writer.h"
#include "record/record_hooks.h"
#include "record/record_mode.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder, made the current directory.
struct TempDir {
  char name[25] = "/tmp/vrinx-record-XXXXXX";
  fs::path old = fs::current_path(), dir = mkdtemp(name);
  TempDir() { fs::current_path(dir); }
  ~TempDir() { fs::current_path(old), fs::remove_all(dir); }
};

bool have_ffmpeg() { return std::system("(ffmpeg -version && ffprobe -version) >/dev/null 2>&1") == 0; }

std::string run(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  char buf[65536];
  for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  if (p) pclose(p);
  return out;
}

// The file as ffprobe and ffmpeg read it: `frames` pictures at `fps` where pixel (x, y) of frame f is
// want(f, x, y) as 0xRRGGBB, and 16-bit stereo sound at `rate` equal to `audio`.
template <class Want>
void expect_avi(const std::string& file, uint32_t fps, uint32_t width, uint32_t height, uint32_t frames,
                Want want, uint32_t rate, const std::vector<int16_t>& audio) {
  std::string probe = run("ffprobe -v error -count_frames -show_streams -of flat " + file);
  probe.erase(std::remove(probe.begin(), probe.end(), '"'), probe.end());
  // clang-format off
  const std::string fields[] = {"0.codec_type=video", "0.width=" + std::to_string(width),
      "0.height=" + std::to_string(height), "0.nb_read_frames=" + std::to_string(frames),
      "0.r_frame_rate=" + std::to_string(fps) + "/1", "1.codec_name=pcm_s16le",
      "1.sample_rate=" + std::to_string(rate), "1.channels=2"};
  // clang-format on
  for (const std::string& field : fields)
    EXPECT_NE(probe.find("streams.stream." + field + "\n"), probe.npos) << file << ": " << field;
  std::string video = run("ffmpeg -v error -i " + file + " -map 0:v -f rawvideo -pix_fmt bgr24 -");
  std::string sound = run("ffmpeg -v error -i " + file + " -map 0:a -f s16le -");
  ASSERT_EQ(video.size(), size_t(frames) * width * height * 3);
  for (size_t i = 0; i < video.size() / 3; ++i) {
    const auto* p = reinterpret_cast<const uint8_t*>(video.data()) + i * 3;
    uint32_t x = i % width, y = i / width % height, f = uint32_t(i / width / height);
    ASSERT_EQ(uint32_t(p[0] | p[1] << 8 | p[2] << 16), want(f, x, y))
        << "frame " << f << " at " << x << "," << y;
  }
  ASSERT_EQ(sound.size(), audio.size() * 2);
  EXPECT_EQ(std::memcmp(sound.data(), audio.data(), sound.size()), 0);
}

uint32_t u32(const Bytes& b, size_t at) { return load_le32(&b[at]); }
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

// Frames of a known pattern (the unused top byte set from the second on) and a counting audio track.
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

// Counts bytes without storing them, so full-size segments cost nothing; each file starts at 0.
uint64_t g_nullPos;
// clang-format off
const AviFileOps kNullOps = {
    [](const char*, int* exists) -> void* { *exists = 0, g_nullPos = 0; return &g_nullPos; },
    [](const char*) { return 0; }, [](void*, const void*, uint32_t n) { g_nullPos += n; return 1; },
    [](void*, uint64_t p) { g_nullPos = p; return 1; }, [](void*, uint64_t* p) { *p = g_nullPos; return 1; },
    [](void*) { return 1; }, [](const char*, const char*) { return 1; }};
// clang-format on

constexpr uint32_t kRate = 44100, kWidth = 17, kHeight = 16;  // rows of 51 bytes padded to 52
constexpr uint32_t kSongFrames = 2 * kRate + 123;             // 2.0028 s

struct FakeWindow {
  int usage, closes, failures, releases, tailSteps;
  uint32_t paints, demoFrame;        // demoFrame: the frame the demo published last
  uint32_t refuseFrom = UINT32_MAX;  // paints from this one on draw nothing
  std::vector<uint32_t> shown;       // per video frame: the demo frame it showed
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

void reset(uint32_t fps = 70, uint32_t width = kWidth, uint32_t height = kHeight) {
  std::free(g_record.track);
  g_record = Recorder{true, fps, width, height, kRate, 100, true, nullptr, 0, 0, 0, 0, false, false, {}};
  g_fake = FakeWindow{};
  g_ops = &kAviStdioFile;
}

// The shell's side of a whole recording: the demo publishes frames until the song has played (or the
// window was asked to close, or `escapeAfter` frames), then the fill, the tail and the finish.
void record_show(uint32_t songFrames, uint32_t escapeAfter = UINT32_MAX) {
  std::vector<int16_t> song = make_song(songFrames);
  ASSERT_TRUE(record_prepare_track(song.data(), songFrames, kRate));
  bool quitEarly = false;
  for (uint32_t f = 0; record_clock() < songFrames && !g_fake.closes; ++f) {
    if ((quitEarly = f == escapeAfter)) break;
    g_fake.demoFrame = f;
    record_demo_frame(nullptr);
    // The next demo frame runs on the clock of its own start.
    ASSERT_EQ(record_clock(), uint64_t(f + 1) * kRate / 70);
  }
  if (!quitEarly && !g_fake.closes) {
    record_fill_to_song_end(nullptr);
    // The interlude starts on the clock of the song's end.
    EXPECT_EQ(record_clock(), uint64_t(g_record.songVideoFrames) * kRate / g_record.fps);
    while (record_tail_step(nullptr)) g_fake.tailSteps++;
  }
  record_finish(nullptr, quitEarly || g_fake.closes);
}

}  // namespace

// The platform side of the recording mode, faked.
void record_show_usage() { g_fake.usage++; }
void record_request_paint(void*) {
  if (g_fake.paints++ >= g_fake.refuseFrom) return;
  // Video frame k is painted on its own clock, k x R / F.
  EXPECT_EQ(record_clock(), uint64_t(g_fake.shown.size()) * g_record.sampleRate / g_record.fps);
  g_fake.shown.push_back(g_fake.demoFrame);
  std::vector<uint32_t> pixels(size_t(g_record.width) * g_record.height, colour_of(g_fake.demoFrame));
  avi_write_frame(g_record.writer, pixels.data(), g_record.width, g_record.height);
}
void record_post_close(void*) { g_fake.closes++; }
void record_show_failure(void*) { g_fake.failures++; }
void record_release_capture() { g_fake.releases++; }
const AviFileOps* record_file_ops() { return g_ops; }

// Several segments, walked by hand, then read back by ffmpeg. The audio runs out after 30 frames: the later
// audio chunks are empty.
TEST(AviWriter, SegmentsByHandAndFfmpeg) {
  TempDir tmp;
  AviWriter w;
  const uint32_t fps = 10, W = 64, H = 48, R = 8000, frames = 40, audioFrames = 800 * 30, size = 192 * H;
  Recording r{fps, W, H, R, audioFrames, frames, 1048576 + 160000};
  ASSERT_TRUE(record(w, r));
  auto b = test_read_file("Vrinx-record-10.avi");
  ASSERT_GT(b.size(), 200000u);
  EXPECT_EQ(cc(b, 0) + cc(b, 8) + cc(b, 12) + cc(b, 20) + cc(b, 24), "RIFFAVI LISThdrlavih");
  const uint32_t firstFrames = u32(b, 48);
  // clang-format off
  struct Field { size_t at; uint32_t want, audio = 0; };
  for (Field f : {Field{28, 56}, {32, 100000}, {36, size * fps + R * 4}, {44, 0x110}, {56, 2}, {60, size},
                  {64, W}, {68, H}})
    EXPECT_EQ(u32(b, f.at), f.want) << "avih at " << f.at;
  // Offsets from "strh" (strf at 64; the audio's strf ends at 88, before indx): video value, audio value.
  const Field strl[] = {{4, 56, 56}, {28, 1, 4}, {32, fps, R * 4}, {40, frames, audioFrames},
      {44, size, R * 4}, {48, ~0u, ~0u}, {52, 0, 4}, {60, W | H << 16, 0}, {68, 40, 16},
      {72, 40, 1 | 2 << 16}, {76, W, R}, {80, H, R * 4}, {84, 1 | 24 << 16, 4 | 16 << 16}, {92, size, 65560}};
  // clang-format on
  size_t p = 88, superPos[2];
  for (int s = 0; s < 2; ++s) {
    size_t h = p + 12, x = h + 72 + u32(b, h + 68);
    EXPECT_EQ(cc(b, p) + cc(b, p + 8) + cc(b, h) + cc(b, h + 8) + cc(b, h + 64) + cc(b, x) + cc(b, x + 16),
              s ? "LISTstrlstrhaudsstrfindx01wb" : "LISTstrlstrhvidsstrfindx00db");
    for (const Field& f : strl) EXPECT_EQ(u32(b, h + f.at), s ? f.audio : f.want) << s << ": strh + " << f.at;
    EXPECT_EQ(u32(b, x + 4), 65560u);
    EXPECT_EQ(u32(b, x + 8), 4u);  // four longs an entry, sub-type 0, type 0: an index of indexes
    superPos[s] = x;
    p = x + 8 + 65560;
  }
  EXPECT_EQ(cc(b, p + 8) + cc(b, p + 12), "odmldmlh");
  EXPECT_EQ(u32(b, p + 20), frames);

  // Every super-index entry names an ix chunk whose entries point at chunks of the right id and size.
  const uint32_t segments = u32(b, superPos[0] + 12);
  EXPECT_GE(segments, 3u);
  for (int s = 0; s < 2; ++s) {
    uint32_t total = 0;
    ASSERT_EQ(u32(b, superPos[s] + 12), segments);
    for (uint32_t i = 0; i < segments; ++i) {
      size_t e = superPos[s] + 32 + i * 16;
      uint64_t ix = u64(b, e), base = u64(b, ix + 20);
      EXPECT_EQ(cc(b, ix) + cc(b, base) + cc(b, base + 8),
                (s ? "ix01RIFF" : "ix00RIFF") + std::string(i ? "AVIX" : "AVI "));
      EXPECT_EQ(u32(b, e + 8), u32(b, ix + 4) + 8);
      EXPECT_EQ(u32(b, ix + 8), 2u | 1u << 24);  // two longs an entry, sub-type 0, type 1: an index of chunks
      uint32_t duration = 0;
      for (uint32_t k = 0; k < u32(b, ix + 12); ++k) {
        uint64_t data = base + u32(b, ix + 32 + k * 8);
        EXPECT_EQ(cc(b, data - 8), s ? "01wb" : "00db");
        EXPECT_EQ(u32(b, data - 4), u32(b, ix + 36 + k * 8));
        duration += s ? u32(b, data - 4) / 4 : 1;
      }
      EXPECT_EQ(u32(b, e + 12), duration);
      total += duration;
    }
    EXPECT_EQ(total, s ? audioFrames : frames);
  }

  // idx1 follows the first segment's ix chunks: offsets relative to the "movi" list type.
  size_t movi = p + 8 + 4 + 8 + 252, idx1 = movi + 8 + u32(b, movi + 4);
  EXPECT_EQ(cc(b, movi) + cc(b, movi + 8), "LISTmovi");
  for (int s = 0; s < 2; ++s) idx1 += 8 + u32(b, idx1 + 4);  // past ix00 and ix01
  ASSERT_EQ(cc(b, idx1), "idx1");
  EXPECT_EQ(u32(b, idx1 + 4), firstFrames * 2 * 16);
  for (uint32_t i = 0; i < firstFrames * 2; ++i) {
    size_t e = idx1 + 8 + i * 16, chunk = movi + 8 + u32(b, e + 8);
    EXPECT_EQ(cc(b, e) + cc(b, chunk), i & 1 ? "01wb01wb" : "00db00db");
    EXPECT_EQ(u32(b, e + 4), 0x10u);
    EXPECT_EQ(u32(b, chunk + 4), u32(b, e + 12));
  }

  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  expect_avi("Vrinx-record-10.avi", fps, W, H, frames, pixel, R, r.audio);
}

// Names taken by a final or a partial file are passed over; a folder that cannot be written to (removed
// under us, which holds even for root) fails the recording before its first frame.
TEST(AviWriter, NamesAndFolders) {
  TempDir tmp;
  test_write_file("Vrinx-record-70.avi", "x", 1);
  test_write_file("Vrinx-record-70-001.avi.partial", "x", 1);
  AviWriter w;
  Recording r{70, 17, 16, 44100, 1000, 2};
  ASSERT_TRUE(record(w, r));
  ASSERT_TRUE(fs::exists("Vrinx-record-70-002.avi"));
  EXPECT_EQ(u32(test_read_file("Vrinx-record-70-002.avi"), 60), 52u * 16);  // rows of 51 bytes padded to 52
  fs::create_directory(tmp.dir / "gone");
  fs::current_path(tmp.dir / "gone");
  fs::remove(tmp.dir / "gone");
  EXPECT_FALSE(record(w, r));
  EXPECT_EQ(w.videoWritten, 0u);
}

TEST(AviWriter, SegmentAndPictureLimits) {
  // A full-size segment holds 289 frames at 640x480.
  AviWriter w;
  std::vector<int16_t> audio(44100 * 2 * 5, 0);
  avi_init(w, &kNullOps, 70, 640, 480, 44100, audio.data(), 44100 * 5);
  std::vector<uint32_t> px(640 * 480, 0);
  for (uint32_t f = 0; f < 290; ++f)
    ASSERT_TRUE(avi_write_frame(w, px.data(), 640, 480) && w.segmentCount == (f >= 289)) << f;
  EXPECT_TRUE(avi_finish(w));

  // With a limit that splits at every frame, the frame that would open segment 4097 fails the recording.
  avi_init(w, &kNullOps, 70, 16, 16, 44100, nullptr, 0);
  w.segmentLimit = 1;
  for (uint32_t f = 0; f < kAviMaxSegments; ++f) ASSERT_TRUE(avi_write_frame(w, px.data(), 16, 16)) << f;
  EXPECT_FALSE(avi_write_frame(w, px.data(), 16, 16));
  EXPECT_EQ(w.segmentCount, kAviMaxSegments);
  EXPECT_FALSE(avi_finish(w));

  // The max-bytes hint saturates where a huge picture would wrap it.
  TempDir tmp;
  avi_init(w, &kAviStdioFile, 240, 8192, 8192, 44100, nullptr, 0);
  ASSERT_TRUE(avi_open(w) && avi_finish(w));
  EXPECT_EQ(u32(test_read_file("Vrinx-record-240.avi"), 32 + 4), 0xFFFFFFFFu);

  // A picture of the wrong size is refused, and so is every frame after it: no file is opened.
  avi_init(w, &kNullOps, 30, 32, 32, 44100, nullptr, 0);
  EXPECT_FALSE(avi_write_frame(w, px.data(), 32, 31));
  EXPECT_FALSE(avi_write_frame(w, px.data(), 32, 32));
  EXPECT_EQ(w.file, nullptr);
  EXPECT_FALSE(avi_finish(w));
}

TEST(RecordCommandLine, AcceptsOneWellFormedGroup) {
  // Arguments split at '|'; fps 0: refused with the usage box, nothing recorded.
  // clang-format off
  struct Case { const char* args; uint32_t fps = 0, width = 0, height = 0; bool ok = false; } cases[] = {
      {"", 0, 0, 0, true}, {"/nogui|x|record|/recordx|70", 0, 0, 0, true},
      {"/record|70|640|480", 70, 640, 480, true}, {"/RECORD|60|320|200", 60, 320, 200, true},
      {"/ReCoRd|1|16|16", 1, 16, 16, true}, {"/record|240|8192|8192", 240, 8192, 8192, true},
      {"/record|0070|0640|480", 70, 640, 480, true},
      {"/nogui|/record|35|17|19|/saveconfig|42", 35, 17, 19, true}, {"/nogui|/record|35|17|9|/saveconfig"},
      {"/record|0|640|480"}, {"/record|241|640|480"}, {"/record|7:|640|480"}, {"/record|70|15|480"},
      {"/record|70|640|8193"}, {"/record|70|81920|480"}, {"/record|70|640"}, {"/record"},
      {"/record|7O|640|480"}, {"/record|70|+640|480"}, {"/record|-70|640|480"}, {"/record|70| 640|480"},
      {"/record|70|640 |480"}, {"/record|70||480"}, {"/record|70|0x40|480"}, {"/record|70|640|4294967776"},
      {"/record|70|640|99999999999999999999999"}, {"/record|/record|70|640|480"},
      {"/record|70|640|480|/record|70|640|480", 70, 640, 480}, {"/record|70|640|480|/RECORD", 70, 640, 480}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    reset(70, 0, 0);
    g_record.recording = false;
    std::string text = c.args + std::string("|");  // each argument ends at a '|'
    std::vector<char*> argv = {const_cast<char*>("Vrinx.exe")};
    for (size_t a = 0, bar; *c.args && (bar = text.find('|', a)) != text.npos; a = bar + 1)
      text[bar] = 0, argv.push_back(&text[a]);
    EXPECT_EQ(record_parse_command_line(int(argv.size()), argv.data()), c.ok);
    EXPECT_EQ(g_fake.usage, c.ok ? 0 : 1);
    EXPECT_EQ(std::make_tuple(g_record.recording, g_record.fps, g_record.width, g_record.height),
              std::make_tuple(c.fps != 0, c.fps ? c.fps : 70, c.width, c.height));
  }
}

TEST(RecordTrack, VolumeAndSizes) {
  // The track volume scales each value, truncating toward zero.
  reset();
  g_record.trackVolumePercent = 50;
  int16_t loud[4] = {-32768, 32767, 3, -3};
  ASSERT_TRUE(record_prepare_track(loud, 2, kRate));
  EXPECT_EQ(std::vector<int16_t>(g_record.track, g_record.track + 4),
            std::vector<int16_t>({-16384, 16383, 1, -1}));

  // Sizes that cannot be recorded make the song load fail.
  const uint32_t sizes[][2] = {{0, 200}, {8193, 200}, {320, 0}, {320, 8193}};
  for (const auto& size : sizes) {
    reset(70, size[0], size[1]);
    EXPECT_FALSE(record_prepare_track(loud, 2, kRate));
  }
}

TEST(RecordShow, VideoFrameKShowsDemoFrameKTimes70OverF) {
  if (!have_ffmpeg()) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  // frames by hand: the whole show T + 5 x F with T = ceil(N x F / R) for a song of N frames (the sound
  // R x (T + 5 F) / F frames), or the frames before an escape after `escape` demo frames.
  constexpr uint32_t kAll = UINT32_MAX;
  // clang-format off
  struct Case { uint32_t fps, frames, escape = kAll, song = kSongFrames; bool soundOn = true; } cases[] = {
      {70, 491}, {35, 246}, {140, 981}, {1, 8}, {60, 421}, {240, 1681},  // T 141 (140.195), 71 (70.1), ...
      {24, 169, kAll, kSongFrames, false},                               // T 49 (48.07), sound off
      {70, 351, kAll, 630}, {240, 1201, kAll, 1},                        // T = 1: exactly, and just
      {70, 50, 50}, {35, 26, 51}, {140, 100, 50}, {1, 1, 3}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fps << " fps, song " << c.song << ", escape after " << c.escape);
    TempDir tmp;
    reset(c.fps);
    g_record.trackSoundOn = c.soundOn;
    record_show(c.song, c.escape);
    ASSERT_EQ(g_fake.shown.size(), c.frames);
    const uint32_t songVideo = c.escape == kAll ? c.frames - 5 * c.fps : c.frames;
    EXPECT_EQ(g_fake.tailSteps, c.escape == kAll ? 5 * c.fps - 1 : 0);  // true while more are due
    // The song's frames follow the demo; the tail repeats its last frame.
    for (uint32_t k = 0; k < c.frames; ++k)
      ASSERT_EQ(g_fake.shown[k], k < songVideo ? uint32_t(uint64_t(k) * 70 / c.fps) : g_fake.demoFrame) << k;
    EXPECT_EQ(std::make_tuple(record_failed(), g_fake.closes, g_fake.failures, g_fake.releases),
              std::make_tuple(false, 0, 0, 1));
    const std::string name = "Vrinx-record-" + std::to_string(c.fps) + ".avi";
    EXPECT_FALSE(fs::exists(name + ".partial"));
    // Every frame of the file as the fake window showed it, the sound the song (or silence) then silence.
    std::vector<int16_t> sound = c.soundOn ? make_song(c.song) : std::vector<int16_t>();
    sound.resize(size_t(uint64_t(kRate) * c.frames / c.fps) * 2);
    auto shown = [](uint32_t f, uint32_t, uint32_t) { return colour_of(g_fake.shown[f]); };
    expect_avi(name, c.fps, kWidth, kHeight, c.frames, shown, kRate, sound);
  }
}

// A refused paint, a failed write, close or move: the failure box, no final name, no paint asked for after
// the failure, the frames so far kept under the partial name.
TEST(RecordShow, FailuresStopTheRecordingAndKeepThePartialFile) {
  static uint64_t written = 0;
  static AviFileOps full = kAviStdioFile, closeFails = kAviStdioFile, moveFails = kAviStdioFile;
  full.write = [](void* f, const void* d, uint32_t n) {
    return (written += n) > 200000 ? 0 : kAviStdioFile.write(f, d, n);
  };
  closeFails.close = [](void* f) { return kAviStdioFile.close(f), 0; };
  moveFails.move = [](const char*, const char*) { return 0; };
  // clang-format off
  // stopped: the failure came while the demo ran, which is stopped.
  struct Case { const char* what; uint32_t refuseFrom; bool stopped; const AviFileOps* ops{}; } cases[] = {
      {"first paint refused: no file at all", 0, true}, {"paint refused while the demo runs", 40, true},
      {"paint refused in the tail", 150, false}, {"disk full while the demo runs", UINT32_MAX, true, &full},
      {"close fails", UINT32_MAX, false, &closeFails}, {"move fails", UINT32_MAX, false, &moveFails}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    reset();
    g_fake.refuseFrom = c.refuseFrom;
    if (c.ops) g_ops = c.ops;
    record_show(kSongFrames);
    EXPECT_EQ(std::make_tuple(record_failed(), g_fake.closes, g_fake.failures),
              std::make_tuple(true, c.stopped, 1));
    EXPECT_FALSE(fs::exists("Vrinx-record-70.avi"));
    EXPECT_EQ(g_fake.paints, c.refuseFrom == UINT32_MAX ? g_fake.shown.size() : c.refuseFrom + 1);
    EXPECT_EQ(fs::exists("Vrinx-record-70.avi.partial"), c.refuseFrom != 0);
    if (c.refuseFrom % UINT32_MAX && have_ffmpeg()) {  // the frames before the refused paint
      auto probe = run("ffprobe -v error -count_frames -show_streams -of flat Vrinx-record-70.avi.partial");
      EXPECT_NE(probe.find("nb_read_frames=\"" + std::to_string(c.refuseFrom) + "\""), probe.npos);
    }
  }
}
