// Writes the program icon (32x32, 32 bpp): the demo's two checkerboard blues
// behind a faceted violet diamond, the object's colours.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/byte_order.h"
#include "tools/tool_files.h"

namespace {

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.resize(out.size() + 2);
  store_le16(&out[out.size() - 2], v);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  out.resize(out.size() + 4);
  store_le32(&out[out.size() - 4], v);
}

// 6-bit VGA colour to a BGRA pixel.
uint32_t vga(int r, int g, int b) { return 0xFF000000u | (r * 4) << 16 | (g * 4) << 8 | (b * 4); }

uint32_t pixel(int x, int y) {
  int dx = x * 2 - 31, dy = y * 2 - 31;  // centre of the 32x32 grid, doubled
  int d = std::abs(dx) + std::abs(dy);
  if (d <= 26) {
    // Four facets, lit from the upper left.
    bool upper = dy < 0, left = dx < 0;
    if (upper && left) return vga(58, 40, 52);
    if (upper) return vga(40, 22, 42);
    if (left) return vga(30, 12, 30);
    return vga(18, 3, 11);
  }
  bool dark = ((x / 8) + (y / 8)) & 1;
  return dark ? vga(0, 0, 12) : vga(7, 9, 20);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
    return 2;
  }
  constexpr int kSize = 32;
  constexpr uint32_t kImageBytes = 40 + kSize * kSize * 4 + kSize * 4;
  std::vector<uint8_t> out;
  // clang-format off
  put16(out, 0); put16(out, 1); put16(out, 1);              // ICONDIR: icon, one image
  out.push_back(kSize); out.push_back(kSize); out.push_back(0); out.push_back(0);
  put16(out, 1); put16(out, 32); put32(out, kImageBytes); put32(out, 6 + 16);
  put32(out, 40); put32(out, kSize); put32(out, kSize * 2);  // BITMAPINFOHEADER, XOR + AND
  put16(out, 1); put16(out, 32);
  // clang-format on
  for (int i = 0; i < 6; ++i) put32(out, 0);
  for (int y = kSize - 1; y >= 0; --y)  // bottom-up rows
    for (int x = 0; x < kSize; ++x) put32(out, pixel(x, y));
  out.insert(out.end(), kSize * 4, 0);  // AND mask: all opaque
  if (!tool_write_file(argv[1], out.data(), out.size())) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
