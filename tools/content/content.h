// Content generators of the Varrowby 97 invitation: every asset the show carries is
// built here from readable code, deterministically (same bytes on every run).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Binary assets, in the formats the demo engine and the module loader read.
Bytes build_tune();          // 4-channel ProTracker module, tag M.K.
Bytes build_object_model();  // ObjectModel record: header, vertices, normals, faces, two spare arrays
Bytes build_camera_path();   // 800 CameraPath records of 9 signed 16-bit values

// Glyph font: 49 glyphs, each a list of opaque pixels and an advance width.
struct GlyphPixel {
  uint8_t row, column, colour;
};
struct Glyph {
  char ch;
  uint8_t advance;
  std::vector<GlyphPixel> pixels;
};
std::vector<Glyph> build_font();
int glyph_index(char ch);  // -1 when the font has no glyph for ch

// Invitation text: ten pages of positioned lines.
struct TextLine {
  uint32_t row, column;
  std::string text;
};
struct TextPage {
  uint32_t lineCount;
  std::vector<TextLine> lines;
};
std::vector<TextPage> build_pages();

// Logo: 320 x 49 pixels, 0 = transparent, else a PaletteA colour 142..254.
constexpr int kLogoWidth = 320, kLogoHeight = 49;
std::vector<uint8_t> build_logo();

// Text-mode font of the DOS prompt: 256 glyphs of 8 x 16 pixels in code page 437
// order, 16 bytes each (one per row, top first), most significant bit leftmost.
Bytes build_dos_font();

// Generated C++ sources for the engine's compiled images (formats documented inside).
std::string font_source(const std::vector<Glyph>& font);
std::string text_source(const std::vector<TextPage>& pages);
std::string logo_source(const std::vector<uint8_t>& logo);
std::string dos_font_source(const Bytes& font);
