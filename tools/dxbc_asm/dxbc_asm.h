// A small assembler for Shader Model 5.0 compute shaders: the text form of the
// instructions and declarations that the CRT shader uses, turned into a DXBC
// container (empty ISGN and OSGN chunks and a SHEX chunk, the layout that
// Microsoft's compiler emits for cs_5_0 with reflection stripped), checksum included.
//
// Text: one instruction per line, ';' starts a comment. Operands: rN with a write
// mask (destinations) or a swizzle / single component (sources), l(a[, b, c, d]),
// cb0[i].c, icb[rN.c + i].c, tN, uN, vThreadID, null, and '-' for a negated source.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct DxbcResult {
  bool ok;
  std::string error;          // "line N: ..." when not ok
  std::vector<uint8_t> blob;  // the container
};

DxbcResult dxbc_assemble(const std::string& text);

// The container's checksum over blob[20..]: MD5's compression function with its own
// tail (a 32-bit bit count ahead of the last bytes, 2n+1 as the last word).
void dxbc_checksum(const uint8_t* blob, size_t size, uint8_t out[16]);
