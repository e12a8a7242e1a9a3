#pragma once
// A Module record built in memory for replay and mixer tests: one sample per
// instrument, patterns of empty notes that tests fill in. The Module points into the
// vectors, so build() must be called again after any change of the song's shape.
#include <cstdint>
#include <vector>

#include "audio/module.h"

struct TestSample {
  std::vector<int16_t> data;  // frames, without the loop-end copy
  int32_t loopStart = -1;     // -1 = no loop
  int32_t loopLength = 0;
  int16_t volume = 64;
  int16_t panning = 0;
  int16_t relativeNote = 0;
  int16_t fineTune = 0;
};

class TestSong {
 public:
  // MOD-like defaults: speed 6, tempo 125, C2 rate 8287, gain 64, Amiga periods.
  TestSong(int32_t channels, int32_t patterns, int32_t rows = 64) : rows_(patterns, rows) {
    module.channelCount = channels;
    module.defaultGlobalVolume = 64;
    module.defaultSpeed = 6;
    module.defaultTempo = 125;
    module.c2Rate = 8287;
    module.gain = 64;
    panning.assign(channels, 128);
    orders.push_back(0);
    notes.resize(patterns);
    for (int32_t p = 0; p < patterns; ++p) notes[p].assign(rows * channels, Note{});
    samples.resize(1);  // instrument 0: the empty placeholder
  }
  TestSong(const TestSong&) = delete;
  TestSong& operator=(const TestSong&) = delete;

  Note& note(int32_t pattern, int32_t row, int32_t channel) {
    return notes[pattern][row * module.channelCount + channel];
  }

  void set(int32_t pattern, int32_t row, int32_t channel, uint8_t key, uint8_t instrument, uint8_t effect = 0,
           uint8_t param = 0, uint8_t volume = 0) {
    note(pattern, row, channel) = Note{key, instrument, volume, effect, param};
  }

  // Adds an instrument holding one sample; returns its number.
  int32_t add_instrument(const TestSample& sample) {
    samples.push_back(sample);
    instrumentExtras.push_back(Instrument{});
    return static_cast<int32_t>(samples.size()) - 1;
  }

  // Envelopes, fadeout and auto-vibrato of instrument i (1-based); set before build().
  Instrument& instrument_extras(int32_t i) { return instrumentExtras[i - 1]; }

  Module* build() {
    int32_t count = static_cast<int32_t>(samples.size());
    module.instrumentCount = count - 1;
    module.patternCount = static_cast<int32_t>(notes.size());
    module.orderCount = static_cast<int32_t>(orders.size());
    module.defaultPanning = panning.data();
    module.orderList = orders.data();
    patternRecords.assign(notes.size(), Pattern{});
    for (size_t p = 0; p < notes.size(); ++p) {
      patternRecords[p] = Pattern{module.channelCount, rows_[p], notes[p].data()};
    }
    module.patterns = patternRecords.data();
    sampleRecords.assign(count, Sample{});
    sampleData.assign(count, {});
    instrumentRecords.assign(count, Instrument{});
    for (int32_t i = 0; i < count; ++i) {
      const TestSample& t = samples[i];
      Sample& s = sampleRecords[i];
      int32_t length = static_cast<int32_t>(t.data.size());
      s.loopStart = t.loopStart < 0 ? length : t.loopStart;
      s.loopLength = t.loopStart < 0 ? 0 : t.loopLength;
      s.volume = t.volume;
      s.panning = t.panning;
      s.relativeNote = t.relativeNote;
      s.fineTune = t.fineTune;
      sampleData[i] = t.data;
      sampleData[i].resize(s.loopStart + s.loopLength + 1, 0);
      sampleData[i][s.loopStart + s.loopLength] = s.loopLength > 0 ? t.data[s.loopStart] : 0;
      s.data = sampleData[i].data();
      Instrument& ins = instrumentRecords[i];
      if (i > 0) ins = instrumentExtras[i - 1];
      ins.sampleCount = 1;
      ins.samples = &s;
    }
    module.instruments = instrumentRecords.data();
    return &module;
  }

  Module module{};
  std::vector<uint8_t> panning;
  std::vector<uint8_t> orders;
  std::vector<std::vector<Note>> notes;
  std::vector<TestSample> samples;

 private:
  std::vector<int32_t> rows_;
  std::vector<Instrument> instrumentExtras;
  std::vector<Pattern> patternRecords;
  std::vector<Sample> sampleRecords;
  std::vector<std::vector<int16_t>> sampleData;
  std::vector<Instrument> instrumentRecords;
};

// A looped sample of constant value.
inline TestSample constant_sample(int16_t value, int32_t frames = 256) {
  TestSample s;
  s.data.assign(frames, value);
  s.loopStart = 0;
  s.loopLength = frames;
  return s;
}
