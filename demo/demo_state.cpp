// Initial contents of DemoState: palettes, cue list, background path, sine tables, light and text tables.
#include "demo/demo_state.h"

#include "content/text_data.h"

namespace {

// Colours as red, green, blue pairs of hex digits (0..3F), 16 colours a line.
// clang-format off
constexpr char kPaletteAHex[] =
    /*   0 */ "000000 000000 010000 010000 010001 020001 030001 030001 040002 040002 050003 060103 060103 070104 070104 080104 "
    /*  16 */ "090105 090105 0A0106 0A0106 0B0106 0C0107 0C0107 0D0208 0D0208 0E0208 0F0209 0F0209 10020A 10020A 11030A 12030B "
    /*  32 */ "000000 000000 010000 010001 010001 020001 020001 030002 030002 040003 050003 050103 060104 060104 070105 070105 "
    /*  48 */ "080105 090106 090106 0A0107 0A0107 0B0107 0B0108 0C0208 0D0209 0D0209 0E020A 0E020A 0F020A 0F020B 10030B 11030C "
    /*  64 */ "000000 000000 000000 000001 010001 010101 010102 010102 010103 020103 020104 020204 030205 030205 030206 040306 "
    /*  80 */ "040306 040307 040307 050408 050408 050409 060409 06050A 06050A 07050B 07050B 07060C 08060C 08060D 08060D 09070E "
    /*  96 */ "000000 000000 000000 000001 000001 010101 010102 010102 010103 010103 020104 020204 020205 020205 030206 030306 "
    /* 112 */ "030307 040308 040308 040409 050409 05040A 05040A 05050B 06050B 06050C 06050C 07060D 07060D 07060E 07060E 08070F "
    /* 128 */ "070914 00000C 312E3F 23212C 2A2830 282127 15111A 332C32 0B080D 000000 000000 000000 000000 000000 000D18 000912 "
    /* 144 */ "00060C 061724 091827 0C1A2B 0F1C2E 182135 1D2339 22273D 30323F 231D22 34393F 170F1F 110B1D 1B1424 2E1B23 35222A "
    /* 160 */ "161120 0D1323 201F33 23263E 1B1E37 171E2C 070D20 050B1B 010716 162238 0F1B31 1B263D 242F3F 272D31 130916 180B1A "
    /* 176 */ "1D0E1E 28151D 291726 2C1B29 2F1F2C 3A3339 322B31 2A2429 231D22 1B151A 140E12 0C080A 050304 2B3136 23292D 1B2224 "
    /* 192 */ "141A1C 0D1213 080D0D 37353B 2E2B32 25232A 1F1C23 19161D 110E14 0A080C 040305 36363F 353138 28262D 343539 2B2C31 "
    /* 208 */ "23242A 1C1C22 14151B 0E0E13 08080C 011425 020815 040B1A 060E1E 091223 0C1527 0F192C 131D30 182235 1D2739 222C3E "
    /* 224 */ "0A1927 2C3136 0D172B 030715 060A1A 090E1F 0E1324 12162A 171B30 1C1F36 22243C 05131F 040F1A 030C15 0A1021 1B1A2E "
    /* 240 */ "1C162C 29283C 252438 171629 0F0F20 090916 04040D 110D1C 0A0F1D 01111F 2A2D3F 2F2D3F 22192D 2A1E37 3F3F3F 3F3F3F ";

constexpr char kPaletteBHex[] =
    /*   0 */ "000000 000000 000000 000000 000100 000101 000101 010201 010201 010302 010302 010302 010403 020403 020504 020504 "
    /*  16 */ "020604 020605 030705 030705 030806 030806 040806 040907 040907 040A07 050A08 050B08 050B08 050C09 050C09 060D0A "
    /*  32 */ "000000 000000 000000 000100 000101 000101 010201 010201 010202 010302 010302 010403 010403 020503 020504 020604 "
    /*  48 */ "020604 030605 030705 030705 030806 030806 040906 040907 040A07 040A07 050A08 050B08 050B09 050C09 050C09 060D0A "
    /*  64 */ "000000 000000 000000 010101 010101 010101 020202 020202 020202 030303 030303 040404 040404 050505 050505 060606 "
    /*  80 */ "060606 060606 070707 070707 080808 080808 090909 090909 0A0A0A 0A0A0A 0A0A0A 0B0B0B 0B0B0B 0C0C0C 0C0C0C 0D0D0D "
    /*  96 */ "000000 000000 000000 010101 010101 010101 010102 020202 020203 030303 030304 040404 040405 050505 050506 050506 "
    /* 112 */ "060607 070708 070708 070709 080809 08080A 09090A 09090B 0A0A0B 0A0A0C 0A0A0C 0B0B0D 0B0B0D 0C0C0E 0C0C0E 0D0D0F ";
// clang-format on

constexpr int hex_digit(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// Decodes `colours` colours of a hex table into 3 bytes each.
template <int N>
constexpr void decode_palette(const char (&hex)[N], uint8_t* out, int colours) {
  int pos = 0;
  for (int i = 0; i < colours * 3; ++i) {
    if (hex[pos] == ' ') ++pos;
    out[i] = static_cast<uint8_t>(hex_digit(hex[pos]) * 16 + hex_digit(hex[pos + 1]));
    pos += 2;
  }
}

constexpr double kPi = 3.14159265358979323846;

// sin by Taylor series after reduction to [-pi, pi]; exact enough to round the path.
constexpr double const_sin(double x) {
  while (x > kPi) x -= 2 * kPi;
  while (x < -kPi) x += 2 * kPi;
  double term = x, sum = x;
  for (int n = 1; n < 30; ++n) {
    term *= -x * x / ((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}
constexpr double const_cos(double x) { return const_sin(x + kPi / 2); }
constexpr int32_t round_positive(double v) { return static_cast<int32_t>(v + 0.5); }

// floor(255 sin(2 pi i / 1024)), built from the first quarter turn by symmetry so that
// the entries at 0, 256, 512 and 768 are exactly 0, 255, 0 and -255.
constexpr int16_t sine_entry(int i) {
  i &= kSineEntries - 1;
  int q = i & 255;
  int j = (i & 256) ? 256 - q : q;  // mirrored inside the half turn
  if (j == 0) return 0;
  if (j == 256) return static_cast<int16_t>((i & 512) ? -255 : 255);
  double v = 255 * const_sin(2 * kPi * j / kSineEntries);  // never a whole number here
  int floored = static_cast<int>(v);
  return static_cast<int16_t>((i & 512) ? -(floored + 1) : floored);
}

// Music keys (order * 256 + row) and the cue flag each one sets.
constexpr uint32_t kCueTimes[kCueCount] = {0,    6,    7,    9,    256,  258,  512,  770,  1280,
                                           1536, 1538, 1792, 2048, 2050, 2304, 2560, 2562, 2816,
                                           3072, 3074, 3328, 3584, 3586, 3840, 3842, 4096};
constexpr uint32_t kCueTargets[kCueCount] = {14, 15, 16, 17, 0, 18, 1,  19, 2,  3,  20, 4,  5,
                                             21, 6,  7,  22, 8, 9,  23, 10, 11, 24, 12, 25, 13};

// Rows below a line's place, frame by frame as it slides in.
constexpr int32_t kMotionRows[kMotionSteps] = {
    200, 197, 194, 190, 187, 184, 181, 178, 174, 171, 168, 165, 162, 159, 156, 152, 149, 146, 143, 140,
    137, 134, 131, 128, 125, 122, 119, 116, 113, 110, 108, 105, 102, 99,  96,  94,  91,  88,  86,  83,
    81,  78,  75,  73,  71,  68,  66,  63,  61,  59,  57,  54,  52,  50,  48,  46,  44,  42,  40,  38,
    36,  34,  33,  31,  29,  28,  26,  24,  23,  21,  20,  19,  17,  16,  15,  14,  12,  11,  10,  9,
    8,   8,   7,   6,   5,   4,   4,   3,   3,   2,   2,   1,   1,   1,   0,   0,   0,   0,   0};
constexpr int32_t kKick[kKickSteps] = {0,  20, 16, 8, 0, -4, -4, -1, 2, 2, 1, -1, -2, -1, 1, 1, 1, 0, -1,
                                       -1, 0,  1,  1, 0, -1, -1, 0,  1, 1, 0, -1, -1, 0,  0, 1, 0, 0};

constexpr DemoState make_initial_state() {
  DemoState s{};
  s.objectSteps = 1;
  s.textSteps = 1;
  s.objectCentreY = -100;
  // The window into the checkerboard circles it once every 800 steps, squashed by 5/6.
  for (int i = 0; i < kBackgroundSteps; ++i) {
    double angle = 2 * kPi * i / kBackgroundSteps - kPi / 4;
    int32_t x = round_positive(100 + 100 * const_sin(angle));
    int32_t y = round_positive((100 + 100 * const_cos(angle)) * 5 / 6);
    s.BackgroundPath[i] = 520 * y + x;
  }
  for (int i = 0; i < kCueCount; ++i) {
    s.cueTimes[i] = kCueTimes[i];
    s.cueTargets[i] = kCueTargets[i];
  }
  decode_palette(kPaletteAHex, s.PaletteA, 256);
  decode_palette(kPaletteBHex, s.PaletteB, 128);
  for (int i = 128 * 3; i < kPaletteComponents; ++i) s.PaletteB[i] = s.PaletteA[i];
  s.lightBase[0] = 128;
  s.lightBase[1] = 128;
  s.lightBase[2] = -180;
  for (int i = 0; i < kSineEntries; ++i) {
    s.SineTable[i] = sine_entry(i);
    s.CosineTable[i] = sine_entry(i + kSineEntries / 4);
  }
  for (int p = 0; p < kPageCount; ++p) s.pageTable[p] = kTextPages + kTextPageStart[p];
  s.pageLineCount = s.pageTable[0][0];
  for (int i = 0; i < kMotionSteps; ++i) s.MotionTable[i] = kMotionRows[i] * 320;
  for (int i = 0; i < kKickSteps; ++i) s.KickTable[i] = kKick[i];
  return s;
}

}  // namespace

DemoState g_demo = make_initial_state();
