#include <algorithm>

#include "lzms/lzms_common.h"

namespace {

constexpr unsigned kSymBits = 10;
constexpr uint32_t kSymMask = (1u << kSymBits) - 1;

// Turns A (sorted leaf weights, count n >= 2) into the internal nodes of the
// Huffman tree: A[n-2] is the root, every other node holds its parent's index.
// The low bits (the sorted symbols) are kept.
void build_tree(uint32_t* A, unsigned n) {
  unsigned leaf = 0, node = 0, next = 0;
  do {
    unsigned pick[2];
    for (unsigned& p : pick) {
      if (leaf != n && (node == next || (A[leaf] >> kSymBits) <= (A[node] >> kSymBits)))
        p = leaf++;
      else
        p = node++;
    }
    uint32_t weight = (A[pick[0]] & ~kSymMask) + (A[pick[1]] & ~kSymMask);
    A[pick[0]] = (A[pick[0]] & kSymMask) | (next << kSymBits);
    A[pick[1]] = (A[pick[1]] & kSymMask) | (next << kSymBits);
    A[next] = (A[next] & kSymMask) | weight;
    ++next;
  } while (n - next > 1);
}

// Walks the internal nodes from the root down and counts codewords per length,
// pushing any node deeper than maxLen up to the deepest free length.
void count_lengths(uint32_t* A, unsigned root, unsigned* counts, unsigned maxLen) {
  for (unsigned len = 0; len <= maxLen; ++len) counts[len] = 0;
  counts[1] = 2;
  A[root] &= kSymMask;
  for (int node = int(root) - 1; node >= 0; --node) {
    unsigned parent = A[node] >> kSymBits;
    unsigned depth = (A[parent] >> kSymBits) + 1;
    A[node] = (A[node] & kSymMask) | (depth << kSymBits);
    unsigned len = depth;
    if (len >= maxLen) {
      len = maxLen;
      do --len;
      while (counts[len] == 0);
    }
    counts[len]--;
    counts[len + 1] += 2;
  }
}

}  // namespace

void lzms_make_canonical_code(unsigned numSyms, unsigned maxLen, const uint32_t* freqs, uint8_t* lens,
                              uint32_t* codewords) {
  uint32_t* A = codewords;
  unsigned used = 0;
  for (unsigned s = 0; s < numSyms; ++s) {
    lens[s] = 0;
    if (freqs[s]) A[used++] = (freqs[s] << kSymBits) | s;
  }
  std::sort(A, A + used);
  if (used == 0) return;
  if (used == 1) {
    // A complete code needs two codewords; pair the symbol with 0 or 1.
    unsigned sym = A[0] & kSymMask;
    codewords[0] = 0;
    lens[0] = 1;
    if (numSyms > 1) {
      unsigned other = sym ? sym : 1;
      codewords[other] = 1;
      lens[other] = 1;
    }
    return;
  }
  build_tree(A, used);
  unsigned counts[kLzmsMaxCodewordLen + 1];
  count_lengths(A, used - 2, counts, maxLen);
  unsigned i = 0;
  for (unsigned len = maxLen; len >= 1; --len)
    for (unsigned c = counts[len]; c > 0; --c) lens[A[i++] & kSymMask] = uint8_t(len);
  uint32_t next[kLzmsMaxCodewordLen + 2];
  next[0] = next[1] = 0;
  for (unsigned len = 2; len <= maxLen; ++len) next[len] = (next[len - 1] + counts[len - 1]) << 1;
  for (unsigned s = 0; s < numSyms; ++s) codewords[s] = lens[s] ? next[lens[s]]++ : 0;
}
