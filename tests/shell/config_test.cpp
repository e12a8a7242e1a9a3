#include "shell/config.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Case {
  const char* text;
  int ok;
  uint32_t value;
};

TEST(ConfigParse, DocumentedExamples) {
  const Case cases[] = {
      {"007", 1, 7},       {"-1", 0, 0},   {"+5", 0, 0},        {"5x", 0, 0},
      {"0x10", 0, 0},      {"4 2", 0, 0},  {"  42\t", 1, 42},   {"\t 42 \t ", 1, 42},
      {"", 0, 0},          {"   ", 0, 0},  {"0", 1, 0},         {"1000", 1, 1000},
      {"1e3", 0, 0},       {"4.0", 0, 0},  {"\"5\"", 0, 0},     {"5\r", 0, 0},
  };
  for (const Case& c : cases) {
    uint32_t value = 12345;
    EXPECT_EQ(config_parse_integer(c.text, &value), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(value, c.ok ? c.value : 12345u) << '"' << c.text << '"';
  }
}

// A number is taken while what was read before its last digit is at most 1000,
// so 10009 is the largest text that parses; nothing above it can wrap around.
TEST(ConfigParse, EveryNumberUpTo200000) {
  char text[32];
  for (uint32_t n = 0; n <= 200000; n++) {
    for (int form = 0; form < 3; form++) {
      snprintf(text, sizeof text, form == 0 ? "%u" : form == 1 ? " \t%u\t " : "000%u", n);
      uint32_t value = 0;
      int ok = config_parse_integer(text, &value);
      ASSERT_EQ(ok, n / 10 <= 1000 ? 1 : 0) << text;
      if (ok) {
        ASSERT_EQ(value, n) << text;
      }
    }
  }
  uint32_t value;
  EXPECT_EQ(config_parse_integer("99999999999999999999999999999999", &value), 0);
  EXPECT_EQ(config_parse_integer("0000000000000000000000000000000000000000001", &value), 1);
  EXPECT_EQ(value, 1u);
}

struct FakeFile {
  std::map<std::string, std::string> values;
  std::vector<std::string> asked;
};

uint32_t ReadFake(const char* key, char* buffer, uint32_t size, void* context) {
  FakeFile* file = static_cast<FakeFile*>(context);
  file->asked.push_back(key);
  auto it = file->values.find(key);
  std::string text = it == file->values.end() ? "" : it->second;
  // GetPrivateProfileStringA semantics: copies at most size - 1 characters.
  uint32_t n = uint32_t(std::min<size_t>(text.size(), size - 1));
  memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return n;
}

CrtSettings Scrambled() {
  CrtSettings s;
  memset(&s, 0xA5, sizeof s);
  return s;
}

TEST(ConfigRead, MissingFileGivesDefaultsInTableOrder) {
  FakeFile file;
  CrtSettings s = Scrambled();
  uint32_t aspect = 7, stretch = 7;
  config_read_keys(&s, &aspect, &stretch, ReadFake, &file);
  ASSERT_EQ(file.asked.size(), 25u);
  const char* order[] = {"Music", "VSync", "VRR", "Bloom", "BloomThreshold", "BloomStrengthPercent",
                         "Scanlines", "Distortion", "Glow", "RGBMask", "Persistence",
                         "ChromaticSeparation", "ColorBleeding", "AspectRatio4x3", "StretchToFit",
                         "CurvaturePermille", "VignettePermille", "ScanlineBrightnessPermille",
                         "ScanlineContrastPermille", "GlowThreshold", "GlowStrengthPercent",
                         "MaskStrength256", "PersistenceMs", "ChromaticStrengthPercent",
                         "BleedingSideWeight"};
  for (int i = 0; i < 25; i++) EXPECT_EQ(file.asked[i], order[i]);
  EXPECT_EQ(s.Music, 1u);
  EXPECT_EQ(s.Persistence, 0u);
  EXPECT_EQ(s.BloomThreshold, 160u);
  EXPECT_EQ(s.ScanlineBrightnessPermille, 900u);
  EXPECT_EQ(s.PersistenceMs, 30u);
  EXPECT_EQ(s.BleedingSideWeight, 3u);
  EXPECT_EQ(aspect, 1u);
  EXPECT_EQ(stretch, 1u);
}

TEST(ConfigRead, RangesOfEveryKey) {
  for (const ConfigKey& k : kConfigKeys) {
    struct Probe {
      uint32_t value;
      bool inRange;
    } probes[] = {{k.minimum, true}, {k.maximum, true}, {k.maximum + 1, false},
                  {k.minimum ? k.minimum - 1 : k.maximum, k.minimum == 0}};
    for (const Probe& p : probes) {
      FakeFile file;
      file.values[k.name] = std::to_string(p.value);
      CrtSettings s = Scrambled();
      uint32_t aspect = 9, stretch = 9;
      config_read_keys(&s, &aspect, &stretch, ReadFake, &file);
      uint32_t got = k.field == &CrtSettings::AspectRatio4x3 ? aspect
                     : k.field == &CrtSettings::StretchToFit ? stretch
                                                             : s.*k.field;
      EXPECT_EQ(got, p.inRange ? p.value : k.defaultValue) << k.name << "=" << p.value;
    }
  }
}

TEST(ConfigRead, EdgeCases) {
  FakeFile file;
  file.values["PersistenceMs"] = "4";
  file.values["GlowThreshold"] = "  200\t";
  file.values["MaskStrength256"] = "99999999999999999999";
  file.values["BloomThreshold"] = std::string(61, '0') + "7";  // 62 characters: read
  file.values["GlowStrengthPercent"] = std::string(62, '0') + "7";  // 63: default
  file.values["CurvaturePermille"] = std::string(200, ' ') + "7";  // truncated to 63: default
  file.values["AspectRatio4x3"] = "0";
  file.values["StretchToFit"] = "0";
  CrtSettings s = Scrambled();
  config_read_keys(&s, nullptr, nullptr, ReadFake, &file);
  EXPECT_EQ(s.PersistenceMs, 30u);
  EXPECT_EQ(s.GlowThreshold, 200u);
  EXPECT_EQ(s.MaskStrength256, 40u);
  EXPECT_EQ(s.BloomThreshold, 7u);
  EXPECT_EQ(s.GlowStrengthPercent, 50u);
  EXPECT_EQ(s.CurvaturePermille, 25u);
  // Without places the two shared keys go to a scratch word; the record keeps its value.
  EXPECT_EQ(s.AspectRatio4x3, 0xA5A5A5A5u);
  EXPECT_EQ(s.StretchToFit, 0xA5A5A5A5u);
}

TEST(ConfigDefaults, SetDefaultsMatchesTheInitialRecord) {
  CrtSettings s = Scrambled();
  config_set_defaults(&s, &s.AspectRatio4x3, &s.StretchToFit);
  for (const ConfigKey& k : kConfigKeys) EXPECT_EQ(s.*k.field, g_settings.*k.field) << k.name;
  EXPECT_EQ(g_settings.crtFiltersEnabled, 1u);
  EXPECT_EQ(g_settings.fullscreenRequested, 1u);
  EXPECT_EQ(g_settings.loopDemo, 0u);
  EXPECT_EQ(g_settings.volumePercent, 100u);
  EXPECT_EQ(g_settings.muted, 0u);
}

// Reads the default text back the way an INI reader would and checks it against the
// key table: every key once, its default, and the "; Range:" line above numeric keys.
TEST(ConfigDefaults, DefaultTextReadsBackAsTheKeyTable) {
  std::string text(kConfigDefaultText, kConfigDefaultTextSize);
  ASSERT_EQ(text.size(), 2760u);
  ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  ASSERT_EQ(start, text.size());
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);

  std::map<std::string, uint32_t> seen;
  bool inSection = false;
  std::string range;
  for (const std::string& line : lines) {
    if (line == "[CRT]") inSection = true;
    if (line.rfind("; Range: ", 0) == 0) range = line.substr(9);
    size_t eq = line.find('=');
    if (line.empty() || line[0] == ';' || eq == std::string::npos) continue;
    ASSERT_TRUE(inSection) << line;
    std::string key = line.substr(0, eq);
    uint32_t value;
    ASSERT_TRUE(config_parse_integer(line.c_str() + eq + 1, &value)) << line;
    EXPECT_EQ(seen.count(key), 0u) << key;
    seen[key] = value;
    for (const ConfigKey& k : kConfigKeys) {
      if (key != k.name) continue;
      EXPECT_EQ(value, k.defaultValue) << key;
      if (k.maximum > 1) EXPECT_EQ(range, std::to_string(k.minimum) + ".." + std::to_string(k.maximum)) << key;
      else EXPECT_EQ(range, "") << key;
    }
    range.clear();
  }
  EXPECT_EQ(seen.size(), 25u);
  EXPECT_EQ(lines.back(), "BloomStrengthPercent=60");
  EXPECT_EQ(lines.front(), "; CRT configuration. Loaded once at startup, beside the executable.");
}

