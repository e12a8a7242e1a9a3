#include "audio/replay_channel.h"

#include "audio/envelope.h"
#include "audio/fixed_pitch.h"

namespace {

const int32_t kSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                           255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// -255..255 for a phase of 64 steps per cycle. Types 0..3 are the vibrato and
// tremolo waveforms, 4..7 the instrument auto-vibrato ones.
int32_t waveform(Channel* c, int32_t phase, int32_t type) {
  switch (type) {
    case 1:
    case 7:
      return 255 - ((phase + 32) & 63) * 8;
    case 2:
    case 5:
      return (phase & 32) ? 255 : -255;
    case 3:
    case 8: {
      int32_t v = (c->randomSeed >> 20) - 255;
      c->randomSeed = static_cast<int32_t>((static_cast<uint32_t>(c->randomSeed) * 65 + 17) & 0x1FFFFFFF);
      return v;
    }
    case 6:
      return ((phase + 32) & 63) * 8 - 255;
    default:
      return (phase & 32) ? -kSine[phase & 31] : kSine[phase & 31];
  }
}

const Sample* instrument_sample(const Instrument* instrument, int32_t key) {
  int32_t s = instrument->keyToSample[key];
  return &instrument->samples[s < instrument->sampleCount ? s : 0];
}

// Waveforms read only the low six bits of a phase; wrapping keeps long rows of
// vibrato or tremolo from running the sum out of range.
void advance_phase(int32_t* phase, int32_t speed) { *phase = (*phase + speed) & 63; }

void vibrato(Channel* c, int32_t shift) {
  c->vibratoAdd = waveform(c, c->vibratoPhase, c->vibratoType & 3) * c->vibratoDepth >> shift;
}

void tremolo(Channel* c) {
  c->tremoloAdd = waveform(c, c->tremoloPhase, c->tremoloType & 3) * c->tremoloDepth >> 6;
}

void set_vibrato(Channel* c, int32_t param) {
  if (param >> 4) c->vibratoSpeed = param >> 4;
  if (param & 0x0F) c->vibratoDepth = param & 0x0F;
}

// Parameters 0xE0..0xFF are the fine forms, which act on the row's first tick only.
void porta_up(Channel* c, int32_t x) {
  if (x >= 0xE0) {
    if (c->effectTickCounter == 0) c->period -= x >= 0xF0 ? (x & 0x0F) * 4 : x & 0x0F;
  } else if (c->effectTickCounter > 0) {
    c->period -= x * 4;
  }
  if (c->period < 0) c->period = 0;
}

void porta_down(Channel* c, int32_t x) {
  if (c->period <= 0) return;
  if (x >= 0xE0) {
    if (c->effectTickCounter == 0) c->period += x >= 0xF0 ? (x & 0x0F) * 4 : x & 0x0F;
  } else if (c->effectTickCounter > 0) {
    c->period += x * 4;
  }
  if (c->period > 65535) c->period = 65535;
}

void tone_porta(Channel* c) {
  if (c->period <= 0) return;
  int32_t step = c->tonePortaParam * 4;
  if (c->period < c->portaTargetPeriod) {
    c->period += step;
    if (c->period > c->portaTargetPeriod) c->period = c->portaTargetPeriod;
  } else {
    c->period -= step;
    if (c->period < c->portaTargetPeriod) c->period = c->portaTargetPeriod;
  }
}

void volume_slide(Channel* c) {
  int32_t up = c->volumeSlideParam >> 4;
  int32_t down = c->volumeSlideParam & 0x0F;
  bool firstTick = c->effectTickCounter == 0;
  if (down == 15 && up != 0) {
    if (firstTick) c->volume += up;
  } else if (up == 15 && down != 0) {
    if (firstTick) c->volume -= down;
  } else if (!firstTick || c->replay->module->fastVolumeSlides) {
    c->volume += up - down;
  }
  c->volume = clamp(c->volume, 0, 64);
}

void retrigger(Channel* c) {
  // Ticks of 0 (never set) are reached at once: the note retriggers on every tick.
  if (c->retriggerCounter < c->retriggerTicks) return;
  c->retriggerCounter = 0;
  c->samplePosition = 0;
  c->sampleFraction = 0;
  int32_t action = c->retriggerVolume;
  if (action >= 1 && action <= 5)
    c->volume -= 1 << (action - 1);
  else if (action == 6)
    c->volume = c->volume * 2 / 3;
  else if (action == 7)
    c->volume >>= 1;
  else if (action >= 9 && action <= 13)
    c->volume += 1 << (action - 9);
  else if (action == 14)
    c->volume = c->volume * 3 / 2;
  else if (action == 15)
    c->volume *= 2;
  c->volume = clamp(c->volume, 0, 64);
}

void tremor(Channel* c) {
  if (c->retriggerCounter >= c->tremorOnTicks) c->tremoloAdd = -64;
  if (c->retriggerCounter >= c->tremorOnTicks + c->tremorOffTicks) {
    c->retriggerCounter = 0;
    c->tremoloAdd = 0;
  }
}

void trigger(Channel* c) {
  const Module* m = c->replay->module;
  const Note& n = c->note;
  if (n.instrument > 0 && n.instrument <= m->instrumentCount) {
    c->instrument = &m->instruments[n.instrument];
    const Sample* s = instrument_sample(c->instrument, n.key < kKeyOff ? n.key : 0);
    c->volume = s->volume < 64 ? s->volume : 64;
    if (s->panning > 0) c->panning = s->panning - 1;
    // A looped sample takes over at once, keeping the playing position.
    if (c->period > 0 && s->loopLength > 1) c->sample = s;
    c->sampleOffset = 0;
    c->volumeEnvelopeTick = 0;
    c->panningEnvelopeTick = 0;
    c->fadeoutVolume = 32768;
    c->keyOn = 1;
  }
  if (n.effect == kFxSampleOffset || n.effect == kFxS3mSampleOffset) {
    if (n.param > 0) c->sampleOffsetParam = n.param;
    c->sampleOffset = c->sampleOffsetParam * 256;
  }
  int32_t column = n.volume;
  int32_t low = column & 0x0F;
  if (column >= 0x10 && column < 0x60) {
    c->volume = column - 0x10 < 64 ? column - 0x10 : 64;
  } else {
    switch (column & 0xF0) {
      case 0x80:
        c->volume = clamp(c->volume - low, 0, 64);
        break;
      case 0x90:
        c->volume = clamp(c->volume + low, 0, 64);
        break;
      case 0xA0:
        if (low) c->vibratoSpeed = low;
        break;
      case 0xB0:
        if (low) c->vibratoDepth = low;
        vibrato(c, 5);
        break;
      case 0xC0:
        c->panning = low * 17;
        break;
      case 0xF0:
        if (low) c->tonePortaParam = low;
        break;
    }
  }
  if (n.key == kKeyNone) return;
  if (n.key >= kKeyOff) {
    c->keyOn = 0;
    return;
  }
  bool tonePorta = column >= 0xF0 || n.effect == kFxTonePorta || n.effect == kFxTonePortaVolSlide ||
                   n.effect == kFxS3mTonePorta || n.effect == kFxS3mPortaVolSlide;
  if (!tonePorta) c->sample = instrument_sample(c->instrument, n.key);
  int32_t fineTune = (n.effect == kFxExtSetFineTune || n.effect == kFxS3mExtSetFineTune)
                         ? (n.param & 0x0F) * 16 - 128
                         : c->sample->fineTune;
  int32_t key = clamp(n.key + c->sample->relativeNote, 1, 120);
  int32_t p = key * 64 + (fineTune >> 1);
  if (m->linearPeriods) {
    c->portaTargetPeriod = 7744 - p;
  } else {
    c->portaTargetPeriod =
        static_cast<int32_t>(static_cast<int64_t>(exp2_q15(p * 32768 / -768)) * 29021 >> 15);
  }
  if (tonePorta) return;
  c->period = c->portaTargetPeriod;
  c->samplePosition = c->sampleOffset;
  c->sampleFraction = 0;
  if (c->vibratoType < 4) c->vibratoPhase = 0;
  if (c->tremoloType < 4) c->tremoloPhase = 0;
  c->retriggerCounter = 0;
  c->autoVibratoCounter = 0;
}

void auto_vibrato(Channel* c) {
  const Instrument* ins = c->instrument;
  int32_t depth = ins->vibratoDepth & 0x7F;
  if (depth == 0) return;
  int32_t sweep = ins->vibratoSweep & 0x7F;
  if (c->autoVibratoCounter < sweep) depth = depth * c->autoVibratoCounter / sweep;
  // Unsigned: a long note's product passes 2^31, and only its low bits matter.
  uint32_t product = (ins->vibratoRate & 0x7Fu) * static_cast<uint32_t>(c->autoVibratoCounter);
  int32_t phase = static_cast<int32_t>(product >> 2 & 63);
  c->vibratoAdd += depth * waveform(c, phase, ins->vibratoType + 4) >> 8;
  if (c->autoVibratoCounter < INT32_MAX) c->autoVibratoCounter++;
}

void update_frequency(Channel* c) {
  const Module* m = c->replay->module;
  int32_t p = c->period + c->vibratoAdd;
  if (m->linearPeriods) {
    p -= c->arpeggioAdd * 64;
    if (p < 28 || p > 7680) p = 7680;
    int64_t f = static_cast<int64_t>(exp2_q15((4608 - p) * 32768 / 768)) * (m->c2Rate >> 4) >> 11;
    c->frequency = static_cast<int32_t>(f);
  } else {
    if (p > 29021) p = 29021;
    p = p * 32768 / exp2_q15(c->arpeggioAdd * 32768 / 12);
    if (p < 28) p = 29021;
    c->frequency = static_cast<int32_t>(static_cast<int64_t>(m->c2Rate) * 1712 / p);
  }
}

void update_amplitude(Channel* c) {
  const Replay* r = c->replay;
  const Instrument* ins = c->instrument;
  int32_t e = ins->volumeEnvelope.enabled ? envelope_value(ins->volumeEnvelope, c->volumeEnvelopeTick)
                                          : (c->keyOn ? 64 : 0);
  int32_t v = clamp(c->volume + c->tremoloAdd, 0, 64);
  int32_t a = (v * r->module->gain * 32768) >> 13;
  a = a * c->fadeoutVolume >> 15;
  c->amplitude = (a * r->globalVolume * e) >> 12;
  int32_t q =
      ins->panningEnvelope.enabled ? envelope_value(ins->panningEnvelope, c->panningEnvelopeTick) : 32;
  int32_t room = c->panning < 128 ? c->panning : 255 - c->panning;
  c->outputPanning = c->panning + ((q - 32) * room >> 5);
}

void update_envelopes(Channel* c) {
  const Instrument* ins = c->instrument;
  if (ins->volumeEnvelope.enabled) {
    if (!c->keyOn) {
      c->fadeoutVolume -= ins->volumeFadeout;
      if (c->fadeoutVolume < 0) c->fadeoutVolume = 0;
    }
    c->volumeEnvelopeTick = envelope_next_tick(ins->volumeEnvelope, c->volumeEnvelopeTick, c->keyOn);
  }
  if (ins->panningEnvelope.enabled) {
    c->panningEnvelopeTick = envelope_next_tick(ins->panningEnvelope, c->panningEnvelopeTick, c->keyOn);
  }
}

void update(Channel* c) {
  auto_vibrato(c);
  update_frequency(c);
  update_amplitude(c);
  update_envelopes(c);
}

void volume_column_tick(Channel* c) {
  int32_t column = c->note.volume;
  int32_t low = column & 0x0F;
  switch (column & 0xF0) {
    case 0x60:
      c->volume = clamp(c->volume - low, 0, 64);
      break;
    case 0x70:
      c->volume = clamp(c->volume + low, 0, 64);
      break;
    case 0xB0:
      advance_phase(&c->vibratoPhase, c->vibratoSpeed);
      vibrato(c, 5);
      break;
    case 0xD0:
      c->panning = clamp(c->panning - low, 0, 255);
      break;
    case 0xE0:
      c->panning = clamp(c->panning + low, 0, 255);
      break;
    case 0xF0:
      tone_porta(c);
      break;
  }
}

}  // namespace

