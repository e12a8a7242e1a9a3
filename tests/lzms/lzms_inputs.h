// Deterministic inputs for the LZMS tests and bench.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);
// Short phrases repeated with small variations: long LZ matches and repeats.
std::vector<uint8_t> RepetitiveText(size_t size);
// Code-like bytes full of E8/FF15/488D relative references to a few targets.
std::vector<uint8_t> X86LikeCode(size_t size, uint32_t seed);
// 8-bit waveforms with drifting offsets: what delta matches are for.
std::vector<uint8_t> SampleLikeWaves(size_t size);
