// Assembling the asset image from its content pieces, and its embeddable form.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct AssetPieces {
  std::vector<uint8_t> cameraPath;   // exactly kCameraPathSize bytes
  std::vector<uint8_t> objectModel;  // at most kObjectModelSize bytes, zero padded
  std::vector<uint8_t> music;        // at most kMusicSize bytes, zero padded
};

// Lays the pieces out at their offsets in `image` (kAssetImageSize bytes); the
// drawing surfaces stay zero. Returns 0 with *error set when a piece does not fit.
int asset_image_assemble(const AssetPieces& pieces, uint8_t* image, std::string* error);

// C++ source defining kAssetBlob, kAssetBlobSize and kAssetImageHash
// (shell/assets_blob.h).
std::string asset_image_blob_source(const std::vector<uint8_t>& blob, uint64_t imageHash);
