// The context menu and the single keys, as data: the command ids of menu 109, which
// key runs which command, the check marks, grayed items and the text of the
// performance item for a given state, and the volume arithmetic of the sound commands.
// menu_win32.cpp carries the commands out on the window.
#pragma once
#include <cstdint>

#include "shell/config.h"

enum MenuCommand : uint32_t {
  kCommandSingleSize = 40002,
  kCommandDoubleSize = 40003,
  kCommandMute = 40004,
  kCommandAspect = 40005,
  kCommandPause = 40006,
  kCommandAlwaysOnTop = 40007,
  kCommandVolumeUp = 40008,
  kCommandVolumeDown = 40009,
  kCommandFullscreen = 40010,
  kCommandScanlines = 40011,  // 40011..40018: the eight CRT filter switches
  kCommandBloom = 40018,
  kCommandPerformance = 40019,
};

// The DPI at which a pixel is a pixel; the window sizes are numbers at it.
constexpr int kDefaultDpi = 96;

// Keys that aren't menu commands.
constexpr uint32_t kKeyCrtFilters = 1;  // Space
constexpr uint32_t kKeyStop = 2;        // Escape

// What a virtual-key code does: a MenuCommand, kKeyCrtFilters, kKeyStop, or 0.
uint32_t menu_key_action(uint32_t virtualKey);

// The CRT filter switch of commands 40011..40018, and whether toggling it resets the
// phosphor persistence.
struct FilterCommand {
  uint32_t id;
  uint32_t CrtSettings::*field;
  int resetsPersistence;
};
constexpr int kFilterCommandCount = 8;
extern const FilterCommand kFilterCommands[kFilterCommandCount];
const FilterCommand* menu_filter_command(uint32_t id);  // null for other ids

// The state the menu shows besides the settings record; the client size in pixels at the
// window's DPI.
struct MenuView {
  int fullscreenActive, fullscreenLocked, paused, overlayMode;
  int clientWidth, clientHeight;
  int dpi = kDefaultDpi;
};

struct MenuItemState {
  uint32_t id;
  int checked, grayed;
};
constexpr int kMenuItemCount = 18;

// Every command item of the menu, in menu order.
void menu_state(const CrtSettings& settings, const MenuView& view, MenuItemState items[kMenuItemCount]);
// The text of 40019 for an overlay mode.
const char* menu_performance_text(int overlayMode);

// Client size of "Single size" (1) and "Double size" (2): 320 x 200 times the scale,
// 240 lines instead of 200 with the 4:3 aspect, at 96 DPI; at another DPI in proportion,
// rounded to the nearest pixel as MulDiv rounds.
void menu_client_size(int scale, uint32_t aspect4x3, int dpi, int* width, int* height);

// "Increase volume" (+5) and "Decrease volume" (-5), kept within 0..100.
void menu_step_volume(CrtSettings* settings, int delta);
// What audio_set_volume gets: 0 while muted, else volumePercent.
uint32_t menu_volume_level(const CrtSettings& settings);
