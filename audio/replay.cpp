#include "audio/replay.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "audio/replay_channel.h"

namespace {

constexpr int32_t kMinTempo = 32;
constexpr int32_t kMaxTempo = 255;

// MOD/XM Exy and S3M Sxy become effects of their own; MOD/XM arpeggio shares S3M J.
Note rewrite_effect(Note note) {
  if (note.effect == kFxExtended) {
    note.effect = static_cast<uint8_t>(kFxExt + (note.param >> 4));
    note.param &= 0x0F;
  } else if (note.effect == kFxS3mExtended) {
    note.effect = static_cast<uint8_t>(kFxS3mExt + (note.param >> 4));
    note.param &= 0x0F;
  } else if (note.effect == kFxArpeggio && note.param != 0) {
    note.effect = kFxS3mArpeggio;
  }
  return note;
}

void pattern_loop(Replay* r, Channel* c, int32_t param) {
  if (param == 0) c->patternLoopRow = r->row;
  if (c->patternLoopRow >= r->row || r->breakPosition >= 0) return;
  if (r->patternLoopCount < 0) {
    r->patternLoopCount = param;
    r->patternLoopChannel = c->channelNumber;
  }
  if (r->patternLoopChannel != c->channelNumber) return;
  if (r->patternLoopCount != 0)
    r->nextRow = c->patternLoopRow;
  else
    c->patternLoopRow = r->row + 1;
  r->patternLoopCount--;
}

// A pattern delay is only noted here (-1 = none): play_row applies it after every
// channel's row effects, so a speed set by a later channel still gets delayed.
void row_effect(Replay* r, Channel* c, const Note& note, int32_t* patternDelay) {
  int32_t param = note.param;
  bool loopActive = r->patternLoopCount >= 0;
  switch (note.effect) {
    case kFxPositionJump:
    case kFxS3mPositionJump:
      if (!loopActive) {
        r->breakPosition = param;
        r->nextRow = 0;
      }
      break;
    case kFxPatternBreak:
    case kFxS3mPatternBreak:
      if (!loopActive) {
        if (r->breakPosition < 0) r->breakPosition = r->orderIndex + 1;
        r->nextRow = (param >> 4) * 10 + (param & 0x0F);
      }
      break;
    case kFxSpeedTempo:
      if (param > 0 && param < 32)
        r->speed = r->tick = param;
      else if (param >= 32)
        r->tempo = param;
      break;
    case kFxS3mSpeed:
      if (param > 0) r->speed = r->tick = param;
      break;
    case kFxS3mTempo:
      if (param > 32) r->tempo = param;
      break;
    case kFxExtPatternLoop:
    case kFxS3mExtPatternLoop:
      pattern_loop(r, c, param);
      break;
    case kFxExtPatternDelay:
    case kFxS3mExtPatternDelay:
      *patternDelay = param;
      break;
  }
}

void play_row(Replay* r) {
  const Module* m = r->module;
  if (r->nextRow < 0) {
    r->breakPosition = r->orderIndex + 1;
    r->nextRow = 0;
  }
  if (r->breakPosition >= 0) {
    // replay_create made sure that some order entry names a pattern.
    for (;;) {
      if (r->breakPosition >= m->orderCount) {
        r->breakPosition = 0;
        r->nextRow = 0;
      }
      if (m->orderList[r->breakPosition] < m->patternCount) break;
      r->breakPosition++;
    }
    r->orderIndex = r->breakPosition;
    for (int32_t i = 0; i < m->channelCount; ++i) r->channels[i].patternLoopRow = 0;
    r->breakPosition = -1;
  }
  const Pattern& pattern = m->patterns[m->orderList[r->orderIndex]];
  r->row = r->nextRow < pattern.rowCount ? r->nextRow : 0;
  uint8_t& count = r->playCounts[r->orderIndex][r->row];
  if (r->patternLoopCount < 0 && count < 127) count++;
  r->nextRow = r->row + 1 < pattern.rowCount ? r->row + 1 : -1;
  int32_t patternDelay = -1;
  for (int32_t i = 0; i < m->channelCount; ++i) {
    Note note{};
    if (i < pattern.channelCount && r->row < pattern.rowCount) {
      note = rewrite_effect(pattern.notes[r->row * pattern.channelCount + i]);
    }
    channel_row(&r->channels[i], note);
    row_effect(r, &r->channels[i], note, &patternDelay);
  }
  if (patternDelay >= 0) r->tick = (patternDelay + 1) * r->speed;
}

}  // namespace

