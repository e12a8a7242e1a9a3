// FastTracker 2 XM: packed patterns, multi-sample instruments with envelopes,
// delta-coded sample data.
#include <cstdlib>

#include "audio/module_loader.h"

namespace {

const char* const kMsgXmVersion = "XM format version must be 0x0104!";
const char* const kMsgXmPacking = "Unknown pattern packing type!";

constexpr int32_t kMaxSamplesPerInstrument = 256;  // the key map holds bytes

// Unpacks rows x channels notes: a byte with bit 0x80 announces which of the five
// fields follow; any other byte is the key of a note with all five fields.
void unpack_notes(const ByteSource& src, uint64_t at, Pattern* pat) {
  int32_t count = pat->rowCount * pat->channelCount;
  for (int32_t i = 0; i < count && at < src.length; ++i) {
    Note* n = &pat->notes[i];
    uint32_t flags = bs_u8(src, at);
    if (flags & 0x80)
      ++at;
    else
      flags = 0x1F;
    if (flags & 0x01) n->key = static_cast<uint8_t>(bs_u8(src, at++));
    if (flags & 0x02) n->instrument = static_cast<uint8_t>(bs_u8(src, at++));
    if (flags & 0x04) n->volume = static_cast<uint8_t>(bs_u8(src, at++));
    if (flags & 0x08) n->effect = static_cast<uint8_t>(bs_u8(src, at++));
    if (flags & 0x10) n->param = static_cast<uint8_t>(bs_u8(src, at++));
    if (n->effect >= 64) n->effect = n->param = 0;
  }
}

// Envelope points are 4 bytes (tick word, amplitude word); the sustain and loop
// points are given as point numbers and kept as their ticks.
void read_envelope(const ByteSource& src, uint64_t points, uint32_t count, const uint32_t marks[3],
                   uint32_t type, bool relativeTicks, Envelope* e) {
  int32_t tick = 0;
  for (int32_t p = 0; p < 12; ++p) {
    int32_t t = static_cast<int32_t>(bs_u16le(src, points + 4 * p));
    tick = (relativeTicks && p > 0) ? tick + t : t;
    uint32_t amplitude = bs_u16le(src, points + 4 * p + 2);
    e->pointTicks[p] = static_cast<int16_t>(tick > 32767 ? 32767 : tick);
    e->pointAmplitudes[p] = static_cast<int16_t>(amplitude > 64 ? 64 : amplitude);
  }
  e->pointCount = static_cast<uint8_t>(count > 12 ? 0 : count);
  e->sustainTick = e->pointTicks[marks[0] & 0x0F];
  e->loopStartTick = e->pointTicks[marks[1] & 0x0F];
  e->loopEndTick = e->pointTicks[marks[2] & 0x0F];
  e->enabled = (type & 1) && e->pointCount > 0;
  e->sustain = (type >> 1) & 1;
  e->looped = (type >> 2) & 1;
}

void read_instrument_header(const ByteSource& src, uint64_t start, int32_t sampleCount, bool digiBooster,
                            Instrument* ins) {
  for (int32_t k = 1; k <= 96; ++k) {
    uint32_t v = bs_u8(src, start + 33 + (k - 1));
    ins->keyToSample[k] = static_cast<uint8_t>(static_cast<int32_t>(v) < sampleCount ? v : 0);
  }
  const uint32_t volumeMarks[3] = {bs_u8(src, start + 227), bs_u8(src, start + 228), bs_u8(src, start + 229)};
  const uint32_t panningMarks[3] = {bs_u8(src, start + 230), bs_u8(src, start + 231),
                                    bs_u8(src, start + 232)};
  read_envelope(src, start + 129, bs_u8(src, start + 225), volumeMarks, bs_u8(src, start + 233), digiBooster,
                &ins->volumeEnvelope);
  read_envelope(src, start + 177, bs_u8(src, start + 226), panningMarks, bs_u8(src, start + 234), digiBooster,
                &ins->panningEnvelope);
  ins->vibratoType = static_cast<uint8_t>(bs_u8(src, start + 235));
  ins->vibratoSweep = static_cast<uint8_t>(bs_u8(src, start + 236));
  ins->vibratoDepth = static_cast<uint8_t>(bs_u8(src, start + 237));
  ins->vibratoRate = static_cast<uint8_t>(bs_u8(src, start + 238));
  ins->volumeFadeout = static_cast<int32_t>(bs_u16le(src, start + 239));
}

// Loads one sample from its 40-byte header and its data at dataAt.
bool read_sample(const ByteSource& src, uint64_t header, uint64_t dataAt, Sample* s) {
  int64_t length = bs_u32le(src, header);
  int64_t loopStart = bs_u32le(src, header + 4);
  int64_t loopLength = bs_u32le(src, header + 8);
  s->volume = static_cast<int16_t>(bs_u8(src, header + 12));
  s->fineTune = static_cast<int16_t>(bs_s8(src, header + 13));
  uint32_t type = bs_u8(src, header + 14);
  s->panning = static_cast<int16_t>(bs_u8(src, header + 15) + 1);
  s->relativeNote = static_cast<int16_t>(bs_s8(src, header + 16));
  bs_text(src, header + 18, s->name, 22);

  bool sixteenBit = (type & 0x10) != 0;
  if (sixteenBit) {
    length /= 2;
    loopStart /= 2;
    loopLength /= 2;
  }
  // A sample cut short by the end of the file keeps only the frames the file holds.
  int64_t available = bs_remaining(src, dataAt) / (sixteenBit ? 2 : 1);
  if (available > kModuleMaxSampleFrames) available = kModuleMaxSampleFrames;
  if (length > available) length = available;
  uint32_t loopKind = type & 3;
  if (loopKind == 0 || loopStart + loopLength > length) loopLength = 0;
  bool pingPong = loopKind >= 2 && loopLength > 0;

  int32_t frames = static_cast<int32_t>(length);
  int32_t loopEnd = static_cast<int32_t>(loopStart + loopLength);
  if (pingPong) frames = loopEnd;  // the data past the loop end is never played
  if (!sample_alloc(s, pingPong ? loopEnd + static_cast<int32_t>(loopLength) : frames)) return false;
  sample_read_pcm(src, dataAt, frames, sixteenBit, s);
  int16_t sum = 0;
  for (int32_t f = 0; f < frames; ++f) {
    sum = static_cast<int16_t>(sum + s->data[f]);
    s->data[f] = sum;
  }
  s->loopStart = static_cast<int32_t>(loopStart);
  s->loopLength = static_cast<int32_t>(loopLength);
  if (pingPong) {
    // Unrolled: the loop forwards, then backwards, as one forward loop of twice the length.
    for (int32_t j = 0; j < s->loopLength; ++j) s->data[loopEnd + j] = s->data[loopEnd - 1 - j];
    frames = loopEnd + s->loopLength;
    s->loopLength *= 2;
  }
  sample_close_loop(s, frames);
  return true;
}

// Reads the instrument at start and returns the offset just after its sample data.
bool read_instrument(const ByteSource& src, uint64_t start, bool digiBooster, Instrument* ins,
                     uint64_t* next) {
  uint64_t headerSize = bs_u32le(src, start);
  bs_text(src, start + 4, ins->name, 22);
  int32_t count = static_cast<int32_t>(bs_u16le(src, start + 27));
  if (count == 0) {
    *next = start + headerSize;
    return instrument_alloc_samples(ins, 1);
  }
  int32_t kept = count < kMaxSamplesPerInstrument ? count : kMaxSamplesPerInstrument;
  if (!instrument_alloc_samples(ins, kept)) return false;
  read_instrument_header(src, start, count, digiBooster, ins);

  uint64_t headers = start + headerSize;
  uint64_t dataAt = headers + 40 * static_cast<uint64_t>(count);
  for (int32_t s = 0; s < count; ++s) {
    uint64_t header = headers + 40 * static_cast<uint64_t>(s);
    if (header >= src.length) break;  // the rest read as empty headers
    if (s < kept && !read_sample(src, header, dataAt, &ins->samples[s])) return false;
    dataAt += bs_u32le(src, header);
  }
  *next = dataAt;
  return true;
}

// Patterns and instruments; *message is set when the file is refused.
bool read_body(const ByteSource& src, int32_t storedPatterns, int32_t storedInstruments, Module* m,
               const char** message) {
  char tracker[15];
  bs_text(src, 38, tracker, 15);
  bool digiBooster = true;
  const char* digi = "DigiBooster Pro";
  for (int32_t i = 0; i < 15; ++i) digiBooster = digiBooster && tracker[i] == digi[i];

  uint64_t at = 60 + static_cast<uint64_t>(bs_u32le(src, 60));
  for (int32_t p = 0; p < storedPatterns; ++p) {
    uint64_t headerLength = bs_u32le(src, at);
    if (bs_u8(src, at + 4) != 0) {
      *message = kMsgXmPacking;
      return true;
    }
    int32_t rows = static_cast<int32_t>(bs_u16le(src, at + 5));
    if (rows == 0) rows = 1;
    if (rows > kModuleMaxRows) rows = kModuleMaxRows;
    uint32_t packedSize = bs_u16le(src, at + 7);
    uint64_t data = at + headerLength;
    if (p < m->patternCount) {
      if (!pattern_alloc(&m->patterns[p], m->channelCount, rows)) return false;
      if (packedSize > 0) unpack_notes(src, data, &m->patterns[p]);
    }
    at = data + packedSize;
  }
  if (!instrument_alloc_samples(&m->instruments[0], 1)) return false;
  for (int32_t i = 1; i <= m->instrumentCount && i <= storedInstruments; ++i) {
    if (!read_instrument(src, at, digiBooster, &m->instruments[i], &at)) return false;
  }
  return true;
}

}  // namespace

