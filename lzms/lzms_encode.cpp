#include "lzms/lzms_encode.h"

#include <algorithm>

#include "base/byte_order.h"
#include "lzms/compress_container.h"
#include "lzms/lzms_common.h"

namespace {

constexpr unsigned kHashBits = 17;
constexpr unsigned kChainDepth = 256;
constexpr uint32_t kNiceLength = 96;  // stop searching once a match is this long
constexpr uint32_t kMaxLength = 1u << 20;

// Range encoder writing 16-bit words, carries delayed through a cache word.
struct RangeEncoder {
  uint64_t low = 0;
  uint32_t range = 0xFFFFFFFFu;
  uint16_t cache = 0;
  uint64_t cacheSize = 1;
  bool first = true;  // the first word is the always-zero integer part: not stored
  std::vector<uint16_t> words;
};

void shift_low(RangeEncoder* rc) {
  if (uint32_t(rc->low) < 0xFFFF0000u || (rc->low >> 32) != 0) {
    uint16_t carry = uint16_t(rc->low >> 32);
    uint16_t w = rc->cache;
    do {
      if (!rc->first) rc->words.push_back(uint16_t(w + carry));
      rc->first = false;
      w = 0xFFFF;
    } while (--rc->cacheSize != 0);
    rc->cache = uint16_t(rc->low >> 16);
  }
  ++rc->cacheSize;
  rc->low = (rc->low & 0xFFFF) << 16;
}

void encode_bit(RangeEncoder* rc, uint32_t* state, unsigned numStates, LzmsProb* probs, unsigned bit) {
  LzmsProb* p = &probs[*state];
  uint32_t prob = lzms_prob_get(p);
  if (rc->range <= 0xFFFF) {
    rc->range <<= 16;
    shift_low(rc);
  }
  uint32_t bound = (rc->range >> kLzmsProbBits) * prob;
  if (bit == 0) {
    rc->range = bound;
  } else {
    rc->low += bound;
    rc->range -= bound;
  }
  lzms_prob_update(p, bit);
  *state = ((*state << 1) | bit) & (numStates - 1);
}

// Huffman bits, most significant first into 16-bit words; the decoder reads
// these words from the end of the block backwards.
struct BitWriter {
  uint64_t bits = 0;
  unsigned count = 0;
  std::vector<uint16_t> words;
};

void put_bits(BitWriter* w, uint32_t value, unsigned n) {
  if (n == 0) return;
  w->bits = (w->bits << n) | value;
  w->count += n;
  while (w->count >= 16) {
    w->count -= 16;
    w->words.push_back(uint16_t(w->bits >> w->count));
  }
}

void put_symbol(BitWriter* w, LzmsHuffman* h, unsigned sym) {
  put_bits(w, h->codewords[sym], h->lens[sym]);
  lzms_huffman_count(h, sym);
}

// Hash chains over 3-byte prefixes of one sequence.
struct MatchFinder {
  const uint8_t* data;
  size_t size;
  std::vector<int32_t> head, prev;
  size_t next = 0;  // positions below this are in the chains
};

uint32_t hash3(const uint8_t* p) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  return (v * 2654435761u) >> (32 - kHashBits);
}

void finder_init(MatchFinder* f, const uint8_t* data, size_t size) {
  f->data = data;
  f->size = size;
  f->head.assign(size_t(1) << kHashBits, -1);
  f->prev.assign(size, -1);
}

void finder_advance(MatchFinder* f, size_t upTo) {
  for (; f->next < upTo && f->next + 3 <= f->size; ++f->next) {
    uint32_t h = hash3(f->data + f->next);
    f->prev[f->next] = f->head[h];
    f->head[h] = int32_t(f->next);
  }
  if (f->next < upTo) f->next = upTo;
}

