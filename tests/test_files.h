// Byte buffers and whole files for the tests, the fuzz seed writers and the benches.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The whole file; empty when it cannot be opened.
inline Bytes test_read_file(const std::string& path) {
  Bytes bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
    bytes.insert(bytes.end(), block, block + n);
  std::fclose(f);
  return bytes;
}

// Creates or replaces the file; false unless every byte reached it.
inline bool test_write_file(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool written = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && written;
}

inline bool test_write_file(const std::string& path, const Bytes& bytes) {
  return test_write_file(path, bytes.data(), bytes.size());
}

// Bytes written as hex digit pairs; blanks between pairs are skipped.
inline Bytes test_from_hex(const char* hex) {
  Bytes out;
  for (const char* p = hex; p[0] && p[1]; p += p[0] == ' ' ? 1 : 2)
    if (p[0] != ' ') out.push_back(uint8_t(std::stoul(std::string(p, 2), nullptr, 16)));
  return out;
}
