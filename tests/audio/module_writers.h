#pragma once
// Builders of small MOD, S3M and XM file images for tests, written from the file
// layouts alone. Each song starts as a minimal valid file; tests set what they need.
// Shared by the loader tests and the replay/mixer tests.
#include <cstdint>
#include <string>
#include <vector>

// ---- ProTracker MOD: 4-byte cells, big-endian words, 31 instruments.
struct ModCell {
  int period = 0;  // the 12-bit field as stored (428 = C-3 in ProTracker terms)
  int instrument = 0;
  int effect = 0;
  int param = 0;
};

struct ModSample {
  std::string name;
  int lengthWords = 0;  // the stored word; length in bytes is twice this
  int fineTuneNibble = 0;
  int volume = 64;
  int loopStartWords = 0;
  int loopLengthWords = 0;
  std::vector<int8_t> data;  // written after the patterns; padded with 0 to the length
};

struct ModSong {
  std::string name = "test";
  std::string tag = "M.K.";
  int channels = 4;  // cells per row written
  int orderCount = 1;
  int restart = 0;
  uint8_t orders[128] = {0};   // all 128 entries are written
  int patternCount = 1;        // patterns written (must cover the order table)
  std::vector<ModCell> cells;  // patternCount * 64 * channels, pattern/row/channel order
  ModSample samples[31];
  bool writeSampleData = true;

  ModCell& cell(int pattern, int row, int channel);
};

std::vector<uint8_t> write_mod(ModSong& song);

// ---- Scream Tracker 3 S3M.
struct S3mCell {
  int slot = 0;                   // channel setting slot 0..31 (the low 5 bits of the flag byte)
  int note = -1, instrument = 0;  // note byte (n >> 4 octave, n & 15 semitone); -1 = absent
  int volume = -1;                // -1 = absent
  int effect = -1, param = 0;     // effect letter number (1 = A); -1 = absent
};

struct S3mSample {
  uint8_t type = 1;  // 1 = sample
  std::string name;
  uint32_t length = 0, loopStart = 0, loopEnd = 0;
  uint8_t volume = 64;
  uint8_t packing = 0;
  uint8_t flags = 0;  // bit 0 loop, bit 2 16-bit
  uint32_t c2Speed = 8363;
  std::vector<uint8_t> bytes;  // sample data exactly as stored
  bool tagged = true;          // writes the "SCRS" tag
};

struct S3mSong {
  std::string name = "test";
  uint16_t flags = 0, trackerVersion = 0x1320, sampleFormat = 2;
  uint8_t globalVolume = 64, speed = 6, tempo = 125, masterVolume = 0x30, defaultPanFlag = 0;
  uint8_t channelSettings[32];  // default: slots 0..3 are 0..3, the rest 255 (disabled)
  std::vector<uint8_t> orders = {0};
  std::vector<S3mSample> instruments;
  // Per pattern: per row (64 rows), the cells of that row.
  std::vector<std::vector<std::vector<S3mCell>>> patterns = {std::vector<std::vector<S3mCell>>(64)};
  uint8_t panTable[32] = {0};
  int patternCountOverride = -1;  // written pattern count when >= 0

  S3mSong();
};

std::vector<uint8_t> write_s3m(const S3mSong& song);

// ---- FastTracker 2 XM.
struct XmCell {
  int key = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmPattern {
  int rows = 64;
  std::vector<XmCell> cells;    // rows * channels; packed with flag bytes where that is shorter
  std::vector<uint8_t> packed;  // used as the packed data instead of cells when not empty
  uint8_t packing = 0;
};

struct XmEnvelope {
  std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, amplitude) as stored
  int count = -1;                                     // stored point count; -1 = points.size()
  uint8_t sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
};

struct XmSample {
  std::string name;
  uint8_t volume = 64, type = 0, panning = 128;  // type: bits 0..1 loop kind, bit 4 16-bit
  int8_t fineTune = 0, relativeNote = 0;
  uint32_t loopStart = 0, loopLength = 0;  // in bytes as stored
  std::vector<int> values;                 // plain sample values; delta-coded by the writer
  int lengthOverride = -1;                 // stored length in bytes when >= 0
};

struct XmInstrument {
  std::string name;
  std::vector<XmSample> samples;
  uint8_t keyMap[96] = {0};
  XmEnvelope volumeEnvelope, panningEnvelope;
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
  uint16_t fadeout = 0;
  uint32_t headerSize = 263;  // 29 is usual for an instrument without samples
};

struct XmSong {
  std::string name = "test";
  std::string tracker = "FastTracker v2.00";
  uint16_t version = 0x0104;
  std::vector<uint8_t> orders = {0};
  uint16_t restart = 0;
  int channels = 4;
  uint16_t flags = 1;  // bit 0 linear periods
  uint16_t speed = 6, tempo = 125;
  std::vector<XmPattern> patterns = {XmPattern()};
  std::vector<XmInstrument> instruments;
};

std::vector<uint8_t> write_xm(const XmSong& song);
