// Loads and stores at any alignment. Every file format the program reads or writes
// (asset pieces, modules, the LZMS container, DIB headers, AVI) is little-endian,
// except the MOD format's sample words and the PNG chunks the preview tool writes.
#pragma once
#include <cstdint>

inline uint16_t load_le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t load_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t load_le64(const uint8_t* p) { return load_le32(p) | uint64_t(load_le32(p + 4)) << 32; }

inline void store_le16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void store_le32(uint8_t* p, uint32_t v) {
  store_le16(p, uint16_t(v));
  store_le16(p + 2, uint16_t(v >> 16));
}
inline void store_le64(uint8_t* p, uint64_t v) {
  store_le32(p, uint32_t(v));
  store_le32(p + 4, uint32_t(v >> 32));
}

inline uint16_t load_be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t load_be32(const uint8_t* p) { return uint32_t(load_be16(p)) << 16 | load_be16(p + 2); }
inline void store_be16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
inline void store_be32(uint8_t* p, uint32_t v) {
  store_be16(p, uint16_t(v >> 16));
  store_be16(p + 2, uint16_t(v));
}
