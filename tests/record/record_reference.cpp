// Test helper of the end-to-end recording checks: what a recording of the asset image must hold.
//   record_reference IMAGE length              the tune's length in frames at 44100 Hz
//   record_reference IMAGE pcm OUT             the pre-rendered tune, 16-bit stereo at 44100 Hz
//   record_reference IMAGE frames N,N,... PREFIX  each demo frame N as the recorder clock runs them (frame f
//       at music frame f x 44100 / 70), to PREFIX%05d as header, palette and pixels (compose_reference input)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "base/asset_image.h"
#include "base/frame_publish.h"
#include "demo/demo_hooks.h"
#include "demo/demo_loop.h"

uint8_t *AssetSnapshot, *StateSnapshot;

namespace {

constexpr uint32_t kRate = 44100;
RenderedSong g_song;
uint32_t g_frames;
std::set<uint32_t> g_wanted;
const char* g_prefix;
bool g_failed;

bool write_file(const char* path, const void* a, size_t an, const void* b, size_t bn) {
  FILE* f = std::fopen(path, "wb");
  bool ok = f && std::fwrite(a, 1, an, f) == an && std::fwrite(b, 1, bn, f) == bn;
  if (f) ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace

// The engine's shell hooks, paced by the recorder's clock.
void waitRetrace() {
  if (g_wanted.count(g_frames)) {
    char path[4096];
    std::snprintf(path, sizeof path, "%s%05u", g_prefix, g_frames);
    frame_header_init(g_frameDescription.header);
    if (!write_file(path, &g_frameDescription, sizeof g_frameDescription, AssetImage + kDisplayBufferOffset,
                    kFramePixels))
      g_failed = true;
  }
  if (++g_frames > *g_wanted.rbegin() || g_failed) demo_exit();
}
void pollPauseAndStop() {}
MusicKeyParts queryMusicPosition() {
  int32_t pos = rendered_song_position(g_song, uint64_t(g_frames) * kRate / 70);
  return MusicKeyParts{static_cast<uint16_t>((pos & 0xFF) << 8), static_cast<uint8_t>((pos >> 16) & 0xFF)};
}
void pacing_run_start() {}
void pacing_run_reset() {}
uint8_t* snapshot_allocate(uint32_t size) { return static_cast<uint8_t*>(std::malloc(size)); }
bool audio_start() { return true; }
void set_exit_code_failure() { g_failed = true; }

int main(int argc, char** argv) {
  bool pcm = argc == 4 && std::strcmp(argv[2], "pcm") == 0;
  bool frames = argc == 5 && std::strcmp(argv[2], "frames") == 0;
  bool length = argc == 3 && std::strcmp(argv[2], "length") == 0;
  if (!length && !pcm && !frames) {
    std::fprintf(stderr, "usage: record_reference IMAGE length | pcm OUT | frames N,N,... PREFIX\n");
    return 2;
  }
  FILE* in = std::fopen(argv[1], "rb");
  bool read = in && std::fread(AssetImage, 1, kAssetImageSize, in) == kAssetImageSize;
  if (in) std::fclose(in);
  char message[kModuleMessageSize];
  Module* module = read ? module_load(ByteSource{AssetImage + kMusicOffset, kMusicSize}, message) : nullptr;
  if (!module || !rendered_song_render(module, kRate, &g_song)) {
    std::fprintf(stderr, "record_reference: %s does not hold a playable asset image\n", argv[1]);
    return 1;
  }
  module_free(module);
  if (length) std::printf("%u\n", g_song.bytes / 4);
  if (pcm && !write_file(argv[3], g_song.pcm, g_song.bytes, "", 0)) g_failed = true;
  if (frames) {
    for (char* p = argv[3]; *p;) g_wanted.insert(uint32_t(std::strtoul(p, &p, 10))), p += *p == ',';
    g_prefix = argv[4];
    if (!g_wanted.empty()) demo_run();
  }
  rendered_song_free(&g_song);
  return g_failed ? 1 : 0;
}
