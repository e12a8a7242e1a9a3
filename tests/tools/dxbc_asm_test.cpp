// The shader assembler against containers whose bytes were checked elsewhere
// (accepted by D3D11 under Wine and by independent parsers), and its errors.
#include "tools/dxbc_asm/dxbc_asm.h"

#include <gtest/gtest.h>

#include <string>

#include "base/byte_order.h"
#include "tests/test_files.h"

namespace {

TEST(DxbcAsm, KnownContainers) {
  struct Case {
    const char* source;
    const char* bytes;
  } cases[] = {
      // The smallest compute shader (one-block checksum tail).
      {"dcl_thread_group 1, 1, 1\nret\n",
       "44 58 42 43 b7 0c d2 8e 30 ce e0 5a 59 45 e7 99 34 9f d0 a5 01 00 00 00 70 00 00 00 03 00 00 00 "
       "2c 00 00 00 3c 00 00 00 4c 00 00 00 49 53 47 4e 08 00 00 00 00 00 00 00 08 00 00 00 4f 53 47 4e "
       "08 00 00 00 00 00 00 00 08 00 00 00 53 48 45 58 1c 00 00 00 50 00 05 00 07 00 00 00 9b 00 00 04 "
       "01 00 00 00 01 00 00 00 01 00 00 00 3e 00 00 01"},
      // u0[i] = 3i + 5 over 64 threads (two-block checksum tail).
      {"dcl_globalFlags refactoringAllowed\n"
       "dcl_uav_typed_buffer (uint,uint,uint,uint) u0\n"
       "dcl_input vThreadID.x\n"
       "dcl_temps 1\n"
       "dcl_thread_group 64, 1, 1\n"
       "  imad r0.x, vThreadID.x, l(3), l(5)  ; a comment\n"
       "store_uav_typed u0.xyzw, vThreadID.xxxx, r0.xxxx\n"
       "ret",
       "44 58 42 43 4e 70 f4 ea 4a 91 29 a1 71 ef c1 38 7c e6 bf 5b 01 00 00 00 cc 00 00 00 03 00 00 00 "
       "2c 00 00 00 3c 00 00 00 4c 00 00 00 49 53 47 4e 08 00 00 00 00 00 00 00 08 00 00 00 4f 53 47 4e "
       "08 00 00 00 00 00 00 00 08 00 00 00 53 48 45 58 78 00 00 00 50 00 05 00 1e 00 00 00 6a 08 00 01 "
       "9c 08 00 04 00 e0 11 00 00 00 00 00 44 44 00 00 5f 00 00 02 12 00 02 00 68 00 00 02 01 00 00 00 "
       "9b 00 00 04 40 00 00 00 01 00 00 00 01 00 00 00 23 00 00 08 12 00 10 00 00 00 00 00 0a 00 02 00 "
       "01 40 00 00 03 00 00 00 01 40 00 00 05 00 00 00 a4 00 00 06 f2 e0 11 00 00 00 00 00 06 00 02 00 "
       "06 00 10 00 00 00 00 00 3e 00 00 01"},
  };
  for (const Case& c : cases) {
    DxbcResult r = dxbc_assemble(c.source);
    ASSERT_TRUE(r.ok) << r.error << " in " << c.source;
    EXPECT_EQ(r.blob, test_from_hex(c.bytes));
  }
}

// Operand encodings the CRT shader relies on, worked out from the token layout.
TEST(DxbcAsm, OperandForms) {
  struct Case {
    const char* line;
    std::vector<uint32_t> words;
  } cases[] = {
      // negated constant: extended token 0x41, then slot and vector index
      {"iadd r0.z, r0.w, -cb0[1].z", {0x0900001e, 0x00100042, 0, 0x0010003a, 0, 0x8020802a, 0x41, 0, 1}},
      // relative index: immediate part, then the nested register
      {"mov r8.w, icb[r8.w + 0].x", {0x07000036, 0x00100082, 8, 0x00d0900a, 0, 0x0010003a, 8}},
      {"udiv null, r0.w, vThreadID.x, l(3)",
       {0x0700004e, 0x0000d000, 0x00100082, 0, 0x0002000a, 0x00004001, 3}},
      {"ld r1.x, r0.yyyy, t2.xxxx", {0x0700002d, 0x00100012, 1, 0x00100556, 0, 0x00107006, 2}},
      {"movc r2.xyz, r1.xxxx, l(255, 255, 255, 0), r3.xyzx",
       {0x0c000037, 0x00100072, 2, 0x00100006, 1, 0x00004002, 255, 255, 255, 0, 0x00100246, 3}},
      {"if_nz r1.x", {0x0304001f, 0x0010000a, 1}},
      {"breakc_nz r1.x", {0x03040003, 0x0010000a, 1}},
      {"case l(-1)", {0x03000006, 0x00004001, 0xffffffff}},
  };
  for (const Case& c : cases) {
    DxbcResult r = dxbc_assemble(std::string("dcl_temps 9\n") + c.line + "\nret\n");
    ASSERT_TRUE(r.ok) << r.error;
    // SHEX data at 84: version, length, dcl_temps (2 words), the instruction, ret.
    ASSERT_EQ(r.blob.size(), 84 + 4 * (4 + c.words.size() + 1)) << c.line;
    for (size_t i = 0; i < c.words.size(); i++)
      EXPECT_EQ(load_le32(&r.blob[84 + 4 * (4 + i)]), c.words[i]) << c.line << " word " << i;
  }
}

TEST(DxbcAsm, ClearErrors) {
  struct Case {
    const char* source;
    const char* error;
  } cases[] = {
      {"dcl_temps 1\nfrobnicate r0.x\nret", "line 2: unknown instruction 'frobnicate'"},
      {"dcl_temps 1\nmov r0.x\nret", "line 2: mov takes 2 operands"},
      {"dcl_temps 1\nmov r0.q, l(1)\nret", "line 2: bad component selection in 'r0.q'"},
      {"dcl_temps 1\nmov l(1), r0.x\nret", "line 2: an immediate is a plain source"},
      {"dcl_temps 1\nmov r0.x, l(1, 2)\nret", "line 2: l(...) takes 1 or 4 values: l(1, 2)"},
      {"dcl_temps 1\nmov r0.x, l(99999999999)\nret", "line 2: bad immediate value '99999999999'"},
      {"dcl_temps 1\nmov r0.x, l(1)", "line 2: the program must end with ret"},
      {"dcl_temps 2\nmov r2.x, l(1)\nret", "line 2: r2 is used but dcl_temps declares 2"},
      {"dcl_thread_group 2048, 1, 1\ndcl_temps 1\nret",
       "line 1: thread group must be x, y, z within 1024 x 1024 x 64 and 1024 threads"},
      {"dcl_temps 1\ndcl_immediateConstantBuffer {\n{ 1, 2, 3 }\n}\nret", "line 3: a row holds four values"},
      {"dcl_temps 1\ndcl_immediateConstantBuffer {\n{ 1, 2, 3, 4 }\n",
       "line 4: immediate constant buffer without its closing '}'"},
      {"dcl_temps 1\nmov r0.xx, l(1)\nret", "line 2: repeated component in a write mask"},
  };
  for (const Case& c : cases) {
    DxbcResult r = dxbc_assemble(c.source);
    EXPECT_FALSE(r.ok) << c.source;
    EXPECT_EQ(r.error, c.error) << c.source;
  }
}

// The shader source with random bytes changed, cut or repeated: each attempt either
// assembles or names a line, and never reads or writes out of bounds (sanitizer builds).
TEST(DxbcAsm, DamagedSourcesFailClearly) {
  const Bytes file = test_read_file(VRINX_CRT_SHADER_SOURCE);
  const std::string source(file.begin(), file.end());
  ASSERT_TRUE(dxbc_assemble(source).ok);
  const char kBytes[] = "rltucbix0123456789.,()[]{}+- \n;_";
  uint32_t seed = 1;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  int failures = 0;
  for (int attempt = 0; attempt < 1500; attempt++) {
    std::string damaged = source;
    for (int edits = 1 + int(next(4)); edits > 0; edits--) {
      size_t at = next(uint32_t(damaged.size()));
      const uint32_t kind = next(3);
      if (kind == 0) damaged[at] = kBytes[next(sizeof kBytes - 1)];
      if (kind == 1) damaged.erase(at, next(40));
      if (kind == 2) damaged.insert(at, damaged.substr(next(uint32_t(damaged.size())), next(40)));
    }
    DxbcResult r = dxbc_assemble(damaged);
    if (r.ok) continue;
    failures++;
    ASSERT_EQ(r.error.compare(0, 5, "line "), 0) << r.error;
    ASSERT_TRUE(r.blob.empty());
  }
  EXPECT_GT(failures, 1000);
}

}  // namespace
