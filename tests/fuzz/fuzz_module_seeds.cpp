// Writes the inputs of fuzz_module: short MOD, S3M and XM songs (a second or two, so
// that the fuzzer spends its time on mutations) into the corpus folder, the first
// argument; and into the regression folder, the second, the long inputs that once cost
// too much, which the fuzz script replays once each.
#include <string>
#include <vector>

#include "tests/audio/module_writers.h"
#include "tests/test_files.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string corpus = argv[1], regress = argv[2];

  // Speed 1 and a break after a few rows keep every seed short.
  ModSong mod;
  mod.orderCount = mod.patternCount = 2, mod.orders[1] = 1;
  ModSample& smp = mod.samples[0];
  smp.lengthWords = 16, smp.loopStartWords = 4, smp.loopLengthWords = 8, smp.data.assign(32, 40);
  mod.cell(0, 0, 0) = {428, 1, 0x0C, 0x30};
  mod.cell(0, 0, 3) = {0, 0, 0x0F, 0x01};
  mod.cell(0, 1, 1) = {214, 1, 0x0E, 0x61};
  mod.cell(0, 7, 2) = {0, 0, 0x0D, 0x00};
  mod.cell(1, 2, 2) = {856, 1, 0x0B, 0x00};
  test_write_file(corpus + "/a.mod", write_mod(mod));
  ModSong wide = mod;
  wide.tag = "8CHN", wide.channels = 8;
  wide.cells.clear();
  wide.cell(0, 0, 0) = {0, 0, 0x0F, 0x01};
  wide.cell(0, 3, 7) = {428, 1, 0x08, 0x80};
  wide.cell(0, 9, 6) = {0, 0, 0x0D, 0x00};
  test_write_file(corpus + "/b.mod", write_mod(wide));

  S3mSong s3m;
  s3m.speed = 1, s3m.defaultPanFlag = 252;
  S3mSample s;
  s.length = 16, s.flags = 1, s.loopStart = 2, s.loopEnd = 12, s.bytes.assign(16, 0xA0);
  s3m.instruments = {s};
  s3m.patterns[0][0] = {S3mCell{1, 0x40, 1, 40, 19, 0xB2}};
  s3m.patterns[0][7] = {S3mCell{0, -1, 0, -1, 3, 0x00}};
  test_write_file(corpus + "/a.s3m", write_s3m(s3m));

  XmSong xm;
  xm.speed = 1;
  xm.patterns[0].rows = 16;
  xm.patterns[0].cells.resize(16 * 4);
  xm.patterns[0].cells[0] = {49, 1, 0x40, 0x0F, 0x03};
  xm.patterns[0].cells[5] = {97, 0, 0, 0x14, 0};
  XmSample pingPong, plain;
  pingPong.type = 0x10 | 2, pingPong.loopStart = 2, pingPong.loopLength = 6;
  pingPong.values = {0, 1000, 2000, 1000, 0, -1000};
  plain.values = {1, 2, 3, 4};
  XmInstrument ins, empty;
  ins.samples = {pingPong, plain};
  ins.keyMap[48] = 1;
  ins.volumeEnvelope = {{{0, 64}, {8, 20}, {16, 40}}, 1, 0, 2, 7};
  ins.fadeout = 512;
  empty.headerSize = 29;
  xm.instruments = {ins, empty, ins};
  test_write_file(corpus + "/a.xm", write_xm(xm));

  // Header speed and tempo 65535 on a 256-row pattern (a walk of 33 M ticks, 16 M
  // marks when accepted), the same at speed 1, a long note under auto-vibrato and
  // vibrato, S3M instrument pointers all naming one header, and the longest song mixed:
  // 4 playing channels, 256 rows of 30 ticks at tempo 32 (4,792,320 frames at 8000 Hz).
  XmSong endless;
  endless.channels = 1, endless.speed = endless.tempo = 0xFFFF;
  endless.patterns[0].rows = 256;
  test_write_file(regress + "/endless-ticks.xm", write_xm(endless));
  endless.speed = 1;
  test_write_file(regress + "/short-ticks.xm", write_xm(endless));
  XmInstrument looped = xm_instrument(plain);
  looped.samples[0].type = 1, looped.samples[0].loopLength = 4;
  XmSong held = endless;
  held.speed = 31, held.tempo = 125;
  held.patterns[0].cells.assign(256, XmCell{0, 0, 0xBF, 4, 0xF1});
  held.patterns[0].cells[0] = {49, 1, 0xBF, 4, 0xF1};
  for (int row = 1; row < 256; row += 2) held.patterns[0].cells[row] = {0, 0, 0xBF, 0x0E, 0xEF};
  held.instruments = {looped};
  held.instruments[0].vibratoDepth = 15, held.instruments[0].vibratoRate = 127;
  test_write_file(regress + "/held-vibrato.xm", write_xm(held));
  S3mSong shared;
  shared.instruments.assign(255, S3mSample{});
  shared.instruments[0].length = 3000, shared.instruments[0].bytes.assign(3000, 0x40);
  std::vector<uint8_t> sharedFile = write_s3m(shared);
  const size_t pointers = s3m_pointers(shared);
  for (size_t i = 2; i < 2 * 255; ++i) sharedFile[pointers + i] = sharedFile[pointers + i % 2];
  test_write_file(regress + "/shared-header.s3m", sharedFile);
  XmSong longest;
  longest.speed = 30, longest.tempo = 32;
  longest.patterns[0].rows = 256;
  longest.patterns[0].cells.resize(256 * 4);
  for (int c = 0; c < 4; ++c) longest.patterns[0].cells[c] = {25 + c, 1, 0, 0, 0};
  longest.instruments = {looped};
  test_write_file(regress + "/longest-4.xm", write_xm(longest));
  return 0;
}
