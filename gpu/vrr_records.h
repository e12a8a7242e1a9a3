// The records that the vendor display libraries fill in for the VRR probe, read as
// little-endian bytes at their published offsets (only the fields the probe uses).
//
//   NVAPI VRR information, 24 bytes: version 0x10018 at 0, bit set at 4 (bit 1: VRR possible)
//   ADL adapter information, 1572 bytes: size at 0, adapter index at 4,
//       display name (256 chars) at 536, present flag at 792
//   ADL display information, 552 bytes: logical display index at 0, logical adapter
//       index at 8, info mask at 544, info value at 548 (bits 0 and 1: connected, mapped)
//   ADL FreeSync capability, 32 bytes: bit set at 0 (bit 2: FreeSync supported)
#pragma once
#include <cstdint>

constexpr uint32_t kNvVrrInfoSize = 24;
constexpr uint32_t kNvVrrInfoVersion = 0x10018;  // structure version 1, size 24

constexpr uint32_t kAdlAdapterInfoSize = 1572;
constexpr uint32_t kAdlAdapterIndexAt = 4;
constexpr uint32_t kAdlDisplayNameAt = 536;
constexpr uint32_t kAdlDisplayNameSize = 256;
constexpr uint32_t kAdlPresentAt = 792;

constexpr uint32_t kAdlDisplayInfoSize = 552;
constexpr uint32_t kAdlLogicalAdapterAt = 8;
constexpr uint32_t kAdlInfoMaskAt = 544;
constexpr uint32_t kAdlInfoValueAt = 548;

constexpr uint32_t kAdlFreeSyncCapsSize = 32;

constexpr int32_t kAdlMaxCount = 128;  // adapters and displays accepted per call

// 0 or 1 from a filled NVAPI record.
int vrr_nvapi_answer(const uint8_t* record);
// 0 or 1 from a filled FreeSync record.
int vrr_freesync_answer(const uint8_t* record);

// Walks `count` adapter records, cutting each display name at its last byte; returns
// the index (not the adapter index) of the first present adapter whose display name
// equals deviceName ignoring ASCII case, or -1.
int vrr_adl_find_adapter(uint8_t* adapters, int32_t count, const char* deviceName);
int32_t vrr_adl_adapter_index(const uint8_t* adapters, int adapter);

// Counts the displays of `count` records that belong to adapterIndex and are connected
// and mapped; *displayIndex receives the logical display index of the last one.
int vrr_adl_count_displays(const uint8_t* displays, int32_t count, int32_t adapterIndex,
                           int32_t* displayIndex);
