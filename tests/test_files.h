// Byte buffers and whole files for the tests, the fuzz seed writers and the benches.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tool_files.h"

using Bytes = std::vector<uint8_t>;

// The whole file; empty when it cannot be read.
inline Bytes test_read_file(const std::string& path) {
  Bytes bytes;
  if (!tool_read_file(path, &bytes, SIZE_MAX - 65536)) bytes.clear();
  return bytes;
}

// Creates or replaces the file; false unless every byte reached it.
inline bool test_write_file(const std::string& path, const void* data, size_t size) {
  return tool_write_file(path, data, size);
}

inline bool test_write_file(const std::string& path, const Bytes& bytes) {
  return test_write_file(path, bytes.data(), bytes.size());
}

// FNV-1a over size bytes, continuing from h (start from kFnvBasis): the golden hashes.
constexpr uint64_t kFnvBasis = 0xCBF29CE484222325ull;
inline uint64_t test_fnv1a(uint64_t h, const void* data, size_t size) {
  for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 0x100000001B3ull;
  return h;
}

// Bytes written as hex digit pairs; blanks between pairs are skipped.
inline Bytes test_from_hex(const char* hex) {
  Bytes out;
  for (const char* p = hex; p[0] && p[1]; p += p[0] == ' ' ? 1 : 2)
    if (p[0] != ' ') out.push_back(uint8_t(std::stoul(std::string(p, 2), nullptr, 16)));
  return out;
}
