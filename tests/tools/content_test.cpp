// Validators of the generated show content: the limits the engine and the module player rely
// on, checked on the files the build generated and on the generated C++ tables, plus the
// determinism of the generator. The exact bytes are pinned by the tune's and the frames' golden hashes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "audio/module.h"
#include "audio/replay.h"
#include "base/byte_order.h"
#include "content/font_data.h"
#include "content/text_data.h"
#include "tests/test_files.h"
#include "tools/content/content.h"

namespace {

const std::string kContent = VRINX_CONTENT_DIR;

int s16(const Bytes& b, size_t at) { return static_cast<int16_t>(load_le16(&b[at])); }
int u16(const Bytes& b, size_t at) { return load_le16(&b[at]); }

// ------------------------------------------------------------------ text and font

TEST(ContentFont, GlyphsStayInTheirCellsAndColours) {
  std::vector<Glyph> font = build_font();  // the generated tables are the library's font
  ASSERT_EQ(font.size(), 49u);
  EXPECT_EQ(std::set<char>(kFontChars, kFontChars + 49).size(), 49u);
  const std::string chars = kFontChars;
  for (char c : std::string(".,:' ")) EXPECT_EQ(kFontAdvance[chars.find(c)], c == ' ' ? 7 : 3) << c;
  for (int g = 0; g < kFontGlyphCount; ++g) {
    SCOPED_TRACE(kFontChars[g]);
    EXPECT_EQ(font[g].ch, kFontChars[g]);
    int count = kFontPixelStart[g + 1] - kFontPixelStart[g];
    EXPECT_EQ(size_t(count), font[g].pixels.size());
    EXPECT_EQ(count == 0, kFontChars[g] == ' ');
    EXPECT_LE(count, 63);
    std::set<int> seen;
    for (int i = kFontPixelStart[g]; i < kFontPixelStart[g + 1]; ++i) {
      int row = kFontPixelOffset[i] / 320, column = kFontPixelOffset[i] % 320;
      EXPECT_LE(row, kFontChars[g] == ',' ? 6 : 5);  // only the comma's tail reaches row 6
      EXPECT_LT(column, std::min<int>(kFontAdvance[g], 12));
      EXPECT_TRUE(kFontPixelColour[i] >= 130 && kFontPixelColour[i] <= 135) << int(kFontPixelColour[i]);
      EXPECT_TRUE(seen.insert(kFontPixelOffset[i]).second) << "a pixel stored twice";
    }
  }
}

// Lines are centred by their glyph advances and 11 rows apart, fillers only after the text.
TEST(ContentText, PagesAreCentredLinesElevenRowsApart) {
  ASSERT_EQ(sizeof(kTextPageStart) / sizeof(kTextPageStart[0]), 10u);
  // record 0 is the blank filler: one space at offset 100
  EXPECT_EQ(std::vector<uint32_t>(kTextLines, kTextLines + 3),
            (std::vector<uint32_t>{1, 100, uint32_t(std::string(kFontChars).find(' '))}));
  std::string all;
  for (int p = 0; p < 10; ++p) {
    const uint32_t* page = kTextPages + kTextPageStart[p];
    uint32_t lastRow = 0;
    for (uint32_t k = 0; k < page[0]; ++k) {
      SCOPED_TRACE("page " + std::to_string(p) + " line " + std::to_string(k));
      EXPECT_TRUE(k == 0 || page[k] != 0 || page[1 + k] == 0) << "a text line after a filler";
      if (page[1 + k] == 0) continue;
      const uint32_t* line = kTextLines + page[1 + k];
      uint32_t row = line[1] / 320, width = 0;
      std::string text;
      for (uint32_t i = 0; i < line[0]; ++i) {
        ASSERT_LT(line[2 + i], 49u);
        width += kFontAdvance[line[2 + i]];
        text += kFontChars[line[2 + i]];
      }
      EXPECT_EQ(line[1] % 320, (319 - width) / 2) << text;
      EXPECT_EQ(row, k ? lastRow + 11 : row);
      EXPECT_LE(row + 200 + 6, 398u) << "outside the work screen while it waits 200 rows below";
      EXPECT_TRUE(text.front() != ' ' && text.back() != ' ') << text;
      lastRow = row, all += text + "\n";
    }
  }
  EXPECT_NE(all.find("VARROWBY"), std::string::npos);  // the invitation names its event
  EXPECT_NE(all.find("1997"), std::string::npos);
  // Texts, rows and line counts as the show places them: a change the rules above allow still shows here.
  const uint64_t words = test_fnv1a(0xCBF29CE484222325ull, kTextLines, sizeof kTextLines);
  EXPECT_EQ(test_fnv1a(words, kTextPages, sizeof kTextPages), 0x2DE6BB4157FE2084ull);
}

// ------------------------------------------------------------------ 3D object and camera

struct Model {
  std::vector<int> v;       // x, y, z per vertex
  std::vector<int> n;       // x, y, z per face
  std::vector<int> face;    // three vertex indices per face
  std::vector<int> colour;  // baseColour per face
};

Model read_model(const Bytes& b) {
  Model m;
  int vertexLast = u16(b, 4), normalLast = u16(b, 6), faceLast = u16(b, 8);
  int nv = vertexLast / 6 + 1, nn = normalLast / 6 + 1, nf = faceLast / 10 + 1;
  EXPECT_EQ(vertexLast % 6, 0);
  EXPECT_EQ(normalLast % 6, 0);
  EXPECT_EQ(faceLast % 10, 0);
  EXPECT_EQ(nn, nf) << "one normal per face";
  size_t at = 10;
  for (int i = 0; i < 3 * nv; ++i, at += 2) m.v.push_back(s16(b, at));
  for (int i = 0; i < 3 * nn; ++i, at += 2) m.n.push_back(s16(b, at));
  for (int f = 0; f < nf; ++f, at += 10) {
    for (int k = 0; k < 3; ++k) {
      int ref = u16(b, at + 2 * k);
      EXPECT_EQ(ref % 6, 0);
      EXPECT_LT(ref / 6, nv);
      m.face.push_back(ref / 6);
    }
    m.colour.push_back(b[at + 6]);
  }
  EXPECT_EQ(at + 12 * nv, b.size()) << "header, lists and the two spare arrays";
  return m;
}

TEST(ContentModel, FormatLimitsNormalsAndFaces) {
  Bytes b = test_read_file(kContent + "/object_model.bin");
  ASSERT_FALSE(b.empty());
  EXPECT_LE(b.size(), 11340u);
  EXPECT_EQ(b, build_object_model());
  Model m = read_model(b);
  int nv = static_cast<int>(m.v.size() / 3), nf = static_cast<int>(m.colour.size());
  EXPECT_LE(nv, 800);
  EXPECT_LE(nf, 800);
  EXPECT_GT(nf, 100);
  std::set<int> ramps;
  for (int f = 0; f < nf; ++f) {
    double nx = m.n[3 * f], ny = m.n[3 * f + 1], nz = m.n[3 * f + 2];
    EXPECT_NEAR(std::sqrt(nx * nx + ny * ny + nz * nz), 256.0, 1.0) << "face " << f;
    int c = m.colour[f];
    EXPECT_TRUE(c == 0 || c == 32 || c == 64 || c == 96) << c;
    ramps.insert(c);
    // not degenerate, and the stored normal is the face's own (either side)
    const int* a = &m.v[3 * m.face[3 * f]];
    const int* bb = &m.v[3 * m.face[3 * f + 1]];
    const int* c3 = &m.v[3 * m.face[3 * f + 2]];
    double ux = bb[0] - a[0], uy = bb[1] - a[1], uz = bb[2] - a[2];
    double wx = c3[0] - a[0], wy = c3[1] - a[1], wz = c3[2] - a[2];
    double cx = uy * wz - uz * wy, cy = uz * wx - ux * wz, cz = ux * wy - uy * wx;
    double area2 = std::sqrt(cx * cx + cy * cy + cz * cz);
    EXPECT_GT(area2, 50.0) << "degenerate face " << f;
    EXPECT_GT(std::fabs(cx * nx + cy * ny + cz * nz) / (area2 * 256), 0.99) << "face " << f;
  }
  EXPECT_EQ(ramps.size(), 4u);
  // centred on the origin, where the camera looks
  int lo[3] = {1 << 20, 1 << 20, 1 << 20}, hi[3] = {-(1 << 20), -(1 << 20), -(1 << 20)};
  for (int i = 0; i < 3 * nv; ++i) {
    lo[i % 3] = std::min(lo[i % 3], m.v[i]);
    hi[i % 3] = std::max(hi[i % 3], m.v[i]);
  }
  for (int k = 0; k < 3; ++k) EXPECT_LE(std::abs(lo[k] + hi[k]), 2) << "axis " << k;
}

// The engine's vertex transform and shading, from its documented integer arithmetic.
struct Projected {
  int x, y, z;
};
Projected project(const int* rec, const int* v) {
  int dx = (v[0] - rec[0]) * 256, dy = (v[1] - rec[1]) * 256, dz = (v[2] - rec[2]) * 256;
  int x1 = (dx * rec[3] + dy * rec[4]) >> 10, y1 = (dy * rec[3] - dx * rec[4]) >> 10;
  int x2 = (x1 * rec[5] - dz * rec[6]) >> 10, z = (x1 * rec[6] + dz * rec[5]) >> 18;
  int X = static_cast<int16_t>((x2 * rec[7] + y1 * rec[8]) >> 18);
  int Y = static_cast<int16_t>((y1 * rec[7] - x2 * rec[8]) >> 18);
  int d = z > 60 ? z : 60;
  return {static_cast<int16_t>(X * 256 / d + 160), static_cast<int16_t>(Y * 256 / d * 5 / 6 + 100), z};
}

TEST(ContentCamera, NormalisedSmoothPeriodicAndFramed) {
  Bytes b = test_read_file(kContent + "/camera_path.bin");
  ASSERT_EQ(b.size(), 14400u);
  EXPECT_EQ(b, build_camera_path());
  Model m = read_model(test_read_file(kContent + "/object_model.bin"));
  int nf = static_cast<int>(m.colour.size());
  std::vector<int> rec(9 * 800);
  for (int i = 0; i < 9 * 800; ++i) rec[i] = s16(b, 2 * i);
  int wideFrames = 0;
  for (int r = 0; r < 800; ++r) {
    const int* c = &rec[9 * r];
    for (int pair = 0; pair < 3; ++pair) {
      double len = std::hypot(c[3 + 2 * pair], c[4 + 2 * pair]);
      EXPECT_NEAR(len, 1024.0, 1.5) << "record " << r << " pair " << pair;
    }
    // smooth, also across the wrap from the last record to the first
    const int* next = &rec[9 * ((r + 1) % 800)];
    double step = std::hypot(next[0] - c[0], std::hypot(next[1] - c[1], next[2] - c[2]));
    EXPECT_LT(step, 25.0) << "record " << r;
    for (int k = 3; k < 9; ++k) EXPECT_LE(std::abs(next[k] - c[k]), 40) << "record " << r;
    // framed: every face drawn (summed depth 60..20000), the object on the screen
    int minX = 1 << 20, maxX = -(1 << 20), minY = minX, maxY = maxX;
    std::vector<Projected> p;
    for (size_t i = 0; i < m.v.size() / 3; ++i) p.push_back(project(c, &m.v[3 * i]));
    for (const Projected& q : p) {
      minX = std::min(minX, q.x);
      maxX = std::max(maxX, q.x);
      minY = std::min(minY, q.y);
      maxY = std::max(maxY, q.y);
    }
    for (int f = 0; f < nf; ++f) {
      int sum = p[m.face[3 * f]].z + p[m.face[3 * f + 1]].z + p[m.face[3 * f + 2]].z;
      ASSERT_GE(sum, 60) << "record " << r << " face " << f;
      ASSERT_LE(sum, 20000) << "record " << r << " face " << f;
    }
    EXPECT_GT(std::max(maxX - minX, maxY - minY), 80) << "record " << r;
    EXPECT_LT(maxX - minX, 420) << "record " << r;
    EXPECT_NEAR((minX + maxX) / 2, 160, 60) << "record " << r;
    EXPECT_NEAR((minY + maxY) / 2, 100, 50) << "record " << r;
    wideFrames += maxX - minX > 150;
    // shading stays inside each face's 32-colour ramp
    for (int f = 0; f < nf; ++f) {
      const int* n = &m.n[3 * f];
      int x1 = (n[0] * c[3] + n[1] * c[4]) >> 10, y1 = (n[1] * c[3] - n[0] * c[4]) >> 10;
      int x2 = (x1 * c[5] - n[2] * c[6]) >> 10, z2 = (x1 * c[6] + n[2] * c[5]) >> 10;
      int X = (x2 * c[7] + y1 * c[8]) >> 10, Y = (y1 * c[7] - x2 * c[8]) >> 10;
      int s = (X * 127 + Y * 126 + z2 * -180) >> 11;
      ASSERT_LE(static_cast<int16_t>(s), 31);
    }
  }
  EXPECT_GT(wideFrames, 200) << "the object should fill a good part of the screen";
}

// ------------------------------------------------------------------ tune

TEST(ContentTune, StructureLengthAndCues) {
  Bytes mod = test_read_file(kContent + "/tune.mod");
  ASSERT_FALSE(mod.empty());
  EXPECT_EQ(mod, build_tune());
  EXPECT_LT(mod.size(), 130000u);
  EXPECT_EQ(std::string(mod.begin() + 1080, mod.begin() + 1084), "M.K.");
  int orders = mod[950];
  EXPECT_GE(orders, 18);
  int patterns = 0;
  for (int i = 0; i < 128; ++i) patterns = std::max(patterns, mod[952 + i] + 1);
  size_t sampleBytes = 0;
  int looped = 0, instruments = 0;
  for (int i = 0; i < 31; ++i) {
    const uint8_t* h = &mod[20 + 30 * i];
    int length = 2 * load_be16(h + 22);
    int loopStart = 2 * load_be16(h + 26), loopLength = 2 * load_be16(h + 28);
    sampleBytes += length;
    if (length) ++instruments;
    if (length) {
      EXPECT_LE(loopStart + loopLength, length) << "sample " << i + 1;
    }
    if (loopLength > 2) ++looped;
  }
  EXPECT_GE(instruments, 6);
  EXPECT_GE(looped, 3);
  EXPECT_EQ(mod.size(), 1084 + 1024u * patterns + sampleBytes) << "exactly header, patterns, samples";

  char message[kModuleMessageSize];
  Module* m = module_load(ByteSource{mod.data(), static_cast<uint32_t>(mod.size())}, message);
  ASSERT_NE(m, nullptr) << message;
  EXPECT_EQ(m->channelCount, 4);
  EXPECT_EQ(m->c2Rate, 8287);
  // a beat on the first row played of every pattern (order 16 is entered at row 1),
  // the effects the replay must handle
  std::set<int> effects;
  for (int o = 0; o < m->orderCount; ++o) {
    const Pattern& p = m->patterns[m->orderList[o]];
    int entry = (o == 16 ? 1 : 0) * p.channelCount;
    EXPECT_NE(p.notes[entry].key, 0) << "order " << o << ": no beat on its first row";
    EXPECT_NE(p.notes[entry].instrument, 0) << "order " << o;
    for (int i = 0; i < p.rowCount * p.channelCount; ++i)
      if (p.notes[i].effect || p.notes[i].param) effects.insert(p.notes[i].effect);
  }
  for (int fx : {0x00, 0x01, 0x02, 0x03, 0x04, 0x0A, 0x0C, 0x0D, 0x0F})
    EXPECT_TRUE(effects.count(fx)) << "effect " << fx << " unused";

  Replay* r = replay_create(m, 44100, 1);
  ASSERT_NE(r, nullptr);
  const double seconds = replay_duration(r) / 44100.0;
  EXPECT_TRUE(seconds >= 90 && seconds <= 240) << seconds;
  // the song passes every cue position before it ends; the key leaves the last cue's
  // key (4096) within one 70 Hz frame, or the cue list would start over right after it
  std::set<int> keys;
  int framesAt4096 = 0;
  replay_set_position(r, 0);
  for (int ticks = 0; ticks < 1 << 20; ++ticks) {
    int key = replay_order_index(r) * 256 + replay_row(r);
    keys.insert(key);
    if (key == 4096) framesAt4096 += replay_tick_length(r);
    if (replay_tick(r) >= 1) break;
  }
  for (int key : {0,    6,    7,    9,    256,  258,  512,  770,  1280, 1536, 1538, 1792, 2048,
                  2050, 2304, 2560, 2562, 2816, 3072, 3074, 3328, 3584, 3586, 3840, 3842, 4096})
    EXPECT_TRUE(keys.lower_bound(key) != keys.end()) << "cue key " << key << " never passed";
  EXPECT_LT(framesAt4096, 44100 / 70);
  replay_free(r);
  module_free(m);
}

// ------------------------------------------------------------------ determinism

TEST(ContentGenerator, SameBytesEveryRun) {
  const char* files[] = {"camera_path.bin", "object_model.bin", "tune.mod",
                         "font_data.h",     "text_data.h",      "logo_data.h"};
  std::string base = std::string(VRINX_TEST_TMP) + "/content_determinism";
  for (int run = 0; run < 2; ++run) {
    std::string dir = base + std::to_string(run);
    std::string cmd = "mkdir -p '" + dir + "' && '" + VRINX_CONTENT_GEN + "' '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  for (const char* f : files) {
    Bytes a = test_read_file(base + "0/" + f), b = test_read_file(base + "1/" + f);
    ASSERT_FALSE(a.empty()) << f;
    EXPECT_EQ(a, b) << f << " differs between two runs";
    EXPECT_EQ(a, test_read_file(kContent + "/" + f)) << f << " differs from the build's copy";
  }
  EXPECT_NE(std::system((std::string("'") + VRINX_CONTENT_GEN + "' /nonexistent/dir 2>/dev/null").c_str()),
            0);
}

}  // namespace
