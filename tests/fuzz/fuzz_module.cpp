// libFuzzer target: any byte string goes the whole way a loaded song goes: the loaders,
// the duration walk and its refusal, the pre-render with its position marks and the
// 16-bit conversion. It must load and render or fail with a message, without touching
// memory it does not own, and within what the longest accepted song needs: at most ten
// minutes of PCM and one mark per tick of the shortest tick (tempo 255).
// Under the sanitizers a ten-minute song on 128 playing channels mixes for many minutes, so
// songs with more than kMaxMixedFrames channel frames are walked (and refused or
// accepted) but not mixed; the bench measures the mixing of the longest one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "audio/replay.h"
#include "tests/audio/module_checks.h"

namespace {

// The lowest rate the replay takes keeps a ten-minute 128-channel song within the
// fuzzer's time limit under the sanitizers; the arithmetic is the same at any rate.
constexpr uint32_t kRate = 8000;
constexpr uint32_t kMaxFrames = kRate * 600;
constexpr uint32_t kMaxMarks = kMaxFrames / (kRate * 5 / (255 * 2)) + 1;
constexpr int64_t kMaxMixedFrames = int64_t{4} * kMaxFrames;

void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  char message[kModuleMessageSize];
  std::memset(message, 0x55, sizeof message);
  Module* m = module_load(ByteSource{data, static_cast<uint32_t>(size)}, message);
  if (!m) {
    if (std::memchr(message, 0, sizeof message) == nullptr || message[0] == 0) fail("no message");
    return 0;
  }
  const char* fault = module_fault(*m);
  if (*fault) fail(fault);
  Replay* r = replay_create(m, kRate, 1);
  int64_t frames = r ? replay_duration(r, static_cast<int32_t>(kMaxFrames)) : 0;
  replay_free(r);
  if (frames > kMaxFrames + kRate * 5 / 64) fail("the walk went on past the limit");
  RenderedSong song;
  if (frames * m->channelCount > kMaxMixedFrames) {
    module_free(m);
    return 0;
  }
  if (rendered_song_render(m, kRate, &song)) {
    if (song.bytes == 0 || song.bytes > kMaxFrames * 4 || song.bytes != song.capacity) fail("song length");
    if (song.markCount == 0 || song.markCount > kMaxMarks || song.marks[0].frame != 0) fail("marks");
    rendered_song_free(&song);
  } else if (song.pcm || song.marks || song.bytes) {
    fail("a refused song left data");
  }
  module_free(m);
  return 0;
}
