#include "lzms/lzms_decode.h"

#include <cstring>
#include <new>

#include "base/byte_order.h"
#include "lzms/lzms_common.h"

namespace {

// Codewords up to kTableBits long decode with one look-up; longer ones (rare)
// by searching the canonical code length by length.
constexpr unsigned kTableBits = 10;
constexpr unsigned kMaxLen = kLzmsMaxCodewordLen;
constexpr uint16_t kInvalidEntry = 0xFFFF;
constexpr uint16_t kLongEntry = 0xFFFE;

// Range decoder over the 16-bit words at the front of the block.
struct RangeDecoder {
  uint32_t range, code;
  const uint8_t* next;
  const uint8_t* end;
};

// Huffman bit stream over the 16-bit words at the back of the block, read
// backwards, each word from its top bit down. Past the front it reads zeros.
struct BitReader {
  uint64_t bits;
  unsigned count;
  const uint8_t* next;
  const uint8_t* begin;
};

struct Code {
  LzmsHuffman h;
  uint16_t table[1u << kTableBits];        // (length << 10) | symbol for each prefix
  uint16_t count[kMaxLen + 1];             // codewords of each length
  uint16_t firstCode[kMaxLen + 1];         // first codeword of each length
  uint16_t firstIndex[kMaxLen + 1];        // its place in `sorted`
  uint16_t sorted[kLzmsMaxNumOffsetSyms];  // symbols by (length, value)
};

struct Decoder {
  RangeDecoder rd;
  BitReader br;
  LzmsBitModel bits;
  LzmsQueues queues;
  Code literal, lzOffset, length, deltaOffset, deltaPower;
  int32_t x86Scratch[65536];
};

void build_table(Code* c) {
  const LzmsHuffman& h = c->h;
  for (unsigned len = 0; len <= kMaxLen; ++len) c->count[len] = 0;
  for (unsigned s = 0; s < h.numSyms; ++s) c->count[h.lens[s]]++;
  c->count[0] = 0;
  uint16_t code = 0, index = 0, next[kMaxLen + 1];
  for (unsigned len = 1; len <= kMaxLen; ++len) {
    code = uint16_t((code + c->count[len - 1]) << 1);
    c->firstCode[len] = code;
    c->firstIndex[len] = next[len] = index;
    index = uint16_t(index + c->count[len]);
  }
  for (unsigned s = 0; s < h.numSyms; ++s)
    if (h.lens[s]) c->sorted[next[h.lens[s]]++] = uint16_t(s);

  // Only a one-symbol (or empty) alphabet leaves part of the table unused.
  for (uint32_t k = 0; k < (1u << kTableBits); ++k) c->table[k] = kInvalidEntry;
  for (unsigned s = 0; s < h.numSyms; ++s) {
    unsigned len = h.lens[s];
    if (len == 0) continue;
    if (len <= kTableBits) {
      uint32_t first = h.codewords[s] << (kTableBits - len);
      uint16_t entry = uint16_t(len << 10 | s);
      for (uint32_t k = 0; k < (1u << (kTableBits - len)); ++k) c->table[first + k] = entry;
    } else {
      c->table[h.codewords[s] >> (len - kTableBits)] = kLongEntry;
    }
  }
}

void code_init(Code* c, unsigned numSyms, unsigned rebuildEvery) {
  lzms_huffman_init(&c->h, numSyms, rebuildEvery);
  build_table(c);
}

void refill_bits(BitReader* br, unsigned need) {
  while (br->count < need) {
    uint64_t word = 0;
    if (br->next - br->begin >= 2) {
      br->next -= 2;
      word = load_le16(br->next);
    }
    br->bits |= word << (48 - br->count);
    br->count += 16;
  }
}

uint32_t read_bits(BitReader* br, unsigned n) {
  if (n == 0) return 0;
  refill_bits(br, n);
  uint32_t v = uint32_t(br->bits >> (64 - n));
  br->bits <<= n;
  br->count -= n;
  return v;
}

// Returns the symbol, or -1 for a codeword outside the code.
int decode_symbol(BitReader* br, Code* c) {
  refill_bits(br, kMaxLen);
  uint16_t entry = c->table[br->bits >> (64 - kTableBits)];
  unsigned len, sym;
  if (entry == kInvalidEntry) return -1;
  if (entry != kLongEntry) {
    len = entry >> 10;
    sym = entry & 0x3FF;
  } else {
    uint32_t prefix = uint32_t(br->bits >> (64 - kMaxLen));
    for (len = kTableBits + 1;; ++len) {
      if (len > kMaxLen) return -1;
      uint32_t rank = (prefix >> (kMaxLen - len)) - c->firstCode[len];
      if (rank < c->count[len]) {
        sym = c->sorted[c->firstIndex[len] + rank];
        break;
      }
    }
  }
  br->bits <<= len;
  br->count -= len;
  if (lzms_huffman_count(&c->h, sym)) build_table(c);
  return int(sym);
}

unsigned decode_bit(RangeDecoder* rd, uint32_t* state, unsigned numStates, LzmsProb* probs) {
  LzmsProb* p = &probs[*state];
  uint32_t prob = lzms_prob_get(p);
  if ((rd->range & 0xFFFF0000u) == 0) {
    rd->range <<= 16;
    rd->code <<= 16;
    if (rd->end - rd->next >= 2) {
      rd->code |= load_le16(rd->next);
      rd->next += 2;
    }
  }
  uint32_t bound = (rd->range >> kLzmsProbBits) * prob;
  unsigned bit;
  if (rd->code < bound) {
    rd->range = bound;
    bit = 0;
  } else {
    rd->range -= bound;
    rd->code -= bound;
    bit = 1;
  }
  lzms_prob_update(p, bit);
  *state = ((*state << 1) | bit) & (numStates - 1);
  return bit;
}

// Slot symbol plus extra bits; 0 for a bad symbol (valid values are >= 1).
uint32_t decode_offset(Decoder* d, Code* c) {
  int slot = decode_symbol(&d->br, c);
  if (slot < 0) return 0;
  return kLzmsSlots.offsetBase[slot] + read_bits(&d->br, kLzmsSlots.offsetExtra[slot]);
}

uint32_t decode_length(Decoder* d) {
  int slot = decode_symbol(&d->br, &d->length);
  if (slot < 0) return 0;
  return kLzmsSlots.lengthBase[slot] + read_bits(&d->br, kLzmsSlots.lengthExtra[slot]);
}

// Which of the repeat entries the next match uses.
unsigned decode_rep_index(RangeDecoder* rd, uint32_t* states, LzmsProb (*probs)[kLzmsNumRepStates]) {
  unsigned idx = 0;
  while (idx < kLzmsNumReps - 1 && decode_bit(rd, &states[idx], kLzmsNumRepStates, probs[idx])) ++idx;
  return idx;
}

int decode_items(Decoder* d, uint8_t* out, size_t outSize) {
  LzmsBitModel& m = d->bits;
  RangeDecoder* rd = &d->rd;
  size_t pos = 0;
  while (pos < outSize) {
    if (!decode_bit(rd, &m.mainState, kLzmsNumMainStates, m.main)) {
      int sym = decode_symbol(&d->br, &d->literal);
      if (sym < 0) return 0;
      out[pos++] = uint8_t(sym);
      continue;
    }
    if (!decode_bit(rd, &m.matchState, kLzmsNumMatchStates, m.match)) {
      lzms_queue_begin(&d->queues.lz, pos);
      uint32_t offset;
      if (!decode_bit(rd, &m.lzState, kLzmsNumLzStates, m.lz))
        offset = decode_offset(d, &d->lzOffset);
      else
        offset = lzms_queue_take(&d->queues.lz, decode_rep_index(rd, m.lzRepState, m.lzRep));
      uint32_t length = decode_length(d);
      if (offset == 0 || length == 0 || offset > pos || length > outSize - pos) return 0;
      const uint8_t* src = out + pos - offset;
      if (offset == 1) {
        std::memset(out + pos, *src, length);  // runs: most of the drawing surfaces
      } else if (offset >= length) {
        std::memcpy(out + pos, src, length);
      } else {
        for (uint32_t k = 0; k < length; ++k) out[pos + k] = src[k];
      }
      pos += length;
      lzms_queue_end(&d->queues.lz, offset, pos);
    } else {
      lzms_queue_begin(&d->queues.delta, pos);
      uint64_t pair;
      if (!decode_bit(rd, &m.deltaState, kLzmsNumDeltaStates, m.delta)) {
        int power = decode_symbol(&d->br, &d->deltaPower);
        if (power < 0) return 0;
        pair = uint64_t(power) << 32 | decode_offset(d, &d->deltaOffset);
      } else {
        pair = lzms_queue_take(&d->queues.delta, decode_rep_index(rd, m.deltaRepState, m.deltaRep));
      }
      uint32_t length = decode_length(d);
      uint32_t power = uint32_t(pair >> 32);
      uint64_t raw = uint32_t(pair);
      if (power >= kLzmsNumDeltaPowerSyms || raw == 0 || length == 0) return 0;
      uint64_t off1 = uint64_t(1) << power;
      uint64_t off2 = raw << power;
      if (off1 + off2 > pos || length > outSize - pos) return 0;
      for (uint32_t k = 0; k < length; ++k, ++pos)
        out[pos] = uint8_t(out[pos - off1] + out[pos - off2] - out[pos - off1 - off2]);
      lzms_queue_end(&d->queues.delta, pair, pos);
    }
  }
  return 1;
}

}  // namespace

