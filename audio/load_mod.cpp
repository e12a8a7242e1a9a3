// ProTracker MOD: 31 instruments, 64-row patterns of 4-byte cells, big-endian words.
#include <cstdlib>

#include "audio/fixed_pitch.h"
#include "audio/module_loader.h"

namespace {

const char* const kMsgModFormat = "MOD Format not recognised!";

// Amiga period (four times the ProTracker resolution) to the nearest semitone key.
uint8_t period_to_key(int32_t period) {
  if (period < 112 || period > 6848) return kKeyNone;
  int32_t k = log2_q15(period * 32768 / 29021) * -12;
  return static_cast<uint8_t>((k + (k & 0x4000)) >> 15);
}

void read_note(const ByteSource& src, uint64_t at, int32_t channels, Note* n) {
  uint32_t b0 = bs_u8(src, at), b1 = bs_u8(src, at + 1);
  uint32_t b2 = bs_u8(src, at + 2), b3 = bs_u8(src, at + 3);
  n->key = period_to_key(static_cast<int32_t>(((b0 & 0x0F) * 256 + b1) * 4));
  n->instrument = static_cast<uint8_t>((b0 & 0x10) | (b2 >> 4));
  n->volume = 0;
  uint32_t effect = b2 & 0x0F, param = b3;
  if (param == 0) {
    if (effect == kFxArpeggio || effect == kFxPortaUp || effect == kFxPortaDown || effect == kFxVolSlide)
      effect = 0;
    else if (effect == kFxTonePortaVolSlide)
      effect = kFxTonePorta;
    else if (effect == kFxVibratoVolSlide)
      effect = kFxVibrato;
  }
  if (effect == kFxSetPanning) {
    if (channels == 4)
      effect = param = 0;
    else
      param = param > 128 ? 128 : param * 255 >> 7;
  }
  n->effect = static_cast<uint8_t>(effect);
  n->param = static_cast<uint8_t>(param);
}

// Fills instrument i (1..31) from its 30-byte header and returns its length in frames.
int32_t read_instrument_header(const ByteSource& src, int32_t i, Instrument* ins) {
  uint64_t h = 20 + static_cast<uint64_t>(i - 1) * 30;
  Sample* s = &ins->samples[0];
  bs_text(src, h, ins->name, 22);
  int32_t length = static_cast<int32_t>(bs_u16be(src, h + 22) * 2);
  int32_t nibble = static_cast<int32_t>(bs_u8(src, h + 24) & 0x0F);
  s->fineTune = static_cast<int16_t>((nibble < 8 ? nibble : nibble - 16) * 16);
  uint32_t volume = bs_u8(src, h + 25) & 0x7F;
  s->volume = static_cast<int16_t>(volume > 64 ? 64 : volume);
  int32_t loopStart = static_cast<int32_t>(bs_u16be(src, h + 26) * 2);
  int32_t loopLength = static_cast<int32_t>(bs_u16be(src, h + 28) * 2);
  if (loopStart + loopLength > length) {
    // Some trackers store the loop start in bytes rather than words.
    if (loopStart / 2 + loopLength <= length)
      loopStart /= 2;
    else
      loopLength = length - loopStart;
  }
  if (loopLength < 4) loopLength = 0;
  s->loopStart = loopStart;
  s->loopLength = loopLength;
  return length;
}

bool read_patterns_and_samples(const ByteSource& src, Module* m) {
  uint64_t at = 1084;
  for (int32_t p = 0; p < m->patternCount; ++p) {
    Pattern* pat = &m->patterns[p];
    if (!pattern_alloc(pat, m->channelCount, 64)) return false;
    for (int32_t n = 0; n < 64 * m->channelCount; ++n, at += 4)
      read_note(src, at, m->channelCount, &pat->notes[n]);
  }
  // Instrument 0 stays an empty placeholder; sample data follows the last pattern.
  for (int32_t i = 0; i <= 31; ++i) {
    Instrument* ins = &m->instruments[i];
    if (!instrument_alloc_samples(ins, 1)) return false;
    if (i == 0) continue;
    Sample* s = &ins->samples[0];
    int32_t length = read_instrument_header(src, i, ins);
    if (!sample_alloc(s, length)) return false;
    sample_read_pcm(src, at, length, false, s);
    at += static_cast<uint64_t>(length);
    sample_close_loop(s, length);
  }
  return true;
}

}  // namespace

Module* load_mod(const ByteSource& src, const char** message) {
  int32_t channels, c2Rate, gain;
  switch (bs_u16be(src, 1082)) {
    case 0x4348:  // "xxCH"
      channels =
          (static_cast<int32_t>(bs_u8(src, 1080)) - 48) * 10 + (static_cast<int32_t>(bs_u8(src, 1081)) - 48);
      c2Rate = 8363;
      gain = 32;
      break;
    case 0x484E:  // "xCHN"
      channels = static_cast<int32_t>(bs_u8(src, 1080)) - 48;
      c2Rate = 8363;
      gain = 32;
      break;
    case 0x4B21:  // "M!K!"
    case 0x4B2E:  // "M.K."
    case 0x5434:  // "FLT4"
      channels = 4;
      c2Rate = 8287;
      gain = 64;
      break;
    default:
      *message = kMsgModFormat;
      return nullptr;
  }
  if (channels <= 0 || channels > kModuleMaxChannels) {
    *message = kMsgInvalidModule;
    return nullptr;
  }

  Module* m = static_cast<Module*>(std::calloc(1, sizeof(Module)));
  if (!m) {
    *message = kMsgOutOfMemory;
    return nullptr;
  }
  bs_text(src, 0, m->name, 20);
  m->channelCount = channels;
  m->c2Rate = c2Rate;
  m->gain = gain;
  m->orderCount = static_cast<int32_t>(bs_u8(src, 950) & 0x7F);
  m->restartPosition = static_cast<int32_t>(bs_u8(src, 951) & 0x7F);
  if (m->restartPosition >= m->orderCount) m->restartPosition = 0;
  // Patterns stored in the file: every one the full order table names, used or not.
  int32_t highest = 0;
  for (int32_t i = 0; i < 128; ++i) {
    int32_t entry = static_cast<int32_t>(bs_u8(src, 952 + i) & 0x7F);
    if (entry > highest) highest = entry;
  }
  m->patternCount = highest + 1;
  m->instrumentCount = 31;
  m->defaultGlobalVolume = 64;
  m->defaultSpeed = 6;
  m->defaultTempo = 125;
  if (!module_alloc_lists(m) || !read_patterns_and_samples(src, m)) {
    module_free(m);
    *message = kMsgOutOfMemory;
    return nullptr;
  }
  for (int32_t i = 0; i < m->orderCount; ++i)
    m->orderList[i] = static_cast<uint8_t>(bs_u8(src, 952 + i) & 0x7F);
  for (int32_t c = 0; c < channels; ++c) m->defaultPanning[c] = ((c & 3) == 1 || (c & 3) == 2) ? 204 : 51;
  return m;
}
