// Fingerprint of the unpacked asset image, recorded when the image is built, so
// that a system decoder's output can be checked before it is trusted.
#pragma once
#include <cstddef>
#include <cstdint>

// 64-bit FNV-1a.
uint64_t asset_image_hash(const uint8_t* data, size_t size);
