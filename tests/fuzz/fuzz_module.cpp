// libFuzzer target: any byte string must load into a sound module or fail with a
// message, without reading or writing outside what it owns; a loaded module then
// plays for a few seconds through the replay engine and the mixer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/mixer.h"
#include "audio/module.h"
#include "audio/replay.h"
#include "tests/audio/module_checks.h"

namespace {

constexpr int32_t kRate = 22050;
constexpr int32_t kFrames = 3 * kRate;  // a few seconds of audio
constexpr int32_t kMaxTicks = 2000;     // bounds songs of very short ticks

void render(const Module* m) {
  Replay* r = replay_create(m, kRate, 1);
  if (!r) return;
  int32_t length = mix_buffer_length(kRate);
  int32_t* buffer = static_cast<int32_t*>(std::calloc(static_cast<size_t>(length), sizeof(int32_t)));
  if (buffer) {
    int32_t frames = 0;
    for (int32_t t = 0; t < kMaxTicks && frames < kFrames; ++t) {
      int32_t n = mix_tick(r, buffer, 0);
      if (n < 0 || (n + 65) * 4 > length) std::abort();  // the tick must fit the buffer
      frames += n;
    }
  }
  std::free(buffer);
  replay_free(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  char message[MODULE_MESSAGE_SIZE];
  std::memset(message, 0x55, sizeof message);
  Module* m = module_load(ByteSource{data, static_cast<uint32_t>(size)}, message);
  if (!m) {
    if (std::memchr(message, 0, sizeof message) == nullptr || message[0] == 0) std::abort();
    return 0;
  }
  const char* fault = module_fault(*m);
  if (*fault) {
    std::fprintf(stderr, "loaded module is unsound: %s\n", fault);
    std::abort();
  }
  render(m);
  module_free(m);
  return 0;
}
