// The preview tool's frame, read back as a PNG with zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "tests/test_files.h"

namespace {

uint32_t be32(const Bytes& b, size_t at) { return load_be32(&b[at]); }

// Valid chunks, and the engine's frame inside with the logo's 6,740 pixels across the
// top 49 display rows.
TEST(ContentPreview, FrameReadsBackAsPng) {
  std::string out = std::string(VRINX_TEST_TMP) + "/preview_frame.png";
  std::string cmd = std::string("'") + VRINX_CONTENT_PREVIEW + "' '" + std::string(VRINX_CONTENT_DIR) +
                    "' 900 '" + out + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  Bytes png = test_read_file(out);
  ASSERT_GT(png.size(), 8u);
  ASSERT_EQ(Bytes(png.begin(), png.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  Bytes idat;
  uint32_t width = 0, height = 0;
  size_t paletteSize = 0;
  for (size_t at = 8; at + 12 <= png.size();) {
    uint32_t length = be32(png, at);
    ASSERT_LE(at + 12 + length, png.size());
    std::string type(png.begin() + at + 4, png.begin() + at + 8);
    uint32_t crc = static_cast<uint32_t>(crc32(0, &png[at + 4], length + 4));
    EXPECT_EQ(crc, be32(png, at + 8 + length)) << type;
    if (type == "IHDR") {
      width = be32(png, at + 8);
      height = be32(png, at + 12);
      EXPECT_EQ(png[at + 16], 8);
      EXPECT_EQ(png[at + 17], 3);  // indexed colour
    }
    if (type == "PLTE") paletteSize = length;
    if (type == "IDAT") idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    at += 12 + length;
  }
  ASSERT_EQ(width, 640u);
  ASSERT_EQ(height, 480u);
  EXPECT_EQ(paletteSize, 768u);
  Bytes raw(481 * 640);
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), idat.size()), Z_OK);
  ASSERT_EQ(rawSize, 480u * 641);
  // undo the filters (0 none, 2 up), then sample one image row per display row
  Bytes image(640 * 480);
  for (int y = 0; y < 480; ++y) {
    int filter = raw[641 * y];
    ASSERT_TRUE(filter == 0 || filter == 2) << "row " << y;
    for (int x = 0; x < 640; ++x) {
      uint8_t v = raw[641 * y + 1 + x];
      image[640 * y + x] = filter == 2 && y > 0 ? static_cast<uint8_t>(v + image[640 * (y - 1) + x]) : v;
    }
  }
  int logo = 0;
  for (int row = 0; row < 49; ++row) {
    int y = (row * 480 + 199) / 200;  // first image row showing this display row
    for (int x = 0; x < 640; x += 2) logo += image[640 * y + x] >= 142 && image[640 * y + x] <= 254;
  }
  EXPECT_EQ(logo, 6740);
}

}  // namespace
