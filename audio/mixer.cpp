#include "audio/mixer.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

int32_t sample_step(const Channel& c, int32_t rate) {
  return static_cast<int32_t>(static_cast<int64_t>(c.frequency) * 4096 / (rate >> 3));
}

// Channels are mixed a block of frames at a time, all channels per block, so that the
// block of the mixing buffer stays in the first-level cache however many channels
// add into it; the cost per channel stays the same from 4 channels to 128.
constexpr int32_t kBlockFrames = 256;
constexpr int32_t kChannelGroup = 64;

// One channel's working position while a tick is mixed; the channel itself stays.
struct Cursor {
  const Sample* sample;
  int32_t step;
  int32_t leftGain;
  int32_t rightGain;
  int32_t position;
  int32_t fraction;
  bool ended;      // a sample without a loop has played to its end
  bool wordGains;  // both gains fit a signed 16-bit word
};

// Adds frames i..end of one run that stays before the loop end. The interpolation
// switch is a template argument so that the per-frame loop carries no branch.
template <bool kInterpolate>
void resample_run(Cursor* k, int32_t* buffer, int32_t i, int32_t end) {
  const int16_t* data = k->sample->data;
  int32_t p = k->position, f = k->fraction;
  int32_t step = k->step, leftGain = k->leftGain, rightGain = k->rightGain;
  for (; i < end; ++i) {
    int32_t m = data[p];
    if (kInterpolate) m += (data[p + 1] - m) * f >> 15;
    buffer[2 * i] += m * leftGain >> 15;
    buffer[2 * i + 1] += m * rightGain >> 15;
    f += step;
    p += f >> 15;
    f &= 0x7FFF;
  }
  k->position = p;
  k->fraction = f;
}

#ifdef __SSE2__
// The interpolating run four frames at a time, with the same integer results. A frame's
// two sample values come in one 32-bit load, which pmaddwd weighs by (-f, f) to give
// (b - a) * f exactly; a + that >> 15 lies between a and b, so it fits 16 bits and one
// more pmaddwd, against (gain, 0) word pairs, gives m * gain for left and right. The
// gains must fit a signed 16-bit word, which the cursor checks; the positions of the
// four frames depend only on the start, so the frames carry no chain from one to the next.
int32_t resample_run_4(Cursor* k, int32_t* buffer, int32_t i, int32_t end) {
  const int16_t* data = k->sample->data;
  const int32_t step = k->step;
  int64_t at = (static_cast<int64_t>(k->position) << 15) + k->fraction;
  const __m128i gains = _mm_set_epi32(k->rightGain, k->leftGain, k->rightGain, k->leftGain);
  const __m128i fractionMask = _mm_set1_epi32(0x7FFF);
  const __m128i steps4 = _mm_set1_epi32(4 * step);
  __m128i fractions =
      _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(at)), _mm_set_epi32(3 * step, 2 * step, step, 0));
  for (; i + 4 <= end; i += 4) {
    int32_t pair[4];
    for (int32_t j = 0; j < 4; ++j) std::memcpy(&pair[j], data + ((at + j * step) >> 15), 4);
    at += 4 * step;
    __m128i ab =
        _mm_unpacklo_epi64(_mm_unpacklo_epi32(_mm_cvtsi32_si128(pair[0]), _mm_cvtsi32_si128(pair[1])),
                           _mm_unpacklo_epi32(_mm_cvtsi32_si128(pair[2]), _mm_cvtsi32_si128(pair[3])));
    __m128i f = _mm_and_si128(fractions, fractionMask);
    fractions = _mm_add_epi32(fractions, steps4);
    __m128i weights = _mm_sub_epi16(_mm_slli_epi32(f, 16), f);  // words -f, f
    __m128i a = _mm_srai_epi32(_mm_slli_epi32(ab, 16), 16);
    __m128i m = _mm_add_epi32(a, _mm_srai_epi32(_mm_madd_epi16(ab, weights), 15));
    __m128i* out = reinterpret_cast<__m128i*>(buffer + 2 * i);
    __m128i first = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi32(m, m), gains), 15);
    __m128i second = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi32(m, m), gains), 15);
    _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(out), first));
    _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1), second));
  }
  k->position = static_cast<int32_t>(at >> 15);
  k->fraction = static_cast<int32_t>(at & 0x7FFF);
  return i;
}
#endif

