#include "audio/mixer.h"

#include <cstring>

namespace {

int32_t sample_step(const Channel& c, int32_t rate) {
  return static_cast<int32_t>(static_cast<int64_t>(c.frequency) * 4096 / (rate >> 3));
}

// Adds count frames of the channel at rate into buffer; the channel itself does not move.
void resample(const Channel& c, int32_t* buffer, int32_t count, int32_t rate, int32_t interpolation) {
  if (c.amplitude <= 0 || count <= 0) return;
  const Sample& s = *c.sample;
  int32_t step = sample_step(c, rate);
  int32_t leftGain = (255 - c.outputPanning) * c.amplitude >> 8;
  int32_t rightGain = c.amplitude * c.outputPanning >> 8;
  int32_t loopLength = s.loopLength;
  int32_t loopEnd = s.loopStart + loopLength;
  int32_t position = c.samplePosition;
  int32_t fraction = c.sampleFraction;
  const int16_t* data = s.data;
  int32_t i = 0;
  while (i < count) {
    if (position >= loopEnd) {
      if (loopLength < 2) break;
      while (position >= loopEnd) position -= loopLength;
    }
    // Frames left before the position reaches the loop end: no check inside a run.
    int64_t room = (static_cast<int64_t>(loopEnd - position) << 15) - fraction;
    int64_t run = step > 0 ? (room + step - 1) / step : count;
    int32_t end = run < count - i ? i + static_cast<int32_t>(run) : count;
    for (; i < end; ++i) {
      int32_t m = data[position];
      if (interpolation) m += (data[position + 1] - m) * fraction >> 15;
      buffer[2 * i] += m * leftGain >> 15;
      buffer[2 * i + 1] += m * rightGain >> 15;
      fraction += step;
      position += fraction >> 15;
      fraction &= 0x7FFF;
    }
  }
}

void advance(Channel* c, int32_t count, int32_t rate) {
  int64_t fraction = c->sampleFraction + static_cast<int64_t>(count) * sample_step(*c, rate);
  int64_t position = c->samplePosition + (fraction >> 15);
  c->sampleFraction = static_cast<int32_t>(fraction & 0x7FFF);
  int32_t loopStart = c->sample->loopStart;
  int32_t loopLength = c->sample->loopLength;
  if (loopLength < 2) {
    // No loop, or one too short to repeat: the sample ends at the loop end and stays
    // there (parking a one-frame loop at its start would replay that frame every tick).
    int32_t end = loopStart + loopLength;
    if (position > end) position = end;
  } else if (position > loopStart) {
    position = loopStart + (position - loopStart) % loopLength;
  }
  c->samplePosition = static_cast<int32_t>(position);
}

}  // namespace

int32_t mix_buffer_length(int32_t sampleRate) { return (sampleRate * 5 / 64 + 65) * 4; }

int32_t mix_tick(Replay* replay, int32_t* buffer, uint32_t muteMask) {
  int32_t n = replay_tick_length(replay);
  int32_t rate = replay->sampleRate * 2;
  std::memset(buffer, 0, sizeof(int32_t) * (n + 65) * 4);
  for (int32_t i = 0; i < replay->module->channelCount; ++i) {
    Channel* c = &replay->channels[i];
    if (!(muteMask & 1)) resample(*c, buffer, 2 * n + 130, rate, replay->interpolation);
    advance(c, 2 * n, rate);
    muteMask >>= 1;
  }
  for (int32_t k = 0; k < n + 64; ++k) {
    const int32_t* in = buffer + 4 * k;
    int32_t left = (in[0] >> 2) + (in[2] >> 1) + (in[4] >> 2);
    int32_t right = (in[1] >> 2) + (in[3] >> 1) + (in[5] >> 2);
    buffer[2 * k] = left;
    buffer[2 * k + 1] = right;
  }
  int32_t step = 524288 / replay->sampleRate;
  int32_t j = 0;
  for (int32_t a = 0; a < 256; a += step, ++j) {
    buffer[2 * j] = (buffer[2 * j] * a + replay->rampBuffer[2 * j] * (256 - a)) >> 8;
    buffer[2 * j + 1] = (buffer[2 * j + 1] * a + replay->rampBuffer[2 * j + 1] * (256 - a)) >> 8;
  }
  std::memcpy(replay->rampBuffer, buffer + 2 * n, sizeof(replay->rampBuffer));
  replay_tick(replay);
  return n;
}
