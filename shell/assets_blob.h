// The compressed asset image built into the program (generated at build time).
#pragma once
#include <cstdint>

extern const uint32_t kAssetBlobSize;
extern const uint8_t kAssetBlob[];
extern const uint64_t kAssetImageHash;  // asset_image_hash of the unpacked image