uint32_t match_length(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t n = 0;
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// Longest earlier occurrence of the bytes at `pos`, up to `limit` long.
uint32_t find_match(MatchFinder* f, size_t pos, uint32_t limit, uint32_t* offsetOut) {
  finder_advance(f, pos);
  uint32_t best = 0;
  if (pos + 3 > f->size) return 0;
  int32_t cand = f->head[hash3(f->data + pos)];
  for (unsigned depth = 0; cand >= 0 && depth < kChainDepth; ++depth, cand = f->prev[size_t(cand)]) {
    const uint8_t* c = f->data + cand;
    if (c[best] != f->data[pos + best] && best < limit) continue;
    uint32_t len = match_length(c, f->data + pos, limit);
    if (len > best) {
      best = len;
      *offsetOut = uint32_t(pos - size_t(cand));
      if (len >= kNiceLength || len == limit) break;
    }
  }
  return best;
}

// One coded item.
struct Choice {
  enum Kind { kLiteral, kLz, kLzRep, kDelta, kDeltaRep } kind = kLiteral;
  uint32_t length = 1;
  uint32_t offset = 0;  // LZ offset, or delta raw offset
  unsigned repIndex = 0;
};

struct Encoder {
  const uint8_t* data;
  size_t size;
  RangeEncoder rc;
  BitWriter bw;
  LzmsBitModel bits;
  LzmsQueues queues;
  LzmsHuffman literal, lzOffset, length, deltaOffset, deltaPower;
  MatchFinder lzFinder, deltaFinder;
  std::vector<uint8_t> diffs;  // data[i] - data[i - 1]: delta matches are LZ matches here
};

// A repeat queue as the decoder will see it for a match at `pos`.
template <typename T>
void rep_view(const LzmsRepQueue<T>& q, size_t pos, T* reps) {
  LzmsRepQueue<T> v = q;
  lzms_queue_begin(&v, pos);
  for (unsigned i = 0; i < kLzmsNumReps; ++i) reps[i] = v.entries[i];
}

uint32_t delta_length(const uint8_t* d, size_t pos, uint64_t pair, uint32_t limit) {
  uint32_t power = uint32_t(pair >> 32);
  uint64_t off1 = uint64_t(1) << power, off2 = uint64_t(uint32_t(pair)) << power;
  if (power >= kLzmsNumDeltaPowerSyms || off1 + off2 > pos) return 0;
  uint32_t n = 0;
  while (n < limit) {
    size_t i = pos + n;
    if (d[i] != uint8_t(d[i - off1] + d[i - off2] - d[i - off1 - off2])) break;
    ++n;
  }
  return n;
}

// Rough cost in bits, from the current codes.
uint32_t length_bits(const Encoder& e, uint32_t length) {
  unsigned slot = lzms_length_slot(length);
  return e.length.lens[slot] + kLzmsSlots.lengthExtra[slot];
}

uint32_t offset_bits(const LzmsHuffman& code, uint32_t offset) {
  unsigned slot = lzms_offset_slot(offset);
  return code.lens[slot] + kLzmsSlots.offsetExtra[slot];
}

// Best item at `pos`, scored as literal bits saved minus bits spent.
Choice Choose(Encoder* e, size_t pos) {
  Choice best;
  const uint32_t limit = uint32_t(std::min<size_t>(e->size - pos, kMaxLength));
  if (limit < 2 || pos == 0) return best;
  const uint32_t avgLiteral = 6;
  int64_t bestScore = 0;
  auto consider = [&](Choice c, uint32_t costBits) {
    int64_t score = int64_t(c.length) * avgLiteral - costBits;
    if (score > bestScore) {
      bestScore = score;
      best = c;
    }
  };

  uint32_t reps[kLzmsNumReps];
  rep_view(e->queues.lz, pos, reps);
  for (unsigned i = 0; i < kLzmsNumReps; ++i) {
    if (reps[i] > pos) continue;
    uint32_t len = match_length(e->data + pos - reps[i], e->data + pos, limit);
    if (len >= 2) consider({Choice::kLzRep, len, reps[i], i}, 4 + i + length_bits(*e, len));
  }
  uint32_t offset = 0;
  uint32_t len = find_match(&e->lzFinder, pos, limit, &offset);
  if (len >= 3)
    consider({Choice::kLz, len, offset, 0}, 4 + offset_bits(e->lzOffset, offset) + length_bits(*e, len));

  uint64_t dreps[kLzmsNumReps];
  rep_view(e->queues.delta, pos, dreps);
  for (unsigned i = 0; i < kLzmsNumReps; ++i) {
    uint32_t dlen = delta_length(e->data, pos, dreps[i], limit);
    if (dlen >= 2) consider({Choice::kDeltaRep, dlen, 0, i}, 5 + i + length_bits(*e, dlen));
  }
  // A delta match of power 0 and raw offset D is an LZ match of offset D in
  // the differences; it needs data[pos - D - 1], hence the position limit.
  uint32_t doff = 0;
  uint32_t dlen = find_match(&e->deltaFinder, pos, limit, &doff);
  if (dlen >= 4 && size_t(doff) + 1 <= pos)
    consider({Choice::kDelta, dlen, doff, 0},
             6 + e->deltaPower.lens[0] + offset_bits(e->deltaOffset, doff) + length_bits(*e, dlen));
  return best;
}

void encode_rep_index(RangeEncoder* rc, uint32_t* states, LzmsProb (*probs)[kLzmsNumRepStates],
                      unsigned idx) {
  for (unsigned i = 0; i < kLzmsNumReps - 1; ++i) {
    unsigned more = i < idx;
    encode_bit(rc, &states[i], kLzmsNumRepStates, probs[i], more);
    if (!more) break;
  }
}

void put_offset(Encoder* e, LzmsHuffman* code, uint32_t offset) {
  unsigned slot = lzms_offset_slot(offset);
  put_symbol(&e->bw, code, slot);
  put_bits(&e->bw, offset - kLzmsSlots.offsetBase[slot], kLzmsSlots.offsetExtra[slot]);
}

void put_length(Encoder* e, uint32_t length) {
  unsigned slot = lzms_length_slot(length);
  put_symbol(&e->bw, &e->length, slot);
  put_bits(&e->bw, length - kLzmsSlots.lengthBase[slot], kLzmsSlots.lengthExtra[slot]);
}

void emit_choice(Encoder* e, size_t pos, const Choice& c) {
  LzmsBitModel& m = e->bits;
  RangeEncoder* rc = &e->rc;
  if (c.kind == Choice::kLiteral) {
    encode_bit(rc, &m.mainState, kLzmsNumMainStates, m.main, 0);
    put_symbol(&e->bw, &e->literal, e->data[pos]);
    return;
  }
  encode_bit(rc, &m.mainState, kLzmsNumMainStates, m.main, 1);
  size_t end = pos + c.length;
  if (c.kind == Choice::kLz || c.kind == Choice::kLzRep) {
    encode_bit(rc, &m.matchState, kLzmsNumMatchStates, m.match, 0);
    lzms_queue_begin(&e->queues.lz, pos);
    uint32_t offset = c.offset;
    if (c.kind == Choice::kLz) {
      encode_bit(rc, &m.lzState, kLzmsNumLzStates, m.lz, 0);
      put_offset(e, &e->lzOffset, offset);
    } else {
      encode_bit(rc, &m.lzState, kLzmsNumLzStates, m.lz, 1);
      encode_rep_index(rc, m.lzRepState, m.lzRep, c.repIndex);
      offset = lzms_queue_take(&e->queues.lz, c.repIndex);
    }
    put_length(e, c.length);
    lzms_queue_end(&e->queues.lz, offset, end);
  } else {
    encode_bit(rc, &m.matchState, kLzmsNumMatchStates, m.match, 1);
    lzms_queue_begin(&e->queues.delta, pos);
    uint64_t pair;
    if (c.kind == Choice::kDelta) {
      encode_bit(rc, &m.deltaState, kLzmsNumDeltaStates, m.delta, 0);
      put_symbol(&e->bw, &e->deltaPower, 0);
      put_offset(e, &e->deltaOffset, c.offset);
      pair = c.offset;
    } else {
      encode_bit(rc, &m.deltaState, kLzmsNumDeltaStates, m.delta, 1);
      encode_rep_index(rc, m.deltaRepState, m.deltaRep, c.repIndex);
      pair = lzms_queue_take(&e->queues.delta, c.repIndex);
    }
    put_length(e, c.length);
    lzms_queue_end(&e->queues.delta, pair, end);
  }
}

}  // namespace

