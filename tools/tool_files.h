// Whole-file reads and writes for the build-time tools. A read fails on a file that
// cannot be read or is longer than the limit; a write fails unless every byte reached
// the file and it closed cleanly.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline bool tool_read_file(const std::string& path, std::vector<uint8_t>* out,
                           size_t limit = size_t(64) << 20) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && out->size() <= limit)
    out->insert(out->end(), buffer, buffer + n);
  bool ok = !std::ferror(f) && out->size() <= limit;
  std::fclose(f);
  return ok;
}

inline bool tool_write_file(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}
