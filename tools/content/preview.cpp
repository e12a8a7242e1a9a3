// vrinx_content_preview <content folder> <frame> <out.png>: one frame of the show as the
// demo engine draws it from the generated content (checkerboard, object, text, logo,
// palette and cues), with the music position the tune has at that frame. Written as
// a 640 x 480 indexed PNG (4:3, 200 rows shown as 240).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/module.h"
#include "audio/rendered_song.h"
#include "base/asset_image.h"
#include "base/byte_order.h"
#include "base/frame_publish.h"
#include "demo/demo_hooks.h"
#include "demo/demo_loop.h"
#include "tools/tool_files.h"

uint8_t* AssetSnapshot;
uint8_t* StateSnapshot;

namespace {

uint32_t crc32(const uint8_t* p, size_t n, uint32_t c = 0xFFFFFFFFu) {
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return c;
}

// Deflate with the fixed Huffman codes, finding only runs of a repeated byte
// (matches at distance 1): plenty for flat-coloured pixel art.
struct BitWriter {
  std::vector<uint8_t> out;
  uint32_t bits = 0;
  int count = 0;
  void put(uint32_t value, int n) {  // least significant bit first
    for (int i = 0; i < n; ++i) {
      bits |= ((value >> i) & 1u) << count;
      if (++count == 8) {
        out.push_back(static_cast<uint8_t>(bits));
        bits = 0;
        count = 0;
      }
    }
  }
  void code(uint32_t value, int n) {  // Huffman codes go most significant bit first
    for (int i = n - 1; i >= 0; --i) put((value >> i) & 1u, 1);
  }
  void symbol(int v) {
    if (v < 144)
      code(0x30 + v, 8);
    else if (v < 256)
      code(0x190 + v - 144, 9);
    else if (v < 280)
      code(v - 256, 7);
    else
      code(0xC0 + v - 280, 8);
  }
};

std::vector<uint8_t> deflate_runs(const std::vector<uint8_t>& data) {
  static const int kBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  BitWriter w;
  w.put(1, 1);  // the only block
  w.put(1, 2);  // fixed codes
  for (size_t i = 0; i < data.size();) {
    size_t run = 0;
    while (i > 0 && i + run < data.size() && run < 258 && data[i + run] == data[i - 1]) ++run;
    if (run < 3) {
      w.symbol(data[i++]);
      continue;
    }
    int c = 28;
    while (kBase[c] > static_cast<int>(run)) --c;
    w.symbol(257 + c);
    w.put(static_cast<uint32_t>(run - kBase[c]), kExtra[c]);
    w.code(0, 5);  // distance 1
    i += run;
  }
  w.symbol(256);
  if (w.count) w.out.push_back(static_cast<uint8_t>(w.bits));
  return w.out;
}

void push_be32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t word[4];
  store_be32(word, v);
  out.insert(out.end(), word, word + 4);
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  push_be32(png, static_cast<uint32_t>(data.size()));
  size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  push_be32(png, crc32(&png[start], png.size() - start) ^ 0xFFFFFFFFu);
}

// An 8-bit indexed PNG; a row equal to the one above is stored with the Up filter.
std::vector<uint8_t> encode_png(const std::vector<uint8_t>& pixels, int w, int h,
                                const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = &pixels[static_cast<size_t>(w) * y];
    bool same = y > 0 && std::equal(row, row + w, row - w);
    raw.push_back(same ? 2 : 0);
    for (int x = 0; x < w; ++x) raw.push_back(same ? 0 : row[x]);
  }
  std::vector<uint8_t> z{0x78, 0x01};
  std::vector<uint8_t> d = deflate_runs(raw);
  z.insert(z.end(), d.begin(), d.end());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  push_be32(z, b << 16 | a);
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  push_be32(ihdr, static_cast<uint32_t>(w));
  push_be32(ihdr, static_cast<uint32_t>(h));
  ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
  chunk(png, "IHDR", ihdr);
  chunk(png, "PLTE", rgb);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}

struct Grab {
  int target = 0, frames = 0;
  RenderedSong song{};
  const char* out = nullptr;
  bool written = false;
} g_grab;

bool write_frame(const char* path) {
  const int w = 640, h = 480;
  const uint8_t* display = AssetImage + kDisplayBufferOffset;
  std::vector<uint8_t> pixels(w * h), rgb(768);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[w * y + x] = display[320 * (y * 200 / h) + x / 2];
  for (int i = 0; i < 256; ++i)
    for (int k = 0; k < 3; ++k)  // palette entries are blue, green, red, 0 at 0..252
      rgb[3 * i + k] = static_cast<uint8_t>(WorkingPalette[4 * i + 2 - k] * 255 / 252);
  std::vector<uint8_t> png = encode_png(pixels, w, h, rgb);
  return tool_write_file(path, png.data(), png.size());
}

}  // namespace

// The engine's shell hooks: no pacing, the music position from the rendered tune.
void waitRetrace() {
  if (g_grab.frames++ == g_grab.target) {
    g_grab.written = write_frame(g_grab.out);
    demo_exit();
  }
}
void pollPauseAndStop() {}
MusicKeyParts queryMusicPosition() {
  uint64_t sampleFrame = static_cast<uint64_t>(g_grab.frames) * 44100 / 70;
  int32_t pos = rendered_song_position(g_grab.song, sampleFrame);
  if (pos < 0) pos = 0;
  return MusicKeyParts{static_cast<uint16_t>((pos & 0xFF) << 8), static_cast<uint8_t>((pos >> 16) & 0xFF)};
}
void pacing_run_start() {}
void pacing_run_reset() {}
uint8_t* snapshot_allocate(uint32_t size) { return static_cast<uint8_t*>(std::malloc(size)); }
bool audio_start() { return true; }
void set_exit_code_failure() {}

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vrinx_content_preview <content folder> <frame> <out.png>\n");
    return 2;
  }
  std::string dir = argv[1];
  std::vector<uint8_t> camera, model, tune;
  if (!tool_read_file(dir + "/camera_path.bin", &camera) ||
      !tool_read_file(dir + "/object_model.bin", &model) || !tool_read_file(dir + "/tune.mod", &tune) ||
      camera.size() != kCameraPathSize || model.empty() || model.size() > kObjectModelSize || tune.empty()) {
    std::fprintf(stderr, "vrinx_content_preview: no content in %s\n", dir.c_str());
    return 1;
  }
  std::memcpy(AssetImage + kCameraPathOffset, camera.data(), camera.size());
  std::memcpy(AssetImage + kObjectModelOffset, model.data(), model.size());
  char message[kModuleMessageSize];
  Module* m = module_load(ByteSource{tune.data(), static_cast<uint32_t>(tune.size())}, message);
  if (!m || !rendered_song_render(m, 44100, &g_grab.song)) {
    std::fprintf(stderr, "vrinx_content_preview: the tune does not load or render\n");
    return 1;
  }
  module_free(m);
  g_grab.target = std::atoi(argv[2]);
  g_grab.out = argv[3];
  demo_run();
  rendered_song_free(&g_grab.song);
  if (!g_grab.written) {
    std::fprintf(stderr, "vrinx_content_preview: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
