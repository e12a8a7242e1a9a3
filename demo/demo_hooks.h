// What the engine calls in the shell. On Windows these are the real hooks; the
// unit tests link their own.
#pragma once
#include <cstdint>

struct MusicKeyParts {
  uint16_t orderHigh;  // order index's low byte in the high byte
  uint8_t row;         // row's low byte
};

void waitRetrace();
void pollPauseAndStop();
MusicKeyParts queryMusicPosition();

// Run start: start the render-work meter and the frame clock; later reset the
// pacing state and staging frame once the blocks are restored.
void pacing_run_start();
void pacing_run_reset();

// Memory for a snapshot (committed, read-write) or null.
uint8_t* snapshot_allocate(uint32_t size);
extern uint8_t* AssetSnapshot;
extern uint8_t* StateSnapshot;

bool audio_start();
void set_exit_code_failure();
