// The tune's instruments, synthesised: drums, bass, lead, pad and arpeggio voice as
// signed 8-bit ProTracker samples.
#pragma once
#include <cstdint>
#include <vector>

struct TuneSample {
  const char* name;
  std::vector<int8_t> data;   // an even number of bytes
  int volume;                 // 0..64
  int loopStart, loopLength;  // bytes; loopLength 0 = no loop
};

// Instrument numbers, in the order of build_tune_samples().
enum { kKick = 1, kSnare, kHat, kOpenHat, kKickCrash, kBass, kLead, kPad, kArp };

// Note indices (0 = C-1) at which the drums sound as synthesised.
constexpr int kKickNote = 24, kSnareNote = 31, kHatNote = 35;

// The pitched voices repeat a 32-sample cycle (64 for the bass): note index n sounds
// as MIDI note n + 48 (n + 36 for the bass).
std::vector<TuneSample> build_tune_samples();
