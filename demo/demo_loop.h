// One run of the presentation: run start, then the 70 Hz frame loop until a hook
// leaves it through demo_exit.
#pragma once
#include <cstdint>

// Runs the presentation; returns only once demo_exit has been taken.
void demo_run();

// Leaves the engine from any call depth (back into demo_run's caller).
[[noreturn]] void demo_exit();

// Frame-loop pieces, exposed for the tests.
void checkerboard_fill(uint8_t* board);
void palette_fades();
void palette_loads();
void background_window();
void cue_check();
