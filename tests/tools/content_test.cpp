// Validators of the generated show content: the limits the engine and the module player rely
// on, checked on the generated C++ tables and the tune, plus the determinism of the generator.
// The object, the camera path and the logo are checked through the engine in tests/demo; the
// exact bytes are pinned by the tune's and the frames' golden hashes.
#include "tools/content/content.h"

#include <gtest/gtest.h>

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

namespace {

const std::string kContent = VRINX_CONTENT_DIR;

// ------------------------------------------------------------------ text and font

TEST(ContentFont, GlyphsStayInTheirCellsAndColours) {
  const std::vector<Glyph> font = build_font();  // the compiled tables' source
  ASSERT_EQ(font.size(), 49u);
  std::set<char> chars;
  for (const Glyph& g : font) {
    SCOPED_TRACE(g.ch);
    EXPECT_TRUE(chars.insert(g.ch).second) << "a character twice";
    EXPECT_TRUE(std::string(".,:' ").find(g.ch) == std::string::npos || g.advance == (g.ch == ' ' ? 7 : 3));
    EXPECT_EQ(g.pixels.empty(), g.ch == ' ');
    EXPECT_LE(g.pixels.size(), 63u);
    EXPECT_TRUE(g.ch != ',' || g.pixels.back().row == 6) << "the comma's tail";
    std::set<int> seen;
    for (const GlyphPixel& p : g.pixels) {
      EXPECT_LE(p.row, g.ch == ',' ? 6 : 5);  // only the comma's tail reaches row 6
      EXPECT_LT(p.column, std::min<int>(g.advance, 12));
      EXPECT_TRUE(p.colour >= 130 && p.colour <= 135) << int(p.colour);
      EXPECT_TRUE(seen.insert(320 * p.row + p.column).second) << "a pixel stored twice";
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

// ------------------------------------------------------------------ tune

TEST(ContentTune, StructureLengthAndCues) {
  const Bytes mod = build_tune();
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
  // The build's copies are one run of the generator, this is a second; the binary files also
  // hold what the library builds.
  const std::string dir = std::string(VRINX_TEST_TMP) + "/content_determinism";
  const std::string cmd = "mkdir -p '" + dir + "' && '" + VRINX_CONTENT_GEN + "' '" + dir + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  for (const char* f : {"camera_path.bin", "object_model.bin", "tune.mod", "font_data.h", "text_data.h",
                        "logo_data.h", "dos_font_data.h"}) {
    const Bytes built = test_read_file(kContent + "/" + f);
    ASSERT_FALSE(built.empty()) << f;
    EXPECT_EQ(test_read_file(dir + "/" + f), built) << f << " differs between two runs";
  }
  const std::pair<const char*, Bytes> binaries[] = {{"camera_path.bin", build_camera_path()},
                                                    {"object_model.bin", build_object_model()},
                                                    {"tune.mod", build_tune()}};
  for (const auto& [f, bytes] : binaries) EXPECT_EQ(test_read_file(kContent + "/" + f), bytes) << f;
  EXPECT_NE(std::system((std::string("'") + VRINX_CONTENT_GEN + "' /nonexistent/dir 2>/dev/null").c_str()),
            0);
}

}  // namespace
