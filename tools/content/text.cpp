// The ten pages of invitation text. Each line is centred on the 320 columns by the sum
// of its glyph advances; lines are 11 rows apart.
#include "tools/content/content.h"

namespace {

struct PageText {
  uint32_t lineCount;
  uint32_t firstRow;
  std::vector<const char*> lines;
};

// clang-format off
const PageText kPages[10] = {
    {24, 76, {"NOW IT IS TIME!", "KOHR CALLS EVERYONE TO:", "VARROWBY 97 - A DEMO PARTY...", "-",
              "22-24TH JULY 1997", "-", "IN THE BIG HALL OF VARROWBY", "KALLMARK SEASHORE",
              "AND THE NIGHTS ARE SHORT..."}},
    {20, 90, {"THREE DAYS & NIGHTS OF...", "-", "A BIG SCREEN & LOUD SOUND", "BRING YOUR SETUPS...",
              "A MATTRESS & PILLOW.", "ENTRANCE FEE 100,-!"}},
    {20, 95, {"FREE POWER FOR YOU", "COFFEE ALL NIGHT!", "SEATS FOR 500 COMPUTERS",
              "FAST NETWORK AND MODEMS", "A SAUNA AT THE SEA!", "MOVIES EVERY DAY..."}},
    {21, 90, {"WE HOLD COMPOS!", "PC DEMO COMPO - 8 MB", "AMIGA DEMO COMPO ALSO!", "PC 64K AND 4K COMPO",
              "MOD MUSIC COMPO - 4 CHN!", "GFX - HAND DRAWN.", "WILD: ALL GOES."}},
    {10, 114, {"PRIZES: 10000 ECU IN ALL"}},
    {24, 78, {"HELLO:", "REGARDS TO ALL GROUPS,", "-", "NORDIC PULSAR", "NEON FORCE", "ARCANE SOUND",
              "MIRAGE OF AEON", "QUANTIZERS", "HYPERSPHERE"}},
    {24, 85, {"SEND MAIL", "HARBOUR STREET 97", "VARROWBY", "VARROWBY97@KALLMARK", "AND EMAIL", "KOHR",
              "KOHR@ALLNET", "TEL +46 555 979797"}},
    {22, 90, {"SO.. DO NOT MISS IT!", "ARE YOU PREPARED???", "BRING YOUR SKILLS.",
              "THIS PARTY IS MADE BY KOHR.", "-", "SEE YOU IN VARROWBY!!!"}},
    {19, 107, {"CODE BY SILJE.", "MUSIC BY TIIU.", "GFX BY HAVOC."}},
    {12, 0, {}},
};
// clang-format on

}  // namespace

std::vector<TextPage> build_pages() {
  std::vector<Glyph> font = build_font();
  std::vector<TextPage> pages;
  for (const PageText& p : kPages) {
    TextPage page{p.lineCount, {}};
    uint32_t row = p.firstRow;
    for (const char* text : p.lines) {
      uint32_t width = 0;
      for (const char* c = text; *c; ++c) width += font[glyph_index(*c)].advance;
      page.lines.push_back({row, (319 - width) / 2, text});
      row += 11;
    }
    pages.push_back(page);
  }
  return pages;
}