TEST(ConfigPath, NameAndFolder) {
  char out[300];
  ASSERT_TRUE(config_build_path("C:\\demo\\Vrinx.exe", "Vrinx.ini", out, sizeof out));
  EXPECT_STREQ(out, "C:\\demo\\Vrinx.ini");
  EXPECT_FALSE(config_build_path("C:\\demo\\Vrinx.exe", "", out, sizeof out));
  EXPECT_FALSE(config_build_path("C:\\demo\\Vrinx.exe", "a\\b.ini", out, sizeof out));
  EXPECT_FALSE(config_build_path("C:\\demo\\Vrinx.exe", "a/b.ini", out, sizeof out));
  EXPECT_FALSE(config_build_path("C:\\demo\\Vrinx.exe", "c:b.ini", out, sizeof out));
  EXPECT_FALSE(config_build_path("Vrinx.exe", "Vrinx.ini", out, sizeof out));
  // The joined path must stay under 260 characters.
  std::string folder = "C:\\" + std::string(240, 'f') + "\\";  // 244 characters
  std::string module = folder + "Vrinx.exe";
  EXPECT_TRUE(config_build_path(module.c_str(), std::string(15, 'n').c_str(), out, sizeof out));
  EXPECT_EQ(strlen(out), 259u);
  EXPECT_FALSE(config_build_path(module.c_str(), std::string(16, 'n').c_str(), out, sizeof out));
  EXPECT_FALSE(config_build_path((folder + std::string(16, 'x')).c_str(), "a", out, sizeof out));
}

}  // namespace