std::vector<uint8_t> lzms_encode(const uint8_t* in, size_t size) {
  std::vector<uint8_t> out;
  if (size == 0) return out;
  std::vector<uint8_t> data(in, in + size);
  std::vector<int32_t> scratch(65536);
  lzms_x86_filter(data.data(), size, scratch.data(), 0);

  Encoder* e = new Encoder;
  e->data = data.data();
  e->size = size;
  lzms_bit_model_init(&e->bits);
  lzms_queues_init(&e->queues);
  unsigned offsetSlots = lzms_num_offset_slots(size);
  lzms_huffman_init(&e->literal, kLzmsNumLiteralSyms, kLzmsLiteralRebuild);
  lzms_huffman_init(&e->lzOffset, offsetSlots, kLzmsLzOffsetRebuild);
  lzms_huffman_init(&e->length, kLzmsNumLengthSyms, kLzmsLengthRebuild);
  lzms_huffman_init(&e->deltaOffset, offsetSlots, kLzmsDeltaOffsetRebuild);
  lzms_huffman_init(&e->deltaPower, kLzmsNumDeltaPowerSyms, kLzmsDeltaPowerRebuild);
  e->diffs.resize(size);
  e->diffs[0] = data[0];
  for (size_t i = 1; i < size; ++i) e->diffs[i] = uint8_t(data[i] - data[i - 1]);
  finder_init(&e->lzFinder, e->data, size);
  finder_init(&e->deltaFinder, e->diffs.data(), size);

  // Lazy parse: a match is deferred by one literal when the next position
  // offers a clearly longer one.
  size_t pos = 0;
  Choice pending = Choose(e, 0);
  while (pos < size) {
    Choice c = pending;
    if (c.kind != Choice::kLiteral && c.kind != Choice::kLzRep && pos + 1 < size) {
      Choice next = Choose(e, pos + 1);
      if (next.length > c.length + 1) {
        emit_choice(e, pos, Choice());
        ++pos;
        pending = next;
        continue;
      }
    }
    emit_choice(e, pos, c);
    pos += c.length;
    if (pos < size) pending = Choose(e, pos);
  }

  shift_low(&e->rc);
  shift_low(&e->rc);
  shift_low(&e->rc);
  if (e->bw.count) e->bw.words.push_back(uint16_t(e->bw.bits << (16 - e->bw.count)));
  // Range coder words from the front, Huffman words back to front.
  std::vector<uint16_t> words = e->rc.words;
  words.insert(words.end(), e->bw.words.rbegin(), e->bw.words.rend());
  delete e;
  out.resize(words.size() * 2);
  for (size_t i = 0; i < words.size(); ++i) store_le16(&out[2 * i], words[i]);
  return out;
}

std::vector<uint8_t> compress_encode_buffer(const uint8_t* in, size_t size) {
  // One block per kCompressMaxBlockSize bytes (the asset image is one block); a
  // block that LZMS cannot shrink is stored as it is.
  const size_t blockSize = size ? std::min<size_t>(size, kCompressMaxBlockSize) : 1;
  std::vector<uint8_t> out(kCompressHeaderSize);
  compress_write_header(out.data(), size, blockSize);
  for (size_t at = 0; at < size; at += blockSize) {
    const size_t unpacked = std::min(blockSize, size - at);
    std::vector<uint8_t> block = lzms_encode(in + at, unpacked);
    const bool stored = block.size() >= unpacked;
    const size_t packed = stored ? unpacked : block.size();
    uint8_t sizeField[4];
    store_le32(sizeField, uint32_t(packed));
    out.insert(out.end(), sizeField, sizeField + 4);
    if (stored)
      out.insert(out.end(), in + at, in + at + unpacked);
    else
      out.insert(out.end(), block.begin(), block.end());
  }
  return out;
}
