// The DOS prompt's text-mode font: the printable range laid out like a text-mode font
// (common cap height, x-height, descenders, a blank gap column) and the code page 437
// places of the generated characters.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tools/content/content.h"

namespace {

struct Extent {
  int top, bottom, pixels;
};

Extent extent(const Bytes& font, int c) {
  Extent e{16, -1, 0};
  for (int y = 0; y < 16; ++y) {
    uint8_t row = font[c * 16 + y];
    if (!row) continue;
    if (y < e.top) e.top = y;
    e.bottom = y;
    e.pixels += __builtin_popcount(row);
  }
  return e;
}

TEST(DosFont, PrintableCharactersAreDistinctAndKeepTheGapColumn) {
  Bytes font = build_dos_font();
  ASSERT_EQ(font.size(), 4096u);
  EXPECT_EQ(extent(font, ' ').pixels, 0);
  std::set<std::string> seen;
  for (int c = 33; c < 127; ++c) {
    std::string glyph(font.begin() + c * 16, font.begin() + c * 16 + 16);
    EXPECT_GT(extent(font, c).pixels, 3) << "'" << char(c) << "' is (nearly) empty";
    EXPECT_TRUE(seen.insert(glyph).second) << "'" << char(c) << "' repeats an earlier glyph";
    if (c == '_' || c == '*') continue;  // these run into the next cell on purpose
    for (int y = 0; y < 16; ++y)
      EXPECT_EQ(font[c * 16 + y] & 1, 0) << "'" << char(c) << "' fills column 7, row " << y;
  }
}

TEST(DosFont, LettersAndDigitsShareTheirLines) {
  // Rows: capitals and digits 2..11, x-height 5..11, ascenders from 2, descenders to 13 or 14.
  struct Group {
    const char* chars;
    int top, bottom;
  };
  const Group groups[] = {
      {"ABCDEFGHIJKLMNOPRSTUVWXYZ0123456789", 2, 11},
      {"Q", 2, 13},
      {"acemnorsuvwxz", 5, 11},
      {"bdfhikl", 2, 11},
      {"gpqy", 5, 14},
      {"j", 2, 14},
  };
  Bytes font = build_dos_font();
  for (const Group& g : groups)
    for (const char* c = g.chars; *c; ++c) {
      Extent e = extent(font, uint8_t(*c));
      EXPECT_EQ(e.top, g.top) << "top row of '" << *c << "'";
      EXPECT_EQ(e.bottom, g.bottom) << "bottom row of '" << *c << "'";
    }
}

TEST(DosFont, GeneratedCharactersSitAtTheirCodePagePlaces) {
  Bytes font = build_dos_font();
  auto row = [&](int c, int y) { return font[c * 16 + y]; };
  // {code, pixels set, top row, bottom row}: shades of a quarter, half and three quarters of the
  // cell (rows not compared), then the full, lower half, left half, right half and upper half blocks.
  const int cells[][4] = {{0xB0, 32, -1, -1},      {0xB1, 64, -1, -1},  {0xB2, 96, -1, -1},
                          {0xDB, 128, 0xFF, 0xFF}, {0xDC, 64, 0, 0xFF}, {0xDD, 64, 0xF0, 0xF0},
                          {0xDE, 64, 0x0F, 0x0F},  {0xDF, 64, 0xFF, 0}};
  for (const auto& c : cells) {
    EXPECT_EQ(extent(font, c[0]).pixels, c[1]) << std::hex << c[0];
    EXPECT_TRUE(c[2] < 0 || (row(c[0], 0) == c[2] && row(c[0], 15) == c[3])) << std::hex << c[0];
  }
  // Box drawing: single lines on column 3 and row 7, double ones on columns 2, 4 and rows 6, 8.
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(row(0xB3, y), 0x10) << "vertical line, row " << y;          // │
    EXPECT_EQ(row(0xBA, y), 0x28) << "double vertical line, row " << y;   // ║
    EXPECT_EQ(row(0xC5, y), y == 7 ? 0xFF : 0x10) << "cross, row " << y;  // ┼
  }
  EXPECT_EQ(row(0xC4, 7), 0xFF);                 // ─
  EXPECT_EQ(row(0xCD, 6) & row(0xCD, 8), 0xFF);  // ═
  EXPECT_EQ(row(0xDA, 0), 0);                    // ┌: nothing above
  EXPECT_EQ(row(0xDA, 15), 0x10);
  EXPECT_EQ(row(0xDA, 7), 0x1F);
  EXPECT_EQ(row(0xD9, 7), 0xF0);  // ┘
  EXPECT_EQ(row(0xD9, 15), 0);
  // Accented letters keep their base letter below the mark.
  const struct {
    int c;
    char base;
    int from;
  } accented[] = {{0x82, 'e', 5}, {0x84, 'a', 5}, {0x94, 'o', 5}, {0x81, 'u', 5},
                  {0xA4, 'n', 5}, {0x8E, 'A', 2}, {0x9A, 'U', 2}};
  for (const auto& a : accented) {
    for (int y = a.from; y < 12; ++y)
      EXPECT_EQ(row(a.c, y), row(uint8_t(a.base), y)) << std::hex << a.c << " row " << y;
    int marks = 0;
    for (int y = 0; y < a.from; ++y) marks += row(a.c, y) != 0;
    EXPECT_GT(marks, 0) << std::hex << a.c << " has no mark";
  }
}

}  // namespace
