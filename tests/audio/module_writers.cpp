#include "tests/audio/module_writers.h"

#include <algorithm>
#include <initializer_list>

#include "base/byte_order.h"

namespace {

// Writes (offset from base, width, value) triples, several a line below: widths 1, 2 and
// 4 little-endian, -2 a big-endian word.
void put(File& out, size_t base, std::initializer_list<int64_t> fields) {
  for (const int64_t* f = fields.begin(); f != fields.end(); f += 3) {
    uint8_t* p = &out[base + size_t(f[0])];
    if (f[1] == 1) *p = uint8_t(f[2]);
    if (f[1] == 2) store_le16(p, uint16_t(f[2]));
    if (f[1] == 4) store_le32(p, uint32_t(f[2]));
    if (f[1] == -2) store_be16(p, uint16_t(f[2]));
  }
}

void put_text(File& out, size_t at, const std::string& text, size_t count) {
  std::copy_n(text.begin(), std::min(text.size(), count), out.begin() + long(at));
}

size_t grow(File& out, size_t count, size_t align = 1) {
  out.resize((out.size() + align - 1) / align * align + count);
  return out.size() - count;
}

// clang-format off
// Cells with flag bytes; a cell of all five fields is written without one. An all-empty
// pattern (flag bytes 0x80 only) is stored without data.
File pack_xm_cells(const XmPattern& p, int channels) {
  std::vector<XmCell> cells = p.cells;
  cells.resize(size_t(p.rows) * channels);
  File packed;
  for (const XmCell& c : cells) {
    const int fields[5] = {c.key, c.instrument, c.volume, c.effect, c.param};
    uint8_t flags = 0x80;
    for (int f = 0; f < 5; ++f) flags |= uint8_t(fields[f] ? 1 << f : 0);
    if (flags != 0x9F || c.key >= 0x80) packed.push_back(flags);
    for (int f = 0; f < 5; ++f)
      if (flags == 0x9F || fields[f]) packed.push_back(uint8_t(fields[f]));
  }
  return std::count(packed.begin(), packed.end(), 0x80) == long(packed.size()) ? File() : packed;
}

void write_xm_instrument(File& out, const XmInstrument& ins) {
  const size_t at = grow(out, std::max<size_t>(ins.headerSize, 241));
  put_text(out, at + 4, ins.name, 22);
  put(out, at, {0, 4, ins.headerSize, 27, 2, int64_t(ins.samples.size()), 29, 4, 40,
                235, 1, ins.vibratoType, 236, 1, ins.vibratoSweep, 237, 1, ins.vibratoDepth,
                238, 1, ins.vibratoRate, 239, 2, ins.fadeout});
  std::copy_n(ins.keyMap, 96, &out[at + 33]);
  for (int e = 0; e < 2; ++e) {
    const XmEnvelope& v = e ? ins.panningEnvelope : ins.volumeEnvelope;
    for (size_t i = 0; i < v.points.size() && i < 12; ++i)
      put(out, at + 129 + 48 * e + 4 * i, {0, 2, v.points[i].first, 2, 2, v.points[i].second});
    put(out, at, {225 + e, 1, int64_t(v.points.size()), 227 + 3 * e, 1, v.sustain,
                  228 + 3 * e, 1, v.loopStart, 229 + 3 * e, 1, v.loopEnd, 233 + e, 1, v.type});
  }
  out.resize(at + ins.headerSize);  // a short header drops the fields past its end
  File data;
  for (const XmSample& s : ins.samples) {
    const size_t start = data.size();
    for (size_t i = 0; i < s.values.size(); ++i) {
      const int delta = s.values[i] - (i ? s.values[i - 1] : 0);
      data.push_back(uint8_t(delta));
      if (s.type & 0x10) data.push_back(uint8_t(delta >> 8));
    }
    const size_t h = grow(out, 40);
    put(out, h, {0, 4, int64_t(data.size() - start), 4, 4, s.loopStart, 8, 4, s.loopLength, 12, 1, s.volume,
                 13, 1, s.fineTune, 14, 1, s.type, 15, 1, s.panning, 16, 1, s.relativeNote});
    put_text(out, h + 18, s.name, 22);
  }
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

ModCell& ModSong::cell(int pattern, int row, int channel) {
  cells.resize(size_t(patternCount) * 64 * channels);
  return cells[(size_t(pattern) * 64 + row) * channels + channel];
}

File write_mod(const ModSong& song) {
  std::vector<ModCell> cells = song.cells;
  cells.resize(size_t(song.patternCount) * 64 * song.channels);
  File out(1084);
  put_text(out, 0, song.name, 20);
  for (int i = 0; i < 31; ++i) {
    const ModSample& s = song.samples[i];
    put_text(out, 20 + i * 30, s.name, 22);
    put(out, 20 + i * 30, {22, -2, s.lengthWords, 24, 1, s.fineTuneNibble & 15, 25, 1, s.volume,
                           26, -2, s.loopStartWords, 28, -2, s.loopLengthWords});
  }
  put(out, 0, {950, 1, song.orderCount, 951, 1, song.restart});
  std::copy_n(song.orders, 128, &out[952]);
  put_text(out, 1080, song.tag, 4);
  for (const ModCell& c : cells)
    out.insert(out.end(), {uint8_t((c.instrument & 0x10) | (c.period >> 8 & 0x0F)), uint8_t(c.period),
                           uint8_t((c.instrument & 0x0F) << 4 | (c.effect & 0x0F)), uint8_t(c.param)});
  for (const ModSample& s : song.samples) {
    size_t at = grow(out, size_t(s.lengthWords) * 2);
    std::copy_n(s.data.begin(), std::min(s.data.size(), out.size() - at), out.begin() + long(at));
  }
  return out;
}

File write_s3m(const S3mSong& song) {
  const size_t instruments = song.instruments.size(), patterns = song.patterns.size();
  File out(96);
  put_text(out, 0, song.name, 28);
  put_text(out, 44, "SCRM", 4);
  put(out, 0, {28, 1, 0x1A, 29, 1, 16, 32, 2, int64_t(song.orders.size()), 34, 2, int64_t(instruments),
               36, 2, int64_t(patterns), 38, 2, song.flags, 40, 2, song.trackerVersion,
               42, 2, song.sampleFormat, 48, 1, song.globalVolume, 49, 1, song.speed, 50, 1, song.tempo,
               51, 1, song.masterVolume, 53, 1, song.defaultPanFlag});
  std::copy_n(song.channelSettings, 32, &out[64]);
  out.insert(out.end(), song.orders.begin(), song.orders.end());
  const size_t pointers = grow(out, 2 * (instruments + patterns));
  out.insert(out.end(), song.panTable, song.panTable + 32);
  std::vector<size_t> headers;
  for (size_t i = 0; i < instruments; ++i) {
    const S3mSample& s = song.instruments[i];
    headers.push_back(grow(out, 80, 16));
    put(out, pointers + 2 * i, {0, 2, int64_t(headers[i] / 16)});
    put(out, headers[i], {0, 1, s.type, 16, 4, s.length, 20, 4, s.loopStart, 24, 4, s.loopEnd,
                          28, 1, s.volume, 31, 1, s.flags, 32, 4, s.c2Speed});
    put_text(out, headers[i] + 48, s.name, 28);
    put_text(out, headers[i] + 76, "SCRS", 4);
  }
  for (size_t p = 0; p < patterns; ++p) {
    const size_t start = grow(out, 2, 16);
    for (const std::vector<S3mCell>& row : song.patterns[p]) {
      for (const S3mCell& c : row) {
        out.push_back(
            uint8_t((c.slot & 0x1F) | (c.note >= 0) << 5 | (c.volume >= 0) << 6 | (c.effect >= 0) << 7));
        if (c.note >= 0) out.insert(out.end(), {uint8_t(c.note), uint8_t(c.instrument)});
        if (c.volume >= 0) out.push_back(uint8_t(c.volume));
        if (c.effect >= 0) out.insert(out.end(), {uint8_t(c.effect), uint8_t(c.param)});
      }
      out.push_back(0);
    }
    put(out, pointers + 2 * (instruments + p), {0, 2, int64_t(start / 16)});
    put(out, start, {0, 2, int64_t(out.size() - start)});
  }
  for (size_t i = 0; i < instruments; ++i) {
    const size_t at = grow(out, 0, 16) / 16;
    put(out, headers[i], {13, 1, int64_t(at >> 16), 14, 2, int64_t(at)});
    out.insert(out.end(), song.instruments[i].bytes.begin(), song.instruments[i].bytes.end());
  }
  return out;
}

File write_xm(const XmSong& song) {
  File out(336);
  put_text(out, 0, "Extended Module: ", 17);
  put_text(out, 17, song.name, 20);
  put_text(out, 38, song.tracker, 20);
  put(out, 0, {37, 1, 0x1A, 58, 2, song.version, 60, 4, 276, 64, 2, int64_t(song.orders.size()),
               66, 2, song.restart, 68, 2, song.channels, 70, 2, int64_t(song.patterns.size()),
               72, 2, int64_t(song.instruments.size()), 74, 2, song.flags, 76, 2, song.speed,
               78, 2, song.tempo});
  std::copy_n(song.orders.begin(), std::min<size_t>(song.orders.size(), 256), &out[80]);
  for (const XmPattern& p : song.patterns) {
    const File packed = pack_xm_cells(p, song.channels);
    put(out, grow(out, 9), {0, 4, 9, 5, 2, p.rows, 7, 2, int64_t(packed.size())});
    out.insert(out.end(), packed.begin(), packed.end());
  }
  for (const XmInstrument& ins : song.instruments) write_xm_instrument(out, ins);
  return out;
}

XmSample xm_sample(std::vector<int> values, uint8_t type, uint32_t loopStart, uint32_t loopLength) {
  return XmSample{"", 64, type, 128, 0, 0, loopStart, loopLength, std::move(values)};
}

XmSample xm_constant(int value, int frames) {
  return xm_sample(std::vector<int>(frames, value), 0x11, 0, 2 * frames);
}

XmInstrument xm_instrument(const XmSample& sample) { return XmInstrument{"", {sample}}; }
// clang-format on