Module* load_xm(const ByteSource& src, const char** message) {
  if (bs_u16le(src, 58) != 0x0104) {
    *message = kMsgXmVersion;
    return nullptr;
  }
  int32_t channels = static_cast<int32_t>(bs_u16le(src, 68));
  if (channels > kModuleMaxChannels) {
    *message = kMsgInvalidModule;
    return nullptr;
  }
  int32_t storedPatterns = static_cast<int32_t>(bs_u16le(src, 70));
  int32_t storedInstruments = static_cast<int32_t>(bs_u16le(src, 72));

  Module* m = static_cast<Module*>(std::calloc(1, sizeof(Module)));
  if (!m) {
    *message = kMsgOutOfMemory;
    return nullptr;
  }
  bs_text(src, 17, m->name, 20);
  m->orderCount = static_cast<int32_t>(bs_u16le(src, 64));
  m->restartPosition = static_cast<int32_t>(bs_u16le(src, 66));
  m->channelCount = channels;
  m->patternCount = storedPatterns < kModuleMaxPatterns ? storedPatterns : kModuleMaxPatterns;
  m->instrumentCount = storedInstruments < kModuleMaxInstruments ? storedInstruments : kModuleMaxInstruments;
  m->linearPeriods = bs_u16le(src, 74) & 1;
  m->defaultSpeed = static_cast<int32_t>(bs_u16le(src, 76));
  m->defaultTempo = static_cast<int32_t>(bs_u16le(src, 78));
  m->defaultGlobalVolume = 64;
  m->c2Rate = 8363;
  m->gain = 64;

  const char* refused = nullptr;
  if (!module_alloc_lists(m) || !read_body(src, storedPatterns, storedInstruments, m, &refused)) {
    module_free(m);
    *message = kMsgOutOfMemory;
    return nullptr;
  }
  if (refused) {
    module_free(m);
    *message = refused;
    return nullptr;
  }
  for (int32_t i = 0; i < m->orderCount; ++i) {
    int32_t entry = static_cast<int32_t>(bs_u8(src, 80 + i));
    m->orderList[i] = static_cast<uint8_t>(entry < storedPatterns ? entry : 0);
  }
  for (int32_t c = 0; c < channels; ++c) m->defaultPanning[c] = 128;
  return m;
}
