#include "shell/config.h"

#include <cstring>
#include <string>

const ConfigKey kConfigKeys[kConfigKeyCount] = {
    {"Music", &CrtSettings::Music, 1, 0, 1},
    {"VSync", &CrtSettings::VSync, 1, 0, 1},
    {"VRR", &CrtSettings::VRR, 1, 0, 1},
    {"Bloom", &CrtSettings::Bloom, 1, 0, 1},
    {"BloomThreshold", &CrtSettings::BloomThreshold, 160, 0, 255},
    {"BloomStrengthPercent", &CrtSettings::BloomStrengthPercent, 60, 0, 100},
    {"Scanlines", &CrtSettings::Scanlines, 1, 0, 1},
    {"Distortion", &CrtSettings::Distortion, 1, 0, 1},
    {"Glow", &CrtSettings::Glow, 1, 0, 1},
    {"RGBMask", &CrtSettings::RGBMask, 1, 0, 1},
    {"Persistence", &CrtSettings::Persistence, 0, 0, 1},
    {"ChromaticSeparation", &CrtSettings::ChromaticSeparation, 1, 0, 1},
    {"ColorBleeding", &CrtSettings::ColorBleeding, 1, 0, 1},
    {"AspectRatio4x3", &CrtSettings::AspectRatio4x3, 1, 0, 1},
    {"StretchToFit", &CrtSettings::StretchToFit, 1, 0, 1},
    {"CurvaturePermille", &CrtSettings::CurvaturePermille, 25, 0, 100},
    {"VignettePermille", &CrtSettings::VignettePermille, 25, 0, 100},
    {"ScanlineBrightnessPermille", &CrtSettings::ScanlineBrightnessPermille, 900, 500, 1000},
    {"ScanlineContrastPermille", &CrtSettings::ScanlineContrastPermille, 100, 0, 250},
    {"GlowThreshold", &CrtSettings::GlowThreshold, 96, 0, 255},
    {"GlowStrengthPercent", &CrtSettings::GlowStrengthPercent, 50, 0, 100},
    {"MaskStrength256", &CrtSettings::MaskStrength256, 40, 0, 128},
    {"PersistenceMs", &CrtSettings::PersistenceMs, 30, 5, 150},
    {"ChromaticStrengthPercent", &CrtSettings::ChromaticStrengthPercent, 100, 0, 150},
    {"BleedingSideWeight", &CrtSettings::BleedingSideWeight, 3, 0, 8},
};

#define L(text) text "\r\n"
// clang-format off
const char kConfigDefaultText[] =
    L("; CRT configuration. Loaded once at startup, beside the executable.")
    L("; Integer values only. Missing, malformed or out-of-range entries use defaults.")
    L("; UI changes are temporary and never rewrite this file. Restart to reload edits.")
    L("[CRT]")
    L("")
    L("; Switches: 0=off, 1=on.")
    L("; Enable the soundtrack during playback and recording.") L("Music=1") L("")
    L("; Adds horizontal dark lines that simulate CRT scanning.") L("Scanlines=1") L("")
    L("; Curves the image edges and gently darkens the corners.") L("Distortion=1") L("")
    L("; Adds a small soft halo around bright color channels.") L("Glow=1") L("")
    L("; Adds fine red, green and blue phosphor stripes at larger sizes.") L("RGBMask=1") L("")
    L("; Leaves a short fading afterglow behind moving bright details.") L("Persistence=0") L("")
    L("; Offsets red and blue near the edges to simulate imperfect convergence.")
    L("ChromaticSeparation=1") L("")
    L("; Spreads color horizontally while retaining sharp brightness detail.") L("ColorBleeding=1") L("")
    L("; Adds a wider soft halo that becomes stronger as image brightness increases.") L("Bloom=1") L("")
    L("; Displays the source image with a corrected 4:3 aspect ratio.") L("AspectRatio4x3=1") L("")
    L("; Scales the image to fit fullscreen, respecting aspect correction.") L("StretchToFit=1") L("")
    L("; VSync: 1 waits for refresh; 0 submits without waiting.")
    L("VSync=1")
    L("; Hardware Direct3D 11 acceleration is required for rendering.")
    L("; VRR: 1 requests G-SYNC/FreeSync; needs an enabled compatible display.")
    L("; VRR takes priority when the API supports it; VSync is the fallback.")
    L("VRR=1")
    L("")
    L("; Curvature: 25 = 2.5 percent. Zero is flat.") L("; Range: 0..100") L("CurvaturePermille=25") L("")
    L("; Edge shading per squared normalized axis; 25 is subtle.") L("; Range: 0..100")
    L("VignettePermille=25") L("")
    L("; Average scanline brightness; 900 = 90 percent.") L("; Range: 500..1000")
    L("ScanlineBrightnessPermille=900") L("")
    L("; Scanline amplitude, limited to 1000 minus brightness; size fade remains active.")
    L("; Range: 0..250") L("ScanlineContrastPermille=100") L("")
    L("; Only RGB channel values above this threshold contribute to glow.") L("; Range: 0..255")
    L("GlowThreshold=96") L("")
    L("; Brightness of the blurred bright-pass halo; zero removes glow.") L("; Range: 0..100")
    L("GlowStrengthPercent=50") L("")
    L("; Channel attenuation in units of 1/256; small-size fade remains active.") L("; Range: 0..128")
    L("MaskStrength256=40") L("")
    L("; Exponential decay time in milliseconds; higher means longer trails.") L("; Range: 5..150")
    L("PersistenceMs=30") L("")
    L("; 100 keeps the current subtle offsets; zero disables separation.") L("; Range: 0..150")
    L("ChromaticStrengthPercent=100") L("")
    L("; Horizontal chroma kernel [side,16-2*side,side]/16; zero disables bleeding.") L("; Range: 0..8")
    L("BleedingSideWeight=3") L("")
    L("; Luma threshold for bloom; a smooth quadratic ramp suppresses dim areas.") L("; Range: 0..255")
    L("BloomThreshold=160") L("")
    L("; Strength of the wide brightness-dependent halo; zero removes bloom.") L("; Range: 0..100")
    L("BloomStrengthPercent=60");
