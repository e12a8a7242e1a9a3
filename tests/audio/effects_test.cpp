// Effects tick by tick: each case plays row 0 (key 49, instrument 1 at volume 32:
// Amiga period 1711, linear period 4608, panning 128), a setup row, then the row under
// test, and reads one channel value on each of that row's six ticks. The expected
// values are worked out by hand from the period, waveform and volume arithmetic.
// Instrument 2 holds another sample, of volume 20.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "audio/replay.h"
#include "tests/audio/module_checks.h"

namespace {

// clang-format off
// The channel value a case reads on each tick.
enum Field { kVolume, kPeriod, kPanning, kVibrato, kTremolo, kGlobalVolume, kPosition, kFrequency, kAmplitude,
             kEnvelopeTick, kSampleValue, kOutputPanning };
// clang-format on
enum Flags {
  kLinear = 1,    // linear periods, C2 rate 8363
  kFast = 2,      // fast volume slides
  kMoved = 4,     // the mixer moved the sample to frame 7 before each tick
  kEnvelope = 8,  // instrument 1 has a volume envelope: 64 at tick 0 down to 0 at tick 100
  kSustain = 16,  // ... or one of 64, 32, 0 at ticks 0, 4, 8 held at tick 4, with fadeout 4096
  kAuto = 32,     // auto-vibrato of sweep 4, depth 64, rate 16 (sine); panning envelope 48 to 0 at tick 4
};

struct EffectCase {
  const char* name;
  Note setup;  // row 1
  Note test;   // row 2
  Field field;
  std::vector<int32_t> ticks;
  int flags = 0;
  Note first = {49, 1, 0, 0, 0};  // row 0
};

int32_t read(const Replay& r, Field field) {
  const Channel& c = r.channels[0];
  const int32_t values[] = {
      c.volume,         c.period,    c.panning,   c.vibratoAdd,         c.tremoloAdd,      r.globalVolume,
      c.samplePosition, c.frequency, c.amplitude, c.volumeEnvelopeTick, c.sample->data[0], c.outputPanning};
  return values[field];
}

std::vector<int32_t> play(const EffectCase& e) {
  XmInstrument one = xm_instrument(xm_constant(1000, 4000)), two = xm_instrument(xm_constant(2000, 4000));
  one.samples[0].volume = 32, two.samples[0].volume = 20;
  XmEnvelope& env = one.volumeEnvelope;
  if (e.flags & kEnvelope) env.points = {{0, 64}, {100, 0}}, env.type = 1;
  if (e.flags & kSustain) env.points = {{0, 64}, {4, 32}, {8, 0}}, env.sustain = 1, env.type = 3;
  if (e.flags & kAuto) one.vibratoSweep = 4, one.vibratoDepth = 64, one.vibratoRate = 16;
  if (e.flags & kAuto) one.panningEnvelope = {{{0, 48}, {4, 0}}, 0, 0, 0, 1};
  one.fadeout = 4096;
  Song song(1, 1, 4, {one, two}, e.flags & kLinear);
  song.m->fastVolumeSlides = (e.flags & kFast) != 0;
  song.note(0, 0, 0) = e.first, song.note(0, 1, 0) = e.setup, song.note(0, 2, 0) = e.test;
  Replay* r = replay_create(song.m, 44100, 1);
  std::vector<int32_t> seen;
  for (int t = 1; t < 18; ++t) {
    if ((e.flags & kMoved) && t >= 12) r->channels[0].samplePosition = 7;
    replay_tick(r);
    if (t >= 12) seen.push_back(read(*r, e.field));
  }
  replay_free(r);
  return seen;
}

const Note kNone = {0, 0, 0, 0, 0};

// clang-format off
const EffectCase kCases[] = {
    // Volume column: set and fine steps at the trigger, slides on later ticks.
    {"set 0x28", kNone, {0, 0, 0x28, 0, 0}, kVolume, {24, 24, 24, 24, 24, 24}},
    {"set 0x5F", kNone, {0, 0, 0x5F, 0, 0}, kVolume, {64, 64, 64, 64, 64, 64}},
    {"down 0x6F", kNone, {0, 0, 0x6F, 0, 0}, kVolume, {32, 17, 2, 0, 0, 0}},
    {"up 0x73", kNone, {0, 0, 0x73, 0, 0}, kVolume, {32, 35, 38, 41, 44, 47}},
    {"fine down 0x85", kNone, {0, 0, 0x85, 0, 0}, kVolume, {27, 27, 27, 27, 27, 27}},
    {"fine up 0x9F", kNone, {0, 0, 0x9F, 0, 0}, kVolume, {47, 47, 47, 47, 47, 47}},
    {"speed 0xA8, vibrato 0xB4", {0, 0, 0xA8, 0, 0}, {0, 0, 0xB4, 0, 0}, kVibrato, {0, 22, 31, 22, 0, -23}},
    {"panning 0xC4", kNone, {0, 0, 0xC4, 0, 0}, kPanning, {68, 68, 68, 68, 68, 68}},
    {"pan left 0xDF", {0, 0, 0xC1, 0, 0}, {0, 0, 0xDF, 0, 0}, kPanning, {17, 2, 0, 0, 0, 0}},
    {"pan right 0xEF", {0, 0, 0xCE, 0, 0}, {0, 0, 0xEF, 0, 0}, kPanning, {238, 253, 255, 255, 255, 255}},
    {"tone portamento 0xF4", kNone, {61, 0, 0xF4, 0, 0},
     kPeriod, {4608, 4592, 4576, 4560, 4544, 4528}, kLinear},
    // Pitch from the key: 8287 * 1712 / 1711 (Amiga); 32768 * (8363 >> 4) >> 11, an octave up for key 61.
    {"Amiga key 49", kNone, kNone, kFrequency, {8291, 8291, 8291, 8291, 8291, 8291}},
    {"linear key 49", kNone, kNone, kFrequency, {8352, 8352, 8352, 8352, 8352, 8352}, kLinear},
    {"linear key 61", kNone, {61, 1, 0, 0, 0}, kFrequency, {16704, 16704, 16704, 16704, 16704, 16704},
     kLinear},
    // Arpeggio: 1711 * 32768 / exp2_q15(4 / 12 octave) = 1358, / exp2_q15(7 / 12) = 1141.
    {"047", kNone, {0, 0, 0, 0x00, 0x47}, kFrequency, {8291, 10447, 12434, 8291, 10447, 12434}},
    // Tone portamento from key 37 (period 3423) at 64 * 4 per tick stops at 1711.
    {"300 stops at the target", {49, 0, 0, 0x03, 0x40}, {0, 0, 0, 0x03, 0},
     kPeriod, {2143, 1887, 1711, 1711, 1711, 1711}, 0, {37, 1, 0, 0, 0}},
    // Volume slides: on later ticks; xF / Fx fine forms once on tick 0.
    {"A03", kNone, {0, 0, 0, 0x0A, 0x03}, kVolume, {32, 29, 26, 23, 20, 17}},
    {"A00 remembered", {0, 0, 0, 0x0A, 0x03}, {0, 0, 0, 0x0A, 0}, kVolume, {17, 14, 11, 8, 5, 2}},
    {"S3M D2F", kNone, {0, 0, 0, 0x84, 0x2F}, kVolume, {34, 34, 34, 34, 34, 34}},
    {"S3M DF3", kNone, {0, 0, 0, 0x84, 0xF3}, kVolume, {29, 29, 29, 29, 29, 29}},
    {"AFF", kNone, {0, 0, 0, 0x0A, 0xFF}, kVolume, {47, 47, 47, 47, 47, 47}},
    {"AF0", kNone, {0, 0, 0, 0x0A, 0xF0}, kVolume, {32, 47, 62, 64, 64, 64}},
    // Portamento: x * 4 per later tick; the 0xEx / 0xFx forms once, on tick 0.
    {"2xx", kNone, {0, 0, 0, 0x02, 0x10}, kPeriod, {1711, 1775, 1839, 1903, 1967, 2031}},
    {"2xx remembered", {0, 0, 0, 0x02, 0x10}, {0, 0, 0, 0x02, 0},
     kPeriod, {2031, 2095, 2159, 2223, 2287, 2351}},
    {"E12", kNone, {0, 0, 0, 0x0E, 0x12}, kPeriod, {1703, 1703, 1703, 1703, 1703, 1703}},
    {"E22", kNone, {0, 0, 0, 0x0E, 0x22}, kPeriod, {1719, 1719, 1719, 1719, 1719, 1719}},
    {"X13", kNone, {0, 0, 0, 0x21, 0x13}, kPeriod, {1708, 1708, 1708, 1708, 1708, 1708}},
    {"S3M EF3", kNone, {0, 0, 0, 0x85, 0xF3}, kPeriod, {1723, 1723, 1723, 1723, 1723, 1723}},
    {"S3M FE3", kNone, {0, 0, 0, 0x86, 0xE3}, kPeriod, {1708, 1708, 1708, 1708, 1708, 1708}},
    {"S3M F20", kNone, {0, 0, 0, 0x86, 0x20}, kPeriod, {1711, 1583, 1455, 1327, 1199, 1071}},
    {"1xx stops at 0", {0, 0, 0, 0x01, 0x40}, {0, 0, 0, 0x01, 0xDF},
     kPeriod, {3328, 2436, 1544, 652, 0, 0}, kLinear},
    // Pitch clamps: a linear period below 28 plays as 7680; an Amiga one as 29021.
    {"linear clamp", {0, 0, 0, 0x01, 0x40}, {0, 0, 0, 0x01, 0xDF},
     kFrequency, {26515, 59312, 132667, 296757, 522, 522}, kLinear},
    // Key 1 is period 7680, X21 makes it 7681, played as 7680: 4 octaves below key 49, 8352 / 16.
    {"linear clamp above", {1, 1, 0, 0, 0}, {0, 0, 0, 0x21, 0x21}, kFrequency, {522, 522, 522, 522, 522, 522},
     kLinear},
    {"Amiga clamp", kNone, {0, 0, 0, 0x01, 0xDF}, kFrequency, {8291, 17322, 488, 488, 488, 488}},
    // Tone portamento with volume slide, vibrato with volume slide (phase 40 after row 1).
    {"5xy period", {0, 0, 0, 0x03, 0x04}, {61, 0, 0, 0x05, 0x02},
     kPeriod, {4608, 4592, 4576, 4560, 4544, 4528}, kLinear},
    {"5xy volume", {0, 0, 0, 0x03, 0x04}, {61, 0, 0, 0x05, 0x02}, kVolume, {32, 30, 28, 26, 24, 22}, kLinear},
    {"6xy vibrato", {0, 0, 0, 0x04, 0x84}, {0, 0, 0, 0x06, 0x20}, kVibrato, {-23, -32, -23, 0, 22, 31}},
    {"6xy volume", {0, 0, 0, 0x04, 0x84}, {0, 0, 0, 0x06, 0x20}, kVolume, {32, 34, 36, 38, 40, 42}},
    {"S3M L03, fast slides", kNone, {0, 0, 0, 0x8C, 0x03}, kVolume, {29, 26, 23, 20, 17, 14}, kFast},
    {"S3M K20", {0, 0, 0, 0x88, 0x84}, {0, 0, 0, 0x8B, 0x20}, kVibrato, {-23, -32, -23, 0, 22, 31}},
    // Fine tune from E5x / S2x: (x * 16 - 128) / 2 off the linear period of key 49.
    {"E5F", kNone, {49, 1, 0, 0x0E, 0x5F}, kPeriod, {4552, 4552, 4552, 4552, 4552, 4552}, kLinear},
    {"S3M S20", kNone, {49, 1, 0, 0x93, 0x20}, kPeriod, {4672, 4672, 4672, 4672, 4672, 4672}, kLinear},
    // Waveforms at phases 0, 8, .. 40, depth 4: saw, square, random (seed 0xABCDEF).
    {"sine", kNone, {0, 0, 0, 0x04, 0x84}, kVibrato, {0, 22, 31, 22, 0, -23}},
    {"saw E41", {0, 0, 0, 0x0E, 0x41}, {0, 0, 0, 0x04, 0x84}, kVibrato, {-1, -9, -17, -25, 31, 23}},
    {"square E42", {0, 0, 0, 0x0E, 0x42}, {0, 0, 0, 0x04, 0x84}, kVibrato, {-32, -32, -32, -32, 31, 31}},
    {"random E43", {0, 0, 0, 0x0E, 0x43}, {0, 0, 0, 0x04, 0x84}, kVibrato, {-31, -9, 7, -1, -17, -27}},
    {"new note resets the phase", {0, 0, 0, 0x04, 0x84}, {49, 1, 0, 0x04, 0},
     kVibrato, {0, 22, 31, 22, 0, -23}},
    {"E44 keeps the phase", {0, 0, 0, 0x04, 0x84}, {49, 1, 0, 0x04, 0},
     kVibrato, {-23, -32, -23, 0, 22, 31}, 0, {49, 1, 0, 0x0E, 0x44}},
    {"fine vibrato U84", kNone, {0, 0, 0, 0x95, 0x84}, kVibrato, {0, 5, 7, 5, 0, -6}},
    {"S3M tremolo R84", kNone, {0, 0, 0, 0x92, 0x84}, kTremolo, {0, 11, 15, 11, 0, -12}},
    {"square tremolo E72", {0, 0, 0, 0x0E, 0x72}, {0, 0, 0, 0x07, 0x84},
     kTremolo, {-16, -16, -16, -16, 15, 15}},
    {"tremor I21", kNone, {0, 0, 0, 0x89, 0x21}, kTremolo, {0, 0, -64, 0, 0, -64}},
    // Multi retrigger every tick: the volume actions.
    {"R11", kNone, {0, 0, 0, 0x1B, 0x11}, kVolume, {31, 30, 29, 28, 27, 26}},
    {"R41", kNone, {0, 0, 0, 0x1B, 0x41}, kVolume, {24, 16, 8, 0, 0, 0}},
    {"R61", kNone, {0, 0, 0, 0x1B, 0x61}, kVolume, {21, 14, 9, 6, 4, 2}},
    {"R71", kNone, {0, 0, 0, 0x1B, 0x71}, kVolume, {16, 8, 4, 2, 1, 0}},
    {"R81", kNone, {0, 0, 0, 0x1B, 0x81}, kVolume, {32, 32, 32, 32, 32, 32}},
    {"RB1", kNone, {0, 0, 0, 0x1B, 0xB1}, kVolume, {36, 40, 44, 48, 52, 56}},
    {"RE1", kNone, {0, 0, 0, 0x1B, 0xE1}, kVolume, {48, 64, 64, 64, 64, 64}},
    {"RF1", kNone, {0, 0, 0, 0x1B, 0xF1}, kVolume, {64, 64, 64, 64, 64, 64}},
    {"R82 restarts", kNone, {0, 0, 0, 0x1B, 0x82}, kPosition, {0, 7, 0, 7, 0, 7}, kMoved},
    // Retrigger ticks never set (0) and E90 are reached at once: R80 and Q00 retrigger on
    // every tick, E90 (an effect of the later ticks) on every later one.
    {"R80", kNone, {0, 0, 0, 0x1B, 0x80}, kPosition, {0, 0, 0, 0, 0, 0}, kMoved},
    {"S3M Q00", kNone, {0, 0, 0, 0x91, 0x00}, kPosition, {0, 0, 0, 0, 0, 0}, kMoved},
    {"E93", kNone, {0, 0, 0, 0x0E, 0x93}, kPosition, {7, 7, 7, 0, 7, 7}, kMoved},
    {"E90", kNone, {0, 0, 0, 0x0E, 0x90}, kPosition, {7, 0, 0, 0, 0, 0}, kMoved},
    // Cuts, delays and sample offsets.
    {"EC2", kNone, {0, 0, 0, 0x0E, 0xC2}, kVolume, {32, 32, 0, 0, 0, 0}},
    {"S3M SC0", kNone, {0, 0, 0, 0x93, 0xC0}, kVolume, {0, 0, 0, 0, 0, 0}},
    {"ED2 holds the volume column", {0, 0, 0, 0x0C, 0x10}, {49, 1, 0x62, 0x0E, 0xD2},
     kVolume, {16, 16, 32, 30, 28, 26}},
    // A key alone keeps the volume 16: the slide starts the tick after the delay, not on it.
    {"ED2, key alone", {0, 0, 0, 0x0C, 0x10}, {49, 0, 0x62, 0x0E, 0xD2}, kVolume, {16, 16, 16, 14, 12, 10}},
    {"900 reuses the offset", {49, 1, 0, 0x09, 0x03}, {49, 1, 0, 0x09, 0x00},
     kPosition, {768, 768, 768, 768, 768, 768}},
    {"S3M O02", kNone, {49, 1, 0, 0x8F, 0x02}, kPosition, {512, 512, 512, 512, 512, 512}},
    {"a key alone keeps the offset", {49, 1, 0, 0x09, 0x02}, {49, 0, 0, 0, 0}, kPosition,
     {512, 512, 512, 512, 512, 512}},
    {"an instrument resets it", {49, 1, 0, 0x09, 0x02}, {49, 1, 0, 0, 0}, kPosition, {0, 0, 0, 0, 0, 0}},
    // An instrument alone takes over its looped sample at once, keeping the position.
    {"instrument 2 alone", kNone, {0, 2, 0, 0, 0}, kSampleValue, {2000, 2000, 2000, 2000, 2000, 2000}},
    {"instrument 2 alone: volume", kNone, {0, 2, 0, 0, 0}, kVolume, {20, 20, 20, 20, 20, 20}},
    {"instrument 2 alone: position", kNone, {0, 2, 0, 0, 0}, kPosition, {7, 7, 7, 7, 7, 7}, kMoved},
    {"key and instrument 2", kNone, {49, 2, 0, 0, 0}, kPosition, {0, 7, 7, 7, 7, 7}, kMoved},
    // Volumes, global volume, key off, envelope position, panning.
    {"EA2", kNone, {0, 0, 0, 0x0E, 0xA2}, kVolume, {34, 34, 34, 34, 34, 34}},
    {"EB2", kNone, {0, 0, 0, 0x0E, 0xB2}, kVolume, {30, 30, 30, 30, 30, 30}},
    {"C50", kNone, {0, 0, 0, 0x0C, 0x50}, kVolume, {64, 64, 64, 64, 64, 64}},
    {"G20", kNone, {0, 0, 0, 0x10, 0x20}, kGlobalVolume, {32, 32, 32, 32, 32, 32}},
    {"H02", kNone, {0, 0, 0, 0x11, 0x02}, kGlobalVolume, {64, 62, 60, 58, 56, 54}},
    {"no K00: 32 * 256", kNone, kNone, kAmplitude, {8192, 8192, 8192, 8192, 8192, 8192}},
    {"K00 without envelope", kNone, {0, 0, 0, 0x14, 0x00}, kAmplitude, {0, 0, 0, 0, 0, 0}},
    {"key off without envelope", kNone, {kKeyOff, 0, 0, 0, 0}, kAmplitude, {0, 0, 0, 0, 0, 0}},
    // Held at the sustain value 32 until the key off, then 24, 16, 8, 0 times a fadeout
    // of 32768 less 4096 per tick: 8192 * fadeout >> 15 * 64 * envelope >> 12.
    {"key off leaves the sustain", kNone, {kKeyOff, 0, 0, 0, 0}, kAmplitude, {4096, 2688, 1536, 640, 0, 0},
     kSustain},
    {"L05", kNone, {0, 0, 0, 0x15, 0x05}, kEnvelopeTick, {6, 7, 8, 9, 10, 11}, kEnvelope},
    {"P30", kNone, {0, 0, 0, 0x19, 0x30}, kPanning, {128, 131, 134, 137, 140, 143}},
    {"S3M S8F", kNone, {0, 0, 0, 0x93, 0x8F}, kPanning, {255, 255, 255, 255, 255, 255}},
    // Auto-vibrato from the new note: depth 64 * counter / 4 until the sweep ends, times
    // sine[16 * counter >> 2] >> 8. Panning 200 leaves 55 of room: envelope 48, 36, 24, 12, 0.
    {"auto-vibrato", kNone, {49, 1, 0, 0x08, 200}, kVibrato,
     {0, 16 * 97 >> 8, 32 * 180 >> 8, 48 * 235 >> 8, 64 * 255 >> 8, 64 * 235 >> 8}, kAuto},
    {"panning envelope", kNone, {49, 1, 0, 0x08, 200}, kOutputPanning,
     {200 + (16 * 55 >> 5), 200 + (4 * 55 >> 5), 200 + (-8 * 55 >> 5), 200 + (-20 * 55 >> 5), 200 - 55, 200 - 55},
     kAuto},
};
// clang-format on

TEST(Effects, TickByTick) {
  for (const EffectCase& e : kCases) EXPECT_EQ(play(e), e.ticks) << e.name;
}

// Row order at speed 1: cells {pattern, row, channel, effect, parameter} and the rows
// then played from the song's start, as order * 100 + row, plus 1000 for a row played
// before (replay_tick's count: the song has ended); the song's duration up to that
// first repeated row in ticks of 882 frames. Order 1 names pattern 7 where asked (no
// such pattern: skipped).
struct RowCase {
  const char* name;
  std::vector<std::array<int, 5>> cells;
  std::vector<int32_t> rows;
  int32_t ticks;
  bool skipOrder = false;
};

const RowCase kRowCases[] = {
    {"E60 sets the loop start",
     {{0, 2, 0, 0x0E, 0x60}, {0, 4, 0, 0x0E, 0x62}},
     {0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 4, 5},
     22 + 16},
    // The channel that starts a loop owns it: channel 1's loop end counts only once
    // channel 0's loop is over (on the same row), and then loops rows 1..3.
    {"loop ownership",
     {{0, 3, 0, 0x0E, 0x62}, {0, 1, 1, 0x0E, 0x60}, {0, 3, 1, 0x0E, 0x63}},
     {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4},
     33 + 16},
    // Looped rows are not counted as played again; a break or a jump waits for the loop's end.
    {"loop with a break",
     {{0, 3, 0, 0x0E, 0x62}, {0, 3, 1, 0x0D, 0x10}},
     {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 110},
     12 + 6},
    {"loop with a jump",
     {{0, 3, 0, 0x0E, 0x62}, {0, 3, 1, 0x0B, 0x01}},
     {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 100},
     12 + 16},
    // A loop's end moves the loop start below it: the next loop repeats rows 2..3 only (20 rows in all).
    {"a loop after a loop",
     {{0, 1, 0, 0x0E, 0x61}, {0, 3, 0, 0x0E, 0x61}},
     {0, 1, 0, 1, 2, 3, 2, 3, 4},
     20 + 16},
    {"S3M SB", {{0, 1, 1, 0x93, 0xB1}}, {0, 1, 0, 1, 2}, 18 + 16},
    {"D15", {{0, 0, 0, 0x0D, 0x15}}, {0, 115, 1000}, 2},
    {"jump past the order count", {{0, 1, 0, 0x0B, 0x05}}, {0, 1, 1000, 1001}, 2},
    {"S3M B01", {{0, 1, 0, 0x82, 0x01}}, {0, 1, 100, 101}, 2 + 16},
    {"break row beyond the pattern", {{0, 1, 0, 0x0D, 0x70}}, {0, 1, 100, 101}, 2 + 16},
    {"S3M C12", {{0, 0, 0, 0x83, 0x12}}, {0, 112, 113}, 1 + 4},
    // A pattern delay outlives a speed set on the same row, whichever channel comes first.
    {"S3M SE1, A02", {{0, 0, 0, 0x93, 0xE1}, {0, 0, 1, 0x81, 0x02}}, {0, 0, 0, 0, 1, 1}, 4 + 15 * 2 + 32},
    {"EE1, F02", {{0, 0, 0, 0x0E, 0xE1}, {0, 0, 1, 0x0F, 0x02}}, {0, 0, 0, 0, 1, 1}, 4 + 15 * 2 + 32},
    {"F02, EE1", {{0, 0, 0, 0x0F, 0x02}, {0, 0, 1, 0x0E, 0xE1}}, {0, 0, 0, 0, 1, 1}, 4 + 15 * 2 + 32},
    {"EE2, a skipped order",
     {{0, 5, 0, 0x0E, 0xE2}},
     {0, 1, 2, 3, 4, 5, 5, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1000},
     16 + 2,
     true},
};

TEST(Effects, RowOrder) {
  for (const RowCase& rc : kRowCases) {
    Song song(2, 2, 16);
    for (const auto& c : rc.cells) song.note(c[0], c[1], c[2]) = Note{0, 0, 0, uint8_t(c[3]), uint8_t(c[4])};
    song.m->defaultSpeed = 1;
    if (rc.skipOrder) song.m->orderList[1] = 7;
    Replay* r = replay_create(song.m, 44100, 1);
    EXPECT_EQ(replay_duration(r), rc.ticks * 882) << rc.name;  // then back at the start
    std::vector<int32_t> rows;
    for (size_t i = 0; i < rc.rows.size(); ++i) {
      int32_t count = i > 0 ? replay_tick(r) : 0;
      rows.push_back(count * 1000 + replay_order_index(r) * 100 + replay_row(r));
    }
    EXPECT_EQ(rows, rc.rows) << rc.name;
    replay_free(r);
  }
}

}  // namespace
