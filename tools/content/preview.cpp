// vrinx_content_preview <content folder> <frame> <page> <out.png>: a still of the show
// from the generated content, to look at the object, camera, text and logo together:
// checkerboard, flat-shaded object (the engine's projection, lighting and depth
// order), text page `page` at rest, logo. Written as a 640 x 480 indexed PNG (4:3,
// 200 rows shown as 240).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <algorithm>
#include <cmath>

#include "content/font_data.h"
#include "content/logo_data.h"
#include "content/text_data.h"
#include "demo/demo_state.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
  std::vector<uint8_t> b;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) b.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return b;
}
int s16(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(b[at] | (b[at + 1] << 8)); }

uint8_t screen[200][320];

void span_fill(int y, double xl, double xr, uint8_t colour) {
  if (y < 0 || y >= 200) return;
  int a = std::max(0, static_cast<int>(std::floor(xl))), b = std::min(320, static_cast<int>(std::floor(xr)));
  for (int x = a; x < b; ++x) screen[y][x] = colour;
}

void triangle(int x[3], int y[3], uint8_t colour) {  // rows are display rows
  int o[3] = {0, 1, 2};
  std::sort(o, o + 3, [&](int a, int b) { return y[a] < y[b]; });
  int y0 = y[o[0]], y1 = y[o[1]], y2 = y[o[2]];
  if (y0 == y2) return;
  for (int row = y0; row <= y2; ++row) {
    double t = static_cast<double>(row - y0) / (y2 - y0);
    double xa = x[o[0]] + (x[o[2]] - x[o[0]]) * t + 0.5, xb;
    if (row < y1 || y1 == y2) xb = y1 == y0 ? x[o[1]] : x[o[0]] + (x[o[1]] - x[o[0]]) * static_cast<double>(row - y0) / (y1 - y0);
    else xb = x[o[1]] + (x[o[2]] - x[o[1]]) * static_cast<double>(row - y1) / (y2 - y1);
    xb += 0.5;
    span_fill(row, std::min(xa, xb), std::max(xa, xb), colour);
  }
}

void draw_object(const std::vector<uint8_t>& model, const std::vector<uint8_t>& camera, int frame) {
  int nv = (model[4] | model[5] << 8) / 6 + 1, nf = (model[8] | model[9] << 8) / 10 + 1;
  size_t vAt = 10, nAt = 10 + 6 * nv, fAt = nAt + 6 * nf;
  int c[9];
  for (int k = 0; k < 9; ++k) c[k] = s16(camera, 18 * (frame % 800) + 2 * k);
  std::vector<int> sx(nv), sy(nv), sz(nv);
  for (int i = 0; i < nv; ++i) {
    int dx = (s16(model, vAt + 6 * i) - c[0]) * 256, dy = (s16(model, vAt + 6 * i + 2) - c[1]) * 256;
    int dz = (s16(model, vAt + 6 * i + 4) - c[2]) * 256;
    int x1 = (dx * c[3] + dy * c[4]) >> 10, y1 = (dy * c[3] - dx * c[4]) >> 10;
    int x2 = (x1 * c[5] - dz * c[6]) >> 10, z = (x1 * c[6] + dz * c[5]) >> 18;
    int X = static_cast<int16_t>((x2 * c[7] + y1 * c[8]) >> 18), Y = static_cast<int16_t>((y1 * c[7] - x2 * c[8]) >> 18);
    int d = z > 60 ? z : 60;
    sx[i] = X * 256 / d + 160;
    sy[i] = Y * 256 / d * 5 / 6 + 100 - 1;  // work-screen row 100 is display row 99
    sz[i] = z;
  }
  struct Item { int key, face; };
  std::vector<Item> order;
  for (int f = 0; f < nf; ++f) {
    int sum = 0;
    for (int k = 0; k < 3; ++k) sum += sz[(model[fAt + 10 * f + 2 * k] | model[fAt + 10 * f + 2 * k + 1] << 8) / 6];
    if (sum >= 60 && sum <= 20000) order.push_back({sum, f});
  }
  std::stable_sort(order.begin(), order.end(), [](const Item& a, const Item& b) { return a.key > b.key; });
  for (const Item& it : order) {
    int n[3];
    for (int k = 0; k < 3; ++k) n[k] = s16(model, nAt + 6 * it.face + 2 * k);
    int x1 = (n[0] * c[3] + n[1] * c[4]) >> 10, y1 = (n[1] * c[3] - n[0] * c[4]) >> 10;
    int x2 = (x1 * c[5] - n[2] * c[6]) >> 10, z2 = (x1 * c[6] + n[2] * c[5]) >> 10;
    int X = (x2 * c[7] + y1 * c[8]) >> 10, Y = (y1 * c[7] - x2 * c[8]) >> 10;
    int s = (X * 127 + Y * 126 + z2 * -180) >> 11;
    if (static_cast<int16_t>(s) < 0) s = 0;
    int px[3], py[3];
    for (int k = 0; k < 3; ++k) {
      int v = (model[fAt + 10 * it.face + 2 * k] | model[fAt + 10 * it.face + 2 * k + 1] << 8) / 6;
      px[k] = sx[v];
      py[k] = sy[v];
    }
    triangle(px, py, static_cast<uint8_t>(model[fAt + 10 * it.face + 6] + (s & 0xFF)));
  }
}