void channel_reset(Channel* channel, Replay* replay, int32_t channelNumber) {
  *channel = Channel{};
  channel->replay = replay;
  channel->channelNumber = channelNumber;
  channel->panning = replay->module->defaultPanning[channelNumber];
  channel->instrument = &replay->module->instruments[0];
  channel->sample = &channel->instrument->samples[0];
  channel->randomSeed = (channelNumber + 1) * 11259375;
}

void channel_row(Channel* c, const Note& note) {
  c->note = note;
  c->retriggerCounter++;
  c->effectTickCounter = 0;
  c->arpeggioAdd = 0;
  c->tremoloAdd = 0;
  c->vibratoAdd = 0;
  bool delayed = (note.effect == kFxExtNoteDelay || note.effect == kFxS3mExtNoteDelay) && note.param > 0;
  if (!delayed) trigger(c);
  int32_t x = note.param;
  switch (note.effect) {
    case kFxPortaUp:
    case kFxS3mPortaUp:
      if (x) c->portaUpParam = x;
      porta_up(c, c->portaUpParam);
      break;
    case kFxPortaDown:
    case kFxS3mPortaDown:
      if (x) c->portaDownParam = x;
      porta_down(c, c->portaDownParam);
      break;
    case kFxTonePorta:
    case kFxS3mTonePorta:
      if (x) c->tonePortaParam = x;
      break;
    case kFxVibrato:
    case kFxS3mVibrato:
      set_vibrato(c, x);
      vibrato(c, 5);
      break;
    case kFxTonePortaVolSlide:
    case kFxVolSlide:
    case kFxS3mVolSlide:
    case kFxS3mPortaVolSlide:
      if (x) c->volumeSlideParam = x;
      volume_slide(c);
      break;
    case kFxVibratoVolSlide:
    case kFxS3mVibratoVolSlide:
      if (x) c->volumeSlideParam = x;
      vibrato(c, 5);
      volume_slide(c);
      break;
    case kFxTremolo:
    case kFxS3mTremolo:
      if (x >> 4) c->tremoloSpeed = x >> 4;
      if (x & 0x0F) c->tremoloDepth = x & 0x0F;
      tremolo(c);
      break;
    case kFxSetPanning:
      c->panning = x;
      break;
    case kFxSetVolume:
      c->volume = x < 64 ? x : 64;
      break;
    case kFxSetGlobalVolume:
    case kFxS3mGlobalVolume:
      c->replay->globalVolume = x < 64 ? x : 64;
      break;
    case kFxGlobalVolSlide:
      if (x) c->globalVolumeSlideParam = x;
      break;
    case kFxKeyOff:
      c->keyOn = 0;
      break;
    case kFxSetEnvelopePos:
      c->volumeEnvelopeTick = x;
      c->panningEnvelopeTick = x;
      break;
    case kFxPanningSlide:
      if (x) c->panningSlideParam = x;
      break;
    case kFxMultiRetrigger:
    case kFxS3mRetrigger:
      if (x >> 4) c->retriggerVolume = x >> 4;
      if (x & 0x0F) c->retriggerTicks = x & 0x0F;
      retrigger(c);
      break;
    case kFxTremor:
    case kFxS3mTremor:
      if (x >> 4) c->tremorOnTicks = x >> 4;
      if (x & 0x0F) c->tremorOffTicks = x & 0x0F;
      tremor(c);
      break;
    case kFxExtraFinePorta:
      if (x) c->extraFinePortaParam = x;
      if ((c->extraFinePortaParam >> 4) == 1) porta_up(c, 0xE0 | (c->extraFinePortaParam & 0x0F));
      if ((c->extraFinePortaParam >> 4) == 2) porta_down(c, 0xE0 | (c->extraFinePortaParam & 0x0F));
      break;
    case kFxExtFinePortaUp:
      if (x) c->finePortaUpParam = x;
      porta_up(c, 0xF0 | (c->finePortaUpParam & 0x0F));
      break;
    case kFxExtFinePortaDown:
      if (x) c->finePortaDownParam = x;
      porta_down(c, 0xF0 | (c->finePortaDownParam & 0x0F));
      break;
    case kFxExtVibratoWaveform:
    case kFxS3mExtVibratoWaveform:
      if (x < 8) c->vibratoType = x;
      break;
    case kFxExtTremoloWaveform:
    case kFxS3mExtTremoloWaveform:
      if (x < 8) c->tremoloType = x;
      break;
    case kFxExtFineVolumeUp:
      if (x) c->fineVolumeUpParam = x;
      c->volume = clamp(c->volume + c->fineVolumeUpParam, 0, 64);
      break;
    case kFxExtFineVolumeDown:
      if (x) c->fineVolumeDownParam = x;
      c->volume = clamp(c->volume - c->fineVolumeDownParam, 0, 64);
      break;
    case kFxExtNoteCut:
    case kFxS3mExtNoteCut:
      if (x == 0) c->volume = 0;
      break;
    case kFxS3mArpeggio:
      if (x) c->arpeggioParam = x;
      break;
    case kFxS3mFineVibrato:
      set_vibrato(c, x);
      vibrato(c, 7);
      break;
    case kFxS3mExtSetPanning:
      c->panning = x * 17;
      break;
  }
  update(c);
}

