// asset_pack <out dir> <camera_path.bin> <object_model.bin> <tune.mod>
// Writes asset_image.bin (the unpacked image), asset_blob.lzms (the compressed
// block in the Compression API's buffer format) and asset_blob.cpp into out dir.
#include <cstdio>
#include <string>
#include <vector>

#include "base/asset_image.h"
#include "lzms/compress_container.h"
#include "lzms/lzms_encode.h"
#include "shell/assets_check.h"
#include "tools/asset_image/asset_image_build.h"
#include "tools/tool_files.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "asset_pack: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return Fail("usage: asset_pack <out dir> <camera path> <object model> <tune>");
  const std::string outDir = argv[1];
  AssetPieces pieces;
  std::vector<uint8_t>* files[3] = {&pieces.cameraPath, &pieces.objectModel, &pieces.music};
  for (int i = 0; i < 3; ++i)
    if (!tool_read_file(argv[2 + i], files[i])) return Fail(std::string("cannot read ") + argv[2 + i]);

  std::vector<uint8_t> image(kAssetImageSize);
  std::string error;
  if (!asset_image_assemble(pieces, image.data(), &error)) return Fail(error);
  std::vector<uint8_t> blob = compress_encode_buffer(image.data(), image.size());
  std::vector<uint8_t> check(kAssetImageSize);
  if (!compress_decode_buffer(blob.data(), blob.size(), check.data(), check.size()) || check != image)
    return Fail("the compressed image does not decode back to the image");

  const std::string source = asset_image_blob_source(blob, asset_image_hash(image.data(), image.size()));
  if (!tool_write_file(outDir + "/asset_image.bin", image.data(), image.size()) ||
      !tool_write_file(outDir + "/asset_blob.lzms", blob.data(), blob.size()) ||
      !tool_write_file(outDir + "/asset_blob.cpp", source.data(), source.size()))
    return Fail("cannot write into " + outDir);
  std::printf("asset image: %u -> %zu bytes (%.2f:1)\n", kAssetImageSize, blob.size(),
              double(kAssetImageSize) / double(blob.size()));
  return 0;
}
