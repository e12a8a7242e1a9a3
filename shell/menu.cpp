#include "shell/menu.h"

namespace {

struct KeyBinding {
  uint8_t virtualKey;
  uint32_t action;
};

const KeyBinding kKeys[] = {
    {0x53, kCommandSingleSize},   // S
    {0x44, kCommandDoubleSize},   // D
    {0x41, kCommandAspect},       // A
    {0x46, kCommandFullscreen},   // F
    {0x4C, 40011},                // L  scanlines
    {0x43, 40012},                // C  distortion
    {0x47, 40013},                // G  glow
    {0x52, 40014},                // R  RGB mask
    {0x56, 40015},                // V  persistence
    {0x48, 40016},                // H  chromatic separation
    {0x42, 40017},                // B  colour bleeding
    {0x4F, 40018},                // O  bloom
    {0x4D, kCommandMute},         // M
    {0x6B, kCommandVolumeUp},     // numeric-pad plus
    {0xBB, kCommandVolumeUp},     // plus key
    {0x6D, kCommandVolumeDown},   // numeric-pad minus
    {0xBD, kCommandVolumeDown},   // minus key
    {0x71, kCommandPerformance},  // F2
    {0x50, kCommandPause},        // P
    {0x13, kCommandPause},        // Pause
    {0x54, kCommandAlwaysOnTop},  // T
    {0x20, kKeyCrtFilters},       // Space
    {0x1B, kKeyStop},             // Escape
};

// Menu order of the command items (separators left out).
const uint32_t kMenuOrder[kMenuItemCount] = {
    40002, 40003, 40005, 40010, 40011, 40012, 40013, 40014, 40015,
    40016, 40017, 40018, 40004, 40008, 40009, 40019, 40006, 40007,
};

bool has_client_size(const MenuView& view, int scale, uint32_t aspect) {
  int width, height;
  menu_client_size(scale, aspect, view.dpi, &width, &height);
  return !view.fullscreenActive && view.clientWidth == width && view.clientHeight == height;
}

}  // namespace

const FilterCommand kFilterCommands[kFilterCommandCount] = {
    {40011, &CrtSettings::Scanlines, 1},     {40012, &CrtSettings::Distortion, 1},
    {40013, &CrtSettings::Glow, 1},          {40014, &CrtSettings::RGBMask, 0},
    {40015, &CrtSettings::Persistence, 1},   {40016, &CrtSettings::ChromaticSeparation, 0},
    {40017, &CrtSettings::ColorBleeding, 0}, {40018, &CrtSettings::Bloom, 1},
};

uint32_t menu_key_action(uint32_t virtualKey) {
  for (const KeyBinding& k : kKeys)
    if (k.virtualKey == virtualKey) return k.action;
  return 0;
}

const FilterCommand* menu_filter_command(uint32_t id) {
  for (const FilterCommand& f : kFilterCommands)
    if (f.id == id) return &f;
  return nullptr;
}

void menu_state(const CrtSettings& s, const MenuView& view, MenuItemState items[kMenuItemCount]) {
  for (int i = 0; i < kMenuItemCount; ++i) {
    uint32_t id = kMenuOrder[i];
    int checked = 0, grayed = 0;
    if (const FilterCommand* f = menu_filter_command(id)) {
      checked = s.*f->field != 0;
    } else {
      switch (id) {
        case kCommandSingleSize:
        case kCommandDoubleSize: {
          int scale = id == kCommandSingleSize ? 1 : 2;
          checked = has_client_size(view, scale, s.AspectRatio4x3);
          grayed = view.fullscreenActive;
          break;
        }
        case kCommandAspect:
          checked = s.AspectRatio4x3 != 0;
          break;
        case kCommandFullscreen:
          checked = view.fullscreenActive;
          grayed = view.fullscreenLocked;
          break;
        case kCommandMute:
          checked = s.muted != 0;
          break;
        case kCommandPerformance:
          checked = view.overlayMode != 0;
          break;
        case kCommandPause:
          checked = view.paused;
          break;
        case kCommandAlwaysOnTop:
          checked = s.alwaysOnTop != 0;
          grayed = view.fullscreenLocked;
          break;
      }
    }
    items[i] = MenuItemState{id, checked != 0, grayed != 0};
  }
}

const char* menu_performance_text(int overlayMode) {
  return overlayMode ? "Performance: FPS / ms/frame\tF2" : "Performance: hidden\tF2";
}

void menu_client_size(int scale, uint32_t aspect4x3, int dpi, int* width, int* height) {
  auto at_dpi = [dpi](int pixels) { return (pixels * dpi + kDefaultDpi / 2) / kDefaultDpi; };
  *width = at_dpi(320 * scale);
  *height = at_dpi((aspect4x3 ? 240 : 200) * scale);
}

void menu_step_volume(CrtSettings* s, int delta) {
  int volume = int(s->volumePercent) + delta;
  s->volumePercent = uint32_t(volume < 0 ? 0 : volume > 100 ? 100 : volume);
}

uint32_t menu_volume_level(const CrtSettings& s) { return s.muted ? 0 : s.volumePercent; }
