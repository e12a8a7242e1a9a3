#pragma once
// Tick-by-tick replay of a Module: walks the order list and the rows, applies the
// effects to per-channel state and leaves in every channel the sample, frequency,
// amplitude and output panning that the mixer renders for the next tick.
#include <cstdint>

#include "audio/module.h"

struct Replay;

struct Channel {
  Replay* replay;
  const Instrument* instrument;
  const Sample* sample;
  Note note;
  int32_t channelNumber;
  int32_t keyOn;
  int32_t randomSeed;
  int32_t patternLoopRow;
  int32_t sampleOffset;    // start frame for the next trigger
  int32_t samplePosition;  // integer frames
  int32_t sampleFraction;  // 15-bit fraction
  int32_t frequency;       // Hz
  int32_t amplitude;       // 0..16384 for gain 64
  int32_t outputPanning;   // 0..255
  int32_t volume;          // 0..64
  int32_t panning;         // 0..255
  int32_t fadeoutVolume;   // 0..32768
  int32_t volumeEnvelopeTick;
  int32_t panningEnvelopeTick;
  int32_t period;
  int32_t portaTargetPeriod;
  int32_t retriggerCounter;
  int32_t effectTickCounter;
  int32_t autoVibratoCounter;
  int32_t portaUpParam;
  int32_t portaDownParam;
  int32_t tonePortaParam;
  int32_t sampleOffsetParam;
  int32_t finePortaUpParam;
  int32_t finePortaDownParam;
  int32_t extraFinePortaParam;
  int32_t arpeggioParam;
  int32_t volumeSlideParam;
  int32_t globalVolumeSlideParam;
  int32_t panningSlideParam;
  int32_t fineVolumeUpParam;
  int32_t fineVolumeDownParam;
  int32_t retriggerVolume;
  int32_t retriggerTicks;
  int32_t tremorOnTicks;
  int32_t tremorOffTicks;
  int32_t vibratoType;
  int32_t vibratoPhase;
  int32_t vibratoSpeed;
  int32_t vibratoDepth;
  int32_t tremoloType;
  int32_t tremoloPhase;
  int32_t tremoloSpeed;
  int32_t tremoloDepth;
  int32_t tremoloAdd;   // volume offset
  int32_t vibratoAdd;   // period offset
  int32_t arpeggioAdd;  // semitones
};

constexpr int kReplayRampFrames = 64;

struct Replay {
  int32_t sampleRate;
  int32_t interpolation;  // 1 = linear interpolation in the mixer, 0 = nearest sample
  int32_t globalVolume;
  int32_t orderIndex;
  int32_t breakPosition;  // order index to jump to at the next row, -1 = none
  int32_t row;
  int32_t nextRow;  // -1 = advance to the next order index
  int32_t tick;     // ticks left in the current row
  int32_t speed;
  int32_t tempo;
  int32_t patternLoopCount;  // -1 = no loop active
  int32_t patternLoopChannel;
  int32_t rampBuffer[kReplayRampFrames * 2];  // stereo frames rendered past the last tick end, as
                                              // many as the cross-fade reads
  uint8_t** playCounts;    // per order index: one count per row, null for an invalid pattern
  uint8_t* playCountRows;  // storage behind playCounts
  Channel* channels;
  const Module* module;
};

// The sample rate must let the tick cross-fade fit the ramp buffer (8000..131072 Hz),
// and the order list must name at least one existing pattern; otherwise null.
Replay* replay_create(const Module* module, int32_t sampleRate, int32_t interpolation);
void replay_free(Replay* replay);

// Restarts at orderIndex (0 when out of range) and performs the first tick.
int32_t replay_set_position(Replay* replay, int32_t orderIndex);

// Advances one tick; returns the times the current row has been played minus 1.
int32_t replay_tick(Replay* replay);

// Song length in frames, up to the first row reached a second time. The walk stops
// as soon as the total passes limit (a song that long is refused anyway), so what it
// returns is then some value above limit. Leaves the replay at position 0.
int32_t replay_duration(Replay* replay, int32_t limit = INT32_MAX);

int32_t replay_order_index(const Replay* replay);
int32_t replay_row(const Replay* replay);
int32_t replay_tick_length(const Replay* replay);