Replay* replay_create(const Module* module, int32_t sampleRate, int32_t interpolation) {
  if (sampleRate < 8000 || sampleRate > 131072 || module->channelCount <= 0) return nullptr;
  int32_t rows = 0;
  for (int32_t i = 0; i < module->orderCount; ++i) {
    int32_t p = module->orderList[i];
    if (p < module->patternCount) rows += module->patterns[p].rowCount > 0 ? module->patterns[p].rowCount : 1;
  }
  if (rows == 0) return nullptr;
  Replay* r = static_cast<Replay*>(std::calloc(1, sizeof(Replay)));
  if (!r) return nullptr;
  r->module = module;
  r->sampleRate = sampleRate;
  r->interpolation = interpolation;
  r->channels = static_cast<Channel*>(std::calloc(module->channelCount, sizeof(Channel)));
  r->playCounts = static_cast<uint8_t**>(std::calloc(module->orderCount, sizeof(uint8_t*)));
  r->playCountRows = static_cast<uint8_t*>(std::calloc(rows, 1));
  if (!r->channels || !r->playCounts || !r->playCountRows) {
    replay_free(r);
    return nullptr;
  }
  uint8_t* next = r->playCountRows;
  for (int32_t i = 0; i < module->orderCount; ++i) {
    int32_t p = module->orderList[i];
    if (p >= module->patternCount) continue;
    r->playCounts[i] = next;
    next += module->patterns[p].rowCount > 0 ? module->patterns[p].rowCount : 1;
  }
  replay_set_position(r, 0);
  return r;
}

void replay_free(Replay* replay) {
  if (!replay) return;
  std::free(replay->playCountRows);
  std::free(replay->playCounts);
  std::free(replay->channels);
  std::free(replay);
}

int32_t replay_set_position(Replay* r, int32_t orderIndex) {
  const Module* m = r->module;
  r->breakPosition = orderIndex >= 0 && orderIndex < m->orderCount ? orderIndex : 0;
  r->orderIndex = 0;
  r->row = 0;
  r->nextRow = 0;
  r->tick = 1;
  r->globalVolume = m->defaultGlobalVolume;
  r->speed = m->defaultSpeed > 0 ? m->defaultSpeed : 6;
  r->tempo = m->defaultTempo > 0 ? m->defaultTempo : 125;
  // S3M and XM headers may give tempos the effects cannot (32..255): below 32 a tick
  // would outgrow the mixing buffer, above 255 ticks of a frame or two would make a
  // ten-minute song millions of ticks (and position marks) long.
  if (r->tempo < kMinTempo) r->tempo = kMinTempo;
  if (r->tempo > kMaxTempo) r->tempo = kMaxTempo;
  r->patternLoopCount = -1;
  r->patternLoopChannel = -1;
  for (int32_t i = 0; i < m->orderCount; ++i) {
    int32_t p = m->orderList[i];
    if (p < m->patternCount) {
      std::memset(r->playCounts[i], 0, m->patterns[p].rowCount > 0 ? m->patterns[p].rowCount : 1);
    }
  }
  for (int32_t i = 0; i < m->channelCount; ++i) channel_reset(&r->channels[i], r, i);
  std::memset(r->rampBuffer, 0, sizeof(r->rampBuffer));
  return replay_tick(r);
}

int32_t replay_tick(Replay* r) {
  if (--r->tick <= 0) {
    r->tick = r->speed;
    play_row(r);
  } else {
    for (int32_t i = 0; i < r->module->channelCount; ++i) channel_tick(&r->channels[i]);
  }
  return r->playCounts[r->orderIndex][r->row] - 1;
}

int32_t replay_duration(Replay* replay, int32_t limit) {
  replay_set_position(replay, 0);
  int64_t total = 0;
  do {
    total += replay_tick_length(replay);
  } while (total <= limit && replay_tick(replay) < 1);
  replay_set_position(replay, 0);
  return total < INT32_MAX ? static_cast<int32_t>(total) : INT32_MAX;
}

int32_t replay_order_index(const Replay* replay) { return replay->orderIndex; }

int32_t replay_row(const Replay* replay) { return replay->row; }

int32_t replay_tick_length(const Replay* replay) { return replay->sampleRate * 5 / (replay->tempo * 2); }
