#include "tests/audio/module_writers.h"

#include <cstring>

namespace {

void put_text(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t count) {
  for (size_t i = 0; i < count && i < text.size(); ++i) out[at + i] = static_cast<uint8_t>(text[i]);
}

void put16be(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v >> 8);
  out[at + 1] = static_cast<uint8_t>(v);
}

void put16le(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32le(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  put16le(out, at, v & 0xFFFF);
  put16le(out, at + 2, v >> 16);
}

void append(std::vector<uint8_t>& out, size_t count) { out.resize(out.size() + count, 0); }

void align16(std::vector<uint8_t>& out) { out.resize((out.size() + 15) & ~size_t(15), 0); }

}  // namespace

// ---- MOD

ModCell& ModSong::cell(int pattern, int row, int channel) {
  cells.resize(static_cast<size_t>(patternCount) * 64 * channels);
  return cells[(static_cast<size_t>(pattern) * 64 + row) * channels + channel];
}

std::vector<uint8_t> write_mod(ModSong& song) {
  song.cells.resize(static_cast<size_t>(song.patternCount) * 64 * song.channels);
  std::vector<uint8_t> out(1084, 0);
  put_text(out, 0, song.name, 20);
  for (int i = 0; i < 31; ++i) {
    const ModSample& s = song.samples[i];
    size_t h = 20 + static_cast<size_t>(i) * 30;
    put_text(out, h, s.name, 22);
    put16be(out, h + 22, s.lengthWords);
    out[h + 24] = static_cast<uint8_t>(s.fineTuneNibble & 0x0F);
    out[h + 25] = static_cast<uint8_t>(s.volume);
    put16be(out, h + 26, s.loopStartWords);
    put16be(out, h + 28, s.loopLengthWords);
  }
  out[950] = static_cast<uint8_t>(song.orderCount);
  out[951] = static_cast<uint8_t>(song.restart);
  std::memcpy(&out[952], song.orders, 128);
  put_text(out, 1080, song.tag, 4);
  for (const ModCell& c : song.cells) {
    out.push_back(static_cast<uint8_t>((c.instrument & 0x10) | ((c.period >> 8) & 0x0F)));
    out.push_back(static_cast<uint8_t>(c.period));
    out.push_back(static_cast<uint8_t>(((c.instrument & 0x0F) << 4) | (c.effect & 0x0F)));
    out.push_back(static_cast<uint8_t>(c.param));
  }
  if (song.writeSampleData) {
    for (const ModSample& s : song.samples) {
      for (int i = 0; i < s.lengthWords * 2; ++i)
        out.push_back(static_cast<uint8_t>(i < static_cast<int>(s.data.size()) ? s.data[i] : 0));
    }
  }
  return out;
}

// ---- S3M

S3mSong::S3mSong() {
  for (int i = 0; i < 32; ++i) channelSettings[i] = i < 4 ? static_cast<uint8_t>(i) : 255;
}

