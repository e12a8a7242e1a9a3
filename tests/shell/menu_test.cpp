// The context menu and keys as data: the key table, the filter switches, the check
// marks, grayed items and performance text for a state, and the volume arithmetic.
#include "shell/menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "shell/config.h"

namespace {

TEST(Menu, KeysRunTheirCommands) {
  const struct {
    uint32_t key, action;
  } keys[] = {
      {'S', 40002},
      {'D', 40003},
      {'A', 40005},
      {'F', 40010},
      {'L', 40011},
      {'C', 40012},
      {'G', 40013},
      {'R', 40014},
      {'V', 40015},
      {'H', 40016},
      {'B', 40017},
      {'O', 40018},
      {'M', 40004},
      {0x6B, 40008},
      {0xBB, 40008},
      {0x6D, 40009},
      {0xBD, 40009},
      {0x71, 40019},
      {'P', 40006},
      {0x13, 40006},
      {'T', 40007},
      {' ', kKeyCrtFilters},
      {0x1B, kKeyStop},
      // Keys without a meaning: E, F1, F3, Enter, numeric-pad 5, lower-case letters are not key codes.
      {'E', 0},
      {0x70, 0},
      {0x72, 0},
      {0x0D, 0},
      {0x65, 0},
      {'s', 0},
      {0, 0},
      {0x4153, 0},
  };
  for (const auto& k : keys) EXPECT_EQ(menu_key_action(k.key), k.action) << "key 0x" << std::hex << k.key;
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
  for (uint32_t id : {40002u, 40010u, 40019u, 40010u + 9, 0u})
    EXPECT_EQ(menu_filter_command(id), nullptr) << id;
}

struct Scene {
  const char* name;
  void (*setup)(CrtSettings*, MenuView*);
  std::set<uint32_t> checked, grayed;
};

TEST(Menu, StateShowsChecksAndGrays) {
  // The default settings check the 4:3 aspect and every filter but persistence.
  const std::set<uint32_t> filters = {40011, 40012, 40013, 40014, 40016, 40017, 40018};
  auto with = [&](std::set<uint32_t> extra) {
    extra.insert(filters.begin(), filters.end());
    extra.insert(40005);
    return extra;
  };
  const Scene scenes[] = {
      {"single size, 4:3",
       [](CrtSettings*, MenuView* v) { v->clientWidth = 320, v->clientHeight = 240; },
       with({40002}),
       {}},
      {"double size, 4:3",
       [](CrtSettings*, MenuView* v) { v->clientWidth = 640, v->clientHeight = 480; },
       with({40003}),
       {}},
      {"640 x 400 is no size of 4:3",
       [](CrtSettings*, MenuView* v) { v->clientWidth = 640, v->clientHeight = 400; },
       with({}),
       {}},
      {"320 x 200 is single size without 4:3",
       [](CrtSettings* s, MenuView* v) {
         s->AspectRatio4x3 = 0, v->clientWidth = 320, v->clientHeight = 200;
       },
       [&] {
         auto c = with({40002});
         c.erase(40005);
         return c;
       }(),
       {}},
      {"full screen: sizes grayed, never checked",
       [](CrtSettings*, MenuView* v) {
         v->fullscreenActive = 1, v->clientWidth = 320, v->clientHeight = 240;
       },
       with({40010}),
       {40002, 40003}},
      {"locked full screen",
       [](CrtSettings*, MenuView* v) { v->fullscreenActive = 1, v->fullscreenLocked = 1; },
       with({40010}),
       {40002, 40003, 40010, 40007}},
      {"paused, overlay, muted, on top",
       [](CrtSettings* s, MenuView* v) {
         v->paused = 1, v->overlayMode = 1, s->muted = 1, s->alwaysOnTop = 1;
       },
       with({40006, 40019, 40004, 40007}),
       {}},
      {"filters off, persistence on",
       [](CrtSettings* s, MenuView*) {
         s->Scanlines = s->Distortion = s->Glow = s->RGBMask = s->ChromaticSeparation = s->ColorBleeding = 0;
         s->Bloom = 0, s->Persistence = 1;
       },
       {40005, 40015},
       {}},
  };
  for (const Scene& scene : scenes) {
    CrtSettings s = g_settings;
    MenuView v{0, 0, 0, 0, 500, 300};
    scene.setup(&s, &v);
    MenuItemState items[kMenuItemCount];
    menu_state(s, v, items);
    std::set<uint32_t> ids, checked, grayed;
    for (const MenuItemState& i : items) {
      ids.insert(i.id);
      if (i.checked) checked.insert(i.id);
      if (i.grayed) grayed.insert(i.id);
    }
    EXPECT_EQ(ids.size(), 18u) << scene.name;
    EXPECT_EQ(*ids.begin(), 40002u);
    EXPECT_EQ(*ids.rbegin(), 40019u);
    EXPECT_EQ(ids.count(40001), 0u);
    EXPECT_EQ(checked, scene.checked) << scene.name;
    EXPECT_EQ(grayed, scene.grayed) << scene.name;
  }
  EXPECT_STREQ(menu_performance_text(0), "Performance: hidden\tF2");
  EXPECT_STREQ(menu_performance_text(1), "Performance: FPS / ms/frame\tF2");
}

TEST(Menu, ClientSizes) {
  const struct {
    int scale;
    uint32_t aspect;
    int width, height;
  } sizes[] = {{1, 0, 320, 200}, {1, 1, 320, 240}, {2, 0, 640, 400}, {2, 1, 640, 480}};
  for (const auto& z : sizes) {
    int w, h;
    menu_client_size(z.scale, z.aspect, &w, &h);
    EXPECT_EQ(w, z.width);
    EXPECT_EQ(h, z.height);
  }
}

TEST(Menu, VolumeStepsStayWithinZeroToHundred) {
  const struct {
    uint32_t from;
    int delta;
    uint32_t to;
  } steps[] = {
      {100, 5, 100}, {97, 5, 100}, {95, 5, 100}, {50, 5, 55},
      {50, -5, 45},  {5, -5, 0},   {3, -5, 0},   {0, -5, 0},
  };
  for (const auto& v : steps) {
    CrtSettings s = g_settings;
    s.volumePercent = v.from;
    menu_step_volume(&s, v.delta);
    EXPECT_EQ(s.volumePercent, v.to) << v.from << " " << v.delta;
  }
}

TEST(Menu, MuteSilencesAndUnmuteRestoresTheVolume) {
  CrtSettings s = g_settings;
  EXPECT_EQ(menu_volume_level(s), 100u);  // the default
  s.volumePercent = 70;
  s.muted = 1;
  EXPECT_EQ(menu_volume_level(s), 0u);
  menu_step_volume(&s, -5);  // the volume keeps changing while muted, unheard
  EXPECT_EQ(menu_volume_level(s), 0u);
  s.muted = 0;
  EXPECT_EQ(menu_volume_level(s), 65u);
}

}  // namespace
