#include "lzms/lzms_common.h"

#include <algorithm>

namespace {

// Slot tables as run lengths: run i holds that many slots whose width is 2^i.
constexpr uint8_t kOffsetSlotRuns[] = {9,  0,  9,  7,  10, 15, 15, 20, 20,  30, 33,
                                       40, 42, 45, 60, 73, 80, 85, 95, 105, 6};
constexpr uint8_t kLengthSlotRuns[] = {27, 4, 6, 4, 5, 2, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1};
constexpr uint32_t kOffsetSentinel = 0x7fffffff;
constexpr uint32_t kLengthSentinel = 0x400108ab;

constexpr unsigned Log2(uint32_t v) {
  unsigned n = 0;
  while (v >>= 1) ++n;
  return n;
}

template <size_t N>
constexpr void ExpandRuns(const uint8_t (&runs)[N], uint32_t sentinel, uint32_t* base, uint8_t* extra,
                          unsigned count) {
  uint32_t value = 0;
  unsigned slot = 0;
  for (size_t order = 0; order < N; ++order) {
    for (unsigned r = 0; r < runs[order]; ++r) {
      value += 1u << order;
      if (slot > 0) extra[slot - 1] = static_cast<uint8_t>(order);
      base[slot++] = value;
    }
  }
  base[count] = sentinel;
  extra[count - 1] = static_cast<uint8_t>(Log2(sentinel - base[count - 1]));
}

constexpr LzmsSlotTables MakeSlotTables() {
  LzmsSlotTables t{};
  ExpandRuns(kOffsetSlotRuns, kOffsetSentinel, t.offsetBase, t.offsetExtra, kLzmsMaxNumOffsetSyms);
  ExpandRuns(kLengthSlotRuns, kLengthSentinel, t.lengthBase, t.lengthExtra, kLzmsNumLengthSyms);
  return t;
}

unsigned find_slot(const uint32_t* base, unsigned count, uint32_t value) {
  return static_cast<unsigned>(std::upper_bound(base, base + count, value) - base) - 1;
}

void probs_init(LzmsProb* p, unsigned n) {
  for (unsigned i = 0; i < n; ++i) lzms_prob_init(&p[i]);
}

}  // namespace

constexpr LzmsSlotTables kLzmsSlots = MakeSlotTables();

unsigned lzms_offset_slot(uint32_t offset) {
  return find_slot(kLzmsSlots.offsetBase, kLzmsMaxNumOffsetSyms, offset);
}

unsigned lzms_length_slot(uint32_t length) {
  return find_slot(kLzmsSlots.lengthBase, kLzmsNumLengthSyms, length);
}

unsigned lzms_num_offset_slots(size_t size) {
  if (size < 2) return 0;
  uint32_t maxOffset = size - 1 > kOffsetSentinel ? kOffsetSentinel : uint32_t(size - 1);
  return 1 + lzms_offset_slot(maxOffset);
}

void lzms_bit_model_init(LzmsBitModel* m) {
  m->mainState = m->matchState = m->lzState = m->deltaState = 0;
  for (unsigned i = 0; i < kLzmsNumReps - 1; ++i) {
    m->lzRepState[i] = m->deltaRepState[i] = 0;
    probs_init(m->lzRep[i], kLzmsNumRepStates);
    probs_init(m->deltaRep[i], kLzmsNumRepStates);
  }
  probs_init(m->main, kLzmsNumMainStates);
  probs_init(m->match, kLzmsNumMatchStates);
  probs_init(m->lz, kLzmsNumLzStates);
  probs_init(m->delta, kLzmsNumDeltaStates);
}

void lzms_queues_init(LzmsQueues* q) {
  for (unsigned i = 0; i < kLzmsNumReps + 1; ++i) {
    q->lz.entries[i] = i + 1;
    q->delta.entries[i] = i + 1;
  }
  q->lz.pending = 0;
  q->delta.pending = 0;
  q->lz.pendingEnd = q->delta.pendingEnd = 0;
}

void lzms_huffman_init(LzmsHuffman* h, unsigned numSyms, unsigned rebuildEvery) {
  h->numSyms = numSyms;
  h->rebuildEvery = rebuildEvery;
  for (unsigned i = 0; i < numSyms; ++i) h->freqs[i] = 1;
  lzms_huffman_rebuild(h);
}

void lzms_huffman_rebuild(LzmsHuffman* h) {
  lzms_make_canonical_code(h->numSyms, kLzmsMaxCodewordLen, h->freqs, h->lens, h->codewords);
  for (unsigned i = 0; i < h->numSyms; ++i) h->freqs[i] = (h->freqs[i] >> 1) + 1;
  h->untilRebuild = h->rebuildEvery;
}
