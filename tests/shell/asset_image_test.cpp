// The embedded asset image: the generated blob unpacks (with our decoder and
// with wimlib) to the image the builder wrote, the pieces sit at their offsets,
// and the music region loads with the module loader.
#include "base/asset_image.h"

#include <gtest/gtest.h>
#include <wimlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/module.h"
#include "base/byte_order.h"
#include "lzms/compress_container.h"
#include "shell/assets_blob.h"
#include "shell/assets_check.h"
#include "tests/test_files.h"
#include "tools/asset_image/asset_image_build.h"

namespace {

TEST(AssetBlob, UnpacksToTheBuiltImageWithThePiecesAtTheirOffsets) {
  const Bytes image = test_read_file(VRINX_ASSET_DIR "/asset_image.bin");
  ASSERT_EQ(kAssetImageSize, image.size());
  Bytes out(kAssetImageSize);
  ASSERT_EQ(1, compress_decode_buffer(kAssetBlob, kAssetBlobSize, out.data(), out.size()));
  EXPECT_EQ(image, out);
  EXPECT_EQ(kAssetImageHash, asset_image_hash(out.data(), out.size()));
  // Better than 4:1.
  EXPECT_LT(kAssetBlobSize * 4, kAssetImageSize);

  // The container read by hand: one block of the whole image behind the 24-byte
  // header, its 32-bit size then the LZMS data, which wimlib decodes.
  ASSERT_GT(kAssetBlobSize, 28u);
  const uint8_t* blob = kAssetBlob;
  EXPECT_EQ(0x18, load_le16(blob + 4));
  EXPECT_EQ(5, blob[7]);
  EXPECT_EQ(kAssetImageSize, load_le64(blob + 8));
  EXPECT_EQ(kAssetImageSize, load_le64(blob + 16));
  const uint32_t packed = load_le32(blob + 24);
  ASSERT_EQ(kAssetBlobSize - 28, packed);
  wimlib_decompressor* d = nullptr;
  ASSERT_EQ(0, wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, kAssetImageSize, &d));
  Bytes viaWimlib(kAssetImageSize);
  EXPECT_EQ(0, wimlib_decompress(blob + 28, packed, viaWimlib.data(), kAssetImageSize, d));
  wimlib_free_decompressor(d);
  EXPECT_EQ(image, viaWimlib);

  // One byte short of the image is a failure, not a partial success.
  EXPECT_EQ(0, compress_decode_buffer(kAssetBlob, kAssetBlobSize, out.data(), out.size() - 1));

  // The pieces at their offsets, the rest zero.
  for (uint32_t i = 0; i < kCameraPathOffset; ++i)
    ASSERT_EQ(0, image[i]) << "drawing surfaces start zero, byte " << i;
  const Bytes camera = test_read_file(VRINX_CONTENT_DIR "/camera_path.bin");
  const Bytes object = test_read_file(VRINX_CONTENT_DIR "/object_model.bin");
  const Bytes tune = test_read_file(VRINX_CONTENT_DIR "/tune.mod");
  ASSERT_EQ(kCameraPathSize, camera.size());
  ASSERT_FALSE(object.empty());
  ASSERT_FALSE(tune.empty());
  EXPECT_EQ(camera,
            Bytes(image.begin() + kCameraPathOffset, image.begin() + kCameraPathOffset + camera.size()));
  EXPECT_EQ(object,
            Bytes(image.begin() + kObjectModelOffset, image.begin() + kObjectModelOffset + object.size()));
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

TEST(asset_image_hash, PublishedFnv1aVectors) {
  EXPECT_EQ(0xcbf29ce484222325ull, asset_image_hash(nullptr, 0));
  EXPECT_EQ(0xaf63dc4c8601ec8cull, asset_image_hash(reinterpret_cast<const uint8_t*>("a"), 1));
  EXPECT_EQ(0x85944171f73967e8ull, asset_image_hash(reinterpret_cast<const uint8_t*>("foobar"), 6));
}

TEST(AssetImageBuild, PlacesPiecesAndRejectsOversizedOnes) {
  AssetPieces pieces;
  pieces.cameraPath.assign(kCameraPathSize, 0x11);
  pieces.objectModel.assign(100, 0x22);
  pieces.music.assign(1084, 0x33);
  Bytes image(kAssetImageSize, 0xEE);
  std::string error;
  ASSERT_EQ(1, asset_image_assemble(pieces, image.data(), &error)) << error;
  const uint32_t bytes[][2] = {{0, 0},         {399999, 0},    {400000, 0x11}, {414399, 0x11},
                               {414400, 0x22}, {414499, 0x22}, {414500, 0},    {425739, 0},
                               {425740, 0x33}, {426823, 0x33}, {426824, 0},    {kAssetImageSize - 1, 0}};
  for (const auto& b : bytes) EXPECT_EQ(image[b[0]], b[1]) << "byte " << b[0];

  // A piece of the wrong size is refused and named in the message; a full one fits.
  const struct {
    Bytes AssetPieces::*piece;
    size_t size;
    const char* named;  // empty: accepted
  } sizes[] = {{&AssetPieces::cameraPath, kCameraPathSize - 1, "camera path"},
               {&AssetPieces::objectModel, kObjectModelSize + 1, "object model"},
               {&AssetPieces::music, kMusicSize + 1, "music"},
               {&AssetPieces::music, kMusicSize, ""}};
  for (const auto& z : sizes) {
    AssetPieces p = pieces;
    (p.*z.piece).assign(z.size, 1);
    error.clear();
    EXPECT_EQ(asset_image_assemble(p, image.data(), &error), *z.named ? 0 : 1) << z.size;
    EXPECT_NE(error.find(z.named), std::string::npos) << error;
  }
}

}  // namespace
