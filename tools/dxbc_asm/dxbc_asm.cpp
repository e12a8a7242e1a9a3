// Encoding: every instruction is an opcode token (opcode in bits 0-10, controls in
// 11-23, length in words in 24-30) followed by operand tokens (component count in
// bits 0-1, selection mode 2-3, mask / swizzle / component 4-11, register type
// 12-19, index dimension 20-21, index representations from 22), each followed by
// its extended token (negation), its index words and its immediate values.
#include "tools/dxbc_asm/dxbc_asm.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"

namespace {

typedef std::vector<uint32_t> Words;

enum OperandType : uint32_t {
  kTemp = 0,
  kImmediate = 4,
  kResource = 7,
  kConstantBuffer = 8,
  kImmediateConstantBuffer = 9,
  kNull = 13,
  kUav = 30,
  kThreadId = 32,
};

struct Opcode {
  const char* name;
  uint32_t code;
  int destinations, sources;
  uint32_t controls;  // bits 11-23 as given
};

const uint32_t kTestNonZero = 1u << 18;

const Opcode kOpcodes[] = {
    {"and", 0x01, 1, 2, 0},
    {"break", 0x02, 0, 0, 0},
    {"breakc_nz", 0x03, 0, 1, kTestNonZero},
    {"breakc_z", 0x03, 0, 1, 0},
    {"case", 0x06, 0, 1, 0},
    {"default", 0x0a, 0, 0, 0},
    {"else", 0x12, 0, 0, 0},
    {"endif", 0x15, 0, 0, 0},
    {"endloop", 0x16, 0, 0, 0},
    {"endswitch", 0x17, 0, 0, 0},
    {"if_nz", 0x1f, 0, 1, kTestNonZero},
    {"if_z", 0x1f, 0, 1, 0},
    {"iadd", 0x1e, 1, 2, 0},
    {"ieq", 0x20, 1, 2, 0},
    {"ige", 0x21, 1, 2, 0},
    {"ilt", 0x22, 1, 2, 0},
    {"imad", 0x23, 1, 3, 0},
    {"imax", 0x24, 1, 2, 0},
    {"imin", 0x25, 1, 2, 0},
    {"imul", 0x26, 2, 2, 0},
    {"ine", 0x27, 1, 2, 0},
    {"ineg", 0x28, 1, 1, 0},
    {"ishl", 0x29, 1, 2, 0},
    {"ishr", 0x2a, 1, 2, 0},
    {"ld", 0x2d, 1, 2, 0},
    {"loop", 0x30, 0, 0, 0},
    {"mov", 0x36, 1, 1, 0},
    {"movc", 0x37, 1, 3, 0},
    {"or", 0x3c, 1, 2, 0},
    {"ret", 0x3e, 0, 0, 0},
    {"retc_nz", 0x3f, 0, 1, kTestNonZero},
    {"switch", 0x4c, 0, 1, 0},
    {"udiv", 0x4e, 2, 2, 0},
    {"ult", 0x4f, 1, 2, 0},
    {"uge", 0x50, 1, 2, 0},
    {"umax", 0x53, 1, 2, 0},
    {"umin", 0x54, 1, 2, 0},
    {"ushr", 0x55, 1, 2, 0},
    {"xor", 0x57, 1, 2, 0},
    {"ld_raw", 0xa5, 1, 2, 0},
    {"store_uav_typed", 0xa4, 1, 2, 0},
};

struct Parser {
  int line;
  std::string error;
  int64_t maxTemp = -1;  // the highest temp register used, and where
  int maxTempLine = 0;

  bool fail(const std::string& what) {
    if (error.empty()) error = "line " + std::to_string(line) + ": " + what;
    return false;
  }
};

std::string trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && isspace(static_cast<unsigned char>(s[a]))) a++;
  while (b > a && isspace(static_cast<unsigned char>(s[b - 1]))) b--;
  return s.substr(a, b - a);
}

