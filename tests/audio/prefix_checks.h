#pragma once
// Truncated files in the loader tests: every prefix of a written file must load as a
// sound module or fail with a message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/audio/module_checks.h"

inline void expect_prefix_sound_or_refused(const std::vector<uint8_t>& file, size_t n) {
  std::vector<uint8_t> prefix(file.begin(), file.begin() + static_cast<long>(n));
  Loaded l(prefix);
  if (l.m)
    EXPECT_EQ(module_fault(*l.m), std::string()) << n;
  else
    EXPECT_GT(std::strlen(l.message), 0u) << n;
}