// Adds frames i..count of the channel behind the cursor into buffer.
void resample(Cursor* k, int32_t* buffer, int32_t i, int32_t count, int32_t interpolation) {
  int32_t loopLength = k->sample->loopLength;
  int32_t loopEnd = k->sample->loopStart + loopLength;
  while (i < count && !k->ended) {
    if (k->position >= loopEnd) {
      if (loopLength < 2) {
        k->ended = true;
        break;
      }
      while (k->position >= loopEnd) k->position -= loopLength;
    }
    // Frames left before the position reaches the loop end: no check inside a run.
    int64_t room = (static_cast<int64_t>(loopEnd - k->position) << 15) - k->fraction;
    int64_t run = k->step > 0 ? (room + k->step - 1) / k->step : count;
    int32_t end = run < count - i ? i + static_cast<int32_t>(run) : count;
    if (interpolation) {
#ifdef __SSE2__
      if (k->wordGains) i = resample_run_4(k, buffer, i, end);
#endif
      resample_run<true>(k, buffer, i, end);
    } else {
      resample_run<false>(k, buffer, i, end);
    }
    i = end;
  }
}

// Mixes count frames at rate of the channels first..first + n (n at most a group).
void mix_channels(const Replay* replay, int32_t first, int32_t n, int32_t* buffer, int32_t count,
                  int32_t rate, uint32_t muteMask) {
  Cursor cursors[kChannelGroup];
  int32_t active = 0;
  for (int32_t i = first; i < first + n; ++i) {
    const Channel& c = replay->channels[i];
    bool muted = i < 32 && ((muteMask >> i) & 1);
    if (muted || c.amplitude <= 0) continue;
    int32_t leftGain = (255 - c.outputPanning) * c.amplitude >> 8;
    int32_t rightGain = c.amplitude * c.outputPanning >> 8;
    bool wordGains = leftGain >= 0 && leftGain < 32768 && rightGain >= 0 && rightGain < 32768;
    cursors[active++] = Cursor{c.sample,         sample_step(c, rate), leftGain, rightGain,
                               c.samplePosition, c.sampleFraction,     false,    wordGains};
  }
  for (int32_t from = 0; from < count; from += kBlockFrames) {
    int32_t to = count - from > kBlockFrames ? from + kBlockFrames : count;
    for (int32_t j = 0; j < active; ++j) resample(&cursors[j], buffer, from, to, replay->interpolation);
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
  // The cross-fade of the next tick reads `fade` frames past this tick's end (a = 0,
  // step, .. below 256), so only the double-rate frames those need are rendered and
  // filtered past the tick: up to 2 (n + fade), which is 2n + 130 at most (131072 Hz).
  int32_t step = 524288 / replay->sampleRate;
  int32_t fade = (255 + step) / step;
  int32_t frames = 2 * (n + fade) + 1;
  std::memset(buffer, 0, sizeof(int32_t) * 2 * frames);
  int32_t channels = replay->module->channelCount;
  for (int32_t first = 0; first < channels; first += kChannelGroup) {
    int32_t group = channels - first < kChannelGroup ? channels - first : kChannelGroup;
    mix_channels(replay, first, group, buffer, frames, rate, muteMask);
  }
  for (int32_t i = 0; i < channels; ++i) advance(&replay->channels[i], 2 * n, rate);
  int32_t k = 0;
#ifdef __SSE2__
  // Two frames at a time: double-rate frames 2k .. 2k + 4 give output frames k and k + 1,
  // written behind what the next pair reads.
  for (; k + 2 <= n + fade; k += 2) {
    const __m128i* in = reinterpret_cast<const __m128i*>(buffer + 4 * k);
    __m128i a = _mm_loadu_si128(in), b = _mm_loadu_si128(in + 1), c = _mm_loadl_epi64(in + 2);
    __m128i even = _mm_srai_epi32(_mm_unpacklo_epi64(a, b), 2),
            odd = _mm_srai_epi32(_mm_unpackhi_epi64(a, b), 1);
    __m128i next = _mm_srai_epi32(_mm_unpacklo_epi64(b, c), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(buffer + 2 * k),
                     _mm_add_epi32(_mm_add_epi32(even, odd), next));
  }
#endif
  for (; k < n + fade; ++k) {
    const int32_t* in = buffer + 4 * k;
    int32_t left = (in[0] >> 2) + (in[2] >> 1) + (in[4] >> 2);
    int32_t right = (in[1] >> 2) + (in[3] >> 1) + (in[5] >> 2);
    buffer[2 * k] = left;
    buffer[2 * k + 1] = right;
  }
  for (int32_t j = 0, a = 0; j < fade; ++j, a += step) {
    buffer[2 * j] = (buffer[2 * j] * a + replay->rampBuffer[2 * j] * (256 - a)) >> 8;
    buffer[2 * j + 1] = (buffer[2 * j + 1] * a + replay->rampBuffer[2 * j + 1] * (256 - a)) >> 8;
  }
  std::memcpy(replay->rampBuffer, buffer + 2 * n, sizeof(int32_t) * 2 * fade);
  replay_tick(replay);
  return n;
}
