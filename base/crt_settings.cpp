#include "base/crt_settings.h"

// The defaults of the [CRT] keys and of the run-time options.
// clang-format off
CrtSettings g_settings = {
    1, 1, 1, 1, 160, 60,
    1, 1, 1, 1, 0, 1, 1,
    1, 1,
    25, 25, 900, 100,
    96, 50, 40, 30,
    100, 3,
    1, 1, 0,
    {0, 0, 0, 0},
    0, 0, 0, 100, 0,
};
// clang-format on
