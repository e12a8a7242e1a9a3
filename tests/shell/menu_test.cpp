// The context menu and keys as data: the key table, the filter switches, the check
// marks, grayed items and performance text for a state, and the volume arithmetic.
#include "shell/menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "shell/config.h"

namespace {

// The keys with a menu item are checked against the manual's key table (readme_test.cpp); these are the
// two without one, and a code that only matches a bound key in its low byte.
TEST(Menu, KeysWithoutAMenuItem) {
  const uint32_t keys[][2] = {{' ', kKeyCrtFilters}, {0x1B, kKeyStop}, {0x4153, 0}};
  for (const auto& k : keys) EXPECT_EQ(menu_key_action(k[0]), k[1]) << "key 0x" << std::hex << k[0];
}

TEST(Menu, FilterCommandsToggleOneSwitchEach) {
  const struct {
    uint32_t id;
    uint32_t CrtSettings::*field;
    int resets;
  } filters[] = {
      {40011, &CrtSettings::Scanlines, 1},     {40012, &CrtSettings::Distortion, 1},
      {40013, &CrtSettings::Glow, 1},          {40014, &CrtSettings::RGBMask, 0},
      {40015, &CrtSettings::Persistence, 1},   {40016, &CrtSettings::ChromaticSeparation, 0},
      {40017, &CrtSettings::ColorBleeding, 0}, {40018, &CrtSettings::Bloom, 1},
  };
  for (const auto& f : filters) {
    const FilterCommand* c = menu_filter_command(f.id);
    ASSERT_NE(c, nullptr) << f.id;
    CrtSettings before = g_settings, after = g_settings;
    after.*c->field ^= 1;
    EXPECT_NE(after.*f.field, before.*f.field) << f.id << " toggles the wrong switch";
    after.*f.field ^= 1;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0) << f.id << " touches another field";
    EXPECT_EQ(c->resetsPersistence, f.resets) << f.id;
  }
  for (uint32_t id : {40002u, 40010u, 40019u, 0u}) EXPECT_EQ(menu_filter_command(id), nullptr) << id;
}

// The grayed items in and out of full screen are checked against the manual (readme_test.cpp); here
// nothing is grayed in a window, whatever the state.
TEST(Menu, StateShowsChecksAndGrays) {
  // `filters` 1 keeps the default filters, all on but persistence (checked besides the
  // listed items); 0 turns them off and persistence on.
  const std::set<uint32_t> kFilters = {40011, 40012, 40013, 40014, 40016, 40017, 40018};
  const struct {
    const char* name;
    MenuView view;  // full screen, locked, paused, overlay, client width and height, dpi (96)
    uint32_t aspect, muted, onTop, filters;
    std::set<uint32_t> checked;
  } scenes[] = {{"single size, 4:3", {0, 0, 0, 0, 320, 240}, 1, 0, 0, 1, {40005, 40002}},
                {"double size, 4:3", {0, 0, 0, 0, 640, 480}, 1, 0, 0, 1, {40005, 40003}},
                {"640 x 400 is no size of 4:3", {0, 0, 0, 0, 640, 400}, 1, 0, 0, 1, {40005}},
                {"320 x 200 is single size without 4:3", {0, 0, 0, 0, 320, 200}, 0, 0, 0, 1, {40002}},
                {"full screen: no size checked", {1, 0, 0, 0, 320, 240}, 1, 0, 0, 1, {40005, 40010}},
                {"paused etc.", {0, 0, 1, 1, 500, 300}, 1, 1, 1, 1, {40004, 40005, 40006, 40007, 40019}},
                {"filters off, persistence on", {0, 0, 0, 0, 500, 300}, 1, 0, 0, 0, {40005, 40015}},
                {"single size at 144 dpi", {0, 0, 0, 0, 480, 360, 144}, 1, 0, 0, 1, {40005, 40002}},
                {"320 x 240 is no size at 144 dpi", {0, 0, 0, 0, 320, 240, 144}, 1, 0, 0, 1, {40005}}};
  for (const auto& scene : scenes) {
    CrtSettings s = g_settings;
    s.AspectRatio4x3 = scene.aspect, s.muted = scene.muted, s.alwaysOnTop = scene.onTop;
    for (const FilterCommand& f : kFilterCommands) s.*f.field = scene.filters ^ (f.id == 40015);
    MenuItemState items[kMenuItemCount];
    menu_state(s, scene.view, items);
    std::set<uint32_t> checked, expected = scene.checked;
    if (scene.filters) expected.insert(kFilters.begin(), kFilters.end());
    for (const MenuItemState& i : items) {
      if (i.checked) checked.insert(i.id);
      EXPECT_TRUE(!i.grayed || scene.view.fullscreenActive) << scene.name << ": " << i.id << " grayed";
    }
    EXPECT_EQ(checked, expected) << scene.name;
  }
  EXPECT_STREQ(menu_performance_text(0), "Performance: hidden\tF2");
  EXPECT_STREQ(menu_performance_text(1), "Performance: FPS / ms/frame\tF2");
}

TEST(Menu, ClientSizes) {
  // Scale, 4:3, dpi; width and height. Halves round up (212.5 and 242.5 lines), the rest to
  // the nearest pixel (323.3 columns).
  const int sizes[][5] = {{1, 0, 96, 320, 200},  {1, 1, 96, 320, 240},   {2, 0, 96, 640, 400},
                          {2, 1, 96, 640, 480},  {1, 1, 144, 480, 360},  {2, 1, 144, 960, 720},
                          {1, 0, 120, 400, 250}, {2, 1, 168, 1120, 840}, {1, 0, 102, 340, 213},
                          {1, 1, 97, 323, 243}};
  for (const auto& z : sizes) {
    int w, h;
    menu_client_size(z[0], uint32_t(z[1]), z[2], &w, &h);
    EXPECT_EQ(w, z[3]) << z[2] << " dpi";
    EXPECT_EQ(h, z[4]) << z[2] << " dpi";
  }
}

TEST(Menu, VolumeStepsWithinZeroToHundredAndMute) {
  const int steps[][3] = {{100, 5, 100}, {97, 5, 100}, {95, 5, 100}, {50, 5, 55},
                          {50, -5, 45},  {5, -5, 0},   {3, -5, 0},   {0, -5, 0}};
  for (const auto& v : steps) {
    CrtSettings s = g_settings;
    s.volumePercent = uint32_t(v[0]);
    menu_step_volume(&s, v[1]);
    EXPECT_EQ(s.volumePercent, uint32_t(v[2])) << v[0] << " " << v[1];
  }
  // Mute silences; the volume keeps changing while muted, unheard; unmuting restores it.
  CrtSettings s = g_settings;
  EXPECT_EQ(menu_volume_level(s), 100u);  // the default
  s.volumePercent = 70;
  s.muted = 1;
  EXPECT_EQ(menu_volume_level(s), 0u);
  menu_step_volume(&s, -5);
  EXPECT_EQ(menu_volume_level(s), 0u);
  s.muted = 0;
  EXPECT_EQ(menu_volume_level(s), 65u);
}

}  // namespace
