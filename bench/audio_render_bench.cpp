// Pre-render speed of the module player, as multiples of real time on one core (the
// thread's CPU time, so that other work on a shared machine does not count):
// synthetic songs of 4, 8 and 32 channels, then the embedded tune (the file named as
// argument, else the build's content/tune.mod when the build makes one).
// With --wav OUT FILE it is the player that module_players_bench.py times against
// other players: it loads FILE, renders it and writes OUT as a 16-bit stereo WAV file;
// --load-only FILE loads and stops, the part that the script subtracts.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "tests/audio/module_checks.h"
#include "tests/test_files.h"

namespace {

constexpr uint32_t kRate = 44100;

// Four patterns of busy rows: every channel plays a looped wave with a rotating set
// of pitch and volume effects, as a dense tracker song would.
void fill_song(Song& song, int32_t channels) {
  const uint8_t effects[8][2] = {{kFxVibrato, 0x46},   {kFxVolSlide, 0x01}, {kFxArpeggio, 0x37},
                                 {kFxPortaUp, 0x02},   {kFxTremolo, 0x38},  {kFxTonePorta, 0x10},
                                 {kFxPortaDown, 0x02}, {kFxSetVolume, 0x30}};
  for (int32_t p = 0; p < 4; ++p) {
    for (int32_t row = 0; row < 64; ++row) {
      for (int32_t c = 0; c < channels; ++c) {
        int32_t n = p * 64 + row + c;
        uint8_t key = (row + c) % 4 == 0 ? static_cast<uint8_t>(25 + (n * 7) % 36) : 0;
        const uint8_t* fx = effects[n % 8];
        song.note(p, row, c) = Note{key, key ? static_cast<uint8_t>(1 + n % 8) : uint8_t(0), 0, fx[0], fx[1]};
      }
    }
  }
  for (int32_t c = 0; c < channels; ++c) song.m->defaultPanning[c] = (c & 3) == 1 || (c & 3) == 2 ? 204 : 51;
  for (int32_t i = 1; i <= 8; ++i) song.m->instruments[i].samples[0].panning = 0;  // keep the channel's
}

std::vector<XmInstrument> sine_instruments() {
  std::vector<XmInstrument> instruments;
  for (int32_t i = 0; i < 8; ++i) {
    XmSample s = xm_constant(0, 2048);
    for (int32_t f = 0; f < 2048; ++f)
      s.values[f] = static_cast<int>(12000 * std::sin(6.2831853 * f / (32 + 16 * i)));
    s.volume = 48;
    instruments.push_back(xm_instrument(s));
  }
  return instruments;
}

double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

void measure(const char* name, Module* module) {
  RenderedSong song;
  double start = cpu_seconds();
  bool ok = rendered_song_render(module, kRate, &song);
  double seconds = cpu_seconds() - start;
  if (!ok) {
    std::printf("%-24s render failed\n", name);
    return;
  }
  double songSeconds = song.bytes / 4.0 / kRate;
  std::printf("%-24s %3d channels  %7.1f s of song  %8.1f ms  %7.0fx real time\n", name, module->channelCount,
              songSeconds, seconds * 1000, songSeconds / seconds);
  rendered_song_free(&song);
}

Module* load_file(const char* path) {
  const Bytes bytes = test_read_file(path);
  char message[kModuleMessageSize];
  Module* m = bytes.empty()
                  ? nullptr
                  : module_load(ByteSource{bytes.data(), static_cast<uint32_t>(bytes.size())}, message);
  if (!m) std::fprintf(stderr, "%s: %s\n", path, bytes.empty() ? "cannot read" : message);
  return m;
}

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Prints the channel count, the song length in frames and the render's CPU seconds.
int render_to_wav(const char* out, const char* path) {
  Module* m = load_file(path);
  if (!m) return 1;
  RenderedSong song;
  double start = cpu_seconds();
  bool ok = rendered_song_render(m, kRate, &song);
  double seconds = cpu_seconds() - start;
  if (ok) {
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0,  0, 0, 0, 'W', 'A', 'V', 'E',
                          'f', 'm', 't', ' ', 16, 0, 0, 0, 1,   0,   2,   0};
    put32(header + 4, 36 + song.bytes);
    put32(header + 24, kRate);
    put32(header + 28, kRate * 4);
    header[32] = 4, header[34] = 16;
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, song.bytes);
    FILE* f = std::fopen(out, "wb");
    ok = f && std::fwrite(header, 1, 44, f) == 44 && std::fwrite(song.pcm, 1, song.bytes, f) == song.bytes;
    if (f) ok = std::fclose(f) == 0 && ok;
    if (ok) std::printf("%d %u %.6f\n", m->channelCount, song.bytes / 4, seconds);
    rendered_song_free(&song);
  }
  if (!ok) std::fprintf(stderr, "%s: not rendered\n", path);
  module_free(m);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--wav") == 0) return render_to_wav(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--load-only") == 0) {
    Module* m = load_file(argv[2]);
    module_free(m);
    return m ? 0 : 1;
  }
  for (int32_t channels : {4, 8, 32}) {
    Song song(channels, 4, 64, sine_instruments());
    fill_song(song, channels);
    char name[32];
    std::snprintf(name, sizeof name, "synthetic-%d", channels);
    measure(name, song.m);
  }
  const char* tune = argc > 1 ? argv[1] : nullptr;
#ifdef VRINX_TUNE_PATH
  if (!tune) tune = VRINX_TUNE_PATH;
#endif
  if (tune) {
    Module* m = load_file(tune);
    if (!m) return 0;
    measure("embedded tune", m);
    module_free(m);
  }
  return 0;
}
