#pragma once
// MOD, S3M and XM file images for tests, written from the file layouts alone. Each song starts
// as a minimal valid file; tests set what they need and patch any other byte afterwards.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using File = std::vector<uint8_t>;

// ---- ProTracker MOD: 4-byte cells, big-endian words, 31 instruments.
struct ModCell {
  int period = 0, instrument = 0, effect = 0, param = 0;  // period as stored (428 = C-4)
};
struct ModSample {
  std::string name;
  int lengthWords = 0, fineTuneNibble = 0, volume = 64, loopStartWords = 0, loopLengthWords = 0;
  std::vector<int8_t> data;  // padded with 0 to the length
};
struct ModSong {
  std::string name = "test", tag = "M.K.";
  int channels = 4, orderCount = 1, restart = 0, patternCount = 1;
  uint8_t orders[128] = {0};
  std::vector<ModCell> cells{};  // patternCount * 64 * channels, pattern/row/channel order
  ModSample samples[31]{};
  ModCell& cell(int pattern, int row, int channel);
};
File write_mod(const ModSong& song);

// ---- Scream Tracker 3 S3M. A cell names a channel setting slot (0..31) and holds a note byte
// (octave << 4 | semitone), a volume and an effect letter number (1 = A), each -1 when absent.
struct S3mCell {
  int slot = 0, note = -1, instrument = 0, volume = -1, effect = -1, param = 0;
};
struct S3mSample {
  uint8_t type = 1, volume = 64, flags = 0;  // type 1 = sample; flags: bit 0 loop, bit 2 16-bit
  std::string name;
  uint32_t length = 0, loopStart = 0, loopEnd = 0, c2Speed = 8363;
  std::vector<uint8_t> bytes{};  // sample data exactly as stored
};
struct S3mSong {
  std::string name = "test";
  uint16_t flags = 0, trackerVersion = 0x1320, sampleFormat = 2;
  uint8_t globalVolume = 64, speed = 6, tempo = 125, masterVolume = 0x30, defaultPanFlag = 0;
  uint8_t channelSettings[32] = {0, 1, 2, 3};  // slots 4..31 255 (disabled)
  std::vector<uint8_t> orders = {0};
  std::vector<S3mSample> instruments;
  std::vector<std::vector<std::vector<S3mCell>>> patterns = {std::vector<std::vector<S3mCell>>(64)};
  uint8_t panTable[32] = {0};
  S3mSong() { std::fill(channelSettings + 4, channelSettings + 32, 255); }
};
File write_s3m(const S3mSong& song);
inline size_t s3m_pointers(const S3mSong& song) { return 96 + song.orders.size(); }  // instrument pointers

// ---- FastTracker 2 XM. Pattern cells are packed with flag bytes where that is shorter.
struct XmCell {
  int key = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};
struct XmPattern {
  int rows = 64;
  std::vector<XmCell> cells{};  // rows * channels
};
struct XmEnvelope {
  std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, amplitude); the first 12 are written
  uint8_t sustain = 0, loopStart = 0, loopEnd = 0, type = 0;
};
struct XmSample {
  std::string name;
  uint8_t volume = 64, type = 0, panning = 128;  // type: bits 0..1 loop kind, bit 4 16-bit
  int8_t fineTune = 0, relativeNote = 0;
  uint32_t loopStart = 0, loopLength = 0;  // in bytes as stored
  std::vector<int> values;                 // plain sample values; delta-coded by the writer
};
struct XmInstrument {
  std::string name;
  std::vector<XmSample> samples{};
  uint8_t keyMap[96] = {0};
  XmEnvelope volumeEnvelope{}, panningEnvelope{};
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
  uint16_t fadeout = 0;
  uint32_t headerSize = 263;  // 29 is usual for an instrument without samples
};
struct XmSong {
  std::string name = "test", tracker = "FastTracker v2.00";
  uint16_t version = 0x0104, restart = 0, flags = 1, speed = 6, tempo = 125;  // flags bit 0: linear
  int channels = 4;
  std::vector<uint8_t> orders = {0};
  std::vector<XmPattern> patterns = {XmPattern()};
  std::vector<XmInstrument> instruments;
};
File write_xm(const XmSong& song);

// A sample of the values (bytes when 8-bit); a looped 16-bit one of constant value; an instrument.
XmSample xm_sample(std::vector<int> values, uint8_t type = 0, uint32_t loopStart = 0,
                   uint32_t loopLength = 0);
XmSample xm_constant(int value, int frames = 256);
XmInstrument xm_instrument(const XmSample& sample);
