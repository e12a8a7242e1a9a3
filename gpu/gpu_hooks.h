// What the gpu folder calls outside itself: the GPU pipeline behind the CRT pass,
// the presenter's fatal message, the shell's millisecond clock and its exit code.
// Vrinx.exe links the real ones (the shell's hooks and gpu/*_win32.cpp); the unit
// tests link their own.
#pragma once
#include <cstdint>

struct CrtFrameJob;

// 1 when job.output (and the persistence picture) were filled.
int CrtRender(const CrtFrameJob& job);
void PresenterFatal();
uint32_t crt_clock_ms();
// The program will end with exit code 1 (the shell's exitCode word).
void set_exit_code_failure();
