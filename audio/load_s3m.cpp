// Scream Tracker 3 S3M: paragraph pointers to instruments and packed 64-row patterns.
#include <cstdlib>

#include "audio/fixed_pitch.h"
#include "audio/module_loader.h"

namespace {

const char* const kMsgNotS3m = "Not an S3M file!";
const char* const kMsgPackedSamples = "Packed samples not supported!";

struct S3mLayout {
  int32_t storedOrderCount;  // as in the header, before trailing markers were dropped
  int32_t storedInstrumentCount;
  int32_t storedPatternCount;
  int32_t signedSamples;  // sample format word is 1
  int8_t channelMap[32];  // channel setting slot -> channel number, -1 = disabled
  // File bytes not yet claimed by a sample. Instrument pointers may all name one
  // header; charging each copy against the file keeps the samples together within
  // what the file holds, as with distinct samples.
  int64_t unclaimedBytes;
};

uint64_t instrument_pointer_at(const S3mLayout& l) { return 96 + static_cast<uint64_t>(l.storedOrderCount); }
uint64_t pattern_pointer_at(const S3mLayout& l) {
  return instrument_pointer_at(l) + 2 * static_cast<uint64_t>(l.storedInstrumentCount);
}

// Returns false only when memory runs out; *message is set for a refused file.
bool read_instrument(const ByteSource& src, S3mLayout& l, int32_t i, Instrument* ins, const char** message) {
  if (!instrument_alloc_samples(ins, 1)) return false;
  uint64_t h = static_cast<uint64_t>(bs_u16le(src, instrument_pointer_at(l) + 2 * (i - 1))) * 16;
  bs_text(src, h + 48, ins->name, 28);
  if (bs_u8(src, h) != 1 || bs_u16le(src, h + 76) != 0x4353) return true;

  Sample* s = &ins->samples[0];
  uint64_t dataAt = (static_cast<uint64_t>(bs_u8(src, h + 13)) * 65536 + bs_u16le(src, h + 14)) * 16;
  int64_t length = bs_u32le(src, h + 16);
  int64_t loopStart = bs_u32le(src, h + 20);
  int64_t loopEnd = bs_u32le(src, h + 24);
  s->volume = static_cast<int16_t>(bs_u8(src, h + 28));
  if (bs_u8(src, h + 30) != 0) {
    *message = kMsgPackedSamples;
    return true;
  }
  uint32_t flags = bs_u8(src, h + 31);
  bool sixteenBit = (flags & 4) != 0;
  // A sample cut short by the end of the file keeps only the frames the file holds.
  int64_t remaining = bs_remaining(src, dataAt);
  if (remaining > l.unclaimedBytes) remaining = l.unclaimedBytes;
  int64_t available = remaining / (sixteenBit ? 2 : 1);
  if (available > kModuleMaxSampleFrames) available = kModuleMaxSampleFrames;
  if (length > available) length = available;
  l.unclaimedBytes -= length * (sixteenBit ? 2 : 1);
  int64_t loopLength = (loopEnd < length ? loopEnd : length) - loopStart;
  if (loopLength < 1 || !(flags & 1)) loopLength = 0;

  int32_t tune = (log2_q15(static_cast<int32_t>(bs_u32le(src, h + 32))) - log2_q15(8363)) * 12;
  s->relativeNote = static_cast<int16_t>(tune >> 15);
  s->fineTune = static_cast<int16_t>((tune >> 8) & 0x7F);

  int32_t frames = static_cast<int32_t>(length);
  if (!sample_alloc(s, frames)) return false;
  sample_read_pcm(src, dataAt, frames, sixteenBit, s);
  if (!l.signedSamples) {
    for (int32_t f = 0; f < frames; ++f) s->data[f] = static_cast<int16_t>(s->data[f] - 0x8000);
  }
  s->loopStart = static_cast<int32_t>(loopStart);
  s->loopLength = static_cast<int32_t>(loopLength);
  sample_close_loop(s, frames);
  return true;
}

uint8_t volume_column(uint32_t v) {
  v &= 0x7F;
  return static_cast<uint8_t>(v > 64 ? 0 : v + kVolColSet);
}

uint8_t s3m_key(uint32_t n) {
  if (n == 255) return kKeyNone;
  if (n == 254) return 254;
  return static_cast<uint8_t>((n >> 4) * 12 + (n & 0x0F) + 1);
}

void read_pattern(const ByteSource& src, const S3mLayout& l, int32_t p, Pattern* pat) {
  uint64_t at =
      static_cast<uint64_t>(bs_u16le(src, pattern_pointer_at(l) + 2 * static_cast<uint64_t>(p))) * 16 + 2;
  for (int32_t row = 0; row < 64; ++row) {
    for (;;) {
      uint32_t f = bs_u8(src, at++);
      if (f == 0) break;
      // Only the fields the flag byte announces are written: a channel named twice
      // in one row keeps what its first entry set in the other fields.
      Note dropped{};
      int32_t channel = l.channelMap[f & 0x1F];
      Note& n = channel >= 0 ? pat->notes[row * pat->channelCount + channel] : dropped;
      if (f & 0x20) {
        n.key = s3m_key(bs_u8(src, at));
        n.instrument = static_cast<uint8_t>(bs_u8(src, at + 1));
        at += 2;
      }
      if (f & 0x40) n.volume = volume_column(bs_u8(src, at++));
      if (f & 0x80) {
        uint32_t e = bs_u8(src, at), param = bs_u8(src, at + 1);
        at += 2;
        bool known = e >= 1 && e <= 63;
        n.effect = static_cast<uint8_t>(known ? kFxS3m + e : 0);
        n.param = static_cast<uint8_t>(known ? param : 0);
      }
    }
  }
}

void set_panning(const ByteSource& src, const S3mLayout& l, Module* m) {
  bool stereo = (bs_u8(src, 51) & 0x80) != 0;
  bool fromTable = bs_u8(src, 53) == 252;
  uint64_t table = pattern_pointer_at(l) + 2 * static_cast<uint64_t>(l.storedPatternCount);
  for (int32_t slot = 0; slot < 32; ++slot) {
    int32_t channel = l.channelMap[slot];
    if (channel < 0) continue;
    uint32_t pan = 7;
    if (stereo) pan = bs_u8(src, 64 + slot) < 8 ? 3 : 12;
    if (fromTable) {
      uint32_t b = bs_u8(src, table + slot);
      if (b & 0x20) pan = b & 0x0F;
    }
    m->defaultPanning[channel] = static_cast<uint8_t>(pan * 17);
  }
}

bool read_body(const ByteSource& src, S3mLayout& l, Module* m, const char** message) {
  for (int32_t i = 1; i <= m->instrumentCount; ++i) {
    if (!read_instrument(src, l, i, &m->instruments[i], message)) return false;
    if (*message) return true;
  }
  if (!instrument_alloc_samples(&m->instruments[0], 1)) return false;
  for (int32_t p = 0; p < m->patternCount; ++p) {
    if (!pattern_alloc(&m->patterns[p], m->channelCount, 64)) return false;
    read_pattern(src, l, p, &m->patterns[p]);
  }
  return true;
}

}  // namespace

