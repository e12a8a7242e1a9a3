// Unpacks the embedded asset image with the Windows Compression API, or with the
// built-in LZMS decoder where cabinet.dll has no Compression API or no LZMS
// (Windows 7, Wine). Both must give exactly kAssetImageSize bytes.
// clang-format off
#include <windows.h>
// clang-format on
#include <compressapi.h>

#include "base/asset_image.h"
#include "base/system_library_win32.h"
#include "lzms/compress_container.h"
#include "shell/assets.h"
#include "shell/assets_blob.h"
#include "shell/assets_check.h"

namespace {

using CreateDecompressorFn = BOOL(WINAPI*)(DWORD, PCOMPRESS_ALLOCATION_ROUTINES, PDECOMPRESSOR_HANDLE);
using DecompressFn = BOOL(WINAPI*)(DECOMPRESSOR_HANDLE, LPCVOID, SIZE_T, PVOID, SIZE_T, PSIZE_T);
using CloseDecompressorFn = BOOL(WINAPI*)(DECOMPRESSOR_HANDLE);

enum CabinetResult { kUnpacked, kWrongSize, kRefused, kUnavailable };

CabinetResult unpack_with_cabinet() {
  HMODULE cabinet = load_system_library(L"cabinet.dll");
  if (!cabinet) return kUnavailable;
  auto create = library_function<CreateDecompressorFn>(cabinet, "CreateDecompressor");
  auto decompress = library_function<DecompressFn>(cabinet, "Decompress");
  auto close = library_function<CloseDecompressorFn>(cabinet, "CloseDecompressor");
  DECOMPRESSOR_HANDLE handle = nullptr;
  if (!create || !decompress || !close || !create(COMPRESS_ALGORITHM_LZMS, nullptr, &handle)) {
    FreeLibrary(cabinet);
    return kUnavailable;
  }
  SIZE_T outSize = 0;
  BOOL ok = decompress(handle, kAssetBlob, kAssetBlobSize, AssetImage, kAssetImageSize, &outSize);
  close(handle);
  FreeLibrary(cabinet);
  if (!ok) return kRefused;
  if (outSize != kAssetImageSize) return kWrongSize;
  // LZMS blocks carry no checksum: a damaged block can unpack to the right size
  // with wrong bytes, so the recorded fingerprint checks either decoder's output.
  return asset_image_hash(AssetImage, kAssetImageSize) == kAssetImageHash ? kUnpacked : kRefused;
}

}  // namespace

int UnpackAssets() {
  CabinetResult r = unpack_with_cabinet();
  if (r == kUnpacked) return 1;
  if (r == kWrongSize) return 0;
  // The built-in decoder reads the same buffer format; it also stands in when
  // the system decoder turns the buffer down, and fails just the same on bad data.
  return compress_decode_buffer(kAssetBlob, kAssetBlobSize, AssetImage, kAssetImageSize) &&
         asset_image_hash(AssetImage, kAssetImageSize) == kAssetImageHash;
}