void store(int offset, uint8_t colour) {  // offsets from display row 0
  if (offset >= 0 && offset < 64000) screen[offset / 320][offset % 320] = colour;
}

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
      if (++count == 8) { out.push_back(static_cast<uint8_t>(bits)); bits = 0; count = 0; }
    }
  }
  void code(uint32_t value, int n) {  // Huffman codes go most significant bit first
    for (int i = n - 1; i >= 0; --i) put((value >> i) & 1u, 1);
  }
  void symbol(int v) {
    if (v < 144) code(0x30 + v, 8);
    else if (v < 256) code(0x190 + v - 144, 9);
    else if (v < 280) code(v - 256, 7);
    else code(0xC0 + v - 280, 8);
  }
};

std::vector<uint8_t> deflate_runs(const std::vector<uint8_t>& data) {
  static const int kBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
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

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  auto be32 = [&](uint32_t v) { for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<uint8_t>(v >> s)); };
  be32(static_cast<uint32_t>(data.size()));
  size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  be32(crc32(&png[start], png.size() - start) ^ 0xFFFFFFFFu);
}

// An 8-bit indexed PNG; a row equal to the one above is stored with the Up filter.
std::vector<uint8_t> encode_png(const std::vector<uint8_t>& pixels, int w, int h, const std::vector<uint8_t>& rgb) {
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
  for (uint8_t v : raw) { a = (a + v) % 65521; b = (b + a) % 65521; }
  for (uint32_t v : {b >> 8, b, a >> 8, a}) z.push_back(static_cast<uint8_t>(v));
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  for (uint32_t v : {static_cast<uint32_t>(w), static_cast<uint32_t>(h)})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(static_cast<uint8_t>(v >> s));
  ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
  chunk(png, "IHDR", ihdr);
  chunk(png, "PLTE", rgb);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: vrinx_content_preview <content folder> <frame> <page> <out.png>\n");
    return 2;
  }
  std::string dir = argv[1];
  int frame = std::atoi(argv[2]), page = std::atoi(argv[3]) % 10;
  std::vector<uint8_t> model = read_file(dir + "/object_model.bin"), camera = read_file(dir + "/camera_path.bin");
  if (model.size() < 10 || camera.size() != 14400) {
    std::fprintf(stderr, "vrinx_content_preview: no content in %s\n", dir.c_str());
    return 1;
  }
  // checkerboard window: bands of 15 rows, runs of 17 columns, on a squashed circle
  const double kPi = 3.14159265358979323846;
  double a = 2 * kPi * (frame % 800) / 800 - kPi / 4;
  int bx = static_cast<int>(std::lround(100 + 100 * std::sin(a)));
  int by = static_cast<int>(std::lround((100 + 100 * std::cos(a)) * 5 / 6));
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) {
      int u = x + bx, v = y + by;
      int toggles = (u + 1) / 17 + v / 15;
      screen[y][x] = static_cast<uint8_t>(128 + (toggles & 1));
    }
  draw_object(model, camera, frame);
  const uint32_t* pageRecord = kTextPages + kTextPageStart[page];
  for (uint32_t k = 0; k < pageRecord[0]; ++k) {
    const uint32_t* line = kTextLines + pageRecord[1 + k];
    int pen = static_cast<int>(line[1]);
    for (uint32_t i = 0; i < line[0]; ++i) {
      int g = static_cast<int>(line[2 + i]);
      for (int p = kFontPixelStart[g]; p < kFontPixelStart[g + 1]; ++p) store(pen + kFontPixelOffset[p], kFontPixelColour[p]);
      pen += kFontAdvance[g];
    }
  }
  for (int i = 0, c = 0; i < kLogoRunCount; ++i)
    for (int k = 0; k < kLogoRunLength[i]; ++k) store(kLogoRunOffset[i] + k, kLogoColours[c++]);

  const int w = 640, h = 480;
  std::vector<uint8_t> pixels(w * h), rgb(768);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[w * y + x] = screen[y * 200 / h][x / 2];
  for (int i = 0; i < 768; ++i) rgb[i] = static_cast<uint8_t>(g_demo.PaletteA[i] * 255 / 63);
  std::vector<uint8_t> png = encode_png(pixels, w, h, rgb);
  FILE* f = std::fopen(argv[4], "wb");
  if (!f || std::fwrite(png.data(), 1, png.size(), f) != png.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "vrinx_content_preview: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
