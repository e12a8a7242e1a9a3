// The CRT renderer's entry point for the paint path: validates a frame, keeps the
// per-size buffers, rebuilds the sample map and chroma tables when sizes, switches
// or settings change, works out the persistence gain and reset, and hands the job
// to the GPU pipeline (gpu/gpu_hooks.h). Settings come from g_settings at each call.
//
// Usage: CrtProcessFrame(...) then, on 1, copy CrtOutputPicture() (ow x oh pixels,
// rows top down, no padding) where it belongs.
#pragma once
#include <cstdint>

// palette: 256 entries (blue, green, red, 0) for an indexed source, or null for a
// source of 32-bit pixels. Returns 1 when the output picture was produced.
int CrtProcessFrame(const uint8_t* source, const uint8_t* palette, uint32_t sw, uint32_t sh, uint32_t pitch,
                    uint32_t ow, uint32_t oh, int32_t paused, int32_t restartCount);

// The rejection rules: a null source, a side of 0, a source side above 4096, an
// output side above 16384, a pitch below one row, a source extent beyond 32 bits,
// ow*oh of 0x10000000 or more. bytesPerPixel: 1 indexed, 4 otherwise.
int crt_request_valid(const uint8_t* source, uint32_t bytesPerPixel, uint32_t sw, uint32_t sh, uint32_t pitch,
                      uint32_t ow, uint32_t oh);

// The picture of the last successful call.
const uint32_t* CrtOutputPicture();

void CrtResetPersistence();

// 1: the passes run on the CPU (gpu/crt_cpu.h) with the same inputs, state and bytes,
// instead of through CrtRender; recordings use it so that they need no graphics driver.
void crt_frame_use_cpu(int on);
void CrtFreeBuffers();

// Called by CrtSettingsChanged: rebuild the map, recompute the chroma tables and
// restart persistence on the next frame.
void crt_frame_settings_changed();

// Read-only views of the cached state, for tests and the bench.
struct CrtFrameInfo {
  const uint32_t* maps;
  const uint32_t* chromaColumns;
  const uint32_t* chromaRows;
  uint32_t mapsVersion;
  uint32_t lastGain, lastReset;
};
CrtFrameInfo crt_frame_info();
