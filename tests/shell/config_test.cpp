// The configuration: the value parser on every number and hostile texts, the key
// reader's defaults, ranges and limits, the default file read back, and the path.
#include "shell/config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// A number is taken while what was read before its last digit is at most 1000, so 10009 is the largest
// text that parses; nothing above it can wrap around. Blanks around it are allowed, nothing else.
TEST(ConfigParse, EveryNumberUpTo200000AndMalformedTexts) {
  char text[32];
  for (uint32_t n = 0; n <= 200000; n++)
    for (const char* form : {"%u", " \t%u\t ", "000%u"}) {
      snprintf(text, sizeof text, form, n);
      uint32_t value = 0;
      const int ok = n / 10 <= 1000;
      ASSERT_EQ(config_parse_integer(text, &value), ok) << text;
      ASSERT_EQ(value, ok ? n : 0u) << text;
    }
  uint32_t value = 12345;
  for (const char* bad : {"-1", "+5", "5x", "0x10", "4 2", "", "   ", "1e3", "4.0", "\"5\"", "5\r", "1/",
                          "1:", "99999999999999999999999999999999"})
    EXPECT_EQ(config_parse_integer(bad, &value), 0) << '"' << bad << '"';
  EXPECT_EQ(value, 12345u);
  EXPECT_EQ(config_parse_integer("0000000000000000000000000000000000000000001", &value), 1);
  EXPECT_EQ(value, 1u);
}

// A [CRT] section as GetPrivateProfileStringA gives it: at most size - 1 characters.
struct FakeFile {
  std::map<std::string, std::string> values;
  std::vector<std::string> asked;
};

uint32_t read_fake(const char* key, char* buffer, uint32_t size, void* context) {
  FakeFile* file = static_cast<FakeFile*>(context);
  file->asked.push_back(key);
  std::string text = file->values.count(key) ? file->values[key] : "";
  uint32_t n = uint32_t(std::min<size_t>(text.size(), size - 1));
  memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return n;
}

CrtSettings scrambled() {
  CrtSettings s;
  memset(&s, 0xA5, sizeof s);
  return s;
}

// The value a key was read into: the two shared keys go to their own places.
uint32_t read_value(const ConfigKey& k, const CrtSettings& s, uint32_t aspect, uint32_t stretch) {
  return k.field == &CrtSettings::AspectRatio4x3 ? aspect
         : k.field == &CrtSettings::StretchToFit ? stretch
                                                 : s.*k.field;
}

// Without a file every key takes its default, the initial record's value, as config_set_defaults gives it.
TEST(ConfigRead, MissingFileGivesTheDefaults) {
  FakeFile file;
  CrtSettings s = scrambled(), set = scrambled();
  uint32_t aspect = 7, stretch = 7;
  config_read_keys(&s, &aspect, &stretch, read_fake, &file);
  config_set_defaults(&set, &set.AspectRatio4x3, &set.StretchToFit);
  EXPECT_EQ(file.asked.size(), size_t(kConfigKeyCount));
  for (const ConfigKey& k : kConfigKeys) {
    EXPECT_EQ(read_value(k, s, aspect, stretch), g_settings.*k.field) << k.name;
    EXPECT_EQ(set.*k.field, g_settings.*k.field) << k.name;
  }
  EXPECT_EQ((std::vector<uint32_t>{s.Music, s.Persistence, s.BloomThreshold, s.ScanlineBrightnessPermille,
                                   s.PersistenceMs, s.BleedingSideWeight, aspect, stretch}),
            (std::vector<uint32_t>{1, 0, 160, 900, 30, 3, 1, 1}));
  const CrtSettings& g = g_settings;  // the fields outside the file
  EXPECT_EQ((std::vector<uint32_t>{g.crtFiltersEnabled, g.fullscreenRequested, g.loopDemo, g.volumePercent,
                                   g.muted}),
            (std::vector<uint32_t>{1, 1, 0, 100, 0}));
}

TEST(ConfigRead, RangesOfEveryKey) {
  for (const ConfigKey& k : kConfigKeys) {
    const struct {
      uint32_t value;
      bool inRange;
    } probes[] = {{k.minimum, true},
                  {k.maximum, true},
                  {k.maximum + 1, false},
                  {k.minimum ? k.minimum - 1 : k.maximum, k.minimum == 0}};
    for (const auto& p : probes) {
      FakeFile file;
      file.values[k.name] = std::to_string(p.value);
      CrtSettings s = scrambled();
      uint32_t aspect = 9, stretch = 9;
      config_read_keys(&s, &aspect, &stretch, read_fake, &file);
      EXPECT_EQ(read_value(k, s, aspect, stretch), p.inRange ? p.value : k.defaultValue)
          << k.name << "=" << p.value;
    }
  }
}

