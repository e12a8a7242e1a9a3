// The adaptive model that an LZMS encoder and decoder share: slot tables, bit
// probabilities, the repeat-offset queues and the Huffman rebuild schedule. Both
// sides must update it identically, item by item.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr unsigned kLzmsNumLiteralSyms = 256;
constexpr unsigned kLzmsNumLengthSyms = 54;
constexpr unsigned kLzmsNumDeltaPowerSyms = 8;
constexpr unsigned kLzmsMaxNumOffsetSyms = 799;
constexpr unsigned kLzmsMaxCodewordLen = 15;

constexpr unsigned kLzmsLiteralRebuild = 1024;
constexpr unsigned kLzmsLzOffsetRebuild = 1024;
constexpr unsigned kLzmsLengthRebuild = 512;
constexpr unsigned kLzmsDeltaOffsetRebuild = 1024;
constexpr unsigned kLzmsDeltaPowerRebuild = 512;

constexpr unsigned kLzmsNumMainStates = 16;
constexpr unsigned kLzmsNumMatchStates = 32;
constexpr unsigned kLzmsNumLzStates = 64;
constexpr unsigned kLzmsNumDeltaStates = 64;
constexpr unsigned kLzmsNumRepStates = 64;  // each LZ and delta repeat-index decision
constexpr unsigned kLzmsNumReps = 3;        // for LZ offsets and for delta pairs

constexpr unsigned kLzmsProbBits = 6;
constexpr uint32_t kLzmsProbDenominator = 1u << kLzmsProbBits;

// Slot base values and extra-bit counts: offset slot s covers
// [base[s], base[s] + 2^extra[s]); base[count] is a sentinel.
struct LzmsSlotTables {
  uint32_t offsetBase[kLzmsMaxNumOffsetSyms + 1];
  uint8_t offsetExtra[kLzmsMaxNumOffsetSyms];
  uint32_t lengthBase[kLzmsNumLengthSyms + 1];
  uint8_t lengthExtra[kLzmsNumLengthSyms];
};
extern const LzmsSlotTables kLzmsSlots;

// Largest slot whose base is <= value (value >= 1).
unsigned lzms_offset_slot(uint32_t offset);
unsigned lzms_length_slot(uint32_t length);
// Offset alphabet size for a block that decompresses to `size` bytes.
unsigned lzms_num_offset_slots(size_t size);

// A bit probability: the share of zeros among the last 64 bits coded with it.
struct LzmsProb {
  uint32_t zeros;
  uint64_t recent;
};

inline void lzms_prob_init(LzmsProb* p) {
  p->zeros = 48;
  p->recent = 0x0000000055555555ull;
}

inline uint32_t lzms_prob_get(const LzmsProb* p) {
  uint32_t prob = p->zeros;
  if (prob == 0) prob = 1;
  if (prob == kLzmsProbDenominator) prob = kLzmsProbDenominator - 1;
  return prob;
}

inline void lzms_prob_update(LzmsProb* p, unsigned bit) {
  p->zeros += static_cast<uint32_t>(p->recent >> 63) - bit;
  p->recent = (p->recent << 1) | bit;
}

// All binary decisions, each with its state (the last few bits coded there).
struct LzmsBitModel {
  uint32_t mainState, matchState, lzState, deltaState;
  uint32_t lzRepState[kLzmsNumReps - 1], deltaRepState[kLzmsNumReps - 1];
  LzmsProb main[kLzmsNumMainStates];
  LzmsProb match[kLzmsNumMatchStates];
  LzmsProb lz[kLzmsNumLzStates];
  LzmsProb lzRep[kLzmsNumReps - 1][kLzmsNumRepStates];
  LzmsProb delta[kLzmsNumDeltaStates];
  LzmsProb deltaRep[kLzmsNumReps - 1][kLzmsNumRepStates];
};
void lzms_bit_model_init(LzmsBitModel* m);

// Repeat queues, one per match kind: LZ offsets, and delta pairs stored as
// (power << 32) | raw offset. The value of a match enters its queue only once the
// next item has been coded, so a match can never repeat the match right before it.
template <typename T>
struct LzmsRepQueue {
  T entries[kLzmsNumReps + 1];
  T pending;
  size_t pendingEnd;  // output position after that match
};
struct LzmsQueues {
  LzmsRepQueue<uint32_t> lz;
  LzmsRepQueue<uint64_t> delta;
};
void lzms_queues_init(LzmsQueues* q);

template <typename T>
inline void lzms_queue_push(LzmsRepQueue<T>* q, T value) {
  for (unsigned i = kLzmsNumReps; i > 0; --i) q->entries[i] = q->entries[i - 1];
  q->entries[0] = value;
}
// Before a match of this kind at output position `pos`: admit the pending value if
// another item came in between.
template <typename T>
inline void lzms_queue_begin(LzmsRepQueue<T>* q, size_t pos) {
  if (q->pending != 0 && pos != q->pendingEnd) {
    lzms_queue_push(q, q->pending);
    q->pending = 0;
  }
}
// Removes and returns repeat entry `idx`.
template <typename T>
inline T lzms_queue_take(LzmsRepQueue<T>* q, unsigned idx) {
  T value = q->entries[idx];
  for (unsigned i = idx; i < kLzmsNumReps; ++i) q->entries[i] = q->entries[i + 1];
  return value;
}
template <typename T>
inline void lzms_queue_end(LzmsRepQueue<T>* q, T value, size_t endPos) {
  if (q->pending != 0) lzms_queue_push(q, q->pending);
  q->pending = value;
  q->pendingEnd = endPos;
}

// One adaptive Huffman code: symbol counts, and the code rebuilt from them
// every `rebuildEvery` symbols, after which the counts are halved.
struct LzmsHuffman {
  unsigned numSyms;
  unsigned rebuildEvery;
  unsigned untilRebuild;
  uint32_t freqs[kLzmsMaxNumOffsetSyms];
  uint8_t lens[kLzmsMaxNumOffsetSyms];
  uint32_t codewords[kLzmsMaxNumOffsetSyms];
};
void lzms_huffman_init(LzmsHuffman* h, unsigned numSyms, unsigned rebuildEvery);
void lzms_huffman_rebuild(LzmsHuffman* h);
// Counts one coded symbol; returns 1 when the code was rebuilt.
inline int lzms_huffman_count(LzmsHuffman* h, unsigned sym) {
  ++h->freqs[sym];
  if (--h->untilRebuild == 0) {
    lzms_huffman_rebuild(h);
    return 1;
  }
  return 0;
}

// Length-limited canonical Huffman code for freqs[0..numSyms): symbols sorted
// by (frequency, value), the tree built preferring leaves on ties, lengths
// handed out longest first, codewords assigned in symbol order.
void lzms_make_canonical_code(unsigned numSyms, unsigned maxLen, const uint32_t* freqs, uint8_t* lens,
                              uint32_t* codewords);

// The x86 address translation. The encoder runs it with undo = 0 before
// compressing, the decoder with undo = 1 after decoding. `scratch` holds 65536
// entries.
void lzms_x86_filter(uint8_t* data, size_t size, int32_t* scratch, int undo);
