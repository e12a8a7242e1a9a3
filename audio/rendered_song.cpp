#include "audio/rendered_song.h"

#include <cstdlib>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "audio/mixer.h"
#include "audio/replay.h"

namespace {

constexpr uint32_t kMaxSeconds = 600;

bool append_mark(RenderedSong* song, uint64_t frame, int32_t orderIndex, int32_t row) {
  if (song->markCount == song->markCapacity) {
    uint32_t capacity = song->markCapacity ? song->markCapacity * 2 : 1024;
    void* grown = std::realloc(song->marks, capacity * sizeof(PositionMark));
    if (!grown) return false;
    song->marks = static_cast<PositionMark*>(grown);
    song->markCapacity = capacity;
  }
  song->marks[song->markCount++] = PositionMark{frame, orderIndex, row, {-1, -1, -1, 0}};
  return true;
}

int16_t saturate(int32_t v) { return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v)); }

bool render(Replay* replay, int32_t* mix, uint32_t frames, RenderedSong* song) {
  uint32_t done = 0;
  while (done < frames) {
    int32_t orderIndex = replay_order_index(replay);
    int32_t row = replay_row(replay);
    int32_t n = mix_tick(replay, mix, 0);
    if (n <= 0 || static_cast<uint32_t>(n) > frames - done) return false;
    if (!append_mark(song, done, orderIndex, row)) return false;
    int16_t* out = song->pcm + 2 * done;
    int32_t i = 0;
#ifdef __SSE2__
    for (; i + 8 <= 2 * n; i += 8) {  // packssdw saturates as saturate() does
      const __m128i* in = reinterpret_cast<const __m128i*>(mix + i);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                       _mm_packs_epi32(_mm_loadu_si128(in), _mm_loadu_si128(in + 1)));
    }
#endif
    for (; i < 2 * n; ++i) out[i] = saturate(mix[i]);
    done += n;
    song->bytes = done * 4;
  }
  return true;
}

}  // namespace

bool rendered_song_render(Module* module, uint32_t sampleRate, RenderedSong* song) {
  *song = RenderedSong{};
  for (int32_t i = 0; i < module->channelCount; ++i) {
    module->defaultPanning[i] = static_cast<uint8_t>(128 + (module->defaultPanning[i] - 128) * 80 / 100);
  }
  Replay* replay = replay_create(module, static_cast<int32_t>(sampleRate), 1);
  if (!replay) return false;
  int32_t limit = static_cast<int32_t>(sampleRate * kMaxSeconds);
  int32_t frames = replay_duration(replay, limit);
  bool ok = frames > 0 && frames <= limit;
  int32_t* mix = nullptr;
  if (ok) {
    mix = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * mix_buffer_length(replay->sampleRate)));
    song->pcm = static_cast<int16_t*>(std::malloc(static_cast<size_t>(frames) * 4));
    song->capacity = static_cast<uint32_t>(frames) * 4;
    song->sampleRate = sampleRate;
    ok = mix && song->pcm && render(replay, mix, static_cast<uint32_t>(frames), song);
  }
  std::free(mix);
  replay_free(replay);
  if (!ok) rendered_song_free(song);
  return ok;
}

int32_t rendered_song_position(const RenderedSong& song, uint64_t frame) {
  if (song.markCount == 0) return -1;
  uint32_t lo = 0, hi = song.markCount;
  while (lo + 1 < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (frame < song.marks[mid].frame)
      hi = mid;
    else
      lo = mid;
  }
  return song.marks[lo].row * 65536 + song.marks[lo].orderIndex;
}

void rendered_song_free(RenderedSong* song) {
  std::free(song->pcm);
  std::free(song->marks);
  *song = RenderedSong{};
}
