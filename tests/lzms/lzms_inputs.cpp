#include "tests/lzms/lzms_inputs.h"

namespace {

uint32_t Next(uint32_t* s) { return (*s = *s * 1664525u + 1013904223u) >> 8; }

}  // namespace

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> v(size);
  for (auto& b : v) b = uint8_t(Next(&seed));
  return v;
}

std::vector<uint8_t> RepetitiveText(size_t size) {
  static const char* const kWords[] = {"Varrowby ", "invitation ", "party ", "demo ",
                                       "1997 ",     "compo ",      "music ", "kOHR "};
  std::vector<uint8_t> v;
  for (uint32_t s = 7; v.size() < size;)
    for (const char* p = kWords[Next(&s) % 8]; *p && v.size() < size; ++p) v.push_back(uint8_t(*p));
  return v;
}

std::vector<uint8_t> X86LikeCode(size_t size, uint32_t seed) {
  std::vector<uint8_t> v;
  uint32_t targets[24];
  for (auto& t : targets) t = Next(&seed) % (size + 4096);
  while (v.size() + 8 < size) {
    uint32_t kind = Next(&seed) % 8, target = targets[Next(&seed) % 24];
    size_t at = v.size();
    if (kind < 3) {
      v.push_back(0xE8);
    } else if (kind == 3) {
      v.insert(v.end(), {0xFF, 0x15});
    } else if (kind == 4) {
      v.insert(v.end(), {0x48, 0x8D, 0x05});
    } else {  // push/pop filler
      for (uint32_t k = Next(&seed) % 6 + 1; k > 0; --k) v.push_back(uint8_t(0x50 + Next(&seed) % 8));
      continue;
    }
    uint32_t rel = target - uint32_t(v.size() - at) - uint32_t(at);
    for (int k = 0; k < 4; ++k) v.push_back(uint8_t(rel >> (8 * k)));
  }
  v.resize(size, 0x90);
  return v;
}

std::vector<uint8_t> SampleLikeWaves(size_t size) {
  std::vector<uint8_t> v(size);
  for (int32_t i = 0, phase = 0, drift = 0; i < int32_t(size); ++i) {
    phase = (phase + 5) % 200;
    if (i % 977 == 0) drift += 3;
    v[i] = uint8_t((phase < 100 ? phase : 200 - phase) + drift + i / 64);
  }
  return v;
}
