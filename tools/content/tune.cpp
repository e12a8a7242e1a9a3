// The tune: "Kallmark Nights", a four-channel ProTracker module in A minor at speed 6,
// tempo 125. Channel 1 drums, 2 bass, 3 pad or arpeggio chords, 4 lead. The samples
// come from tune_samples.cpp; the patterns are composed here from the chord charts,
// drum bars and melodies below.
#include <cstring>

#include "tools/content/content.h"
#include "tools/content/tune_samples.h"

namespace {

const int kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                          428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                          214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

struct Cell {
  int note = -1, inst = 0, effect = 0, param = 0;
};
struct Pattern {
  Cell cells[64][4];
};

void put(Pattern& p, int row, int ch, int note, int inst, int effect = 0, int param = 0) {
  Cell& c = p.cells[row][ch];
  c.note = note;
  c.inst = inst;
  if (effect || param) {
    c.effect = effect;
    c.param = param;
  }
}
void fx(Pattern& p, int row, int ch, int effect, int param) {
  p.cells[row][ch].effect = effect;
  p.cells[row][ch].param = param;
}

// MIDI-style note numbers (A4 = 69) to note indices: the 32-sample cycles of lead, pad
// and arp sound C-1 as C3 (48); the bass's 64-sample cycle one octave lower.
int tone(int midi) { return midi - 48; }
int bass(int midi) { return midi - 36; }

enum Chord { Am, F, C, G, Dm, E };
const int kRoot[] = {57, 53, 60, 55, 50, 52};                  // pad/arp root
const int kBassRoot[] = {45, 41, 48, 43, 50, 40};              // bass root
const int kArpParam[] = {0x37, 0x47, 0x47, 0x47, 0x37, 0x47};  // minor / major triad

// Drum bars. 'K' kick, 'S' snare, 'h' closed hat, 'o' open hat, 'X' kick + crash,
// 's' soft snare, '.' nothing.
void drums(Pattern& p, int bar, const char* steps) {
  for (int r = 0; r < 16; ++r) {
    int row = bar * 16 + r;
    switch (steps[r]) {
      // clang-format off
      case 'K': put(p, row, 0, kKickNote, kKick); break;
      case 'X': put(p, row, 0, kKickNote, kKickCrash); break;
      case 'S': put(p, row, 0, kSnareNote, kSnare); break;
      case 's': put(p, row, 0, kSnareNote, kSnare, 0xC, 24 + r * 2); break;
      case 'h': put(p, row, 0, kHatNote, kHat); break;
      case 'o': put(p, row, 0, kHatNote, kOpenHat); break;
        // clang-format on
    }
  }
}

const char* kGroove = "K.h.S.hKK.h.S.ho";
const char* kGrooveFill = "K.h.S.hKK.S.SsSS";
const char* kFour = "K.h.K.h.K.h.K.ho";
const char* kHalf = "K.h.h.h.K.h.h.ho";

void pad_bars(Pattern& p, const Chord (&chords)[4]) {
  for (int b = 0; b < 4; ++b) put(p, b * 16, 2, tone(kRoot[chords[b]]), kPad);
}

void arp_bars(Pattern& p, const Chord (&chords)[4]) {
  for (int b = 0; b < 4; ++b)
    for (int r = 0; r < 16; ++r) {
      int row = b * 16 + r;
      if (r % 4 == 0)
        put(p, row, 2, tone(kRoot[chords[b]] + 12), kArp, 0, kArpParam[chords[b]]);
      else
        fx(p, row, 2, 0, kArpParam[chords[b]]);
    }
}

// Bass bar figures: (row, interval) pairs ending with -1.
const int kBassGroove[] = {0, 0, 3, 0, 6, 12, 8, 0, 10, 0, 11, 12, 13, 0, 14, 7, -1};
const int kBassPulse[] = {0, 0, 4, 0, 8, 0, 12, 0, -1};
const int kBassLong[] = {0, 0, -1};

void bass_bars(Pattern& p, const Chord (&chords)[4], const int* figure) {
  for (int b = 0; b < 4; ++b)
    for (const int* f = figure; *f >= 0; f += 2)
      put(p, b * 16 + f[0], 1, bass(kBassRoot[chords[b]] + f[1]), kBass);
}

// Melodies: tokens "A5:4" (note, rows), "-:4" (rest), "~E5:4" (glide to the note).
// Notes of six rows or more get vibrato after their first three rows.
int parse_note(const char* s, int* len) {
  static const int kStep[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  int n = kStep[s[0] - 'A'];
  int i = 1;
  if (s[i] == '#') {
    ++n;
    ++i;
  }
  n += (s[i] - '0' + 1) * 12;
  *len = i + 1;
  return n;
}

void melody(Pattern& p, const char* tokens, int volume) {
  int row = 0;
  for (const char* s = tokens; *s && row < 64;) {
    while (*s == ' ' || *s == '|') ++s;
    if (!*s) break;
    bool glide = *s == '~';
    if (glide) ++s;
    int note = -1, used = 1;
    if (*s != '-') note = parse_note(s, &used);
    s += used;
    int len = 0;
    if (*s == ':') ++s;
    while (*s >= '0' && *s <= '9') len = len * 10 + (*s++ - '0');
    if (note < 0) {
      fx(p, row, 3, 0xC, 0);
    } else if (glide) {
      put(p, row, 3, tone(note), 0, 0x3, 0x18);
      for (int r = 1; r < len && r < 3; ++r) fx(p, row + r, 3, 0x3, 0);
    } else {
      put(p, row, 3, tone(note), kLead, 0xC, volume);
      for (int r = 3; len >= 6 && r < len; ++r) fx(p, row + r, 3, 0x4, r == 3 ? 0x54 : 0);
    }
    row += len;
  }
}

// clang-format off
const char* kMelodyA1 = "A4:2 C5:2 E5:4 D5:2 C5:2 D5:2 E5:2 | F5:6 E5:2 C5:4 A4:4 | G4:2 C5:2 E5:4 G5:4 E5:2 D5:2 | D5:8 B4:4 G4:4";
const char* kMelodyA2 = "E5:4 A5:4 G5:2 E5:2 C5:2 D5:2 | C5:6 A4:2 F5:4 E5:4 | E5:2 G5:2 C5:4 B4:2 C5:2 D5:2 E5:2 | D5:12 -:4";
const char* kMelodyB1 = "D5:4 F5:4 A5:4 F5:2 D5:2 | C5:4 E5:4 A5:6 G5:2 | F5:4 A5:4 G5:2 F5:2 E5:2 F5:2 | E5:4 G#5:4 B5:4 ~G#5:4";
const char* kMelodyB2 = "A5:6 G5:2 F5:4 D5:4 | E5:6 C5:2 A4:8 | A4:2 C5:2 F5:4 A5:4 G5:2 F5:2 | G#5:8 E5:4 B4:4";
const char* kMelodyC1 = "A4:4 C5:4 F5:6 E5:2 | E5:4 G5:4 C5:8 | D5:4 F5:4 A5:4 G5:2 F5:2 | E5:4 G#5:4 B5:8";
const char* kMelodyC2 = "F5:6 G5:2 A5:8 | G5:6 E5:2 C5:8 | F5:4 E5:4 D5:4 A4:4 | B4:4 D5:4 G#5:4 B5:4";
const char* kMelodyD1 = "E5:16 | A5:12 G5:4 | F5:16 | E5:8 G#5:8";
const char* kMelodyD2 = "A5:16 | B5:8 G5:8 | G#5:16 | E5:8 -:8";
// clang-format on

const Chord kChartA[4] = {Am, F, C, G};
const Chord kChartB[4] = {Dm, Am, F, E};
const Chord kChartC[4] = {F, C, Dm, E};
const Chord kChartD1[4] = {Am, F, Dm, E};
const Chord kChartD2[4] = {F, G, E, E};

void groove_drums(Pattern& p, bool crash) {
  drums(p, 0, crash ? "X...S.hKK.h.S.ho" : kGroove);
  drums(p, 1, kGroove);
  drums(p, 2, kGroove);
  drums(p, 3, kGrooveFill);
}

std::vector<Pattern> compose(std::vector<int>& order) {
  std::vector<Pattern> pats;
  auto add = [&](const Pattern& p) {
    pats.push_back(p);
    return static_cast<int>(pats.size()) - 1;
  };

  // 0: intro. A hit, the pad alone; the drums come in at rows 6 and 7.
  Pattern intro;
  drums(intro, 0, "X.....ssK.h.K.ho");
  drums(intro, 1, kHalf);
  drums(intro, 2, kHalf);
  drums(intro, 3, "K.h.K.h.S.SsSSss");
  fx(intro, 0, 1, 0xF, 125);  // tempo
  fx(intro, 1, 0, 0xF, 6);    // speed
  pad_bars(intro, kChartA);
  for (int r = 0; r < 16; ++r) fx(intro, r, 2, 0xA, r < 15 ? 0x10 : 0);  // swell
  put(intro, 0, 2, tone(kRoot[Am]), kPad, 0xC, 8);
  put(intro, 32, 1, bass(kBassRoot[C]), kBass);
  put(intro, 48, 1, bass(kBassRoot[G]), kBass);
  for (int r = 56; r < 64; ++r) fx(intro, r, 1, 0x1, 2);  // the bass bends up into the beat
  int pIntro = add(intro);

  // 1, 2: build-up. Four to the floor and pulsing bass, then the arpeggio joins.
  Pattern build1;
  for (int b = 0; b < 4; ++b) drums(build1, b, b == 3 ? "K.h.K.h.K.hKS.SS" : kFour);
  bass_bars(build1, kChartA, kBassPulse);
  pad_bars(build1, kChartA);
  int pBuild1 = add(build1);
  Pattern build2;
  groove_drums(build2, true);
  bass_bars(build2, kChartA, kBassGroove);
  arp_bars(build2, kChartA);
  int pBuild2 = add(build2);

  auto section = [&](const Chord(&chart)[4], const char* tune, bool arp, bool crash) {
    Pattern p;
    groove_drums(p, crash);
    bass_bars(p, chart, kBassGroove);
    if (arp)
      arp_bars(p, chart);
    else
      pad_bars(p, chart);
    melody(p, tune, 44);
    return add(p);
  };
  int pA1 = section(kChartA, kMelodyA1, false, true);
  int pA2 = section(kChartA, kMelodyA2, false, false);
  int pB1 = section(kChartB, kMelodyB1, true, true);
  int pB2 = section(kChartB, kMelodyB2, true, false);
  int pFA1 = section(kChartA, kMelodyA1, true, true);
  int pFA2 = section(kChartA, kMelodyA2, true, false);
  // Order 16 is entered at row 1 (a break from order 15), so the music key passes
  // 4096, the last cue, at once instead of resting on it for a row; the pattern is
  // one row late to keep the beat, and a delay on its last row keeps its length.
  Pattern& late = pats[pFA2];
  for (int r = 63; r > 0; --r)
    for (int ch = 0; ch < 4; ++ch) late.cells[r][ch] = late.cells[r - 1][ch];
  for (int ch = 0; ch < 4; ++ch) late.cells[0][ch] = Cell{};
  fx(late, 63, 3, 0xE, 0xE1);
  fx(pats[pFA1], 63, 3, 0xD, 0x01);
  int pC1 = section(kChartC, kMelodyC1, true, true);
  int pC2 = section(kChartC, kMelodyC2, false, false);

  // Breakdown: the drums drop out, long notes over the pad, then a snare roll and a
  // rising lead lift back into the groove.
  Pattern down1;
  drums(down1, 0, "X...............");
  drums(down1, 2, "........h...h...");
  drums(down1, 3, "h...h...h...h.h.");
  bass_bars(down1, kChartD1, kBassLong);
  pad_bars(down1, kChartD1);
  melody(down1, kMelodyD1, 40);
  int pDown1 = add(down1);
  Pattern down2;
  drums(down2, 0, "K...h...h...h...");
  drums(down2, 1, "K...h...K...h.h.");
  drums(down2, 2, "s...s...s...s.s.");
  drums(down2, 3, "s.s.s.s.ssssSSSS");
  bass_bars(down2, kChartD2, kBassPulse);
  for (int r = 1; r < 16; ++r) fx(down2, 48 + r, 1, 0x2, 1);  // bass sinks under the roll
  pad_bars(down2, kChartD2);
  melody(down2, kMelodyD2, 40);
  put(down2, 56, 3, tone(76), kLead, 0xC, 36);
  for (int r = 57; r < 64; ++r) fx(down2, r, 3, 0x1, 1);  // the lead rises a fourth into the drop
  int pDown2 = add(down2);

  // Outro: the tune again, thinning out and fading.
  Pattern outro;
  drums(outro, 0, "X...S.hKK.h.S.ho");
  drums(outro, 1, kGroove);
  drums(outro, 2, kHalf);
  drums(outro, 3, "K.......K.......");
  bass_bars(outro, kChartA, kBassPulse);
  pad_bars(outro, kChartA);
  melody(outro, kMelodyA2, 40);
  for (int r = 48; r < 64; ++r) fx(outro, r, 3, 0xA, 0x02);
  int pOutro = add(outro);

  // End: one last A minor chord that rings out while the tempo slows, then the song
  // breaks off (the next row would be order 0 again, which ends the song).
  Pattern end;
  put(end, 0, 0, kKickNote, kKickCrash);
  put(end, 0, 1, bass(kBassRoot[Am]), kBass);
  put(end, 0, 2, tone(kRoot[Am]), kPad, 0xC, 48);
  put(end, 0, 3, tone(69), kLead, 0xC, 44);
  // everything dies away together: a slide step every third row, the lead last
  for (int r = 3; r < 48; ++r) fx(end, r, 3, 0x4, r == 3 ? 0x34 : 0);
  for (int r = 6; r < 46; r += 3) {
    fx(end, r, 1, 0xA, 0x01);
    fx(end, r + 1, 2, 0xA, 0x01);
    if (r >= 18) fx(end, r + 2, 3, 0x6, 0x01);  // vibrato on, volume down
  }
  put(end, 16, 0, kKickNote, kKick, 0xC, 30);
  fx(end, 24, 0, 0xF, 8);
  fx(end, 32, 0, 0xF, 10);
  fx(end, 44, 0, 0xD, 0);
  int pEnd = add(end);

  order = {pIntro, pBuild1, pBuild2, pA1, pA2, pB1,  pB2,  pDown1, pDown2, pA1,
           pA2,    pC1,     pC2,     pB1, pB2, pFA1, pFA2, pC1,    pOutro, pEnd};
  return pats;
}

}  // namespace

Bytes build_tune() {
  std::vector<TuneSample> samples = build_tune_samples();
  std::vector<int> order;
  std::vector<Pattern> patterns = compose(order);

  Bytes out(20, 0);
  const char* title = "kallmark nights";
  std::memcpy(out.data(), title, std::strlen(title));
  for (int i = 0; i < 31; ++i) {
    Bytes header(30, 0);
    if (i < static_cast<int>(samples.size())) {
      const TuneSample& s = samples[i];
      std::memcpy(header.data(), s.name, std::strlen(s.name));
      header[22] = static_cast<uint8_t>((s.data.size() / 2) >> 8);
      header[23] = static_cast<uint8_t>((s.data.size() / 2) & 0xFF);
      header[25] = static_cast<uint8_t>(s.volume);
      header[26] = static_cast<uint8_t>((s.loopStart / 2) >> 8);
      header[27] = static_cast<uint8_t>((s.loopStart / 2) & 0xFF);
      int loopWords = s.loopLength ? s.loopLength / 2 : 1;
      header[28] = static_cast<uint8_t>(loopWords >> 8);
      header[29] = static_cast<uint8_t>(loopWords & 0xFF);
    } else {
      header[29] = 1;  // empty slot: the customary one-word "no loop"
    }
    out.insert(out.end(), header.begin(), header.end());
  }
  out.push_back(static_cast<uint8_t>(order.size()));
  out.push_back(127);
  for (int i = 0; i < 128; ++i) out.push_back(i < static_cast<int>(order.size()) ? order[i] : 0);
  for (char c : std::string("M.K.")) out.push_back(static_cast<uint8_t>(c));
  for (const Pattern& p : patterns)
    for (int r = 0; r < 64; ++r)
      for (int ch = 0; ch < 4; ++ch) {
        const Cell& c = p.cells[r][ch];
        int period = c.note >= 0 ? kPeriods[c.note] : 0;
        out.push_back(static_cast<uint8_t>((c.inst & 0xF0) | (period >> 8)));
        out.push_back(static_cast<uint8_t>(period & 0xFF));
        out.push_back(static_cast<uint8_t>(((c.inst & 0x0F) << 4) | c.effect));
        out.push_back(static_cast<uint8_t>(c.param));
      }
  for (const TuneSample& s : samples)
    for (int8_t b : s.data) out.push_back(static_cast<uint8_t>(b));
  return out;
}
