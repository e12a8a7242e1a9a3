// Writes small MOD, S3M and XM files into the directory given as argument, as the
// starting corpus of fuzz_module.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/audio/module_writers.h"

namespace {

void save(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes) {
  std::string path = dir + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

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
  save(dir, "a.mod", write_mod(mod));
  ModSong wide = mod;
  wide.tag = "8CHN";
  wide.channels = 8;
  wide.cells.clear();
  wide.cell(0, 3, 7) = {428, 1, 0x08, 0x80};
  save(dir, "b.mod", write_mod(wide));

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
  save(dir, "a.s3m", write_s3m(s3m));

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
  save(dir, "a.xm", write_xm(xm));
  return 0;
}
