#include "demo/demo_loop.h"

#include <csetjmp>
#include <cstring>

#include "base/asset_image.h"
#include "base/frame_publish.h"
#include "demo/demo_hooks.h"
#include "demo/demo_state.h"
#include "demo/logo.h"
#include "demo/object.h"
#include "demo/palette_port.h"
#include "demo/text.h"

namespace {

std::jmp_buf g_exitJump;

uint8_t* const DemoRegion = AssetImage;
uint8_t* const DisplayBuffer = AssetImage + kDisplayBufferOffset;

void take_and_restore_snapshots() {
  if (!StateSnapshot) {
    if (!AssetSnapshot) AssetSnapshot = snapshot_allocate(kDemoRegionSize);
    if (!AssetSnapshot) {
      set_exit_code_failure();
      demo_exit();
    }
    std::memcpy(AssetSnapshot, DemoRegion, kDemoRegionSize);
    StateSnapshot = snapshot_allocate(sizeof(DemoState));
    if (!StateSnapshot) {
      set_exit_code_failure();
      demo_exit();
    }
    std::memcpy(StateSnapshot, &g_demo, sizeof(DemoState));
  }
  std::memcpy(DemoRegion, AssetSnapshot, kDemoRegionSize);
  std::memcpy(&g_demo, StateSnapshot, sizeof(DemoState));
}

void run_start() {
  pacing_run_start();
  take_and_restore_snapshots();
  g_paletteWritePosition = 0;
  std::memset(WorkingPalette, 0, kFramePaletteSize);
  pacing_run_reset();
  if (!audio_start()) {
    set_exit_code_failure();
    demo_exit();
  }

  DemoState& s = g_demo;
  s.workScreen = AssetImage + kWorkScreenOffset;
  s.workScreenRow1 = s.workScreen + 320;
  s.cameraPathStart = s.cameraPathCurrent = reinterpret_cast<int16_t*>(AssetImage + kCameraPathOffset);
  s.cameraPathEnd = reinterpret_cast<int16_t*>(AssetImage + kObjectModelOffset);
  s.checkerboard = AssetImage + kCheckerboardOffset;
  checkerboard_fill(s.checkerboard);
  object_read_header();

  dac_set_write_index(0);
  for (int i = 0; i < kPaletteComponents; ++i) dac_write_component(0);
  s.objectSteps = s.textSteps = 1;
}

[[noreturn]] void frame_loop() {
  DemoState& s = g_demo;
  for (;;) {
    if (s.objectCentreY < 100) s.objectCentreY += s.objectSteps;
    object_transform_vertices();
    object_rotate_normals();
    object_rotate_light();
    object_build_face_list();
    object_sort_faces();
    object_shade_faces();
    if (s.cueFlags[kFlagObjectLayer]) object_paint_faces();
    if (s.cueFlags[kFlagTextLayer]) {
      text_draw_page();
      text_advance_kicks();
      text_advance_lines();
    }
    logo_draw();
    waitRetrace();
    s.objectSteps = s.textSteps = 1;
    palette_fades();
    palette_loads();
    std::memcpy(DisplayBuffer, s.workScreenRow1, kFramePixels);
    background_window();
    cue_check();
    pollPauseAndStop();
  }
}

void write_palette(const uint8_t* components, uint8_t firstColour, int count) {
  dac_set_write_index(firstColour);
  for (int i = 0; i < count; ++i) dac_write_component(components[firstColour * 3 + i]);
}

}  // namespace

void demo_run() {
  if (setjmp(g_exitJump) == 0) {
    run_start();
    frame_loop();
  }
}

void demo_exit() { std::longjmp(g_exitJump, 1); }

void checkerboard_fill(uint8_t* board) {
  // Runs of 17 bytes, the first of each row one short; bands of 15 rows.
  uint8_t value = 128;
  int rowCounter = 0;
  for (int y = 0; y < 400; ++y) {
    int column = 0;
    for (int x = 0; x < 520; ++x) {
      if (++column == 17) {
        column = 0;
        value ^= 128 ^ 129;
      }
      *board++ = value;
    }
    if (++rowCounter == 15) {
      rowCounter = 0;
      value ^= 128 ^ 129;
    }
  }
}

void palette_fades() {
  DemoState& s = g_demo;
  for (int flag = kFlagFirstFade; flag <= kFlagLastFade; ++flag) {
    if (!s.cueFlags[flag]) continue;
    bool aToB = (flag - kFlagFirstFade) % 2 == 0;
    const uint8_t* from = aToB ? s.PaletteA : s.PaletteB;
    const uint8_t* to = aToB ? s.PaletteB : s.PaletteA;
    if (s.fadeActive != 1) {
      for (int i = 0; i < kPaletteComponents; ++i) {
        s.fadeCurrent[i] = static_cast<uint16_t>(from[i] * 256);
        s.fadeDelta[i] = static_cast<int16_t>((to[i] - from[i]) * 4);
      }
      s.fadeStepsLeft = 63;
      s.fadeActive = 1;
    }
    dac_set_write_index(0);
    for (int i = 0; i < kPaletteComponents; ++i) {
      dac_write_component(static_cast<uint8_t>(s.fadeCurrent[i] >> 8));
      s.fadeCurrent[i] = static_cast<uint16_t>(s.fadeCurrent[i] + s.fadeDelta[i]);
    }
    if (--s.fadeStepsLeft == 0) {
      s.fadeActive = 0;
      s.cueFlags[flag] = 0;
    }
  }
}

void palette_loads() {
  DemoState& s = g_demo;
  if (s.cueFlags[kFlagLoadLogoColours]) {
    write_palette(s.PaletteA, 142, (256 - 142) * 3);
    s.cueFlags[kFlagLoadLogoColours] = 0;
  }
  if (s.cueFlags[kFlagLoadPalette]) {
    write_palette(s.PaletteA, 0, kPaletteComponents);
    s.cueFlags[kFlagLoadPalette] = 0;
  }
}

void background_window() {
  const DemoState& s = g_demo;
  const uint8_t* src = s.checkerboard + s.BackgroundPath[s.backgroundIndex];
  uint8_t* dst = s.workScreenRow1;
  for (int r = 0; r < 200; ++r, src += 520, dst += 320) std::memcpy(dst, src, 320);
}

void cue_check() {
  DemoState& s = g_demo;
  MusicKeyParts parts = queryMusicPosition();
  uint32_t key = parts.orderHigh + parts.row;
  if (s.cueNext == -1) {
    if (key <= s.cueTimes[kCueCount - 1]) s.cueNext = 8;
    return;
  }
  if (key >= s.cueTimes[s.cueNext]) {
    s.cueFlags[s.cueTargets[s.cueNext]] = 1;
    if (++s.cueNext == kCueCount) s.cueNext = -1;
  }
}
