#pragma once
// Loading written files in the tests, and the structural checks every loaded module must pass
// (reading every loop end frame, so that a sanitizer catches a buffer shorter than promised).
#include <cstring>
#include <ostream>
#include <vector>

#include "audio/module.h"
#include "tests/audio/module_writers.h"

// A module loaded from a file image, freed with the holder; the message pre-filled with 'x'.
struct Loaded {
  Module* m = nullptr;
  char message[kModuleMessageSize];
  explicit Loaded(const File& file) {
    std::memset(message, 'x', sizeof message);
    m = module_load(ByteSource{file.data(), static_cast<uint32_t>(file.size())}, message);
  }
  Loaded(const Loaded&) = delete;
  ~Loaded() { module_free(m); }
};

inline Note& note_at(const Module& m, int pattern, int row, int channel) {
  return m.patterns[pattern].notes[row * m.channelCount + channel];
}

// The song of the replay and mixer tests: an XM of patterns x rows played in order, notes set in
// place (any effect of the common encoding); Amiga periods unless linear, at ProTracker's 8287 Hz.
struct Song : Loaded {
  Song(int channels, int patterns, int rows, std::vector<XmInstrument> instruments = {}, bool linear = false)
      : Loaded(file(channels, patterns, rows, std::move(instruments), linear)) {
    if (!linear) m->c2Rate = 8287;
  }
  Note& note(int pattern, int row, int channel) { return note_at(*m, pattern, row, channel); }
  static File file(int channels, int patterns, int rows, std::vector<XmInstrument> instruments, bool linear) {
    XmSong xm;
    xm.channels = channels, xm.flags = linear, xm.instruments = std::move(instruments);
    xm.patterns.assign(patterns, XmPattern{rows}), xm.orders.resize(patterns);
    for (int p = 0; p < patterns; ++p) xm.orders[p] = uint8_t(p);
    return write_xm(xm);
  }
};

using Ints = std::vector<int>;

inline bool operator==(const Note& a, const Note& b) { return std::memcmp(&a, &b, sizeof(Note)) == 0; }

// Notes print as {key, instrument, volume column, effect, parameter} in test failures.
inline void PrintTo(const Note& n, std::ostream* os) {
  *os << '{' << +n.key << ", " << +n.instrument << ", " << +n.volume << ", " << +n.effect << ", " << +n.param
      << '}';
}

// Returns an empty string when the module is sound, else the first fault found.
const char* module_fault(const Module& m);