std::vector<uint8_t> write_s3m(const S3mSong& song) {
  size_t orders = song.orders.size(), instruments = song.instruments.size();
  size_t patterns = song.patternCountOverride >= 0 ? song.patternCountOverride : song.patterns.size();
  std::vector<uint8_t> out(96, 0);
  put_text(out, 0, song.name, 28);
  out[28] = 0x1A;
  out[29] = 16;
  put16le(out, 32, static_cast<uint32_t>(orders));
  put16le(out, 34, static_cast<uint32_t>(instruments));
  put16le(out, 36, static_cast<uint32_t>(patterns));
  put16le(out, 38, song.flags);
  put16le(out, 40, song.trackerVersion);
  put16le(out, 42, song.sampleFormat);
  put_text(out, 44, "SCRM", 4);
  out[48] = song.globalVolume;
  out[49] = song.speed;
  out[50] = song.tempo;
  out[51] = song.masterVolume;
  out[53] = song.defaultPanFlag;
  std::memcpy(&out[64], song.channelSettings, 32);
  out.insert(out.end(), song.orders.begin(), song.orders.end());
  size_t instrumentPointers = out.size();
  append(out, 2 * instruments);
  size_t patternPointers = out.size();
  append(out, 2 * patterns);
  out.insert(out.end(), song.panTable, song.panTable + 32);

  std::vector<size_t> headers;
  for (size_t i = 0; i < instruments; ++i) {
    align16(out);
    headers.push_back(out.size());
    put16le(out, instrumentPointers + 2 * i, static_cast<uint32_t>(out.size() / 16));
    append(out, 80);
    const S3mSample& s = song.instruments[i];
    size_t h = headers.back();
    out[h] = s.type;
    put32le(out, h + 16, s.length);
    put32le(out, h + 20, s.loopStart);
    put32le(out, h + 24, s.loopEnd);
    out[h + 28] = s.volume;
    out[h + 30] = s.packing;
    out[h + 31] = s.flags;
    put32le(out, h + 32, s.c2Speed);
    put_text(out, h + 48, s.name, 28);
    if (s.tagged) put_text(out, h + 76, "SCRS", 4);
  }
  for (size_t p = 0; p < song.patterns.size() && p < patterns; ++p) {
    align16(out);
    size_t start = out.size();
    put16le(out, patternPointers + 2 * p, static_cast<uint32_t>(start / 16));
    append(out, 2);
    for (const std::vector<S3mCell>& row : song.patterns[p]) {
      for (const S3mCell& c : row) {
        uint8_t f = static_cast<uint8_t>(c.slot & 0x1F);
        if (c.note >= 0) f |= 0x20;
        if (c.volume >= 0) f |= 0x40;
        if (c.effect >= 0) f |= 0x80;
        out.push_back(f);
        if (c.note >= 0) {
          out.push_back(static_cast<uint8_t>(c.note));
          out.push_back(static_cast<uint8_t>(c.instrument));
        }
        if (c.volume >= 0) out.push_back(static_cast<uint8_t>(c.volume));
        if (c.effect >= 0) {
          out.push_back(static_cast<uint8_t>(c.effect));
          out.push_back(static_cast<uint8_t>(c.param));
        }
      }
      out.push_back(0);
    }
    put16le(out, start, static_cast<uint32_t>(out.size() - start));
  }
  for (size_t i = 0; i < instruments; ++i) {
    align16(out);
    size_t at = out.size() / 16;
    out[headers[i] + 13] = static_cast<uint8_t>(at >> 16);
    put16le(out, headers[i] + 14, static_cast<uint32_t>(at & 0xFFFF));
    out.insert(out.end(), song.instruments[i].bytes.begin(), song.instruments[i].bytes.end());
  }
  return out;
}

// ---- XM

namespace {

void write_xm_pattern(std::vector<uint8_t>& out, const XmPattern& p, int channels) {
  std::vector<uint8_t> packed = p.packed;
  if (packed.empty()) {
    std::vector<XmCell> cells = p.cells;
    cells.resize(static_cast<size_t>(p.rows) * channels);
    for (const XmCell& c : cells) {
      const int fields[5] = {c.key, c.instrument, c.volume, c.effect, c.param};
      uint8_t flags = 0x80;
      for (int f = 0; f < 5; ++f)
        if (fields[f]) flags |= static_cast<uint8_t>(1 << f);
      if (flags == 0x9F && c.key < 0x80) {
        for (int f : fields) packed.push_back(static_cast<uint8_t>(f));
      } else {
        packed.push_back(flags);
        for (int f = 0; f < 5; ++f)
          if (fields[f]) packed.push_back(static_cast<uint8_t>(fields[f]));
      }
    }
    // An all-empty pattern is stored without data.
    bool empty = true;
    for (uint8_t b : packed) empty = empty && b == 0x80;
    if (empty) packed.clear();
  }
  size_t at = out.size();
  append(out, 9);
  put32le(out, at, 9);
  out[at + 4] = p.packing;
  put16le(out, at + 5, static_cast<uint32_t>(p.rows));
  put16le(out, at + 7, static_cast<uint32_t>(packed.size()));
  out.insert(out.end(), packed.begin(), packed.end());
}

void write_xm_envelope(std::vector<uint8_t>& out, size_t points, const XmEnvelope& e) {
  for (size_t i = 0; i < e.points.size() && i < 12; ++i) {
    put16le(out, points + 4 * i, e.points[i].first);
    put16le(out, points + 4 * i + 2, e.points[i].second);
  }
}

}  // namespace

