#include "base/byte_order.h"
#include "lzms/lzms_common.h"

namespace {

// A reference to the same 16-bit target twice within this window marks the
// second one as likely x86 code; translation then stays on for a while.
constexpr int32_t kIdWindow = 65535;
constexpr int32_t kMaxTranslationOffset = 1023;

// Length of the opcode at data[i] when it is a relative-addressing
// instruction (0 when not); E9 jumps are skipped without translation.
int32_t opcode_length(const uint8_t* d, int32_t i, int32_t* maxOffset) {
  *maxOffset = kMaxTranslationOffset;
  switch (d[i]) {
    case 0x48:
      if (d[i + 1] == 0x8B && (d[i + 2] == 0x05 || d[i + 2] == 0x0D)) return 3;
      if (d[i + 1] == 0x8D && (d[i + 2] & 7) == 5) return 3;
      return 0;
    case 0x4C:
      return d[i + 1] == 0x8D && (d[i + 2] & 7) == 5 ? 3 : 0;
    case 0xE8:
      *maxOffset = kMaxTranslationOffset / 2;  // calls need more evidence
      return 1;
    case 0xF0:
      return d[i + 1] == 0x83 && d[i + 2] == 0x05 ? 3 : 0;
    case 0xFF:
      return d[i + 1] == 0x15 ? 2 : 0;
    default:
      return 0;
  }
}

}  // namespace

void lzms_x86_filter(uint8_t* data, size_t size, int32_t* lastUse, int undo) {
  if (size <= 17 || size > 0x7fffffff) return;
  for (int32_t t = 0; t < 65536; ++t) lastUse[t] = -kIdWindow - 1;
  const int32_t tail = int32_t(size) - 16;  // no opcode starts in the last 16 bytes
  int32_t lastX86 = -kMaxTranslationOffset - 1;
  // The first byte is never an opcode.
  for (int32_t i = 1; i < tail; ++i) {
    uint8_t op = data[i];
    if (op != 0x48 && op != 0x4C && op != 0xE8 && op != 0xE9 && op != 0xF0 && op != 0xFF) continue;
    if (op == 0xE9) {
      i += 4;
      continue;
    }
    int32_t maxOffset;
    int32_t n = opcode_length(data, i, &maxOffset);
    if (n == 0) continue;
    uint8_t* field = data + i + n;
    uint16_t target;
    if (undo) {
      if (i - lastX86 <= maxOffset) store_le32(field, load_le32(field) - uint32_t(i));
      target = uint16_t(i + load_le16(field));
    } else {
      target = uint16_t(i + load_le16(field));
      if (i - lastX86 <= maxOffset) store_le32(field, load_le32(field) + uint32_t(i));
    }
    i += n + 3;
    if (i - lastUse[target] <= kIdWindow) lastX86 = i;
    lastUse[target] = i;
  }
}
