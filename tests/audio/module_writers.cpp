#include "tests/audio/module_writers.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"

namespace {

void put_text(File& out, size_t at, const std::string& text, size_t count) {
  std::memcpy(&out[at], text.data(), text.size() < count ? text.size() : count);
}

void put16be(File& out, size_t at, int v) {
  out[at] = uint8_t(v >> 8);
  out[at + 1] = uint8_t(v);
}

size_t grow(File& out, size_t count, size_t align = 1) {
  out.resize((out.size() + align - 1) / align * align);
  out.resize(out.size() + count);
  return out.size() - count;
}

}  // namespace

// ---- MOD

ModCell& ModSong::cell(int pattern, int row, int channel) {
  cells.resize(size_t(patternCount) * 64 * channels);
  return cells[(size_t(pattern) * 64 + row) * channels + channel];
}

File write_mod(ModSong& song) {
  song.cell(0, 0, 0);  // sizes the cells
  File out(1084);
  put_text(out, 0, song.name, 20);
  for (int i = 0; i < 31; ++i) {
    const ModSample& s = song.samples[i];
    size_t h = 20 + size_t(i) * 30;
    put_text(out, h, s.name, 22);
    put16be(out, h + 22, s.lengthWords);
    out[h + 24] = uint8_t(s.fineTuneNibble & 0x0F);
    out[h + 25] = uint8_t(s.volume);
    put16be(out, h + 26, s.loopStartWords);
    put16be(out, h + 28, s.loopLengthWords);
  }
  out[950] = uint8_t(song.orderCount);
  out[951] = uint8_t(song.restart);
  std::memcpy(&out[952], song.orders, 128);
  put_text(out, 1080, song.tag, 4);
  for (const ModCell& c : song.cells) {
    const uint8_t cell[4] = {uint8_t((c.instrument & 0x10) | (c.period >> 8 & 0x0F)), uint8_t(c.period),
                             uint8_t((c.instrument & 0x0F) << 4 | (c.effect & 0x0F)), uint8_t(c.param)};
    out.insert(out.end(), cell, cell + 4);
  }
  for (const ModSample& s : song.samples) {
    size_t at = grow(out, size_t(s.lengthWords) * 2);
    std::copy_n(s.data.begin(), std::min(s.data.size(), out.size() - at), out.begin() + long(at));
  }
  return out;
}

// ---- S3M

S3mSong::S3mSong() {
  for (int i = 0; i < 32; ++i) channelSettings[i] = i < 4 ? uint8_t(i) : 255;
}

size_t s3m_pointers(const S3mSong& song) { return 96 + song.orders.size(); }

File write_s3m(const S3mSong& song) {
  size_t instruments = song.instruments.size(), patterns = song.patterns.size();
  File out(96);
  put_text(out, 0, song.name, 28);
  out[28] = 0x1A;
  out[29] = 16;
  const uint16_t words[6] = {uint16_t(song.orders.size()), uint16_t(instruments),
                             uint16_t(patterns),           song.flags,
                             song.trackerVersion,          song.sampleFormat};
  for (int i = 0; i < 6; ++i) store_le16(&out[32 + 2 * i], words[i]);
  put_text(out, 44, "SCRM", 4);
  const uint8_t bytes[6] = {song.globalVolume, song.speed, song.tempo,
                            song.masterVolume, 0,          song.defaultPanFlag};
  std::memcpy(&out[48], bytes, 6);
  std::memcpy(&out[64], song.channelSettings, 32);
  out.insert(out.end(), song.orders.begin(), song.orders.end());
  size_t pointers = grow(out, 2 * (instruments + patterns));
  out.insert(out.end(), song.panTable, song.panTable + 32);

  std::vector<size_t> headers;
  for (size_t i = 0; i < instruments; ++i) {
    const S3mSample& s = song.instruments[i];
    size_t h = grow(out, 80, 16);
    headers.push_back(h);
    store_le16(&out[pointers + 2 * i], uint16_t(h / 16));
    out[h] = s.type;
    const uint32_t fields[3] = {s.length, s.loopStart, s.loopEnd};
    for (int f = 0; f < 3; ++f) store_le32(&out[h + 16 + 4 * f], fields[f]);
    out[h + 28] = s.volume;
    out[h + 31] = s.flags;
    store_le32(&out[h + 32], s.c2Speed);
    put_text(out, h + 48, s.name, 28);
    put_text(out, h + 76, "SCRS", 4);
  }
  for (size_t p = 0; p < patterns; ++p) {
    size_t start = grow(out, 2, 16);
    store_le16(&out[pointers + 2 * (instruments + p)], uint16_t(start / 16));
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
    store_le16(&out[start], uint16_t(out.size() - start));
  }
  for (size_t i = 0; i < instruments; ++i) {
    size_t at = grow(out, 0, 16) / 16;
    out[headers[i] + 13] = uint8_t(at >> 16);
    store_le16(&out[headers[i] + 14], uint16_t(at));
    out.insert(out.end(), song.instruments[i].bytes.begin(), song.instruments[i].bytes.end());
  }
  return out;
}

