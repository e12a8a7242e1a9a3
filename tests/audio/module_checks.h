#pragma once
// Loading written files in the tests, and the structural checks every loaded module
// must pass, whatever file it came from. Every sample's loop end frame is read, so an
// address sanitizer catches a buffer that is shorter than the model promises.
#include <cstring>
#include <ostream>
#include <vector>

#include "audio/module.h"

// A module loaded from a file image, freed with the holder. The message buffer is
// pre-filled so the tests see that the loader writes it.
struct Loaded {
  Module* m = nullptr;
  char message[kModuleMessageSize];
  explicit Loaded(const std::vector<uint8_t>& file) {
    std::memset(message, 'x', sizeof message);
    m = module_load(ByteSource{file.data(), static_cast<uint32_t>(file.size())}, message);
  }
  ~Loaded() { module_free(m); }
};

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