void channel_tick(Channel* c) {
  c->vibratoAdd = 0;
  c->effectTickCounter++;
  c->retriggerCounter++;
  const Note& n = c->note;
  // A delayed note's volume column waits for the note.
  if (!(n.effect == kFxExtNoteDelay && n.param >= c->effectTickCounter)) volume_column_tick(c);
  switch (n.effect) {
    case kFxPortaUp:
    case kFxS3mPortaUp:
      porta_up(c, c->portaUpParam);
      break;
    case kFxPortaDown:
    case kFxS3mPortaDown:
      porta_down(c, c->portaDownParam);
      break;
    case kFxTonePorta:
    case kFxS3mTonePorta:
      tone_porta(c);
      break;
    case kFxVibrato:
    case kFxS3mVibrato:
      advance_phase(&c->vibratoPhase, c->vibratoSpeed);
      vibrato(c, 5);
      break;
    case kFxTonePortaVolSlide:
    case kFxS3mPortaVolSlide:
      tone_porta(c);
      volume_slide(c);
      break;
    case kFxVolSlide:
    case kFxS3mVolSlide:
      volume_slide(c);
      break;
    case kFxVibratoVolSlide:
    case kFxS3mVibratoVolSlide:
      advance_phase(&c->vibratoPhase, c->vibratoSpeed);
      vibrato(c, 5);
      volume_slide(c);
      break;
    case kFxTremolo:
    case kFxS3mTremolo:
      advance_phase(&c->tremoloPhase, c->tremoloSpeed);
      tremolo(c);
      break;
    case kFxGlobalVolSlide: {
      int32_t p = c->globalVolumeSlideParam;
      c->replay->globalVolume = clamp(c->replay->globalVolume + (p >> 4) - (p & 0x0F), 0, 64);
      break;
    }
    case kFxPanningSlide: {
      int32_t p = c->panningSlideParam;
      c->panning = clamp(c->panning + (p >> 4) - (p & 0x0F), 0, 255);
      break;
    }
    case kFxMultiRetrigger:
    case kFxS3mRetrigger:
      retrigger(c);
      break;
    case kFxTremor:
    case kFxS3mTremor:
      tremor(c);
      break;
    case kFxExtRetrigger:
      // As with the retrigger step, a parameter of 0 is reached on every later tick.
      if (c->effectTickCounter >= n.param) {
        c->effectTickCounter = 0;
        c->samplePosition = 0;
        c->sampleFraction = 0;
      }
      break;
    case kFxExtNoteCut:
    case kFxS3mExtNoteCut:
      if (c->effectTickCounter == n.param) c->volume = 0;
      break;
    case kFxExtNoteDelay:
    case kFxS3mExtNoteDelay:
      if (c->effectTickCounter == n.param) trigger(c);
      break;
    case kFxS3mArpeggio:
      if (c->effectTickCounter == 1) {
        c->arpeggioAdd = c->arpeggioParam >> 4;
      } else if (c->effectTickCounter == 2) {
        c->arpeggioAdd = c->arpeggioParam & 0x0F;
      } else {
        c->effectTickCounter = 0;
        c->arpeggioAdd = 0;
      }
      break;
    case kFxS3mFineVibrato:
      advance_phase(&c->vibratoPhase, c->vibratoSpeed);
      vibrato(c, 7);
      break;
  }
  update(c);
}