// ---- XM

namespace {

File pack_xm_cells(const XmPattern& p, int channels) {
  std::vector<XmCell> cells = p.cells;
  cells.resize(size_t(p.rows) * channels);
  File packed;
  bool empty = true;
  for (const XmCell& c : cells) {
    const int fields[5] = {c.key, c.instrument, c.volume, c.effect, c.param};
    uint8_t flags = 0x80;
    for (int f = 0; f < 5; ++f) flags |= uint8_t(fields[f] ? 1 << f : 0);
    empty = empty && flags == 0x80;
    if (flags != 0x9F || c.key >= 0x80) packed.push_back(flags);
    for (int f = 0; f < 5; ++f)
      if (flags == 0x9F || fields[f]) packed.push_back(uint8_t(fields[f]));
  }
  return empty ? File() : packed;  // an all-empty pattern is stored without data
}

void write_xm_instrument(File& out, const XmInstrument& ins) {
  size_t at = grow(out, ins.headerSize > 241 ? ins.headerSize : 241);
  store_le32(&out[at], ins.headerSize);
  put_text(out, at + 4, ins.name, 22);
  store_le16(&out[at + 27], uint16_t(ins.samples.size()));
  store_le32(&out[at + 29], 40);
  std::memcpy(&out[at + 33], ins.keyMap, 96);
  const XmEnvelope* envs[2] = {&ins.volumeEnvelope, &ins.panningEnvelope};
  for (int e = 0; e < 2; ++e) {
    for (size_t i = 0; i < envs[e]->points.size() && i < 12; ++i) {
      store_le16(&out[at + 129 + 48 * e + 4 * i], envs[e]->points[i].first);
      store_le16(&out[at + 131 + 48 * e + 4 * i], envs[e]->points[i].second);
    }
    out[at + 225 + e] = uint8_t(envs[e]->points.size());
    const uint8_t marks[3] = {envs[e]->sustain, envs[e]->loopStart, envs[e]->loopEnd};
    std::memcpy(&out[at + 227 + 3 * e], marks, 3);
    out[at + 233 + e] = envs[e]->type;
  }
  const uint8_t vibrato[4] = {ins.vibratoType, ins.vibratoSweep, ins.vibratoDepth, ins.vibratoRate};
  std::memcpy(&out[at + 235], vibrato, 4);
  store_le16(&out[at + 239], ins.fadeout);
  out.resize(at + ins.headerSize);  // a short header drops the fields past its end
  File data;
  for (const XmSample& s : ins.samples) {
    size_t start = data.size();
    int previous = 0, width = s.type & 0x10 ? 2 : 1;
    for (int v : s.values) {
      data.push_back(uint8_t(v - previous));
      if (width == 2) data.push_back(uint8_t((v - previous) >> 8));
      previous = v;
    }
    size_t h = grow(out, 40);
    const uint32_t fields[3] = {uint32_t(data.size() - start), s.loopStart, s.loopLength};
    for (int f = 0; f < 3; ++f) store_le32(&out[h + 4 * f], fields[f]);
    const uint8_t bytes[5] = {s.volume, uint8_t(s.fineTune), s.type, s.panning, uint8_t(s.relativeNote)};
    std::memcpy(&out[h + 12], bytes, 5);
    put_text(out, h + 18, s.name, 22);
  }
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

File write_xm(const XmSong& song) {
  File out(336);
  put_text(out, 0, "Extended Module: ", 17);
  put_text(out, 17, song.name, 20);
  out[37] = 0x1A;
  put_text(out, 38, song.tracker, 20);
  store_le16(&out[58], song.version);
  store_le32(&out[60], 276);
  const uint16_t words[8] = {uint16_t(song.orders.size()),
                             song.restart,
                             uint16_t(song.channels),
                             uint16_t(song.patterns.size()),
                             uint16_t(song.instruments.size()),
                             song.flags,
                             song.speed,
                             song.tempo};
  for (int i = 0; i < 8; ++i) store_le16(&out[64 + 2 * i], words[i]);
  for (size_t i = 0; i < song.orders.size() && i < 256; ++i) out[80 + i] = song.orders[i];
  for (const XmPattern& p : song.patterns) {
    File packed = p.packed.empty() ? pack_xm_cells(p, song.channels) : p.packed;
    size_t at = grow(out, 9);
    store_le32(&out[at], 9);
    store_le16(&out[at + 5], uint16_t(p.rows));
    store_le16(&out[at + 7], uint16_t(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
  }
  for (const XmInstrument& ins : song.instruments) write_xm_instrument(out, ins);
  return out;
}

XmSample xm_constant(int value, int frames) {
  XmSample s;
  s.values.assign(frames, value);
  s.type = 0x10 | 1;
  s.loopLength = 2 * frames;
  return s;
}

XmInstrument xm_instrument(const XmSample& sample) {
  XmInstrument ins;
  ins.samples = {sample};
  return ins;
}