// Splits at commas outside brackets and parentheses.
std::vector<std::string> split_operands(const std::string& s) {
  std::vector<std::string> out;
  int depth = 0;
  std::string cur;
  for (char c : s) {
    if (c == '(' || c == '[' || c == '{') depth++;
    if (c == ')' || c == ']' || c == '}') depth--;
    if (c == ',' && depth == 0) {
      out.push_back(trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!trim(cur).empty()) out.push_back(trim(cur));
  return out;
}

bool parse_int(const std::string& text, int64_t lo, int64_t hi, int64_t* value) {
  std::string s = trim(text);
  if (s.empty() || s.size() > 12) return false;
  char* end = nullptr;
  long long v = strtoll(s.c_str(), &end, 0);
  if (*end != 0 || v < lo || v > hi) return false;
  *value = v;
  return true;
}

// ".xyzw"-style suffix to component numbers; empty for none.
bool parse_components(const std::string& suffix, std::vector<int>* comps) {
  comps->clear();
  if (suffix.size() > 4) return false;
  for (char c : suffix) {
    const char* pos = strchr("xyzw", c);
    if (!pos || !c) return false;
    comps->push_back(int(pos - "xyzw"));
  }
  return true;
}

// Component selection bits of an operand token with four components.
bool selection(Parser& p, const std::vector<int>& comps, bool destination, uint32_t* bits) {
  if (destination) {
    uint32_t mask = 0;
    for (int c : comps) {
      if (mask & (1u << c)) return p.fail("repeated component in a write mask");
      mask |= 1u << c;
    }
    *bits = 2 | (comps.empty() ? 0xF0 : mask << 4);
    return true;
  }
  if (comps.size() == 1) {
    *bits = 2 | 2 << 2 | uint32_t(comps[0]) << 4;  // select one
    return true;
  }
  uint32_t swizzle = 0;
  for (int i = 0; i < 4; i++) {
    int c = comps.empty() ? i : comps[size_t(i) < comps.size() ? size_t(i) : comps.size() - 1];
    swizzle |= uint32_t(c) << (2 * i);
  }
  *bits = 2 | 1 << 2 | swizzle << 4;
  return true;
}

bool parse_register(Parser& p, const std::string& text, bool destination, Words* out);

// "name[index]" or "name" followed by ".comps".
bool split_suffix(const std::string& text, std::string* body, std::string* suffix) {
  size_t close = text.rfind(']');
  size_t dot = text.rfind('.');
  if (dot != std::string::npos && (close == std::string::npos || dot > close)) {
    *body = text.substr(0, dot);
    *suffix = text.substr(dot + 1);
    return !suffix->empty();
  }
  *body = text;
  suffix->clear();
  return true;
}

bool parse_immediate(Parser& p, const std::string& text, Words* out) {
  std::vector<std::string> values = split_operands(text.substr(2, text.size() - 3));
  if (values.size() != 1 && values.size() != 4) return p.fail("l(...) takes 1 or 4 values: " + text);
  out->push_back(values.size() == 1 ? 0x00004001u : 0x00004002u);
  for (const std::string& v : values) {
    int64_t n;
    if (!parse_int(v, INT32_MIN, UINT32_MAX, &n)) return p.fail("bad immediate value '" + v + "'");
    out->push_back(uint32_t(n));
  }
  return true;
}

bool parse_register(Parser& p, const std::string& operand, bool destination, Words* out) {
  std::string text = operand;
  bool negate = false;
  if (!text.empty() && text[0] == '-') {
    if (destination) return p.fail("a destination cannot be negated");
    negate = true;
    text = trim(text.substr(1));
  }
  if (text == "null") {
    if (!destination || negate) return p.fail("null is a destination only");
    out->push_back(0x0000d000);
    return true;
  }
  if (text.size() > 3 && text.compare(0, 2, "l(") == 0 && text.back() == ')') {
    if (destination || negate) return p.fail("an immediate is a plain source");
    return parse_immediate(p, text, out);
  }
  std::string body, suffix;
  std::vector<int> comps;
  if (!split_suffix(text, &body, &suffix) || !parse_components(suffix, &comps))
    return p.fail("bad component selection in '" + operand + "'");
  uint32_t bits;
  if (!selection(p, comps, destination, &bits)) return false;
  uint32_t ext = negate ? 1u << 31 : 0;
  auto emit = [&](uint32_t type, uint32_t dims, uint32_t reps) {
    out->push_back(bits | type << 12 | dims << 20 | reps << 22 | ext);
    if (negate) out->push_back(0x00000041);
  };
  int64_t n;
  if (body == "vThreadID") {
    emit(kThreadId, 0, 0);
    return true;
  }
  if (body.size() >= 2 && (body[0] == 'r' || body[0] == 't' || body[0] == 'u') &&
      parse_int(body.substr(1), 0, 4095, &n)) {
    emit(body[0] == 'r' ? kTemp : body[0] == 't' ? kResource : kUav, 1, 0);
    if (body[0] == 'r' && n > p.maxTemp) {
      p.maxTemp = n;
      p.maxTempLine = p.line;
    }
    out->push_back(uint32_t(n));
    return true;
  }
  if (body.compare(0, 4, "cb0[") == 0 && body.back() == ']' &&
      parse_int(body.substr(4, body.size() - 5), 0, 4095, &n)) {
    emit(kConstantBuffer, 2, 0);
    out->push_back(0);
    out->push_back(uint32_t(n));
    return true;
  }
  if (body.compare(0, 4, "icb[") == 0 && body.back() == ']') {
    // icb[rN.c + i]: immediate part, then the nested register.
    std::string inside = body.substr(4, body.size() - 5);
    size_t plus = inside.find('+');
    if (plus == std::string::npos || !parse_int(inside.substr(plus + 1), 0, 4095, &n))
      return p.fail("icb index must read [rN.c + i]");
    emit(kImmediateConstantBuffer, 1, 3);
    out->push_back(uint32_t(n));
    std::string reg = trim(inside.substr(0, plus));
    if (reg.empty() || reg[0] != 'r') return p.fail("icb index register must be a temp");
    return parse_register(p, reg, false, out);
  }
  return p.fail("unknown operand '" + operand + "'");
}

struct Program {
  Words words;
  uint32_t temps = 0;
};

bool declaration(Parser& p, const std::string& name, const std::string& rest,
                 const std::vector<std::string>& lines, size_t* index, Program* prog) {
  Words& w = prog->words;
  int64_t n;
  std::string r = trim(rest);
  if (name == "dcl_globalFlags") {
    if (r != "refactoringAllowed") return p.fail("only refactoringAllowed is known");
    w.push_back(0x0100086a);
    return true;
  }
  if (name == "dcl_constantbuffer") {
    if (r.compare(0, 4, "cb0[") != 0 || r.find("], immediateIndexed") == std::string::npos ||
        !parse_int(r.substr(4, r.find(']') - 4), 1, 4096, &n))
      return p.fail("expected cb0[N], immediateIndexed");
    w.insert(w.end(), {0x04000059, 0x00208e46, 0, uint32_t(n)});
    return true;
  }
  auto slot = [&](const std::string& prefix, char reg) -> bool {
    if (r.compare(0, prefix.size(), prefix) != 0) return false;
    std::string s = trim(r.substr(prefix.size()));
    return s.size() >= 2 && s[0] == reg && parse_int(s.substr(1), 0, 127, &n);
  };
  if (name == "dcl_resource_buffer") {
    if (!slot("(uint,uint,uint,uint)", 't')) return p.fail("expected (uint,uint,uint,uint) tN");
    w.insert(w.end(), {0x04000858, 0x00107000, uint32_t(n), 0x00004444});
    return true;
  }
  if (name == "dcl_resource_texture2d") {
    if (!slot("(float,float,float,float)", 't')) return p.fail("expected (float,float,float,float) tN");
    w.insert(w.end(), {0x04001858, 0x00107000, uint32_t(n), 0x00005555});
    return true;
  }
  if (name == "dcl_resource_raw") {
    if (!slot("", 't')) return p.fail("expected tN");
    w.insert(w.end(), {0x030000a1, 0x00107000, uint32_t(n)});
    return true;
  }
  if (name == "dcl_uav_typed_buffer") {
    if (!slot("(uint,uint,uint,uint)", 'u') || n > 7)
      return p.fail("expected (uint,uint,uint,uint) uN, N < 8");
    w.insert(w.end(), {0x0400089c, 0x0011e000, uint32_t(n), 0x00004444});
    return true;
  }
  if (name == "dcl_input") {
    std::string body, suffix;
    std::vector<int> comps;
    if (!split_suffix(r, &body, &suffix) || body != "vThreadID" || !parse_components(suffix, &comps) ||
        comps.empty())
      return p.fail("expected vThreadID with a mask");
    uint32_t bits;
    selection(p, comps, true, &bits);
    w.insert(w.end(), {0x0200005f, bits | kThreadId << 12});
    return true;
  }
  if (name == "dcl_temps") {
    if (!parse_int(r, 1, 4096, &n)) return p.fail("expected a temp count 1..4096");
    prog->temps = uint32_t(n);
    w.insert(w.end(), {0x02000068, uint32_t(n)});
    return true;
  }
  if (name == "dcl_thread_group") {
    std::vector<std::string> v = split_operands(r);
    int64_t x, y, z;
    if (v.size() != 3 || !parse_int(v[0], 1, 1024, &x) || !parse_int(v[1], 1, 1024, &y) ||
        !parse_int(v[2], 1, 64, &z) || x * y * z > 1024)
      return p.fail("thread group must be x, y, z within 1024 x 1024 x 64 and 1024 threads");
    w.insert(w.end(), {0x0400009b, uint32_t(x), uint32_t(y), uint32_t(z)});
    return true;
  }
  if (name == "dcl_immediateConstantBuffer") {
    // Rows of four values on the following lines, "{ a, b, c, d }", up to a line "}".
    Words rows;
    for (;;) {
      if (++*index >= lines.size()) return p.fail("immediate constant buffer without its closing '}'");
      p.line++;
      std::string row = trim(lines[*index].substr(0, lines[*index].find(';')));
      if (row.empty()) continue;
      if (row == "}") break;
      if (row.size() < 2 || row.front() != '{' || row.back() != '}') return p.fail("expected { a, b, c, d }");
      std::vector<std::string> v = split_operands(row.substr(1, row.size() - 2));
      if (v.size() != 4) return p.fail("a row holds four values");
      for (const std::string& s : v) {
        if (!parse_int(s, INT32_MIN, UINT32_MAX, &n)) return p.fail("bad value '" + s + "'");
        rows.push_back(uint32_t(n));
      }
      if (rows.size() > 4096 * 4) return p.fail("immediate constant buffer too large");
    }
    w.push_back(0x00001835);
    w.push_back(uint32_t(rows.size() + 2));
    w.insert(w.end(), rows.begin(), rows.end());
    return true;
  }
  return p.fail("unknown declaration " + name);
}

bool instruction(Parser& p, const std::string& name, const std::string& rest, Program* prog) {
  const Opcode* op = nullptr;
  for (const Opcode& o : kOpcodes)
    if (name == o.name) op = &o;
  if (!op) return p.fail("unknown instruction '" + name + "'");
  std::vector<std::string> operands = split_operands(rest);
  if (int(operands.size()) != op->destinations + op->sources)
    return p.fail(name + " takes " + std::to_string(op->destinations + op->sources) + " operands");
  Words body;
  for (size_t i = 0; i < operands.size(); i++)
    if (!parse_register(p, operands[i], int(i) < op->destinations, &body)) return false;
  if (body.size() + 1 > 127) return p.fail("instruction too long");
  prog->words.push_back(op->code | op->controls | uint32_t(body.size() + 1) << 24);
  prog->words.insert(prog->words.end(), body.begin(), body.end());
  return true;
}

void put32(std::vector<uint8_t>* b, uint32_t v) {
  b->resize(b->size() + 4);
  store_le32(&(*b)[b->size() - 4], v);
}

}  // namespace

DxbcResult dxbc_assemble(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  Parser p{0, {}};
  Program prog;
  prog.words = {0x00050050, 0};  // cs_5_0, length filled in below
  bool ended = false;
  for (size_t i = 0; i < lines.size() && p.error.empty(); i++) {
    p.line = int(i) + 1;
    std::string line = trim(lines[i].substr(0, lines[i].find(';')));
    if (line.empty()) continue;
    size_t space = line.find_first_of(" \t");
    std::string name = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (name.compare(0, 4, "dcl_") == 0)
      declaration(p, name, rest, lines, &i, &prog);
    else
      instruction(p, name, rest, &prog);
    ended = name == "ret";
    if (prog.words.size() > (1u << 20)) p.fail("program too long");
  }
  if (p.error.empty() && !ended) p.fail("the program must end with ret");
  if (p.error.empty() && p.maxTemp >= int64_t(prog.temps)) {
    p.line = p.maxTempLine;
    p.fail("r" + std::to_string(p.maxTemp) + " is used but dcl_temps declares " + std::to_string(prog.temps));
  }
  if (!p.error.empty()) return DxbcResult{false, p.error, {}};
  prog.words[1] = uint32_t(prog.words.size());

  // Header, three chunk offsets, ISGN and OSGN empty (count 0, elements at 8), SHEX.
  std::vector<uint8_t> blob;
  uint32_t shexSize = uint32_t(prog.words.size() * 4);
  uint32_t total = 32 + 12 + 16 + 16 + 8 + shexSize;
  blob.insert(blob.end(), {'D', 'X', 'B', 'C'});
  blob.resize(20, 0);
  put32(&blob, 1);
  put32(&blob, total);
  put32(&blob, 3);
  put32(&blob, 44);
  put32(&blob, 60);
  put32(&blob, 76);
  for (const char* tag : {"ISGN", "OSGN"}) {
    blob.insert(blob.end(), tag, tag + 4);
    put32(&blob, 8);
    put32(&blob, 0);
    put32(&blob, 8);
  }
  blob.insert(blob.end(), {'S', 'H', 'E', 'X'});
  put32(&blob, shexSize);
  for (uint32_t w : prog.words) put32(&blob, w);
  dxbc_checksum(blob.data(), blob.size(), blob.data() + 4);
  return DxbcResult{true, {}, blob};
}
