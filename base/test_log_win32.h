// Event lines for the end-to-end tests: written only when the environment names a
// file in VRINX_TEST_LOG, so a normal run never writes anything.
#pragma once

void test_log(const char* format, ...);
