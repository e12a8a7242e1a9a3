// Writes small MOD, S3M and XM files into the directory given as argument, as the
// starting corpus of fuzz_module.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/audio/module_writers.h"
#include "tests/test_files.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string dir = argv[1];

  ModSong mod;
  mod.orderCount = 2;
  mod.orders[1] = 1;
  mod.patternCount = 2;
  mod.samples[0].lengthWords = 16;
  mod.samples[0].loopStartWords = 4;
  mod.samples[0].loopLengthWords = 8;
  mod.samples[0].data = std::vector<int8_t>(32, 40);
  mod.cell(0, 0, 0) = {428, 1, 0x0C, 0x30};
  mod.cell(0, 1, 1) = {214, 1, 0x0E, 0x61};
  mod.cell(1, 2, 2) = {856, 1, 0x0B, 0x00};
  test_write_file(dir + "/a.mod", write_mod(mod));
  ModSong wide = mod;
  wide.tag = "8CHN";
  wide.channels = 8;
  wide.cells.clear();
  wide.cell(0, 3, 7) = {428, 1, 0x08, 0x80};
  test_write_file(dir + "/b.mod", write_mod(wide));

  S3mSong s3m;
  S3mSample smp;
  smp.length = 16;
  smp.flags = 1;
  smp.loopStart = 2;
  smp.loopEnd = 12;
  smp.bytes = std::vector<uint8_t>(16, 0xA0);
  s3m.instruments = {smp};
  S3mCell c;
  c.slot = 1;
  c.note = 0x40;
  c.instrument = 1;
  c.volume = 40;
  c.effect = 19;
  c.param = 0xB2;
  s3m.patterns[0][0].push_back(c);
  s3m.defaultPanFlag = 252;
  test_write_file(dir + "/a.s3m", write_s3m(s3m));

  XmSong xm;
  xm.patterns[0].cells.resize(64 * 4);
  xm.patterns[0].cells[0] = {49, 1, 0x40, 0x0F, 0x03};
  xm.patterns[0].cells[5] = {97, 0, 0, 0x14, 0};
  XmInstrument ins;
  XmSample pingPong;
  pingPong.type = 0x10 | 2;
  pingPong.values = {0, 1000, 2000, 1000, 0, -1000};
  pingPong.loopStart = 2;
  pingPong.loopLength = 6;
  XmSample plain;
  plain.values = {1, 2, 3, 4};
  ins.samples = {pingPong, plain};
  ins.keyMap[48] = 1;
  ins.volumeEnvelope.points = {{0, 64}, {8, 20}, {16, 40}};
  ins.volumeEnvelope.type = 7;
  ins.volumeEnvelope.sustain = 1;
  ins.volumeEnvelope.loopEnd = 2;
  ins.fadeout = 512;
  XmInstrument empty;
  empty.headerSize = 29;
  xm.instruments = {ins, empty, ins};
  test_write_file(dir + "/a.xm", write_xm(xm));

  // Inputs that once cost too much: header speed and tempo 65535 on a 256-row pattern
  // (a walk of 33 M ticks, 16 M marks when accepted), the same at speed 1, a long note
  // under auto-vibrato and vibrato, and S3M instrument pointers all naming one header.
  XmSong endless;
  endless.channels = 1;
  endless.speed = endless.tempo = 0xFFFF;
  endless.patterns[0].rows = 256;
  endless.patterns[0].cells.assign(256, XmCell{});
  test_write_file(dir + "/endless-ticks.xm", write_xm(endless));
  endless.speed = 1;
  test_write_file(dir + "/short-ticks.xm", write_xm(endless));
  XmSong held;
  held.channels = 1;
  held.speed = 31;
  held.patterns[0].rows = 256;
  held.patterns[0].cells.assign(256, XmCell{0, 0, 0xBF, 4, 0xF1});
  held.patterns[0].cells[0] = {49, 1, 0xBF, 4, 0xF1};
  for (int row = 1; row < 256; row += 2) held.patterns[0].cells[row] = {0, 0, 0xBF, 0x0E, 0xEF};
  XmInstrument vibrating;
  vibrating.samples = {plain};
  vibrating.samples[0].type = 1;
  vibrating.samples[0].loopLength = 4;
  vibrating.vibratoDepth = 15;
  vibrating.vibratoRate = 127;
  held.instruments = {vibrating};
  test_write_file(dir + "/held-vibrato.xm", write_xm(held));
  S3mSong shared;
  S3mSample big;
  big.length = 3000;
  big.bytes.assign(3000, 0x40);
  shared.instruments.assign(255, S3mSample{});
  shared.instruments[0] = big;
  std::vector<uint8_t> sharedFile = write_s3m(shared);
  size_t pointers = 96 + shared.orders.size();
  for (size_t i = 1; i < 255; ++i) {
    sharedFile[pointers + 2 * i] = sharedFile[pointers];
    sharedFile[pointers + 2 * i + 1] = sharedFile[pointers + 1];
  }
  test_write_file(dir + "/shared-header.s3m", sharedFile);

  // The longest song mixed, on 4 channels that all play: 256 rows of 30 ticks of
  // tempo 32, 26,457,600 frames at 44100 Hz (4,792,320 at the fuzzer's 8000 Hz).
  XmSong longest;
  longest.channels = 4;
  longest.speed = 30;
  longest.tempo = 32;
  longest.patterns[0].rows = 256;
  longest.patterns[0].cells.assign(256 * 4, XmCell{});
  for (int c = 0; c < 4; ++c) longest.patterns[0].cells[c] = {25 + c % 48, 1, 0, 0, 0};
  XmInstrument looped;
  looped.samples = {plain};
  looped.samples[0].type = 1;
  looped.samples[0].loopLength = 4;
  longest.instruments = {looped};
  test_write_file(dir + "/longest-4.xm", write_xm(longest));
  return 0;
}
