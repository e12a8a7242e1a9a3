// Writes seed inputs for fuzz_lzms into the folder given as the argument:
// containers and raw blocks of the test inputs, made by our compressor.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/shell/lzms_inputs.h"
#include "tools/lzms/lzms_encode.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  const std::string dir = argv[1];
  const std::vector<std::vector<uint8_t>> inputs = {RepetitiveText(3000), RandomBytes(500, 4),
                                                    X86LikeCode(4000, 2), SampleLikeWaves(6000),
                                                    std::vector<uint8_t>(5000, 0)};
  for (size_t i = 0; i < inputs.size(); ++i) {
    const std::vector<uint8_t>& in = inputs[i];
    Write(dir + "/container" + std::to_string(i), CompressBufferLzms(in.data(), in.size()));
    std::vector<uint8_t> raw = {uint8_t(in.size() - 1), uint8_t((in.size() - 1) >> 8)};
    std::vector<uint8_t> block = LzmsEncode(in.data(), in.size());
    raw.insert(raw.end(), block.begin(), block.end());
    Write(dir + "/raw" + std::to_string(i), raw);
  }
  return 0;
}