int lzms_decode(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  // The block is a sequence of 16-bit words; the range decoder needs two.
  if (inSize < 4 || (inSize & 1) || outSize > 0x7fffffff) return 0;
  Decoder* d = new (std::nothrow) Decoder;
  if (!d) return 0;
  d->rd.range = 0xFFFFFFFFu;
  d->rd.code = uint32_t(load_le16(in)) << 16 | load_le16(in + 2);
  d->rd.next = in + 4;
  d->rd.end = in + inSize;
  d->br.bits = 0;
  d->br.count = 0;
  d->br.begin = in;
  d->br.next = in + inSize;
  lzms_bit_model_init(&d->bits);
  lzms_queues_init(&d->queues);
  unsigned offsetSlots = lzms_num_offset_slots(outSize);
  code_init(&d->literal, kLzmsNumLiteralSyms, kLzmsLiteralRebuild);
  code_init(&d->lzOffset, offsetSlots, kLzmsLzOffsetRebuild);
  code_init(&d->length, kLzmsNumLengthSyms, kLzmsLengthRebuild);
  code_init(&d->deltaOffset, offsetSlots, kLzmsDeltaOffsetRebuild);
  code_init(&d->deltaPower, kLzmsNumDeltaPowerSyms, kLzmsDeltaPowerRebuild);
  int ok = decode_items(d, out, outSize);
  if (ok) lzms_x86_filter(out, outSize, d->x86Scratch, 1);
  delete d;
  return ok;
}
