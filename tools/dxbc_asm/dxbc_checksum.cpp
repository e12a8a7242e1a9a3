// MD5 (RFC 1321) compression with the DXBC tail. n = size - 20 bytes are hashed:
// whole 64-byte blocks as they are; then the last r = n mod 64 bytes in a block
// that starts with the bit count B = 8n (32 bits), followed by 0x80, zeros, and
// T = 2n + 1 in the last word; when r >= 56 the bytes and 0x80 get a block of their
// own and B and T a final one.
#include <cstring>

#include "base/byte_order.h"
#include "tools/dxbc_asm/dxbc_asm.h"

namespace {

const uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline uint32_t rotl(uint32_t v, int s) { return v << s | v >> (32 - s); }

void compress(uint32_t state[4], const uint8_t block[64]) {
  uint32_t m[16];
  for (int i = 0; i < 16; i++) m[i] = load_le32(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; i++) {
    uint32_t f;
    int g;
    switch (i / 16) {
      case 0:
        f = (b & c) | (~b & d);
        g = i;
        break;
      case 1:
        f = (d & b) | (~d & c);
        g = (5 * i + 1) % 16;
        break;
      case 2:
        f = b ^ c ^ d;
        g = (3 * i + 5) % 16;
        break;
      default:
        f = c ^ (b | ~d);
        g = (7 * i) % 16;
        break;
    }
    uint32_t next = b + rotl(a + f + kSine[i] + m[g], kShift[i / 16][i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

void dxbc_checksum(const uint8_t* blob, size_t size, uint8_t out[16]) {
  const uint8_t* data = blob + 20;
  uint32_t n = uint32_t(size - 20);
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint32_t whole = n - n % 64, r = n % 64;
  for (uint32_t i = 0; i < whole; i += 64) compress(state, data + i);
  uint32_t bits = n * 8, last = (bits >> 2) | 1;
  uint8_t block[64] = {};
  if (r < 56) {
    store_le32(block, bits);
    memcpy(block + 4, data + whole, r);
    block[4 + r] = 0x80;
    store_le32(block + 60, last);
    compress(state, block);
  } else {
    memcpy(block, data + whole, r);
    block[r] = 0x80;
    compress(state, block);
    memset(block, 0, 64);
    store_le32(block, bits);
    store_le32(block + 60, last);
    compress(state, block);
  }
  for (int i = 0; i < 4; i++) store_le32(out + 4 * i, state[i]);
}
