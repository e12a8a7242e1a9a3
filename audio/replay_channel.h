#pragma once
// Per-channel half of the replay: a new note arriving on a row, and the ticks after.
#include "audio/replay.h"

// The row step: stores the (already rewritten) note, triggers it and runs the
// effect's tick-0 action.
void channel_row(Channel* channel, const Note& note);

// The step of every later tick of the row.
void channel_tick(Channel* channel);

// Sets the state the engine needs after a channel has been zeroed.
void channel_reset(Channel* channel, Replay* replay, int32_t channelNumber);
