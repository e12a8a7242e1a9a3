// Writes seed inputs for fuzz_lzms into the folder given as the argument:
// containers and raw blocks of the test inputs, made by our compressor.
#include <cstdio>
#include <string>
#include <vector>

#include "lzms/lzms_encode.h"
#include "tests/lzms/lzms_inputs.h"
#include "tests/test_files.h"

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  const std::string dir = argv[1];
  const std::vector<std::vector<uint8_t>> inputs = {RepetitiveText(3000), RandomBytes(500, 4),
                                                    X86LikeCode(4000, 2), SampleLikeWaves(6000),
                                                    std::vector<uint8_t>(5000, 0)};
  for (size_t i = 0; i < inputs.size(); ++i) {
    const std::vector<uint8_t>& in = inputs[i];
    test_write_file(dir + "/container" + std::to_string(i), compress_encode_buffer(in.data(), in.size()));
    std::vector<uint8_t> raw = {uint8_t(in.size() - 1), uint8_t((in.size() - 1) >> 8)};
    std::vector<uint8_t> block = lzms_encode(in.data(), in.size());
    raw.insert(raw.end(), block.begin(), block.end());
    test_write_file(dir + "/raw" + std::to_string(i), raw);
  }
  return 0;
}