std::vector<uint8_t> write_xm(const XmSong& song) {
  std::vector<uint8_t> out(336, 0);
  put_text(out, 0, "Extended Module: ", 17);
  put_text(out, 17, song.name, 20);
  out[37] = 0x1A;
  put_text(out, 38, song.tracker, 20);
  put16le(out, 58, song.version);
  put32le(out, 60, 276);
  put16le(out, 64, static_cast<uint32_t>(song.orders.size()));
  put16le(out, 66, song.restart);
  put16le(out, 68, static_cast<uint32_t>(song.channels));
  put16le(out, 70, static_cast<uint32_t>(song.patterns.size()));
  put16le(out, 72, static_cast<uint32_t>(song.instruments.size()));
  put16le(out, 74, song.flags);
  put16le(out, 76, song.speed);
  put16le(out, 78, song.tempo);
  for (size_t i = 0; i < song.orders.size() && i < 256; ++i) out[80 + i] = song.orders[i];
  for (const XmPattern& p : song.patterns) write_xm_pattern(out, p, song.channels);

  for (const XmInstrument& ins : song.instruments) {
    size_t at = out.size();
    append(out, ins.headerSize > 241 ? ins.headerSize : 241);
    put32le(out, at, ins.headerSize);
    put_text(out, at + 4, ins.name, 22);
    put16le(out, at + 27, static_cast<uint32_t>(ins.samples.size()));
    put32le(out, at + 29, 40);
    std::memcpy(&out[at + 33], ins.keyMap, 96);
    write_xm_envelope(out, at + 129, ins.volumeEnvelope);
    write_xm_envelope(out, at + 177, ins.panningEnvelope);
    const XmEnvelope* envs[2] = {&ins.volumeEnvelope, &ins.panningEnvelope};
    for (int e = 0; e < 2; ++e) {
      int count = envs[e]->count >= 0 ? envs[e]->count : static_cast<int>(envs[e]->points.size());
      out[at + 225 + e] = static_cast<uint8_t>(count);
      out[at + 227 + 3 * e] = envs[e]->sustain;
      out[at + 228 + 3 * e] = envs[e]->loopStart;
      out[at + 229 + 3 * e] = envs[e]->loopEnd;
      out[at + 233 + e] = envs[e]->type;
    }
    out[at + 235] = ins.vibratoType;
    out[at + 236] = ins.vibratoSweep;
    out[at + 237] = ins.vibratoDepth;
    out[at + 238] = ins.vibratoRate;
    put16le(out, at + 239, ins.fadeout);
    out.resize(at + ins.headerSize, 0);  // a short header drops the fields past its end
    if (ins.samples.empty()) continue;

    std::vector<std::vector<uint8_t>> data;
    for (const XmSample& s : ins.samples) {
      bool sixteen = (s.type & 0x10) != 0;
      std::vector<uint8_t> bytes;
      int previous = 0;
      for (int v : s.values) {
        int delta = v - previous;
        previous = v;
        bytes.push_back(static_cast<uint8_t>(delta));
        if (sixteen) bytes.push_back(static_cast<uint8_t>(delta >> 8));
      }
      size_t h = out.size();
      append(out, 40);
      put32le(out, h, s.lengthOverride >= 0 ? s.lengthOverride : static_cast<uint32_t>(bytes.size()));
      put32le(out, h + 4, s.loopStart);
      put32le(out, h + 8, s.loopLength);
      out[h + 12] = s.volume;
      out[h + 13] = static_cast<uint8_t>(s.fineTune);
      out[h + 14] = s.type;
      out[h + 15] = s.panning;
      out[h + 16] = static_cast<uint8_t>(s.relativeNote);
      put_text(out, h + 18, s.name, 22);
      data.push_back(bytes);
    }
    for (const std::vector<uint8_t>& d : data) out.insert(out.end(), d.begin(), d.end());
  }
  return out;
}
