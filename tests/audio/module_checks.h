#pragma once
// Loading written files in the tests, and the structural checks every loaded module must
// pass: every sample's loop end frame is read, so that an address sanitizer catches a
// buffer shorter than the model promises.
#include <cstring>
#include <ostream>
#include <vector>

#include "audio/module.h"
#include "tests/audio/module_writers.h"

// A module loaded from a file image, freed with the holder. The message buffer is
// pre-filled so that the tests see the loader write it.
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

// The song of the replay and mixer tests: an XM of patterns x rows played in order, with
// the given instruments; tests set notes (any effect of the common encoding) in place.
// Amiga periods unless linear, at the MOD rate of 8287 Hz as in ProTracker.
struct Song : Loaded {
  Song(int channels, int patterns, int rows, std::vector<XmInstrument> instruments = {}, bool linear = false)
      : Loaded(file(channels, patterns, rows, std::move(instruments), linear)) {
    if (!linear) m->c2Rate = 8287;
  }
  Note& note(int pattern, int row, int channel) {
    return m->patterns[pattern].notes[row * m->channelCount + channel];
  }
  static File file(int channels, int patterns, int rows, std::vector<XmInstrument> instruments, bool linear) {
    XmSong xm;
    xm.channels = channels, xm.flags = linear, xm.instruments = std::move(instruments);
    xm.patterns.resize(patterns);
    xm.orders.resize(patterns);
    for (int p = 0; p < patterns; ++p) xm.patterns[p].rows = rows, xm.orders[p] = uint8_t(p);
    return write_xm(xm);
  }
};

using Ints = std::vector<int>;

inline bool operator==(const Note& a, const Note& b) { return std::memcmp(&a, &b, sizeof(Note)) == 0; }

// Notes print as {key, instrument, volume column, effect, parameter} in test failures.
inline void PrintTo(const Note& n, std::ostream* os) {
  *os << '{' << int(n.key) << ", " << int(n.instrument) << ", " << int(n.volume) << ", " << int(n.effect)
      << ", " << int(n.param) << '}';
}

inline const Note& note_at(const Module& m, int pattern, int row, int channel) {
  return m.patterns[pattern].notes[row * m.channelCount + channel];
}

// Returns an empty string when the module is sound, else the first fault found.
const char* module_fault(const Module& m);