TEST(ConfigRead, EdgeCases) {
  const struct {
    const char* key;
    std::string text;
    uint32_t value;
  } cases[] = {
      {"PersistenceMs", "4", 30},
      {"GlowThreshold", "  200\t", 200},
      {"MaskStrength256", "99999999999999999999", 40},
      {"BloomThreshold", std::string(61, '0') + "7", 7},        // 62 characters: read
      {"GlowStrengthPercent", std::string(62, '0') + "7", 50},  // 63: default
      {"CurvaturePermille", std::string(200, ' ') + "7", 25},   // cut to 63: default
      // Without places the two shared keys go to a scratch word; the record keeps its value.
      {"AspectRatio4x3", "0", 0xA5A5A5A5u},
      {"StretchToFit", "0", 0xA5A5A5A5u},
  };
  FakeFile file;
  for (const auto& c : cases) file.values[c.key] = c.text;
  CrtSettings s = scrambled();
  config_read_keys(&s, nullptr, nullptr, read_fake, &file);
  for (const auto& c : cases) {
    const ConfigKey* k = std::find_if(kConfigKeys, kConfigKeys + kConfigKeyCount,
                                      [&c](const ConfigKey& k) { return k.name == std::string(c.key); });
    EXPECT_EQ(s.*k->field, c.value) << c.key;
  }
}

// Reads the default text back the way an INI reader would and checks it against the
// key table: every key once, its default, and the "; Range:" line above numeric keys.
TEST(ConfigDefaults, DefaultTextReadsBackAsTheKeyTable) {
  std::string text(kConfigDefaultText, kConfigDefaultTextSize);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  ASSERT_EQ(start, text.size());  // ends on CR LF
  std::map<std::string, uint32_t> seen;
  bool inSection = false;
  std::string range;
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);  // no bare CR or LF
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
    for (const ConfigKey& k : kConfigKeys)
      if (key == k.name) {
        EXPECT_EQ(value, k.defaultValue) << key;
        std::string expected = std::to_string(k.minimum) + ".." + std::to_string(k.maximum);
        EXPECT_EQ(range, k.maximum > 1 ? expected : "") << key;
      }
    range.clear();
  }
  EXPECT_EQ(seen.size(), 25u);
}

TEST(ConfigPath, NameAndFolder) {
  // The joined path must stay under 260 UTF-16 units, whatever script the folder's name uses.
  const std::u16string folder = u"C:\\" + std::u16string(240, u'f') + u"\\";  // 244 units
  const std::u16string wide = u"C:\\" + std::u16string(240, u'音') + u"\\";   // 244 units, 723 UTF-8 bytes
  const struct {
    std::u16string module, name;
    std::u16string joined;  // empty: refused
  } cases[] = {
      {u"C:\\demo\\Vrinx.exe", u"Vrinx.ini", u"C:\\demo\\Vrinx.ini"},
      {u"C:\\Дмитрий 音楽\\Vrinx.exe", u"Vrinx.ini", u"C:\\Дмитрий 音楽\\Vrinx.ini"},
      {u"C:\\demo\\Vrinx.exe", u"", u""},
      {u"C:\\demo\\Vrinx.exe", u"a\\b.ini", u""},
      {u"C:\\demo\\Vrinx.exe", u"a/b.ini", u""},
      {u"C:\\demo\\Vrinx.exe", u"c:b.ini", u""},
      {u"Vrinx.exe", u"Vrinx.ini", u""},
      {folder + u"Vrinx.exe", std::u16string(15, u'n'), folder + std::u16string(15, u'n')},  // 259 units
      {folder + u"Vrinx.exe", std::u16string(16, u'n'), u""},
      {folder + std::u16string(16, u'x'), u"a", u""},
      {wide + u"Vrinx.exe", std::u16string(15, u'n'), wide + std::u16string(15, u'n')},
  };
  for (const auto& c : cases) {
    char16_t out[300];
    int ok = config_build_path(c.module.c_str(), c.name.c_str(), out, 300);
    EXPECT_EQ(ok, !c.joined.empty()) << "case " << &c - cases;
    EXPECT_TRUE((ok ? std::u16string(out) : u"") == c.joined) << "case " << &c - cases;
  }
}

}  // namespace
