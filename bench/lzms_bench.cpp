// bench_lzms: unpacking the embedded asset image, our LZMS decoder against
// wimlib's on the same blocks, and the ratio of both compressors. Figures only.
#include <wimlib.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "base/asset_image.h"
#include "lzms/compress_container.h"
#include "lzms/lzms_decode.h"
#include "lzms/lzms_encode.h"
#include "shell/assets_blob.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 20;

template <typename F>
double BestMs(F&& f) {
  double best = 1e9;
  for (int i = 0; i < kRounds; ++i) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

void Report(const char* what, double ms) {
  std::printf("  %-34s %8.3f ms  %8.1f MB/s\n", what, ms, kAssetImageSize / 1e3 / ms);
}

}  // namespace

int main() {
  std::vector<uint8_t> image(kAssetImageSize), out(kAssetImageSize);
  if (!compress_decode_buffer(kAssetBlob, kAssetBlobSize, image.data(), image.size())) {
    std::fprintf(stderr, "bench_lzms: the embedded blob does not unpack\n");
    return 1;
  }
  // The image is one block: its size field, then the LZMS data.
  const uint8_t* block = kAssetBlob + kCompressHeaderSize + 4;
  const size_t blockSize = kAssetBlobSize - kCompressHeaderSize - 4;

  wimlib_compressor* c = nullptr;
  wimlib_decompressor* d = nullptr;
  if (wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, kAssetImageSize, 50, &c) ||
      wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, kAssetImageSize, &d))
    return 1;
  std::vector<uint8_t> theirs(kAssetImageSize);
  theirs.resize(wimlib_compress(image.data(), image.size(), theirs.data(), theirs.size(), c));

  auto t0 = Clock::now();
  std::vector<uint8_t> ours = lzms_encode(image.data(), image.size());
  double encodeMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();

  std::printf("asset image %u bytes\n", kAssetImageSize);
  std::printf("  ours:   %zu bytes LZMS (+%zu header and block size), ratio %.2f:1, compressed in %.1f ms\n",
              ours.size(), kCompressHeaderSize + 4, double(kAssetImageSize) / kAssetBlobSize, encodeMs);
  std::printf("  wimlib: %zu bytes LZMS, ratio %.2f:1\n", theirs.size(),
              double(kAssetImageSize) / theirs.size());
  std::printf("decompression, best of %d:\n", kRounds);
  Report("ours,   our block (UnpackAssets)",
         BestMs([&] { compress_decode_buffer(kAssetBlob, kAssetBlobSize, out.data(), out.size()); }));
  Report("wimlib, our block",
         BestMs([&] { wimlib_decompress(block, blockSize, out.data(), out.size(), d); }));
  Report("ours,   wimlib's block",
         BestMs([&] { lzms_decode(theirs.data(), theirs.size(), out.data(), out.size()); }));
  Report("wimlib, wimlib's block",
         BestMs([&] { wimlib_decompress(theirs.data(), theirs.size(), out.data(), out.size(), d); }));
  wimlib_free_compressor(c);
  wimlib_free_decompressor(d);
  return 0;
}