// clang-format on
#undef L
static_assert(sizeof(kConfigDefaultText) == kConfigDefaultTextSize + 1, "default configuration text size");

static uint32_t* key_place(CrtSettings* settings, int key, uint32_t* aspect, uint32_t* stretch) {
  const ConfigKey& k = kConfigKeys[key];
  if (k.field == &CrtSettings::AspectRatio4x3) return aspect;
  if (k.field == &CrtSettings::StretchToFit) return stretch;
  return &(settings->*k.field);
}

void config_set_defaults(CrtSettings* settings, uint32_t* aspect, uint32_t* stretch) {
  uint32_t scratch;
  for (int i = 0; i < kConfigKeyCount; i++)
    *key_place(settings, i, aspect ? aspect : &scratch, stretch ? stretch : &scratch) =
        kConfigKeys[i].defaultValue;
}

static bool is_blank(char c) { return c == ' ' || c == '\t'; }

int config_parse_integer(const char* text, uint32_t* value) {
  while (is_blank(*text)) text++;
  if (*text < '0' || *text > '9') return 0;
  uint32_t number = 0;
  for (; *text >= '0' && *text <= '9'; text++) {
    if (number > 1000) return 0;
    number = number * 10 + uint32_t(*text - '0');
  }
  while (is_blank(*text)) text++;
  if (*text != 0) return 0;
  *value = number;
  return 1;
}

void config_read_keys(CrtSettings* settings, uint32_t* aspect, uint32_t* stretch, ConfigKeyReader reader,
                      void* context) {
  uint32_t scratch;
  if (!aspect) aspect = &scratch;
  if (!stretch) stretch = &scratch;
  for (int i = 0; i < kConfigKeyCount; i++) {
    const ConfigKey& k = kConfigKeys[i];
    uint32_t* place = key_place(settings, i, aspect, stretch);
    *place = k.defaultValue;
    char text[64];
    text[0] = 0;
    uint32_t length = reader(k.name, text, sizeof text, context);
    if (length == 0 || length >= 63) continue;
    text[sizeof text - 1] = 0;
    uint32_t value;
    if (config_parse_integer(text, &value) && value >= k.minimum && value <= k.maximum) *place = value;
  }
}

int config_build_path(const char16_t* modulePath, const char16_t* fileName, char16_t* out, uint32_t outSize) {
  size_t nameLength = std::char_traits<char16_t>::length(fileName);
  if (nameLength == 0 || nameLength >= 260) return 0;
  for (size_t i = 0; i < nameLength; i++)
    if (fileName[i] == u'\\' || fileName[i] == u'/' || fileName[i] == u':') return 0;
  size_t moduleLength = std::char_traits<char16_t>::length(modulePath);
  if (moduleLength >= 260) return 0;
  size_t folderLength = 0;  // up to and including the last backslash
  for (size_t i = 0; i < moduleLength; i++)
    if (modulePath[i] == u'\\') folderLength = i + 1;
  if (folderLength == 0) return 0;
  if (folderLength + nameLength >= 260 || folderLength + nameLength >= outSize) return 0;
  memcpy(out, modulePath, folderLength * sizeof *out);
  memcpy(out + folderLength, fileName, (nameLength + 1) * sizeof *out);
  return 1;
}
