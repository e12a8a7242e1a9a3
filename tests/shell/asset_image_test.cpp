// The embedded asset image: the generated blob unpacks (with our decoder and
// with wimlib) to the image the builder wrote, the pieces sit at their offsets,
// and the music region loads with the module loader.
#include <gtest/gtest.h>
#include <wimlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/module.h"
#include "base/asset_image.h"
#include "lzms/compress_container.h"
#include "shell/assets_blob.h"
#include "shell/assets_check.h"
#include "tests/test_files.h"
#include "tools/asset_image/asset_image_build.h"

namespace {

TEST(AssetBlob, UnpacksToTheBuiltImage) {
  const Bytes image = test_read_file(VRINX_ASSET_DIR "/asset_image.bin");
  ASSERT_EQ(kAssetImageSize, image.size());
  Bytes out(kAssetImageSize);
  ASSERT_EQ(1, compress_decode_buffer(kAssetBlob, kAssetBlobSize, out.data(), out.size()));
  EXPECT_EQ(image, out);
  EXPECT_EQ(kAssetImageHash, AssetImageHash(out.data(), out.size()));
  // Better than 4:1.
  EXPECT_LT(kAssetBlobSize * 4, kAssetImageSize);

  // The container read by hand: one block of the whole image behind the 24-byte
  // header, its 32-bit size then the LZMS data, which wimlib decodes.
  ASSERT_GT(kAssetBlobSize, 28u);
  const uint8_t* blob = kAssetBlob;
  EXPECT_EQ(0x18, blob[4] | blob[5] << 8);
  EXPECT_EQ(5, blob[7]);
  uint64_t sizes[2] = {0, 0};
  for (int f = 0; f < 2; ++f)
    for (int i = 7; i >= 0; --i) sizes[f] = sizes[f] << 8 | blob[8 + 8 * f + i];
  EXPECT_EQ(kAssetImageSize, sizes[0]);
  EXPECT_EQ(kAssetImageSize, sizes[1]);
  const uint32_t packed = blob[24] | blob[25] << 8 | blob[26] << 16 | uint32_t(blob[27]) << 24;
  ASSERT_EQ(kAssetBlobSize - 28, packed);
  wimlib_decompressor* d = nullptr;
  ASSERT_EQ(0, wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, kAssetImageSize, &d));
  Bytes viaWimlib(kAssetImageSize);
  EXPECT_EQ(0, wimlib_decompress(blob + 28, packed, viaWimlib.data(), kAssetImageSize, d));
  wimlib_free_decompressor(d);
  EXPECT_EQ(image, viaWimlib);

  // One byte short of the image is a failure, not a partial success.
  EXPECT_EQ(0, compress_decode_buffer(kAssetBlob, kAssetBlobSize, out.data(), out.size() - 1));
}

TEST(AssetBlob, PiecesAtTheirOffsets) {
  Bytes image(kAssetImageSize);
  ASSERT_EQ(1, compress_decode_buffer(kAssetBlob, kAssetBlobSize, image.data(), image.size()));
  for (uint32_t i = 0; i < kCameraPathOffset; ++i)
    ASSERT_EQ(0, image[i]) << "drawing surfaces start zero, byte " << i;
  const Bytes camera = test_read_file(VRINX_CONTENT_DIR "/camera_path.bin");
  const Bytes object = test_read_file(VRINX_CONTENT_DIR "/object_model.bin");
  const Bytes tune = test_read_file(VRINX_CONTENT_DIR "/tune.mod");
  ASSERT_EQ(kCameraPathSize, camera.size());
  ASSERT_FALSE(object.empty());
  ASSERT_FALSE(tune.empty());
  EXPECT_EQ(camera, Bytes(image.begin() + kCameraPathOffset,
                          image.begin() + kCameraPathOffset + camera.size()));
  EXPECT_EQ(object, Bytes(image.begin() + kObjectModelOffset,
                          image.begin() + kObjectModelOffset + object.size()));
  EXPECT_EQ(tune, Bytes(image.begin() + kMusicOffset, image.begin() + kMusicOffset + tune.size()));
  for (size_t i = kMusicOffset + tune.size(); i < kAssetImageSize; ++i) ASSERT_EQ(0, image[i]);
  // The whole music region, padding included, is what start-up hands the player.
  char message[kModuleMessageSize] = {};
  ByteSource src{image.data() + kMusicOffset, kMusicSize};
  Module* m = module_load(src, message);
  ASSERT_NE(nullptr, m) << message;
  EXPECT_EQ(4, m->channelCount);
  EXPECT_GE(m->orderCount, 1);
  module_free(m);
}

TEST(AssetImageHash, PublishedFnv1aVectors) {
  EXPECT_EQ(0xcbf29ce484222325ull, AssetImageHash(nullptr, 0));
  EXPECT_EQ(0xaf63dc4c8601ec8cull, AssetImageHash(reinterpret_cast<const uint8_t*>("a"), 1));
  EXPECT_EQ(0x85944171f73967e8ull, AssetImageHash(reinterpret_cast<const uint8_t*>("foobar"), 6));
}

TEST(AssetImageBuild, PlacesPiecesAndRejectsOversizedOnes) {
  AssetPieces pieces;
  pieces.cameraPath.assign(kCameraPathSize, 0x11);
  pieces.objectModel.assign(100, 0x22);
  pieces.music.assign(1084, 0x33);
  Bytes image(kAssetImageSize, 0xEE);
  std::string error;
  ASSERT_EQ(1, asset_image_assemble(pieces, image.data(), &error)) << error;
  EXPECT_EQ(0, image[399999]);
  EXPECT_EQ(0x11, image[400000]);
  EXPECT_EQ(0x11, image[414399]);
  EXPECT_EQ(0x22, image[414400]);
  EXPECT_EQ(0x22, image[414499]);
  EXPECT_EQ(0, image[414500]);
  EXPECT_EQ(0, image[425739]);
  EXPECT_EQ(0x33, image[425740]);
  EXPECT_EQ(0x33, image[425740 + 1083]);
  EXPECT_EQ(0, image[425740 + 1084]);
  EXPECT_EQ(0, image[kAssetImageSize - 1]);

  AssetPieces bad = pieces;
  bad.cameraPath.pop_back();
  EXPECT_EQ(0, asset_image_assemble(bad, image.data(), &error));
  EXPECT_NE(std::string::npos, error.find("camera path"));
  bad = pieces;
  bad.objectModel.assign(kObjectModelSize + 1, 1);
  EXPECT_EQ(0, asset_image_assemble(bad, image.data(), &error));
  EXPECT_NE(std::string::npos, error.find("object model"));
  bad = pieces;
  bad.music.assign(kMusicSize + 1, 1);
  EXPECT_EQ(0, asset_image_assemble(bad, image.data(), &error));
  EXPECT_NE(std::string::npos, error.find("music"));
  bad.music.assign(kMusicSize, 1);
  EXPECT_EQ(1, asset_image_assemble(bad, image.data(), &error));  // exactly full fits
}

}  // namespace