Module* load_s3m(const ByteSource& src, const char** message) {
  if (bs_u32le(src, 44) != 0x4D524353) {  // "SCRM"
    *message = kMsgNotS3m;
    return nullptr;
  }
  S3mLayout l;
  l.storedOrderCount = static_cast<int32_t>(bs_u16le(src, 32));
  l.storedInstrumentCount = static_cast<int32_t>(bs_u16le(src, 34));
  l.storedPatternCount = static_cast<int32_t>(bs_u16le(src, 36));
  l.signedSamples = bs_u16le(src, 42) == 1;
  l.unclaimedBytes = src.length;
  int32_t channels = 0;
  for (int32_t slot = 0; slot < 32; ++slot)
    l.channelMap[slot] = static_cast<int8_t>(bs_u8(src, 64 + slot) < 16 ? channels++ : -1);

  Module* m = static_cast<Module*>(std::calloc(1, sizeof(Module)));
  if (!m) {
    *message = kMsgOutOfMemory;
    return nullptr;
  }
  bs_text(src, 0, m->name, 28);
  m->channelCount = channels;
  m->fastVolumeSlides = (bs_u16le(src, 38) & 0x40) != 0 || bs_u16le(src, 40) == 0x1300;
  // Global volumes run 0..64; a larger header value would overdrive the mixer.
  uint32_t globalVolume = bs_u8(src, 48);
  m->defaultGlobalVolume = static_cast<int32_t>(globalVolume > 64 ? 64 : globalVolume);
  m->defaultSpeed = static_cast<int32_t>(bs_u8(src, 49));
  m->defaultTempo = static_cast<int32_t>(bs_u8(src, 50));
  m->c2Rate = 8363;
  m->gain = static_cast<int32_t>(bs_u8(src, 51) & 0x7F);
  // 255 ends the list; trailing entries that name no pattern are dropped.
  int32_t orders = 0;
  while (orders < l.storedOrderCount && bs_u8(src, 96 + orders) != 255) ++orders;
  while (orders > 0 && static_cast<int32_t>(bs_u8(src, 96 + orders - 1)) >= l.storedPatternCount) --orders;
  m->orderCount = orders;
  m->patternCount = l.storedPatternCount < kModuleMaxPatterns ? l.storedPatternCount : kModuleMaxPatterns;
  m->instrumentCount =
      l.storedInstrumentCount < kModuleMaxInstruments ? l.storedInstrumentCount : kModuleMaxInstruments;

  const char* refused = nullptr;
  if (!module_alloc_lists(m) || !read_body(src, l, m, &refused)) {
    module_free(m);
    *message = kMsgOutOfMemory;
    return nullptr;
  }
  if (refused) {
    module_free(m);
    *message = refused;
    return nullptr;
  }
  for (int32_t i = 0; i < orders; ++i) m->orderList[i] = static_cast<uint8_t>(bs_u8(src, 96 + i));
  set_panning(src, l, m);
  return m;
}
