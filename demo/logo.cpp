#include "demo/logo.h"

#include <cstring>

#include "content/logo_data.h"
#include "demo/demo_state.h"

void logo_draw() {
  uint8_t* row1 = g_demo.workScreenRow1;
  const uint8_t* colours = kLogoColours;
  for (int i = 0; i < kLogoRunCount; ++i) {
    std::memcpy(row1 + kLogoRunOffset[i], colours, kLogoRunLength[i]);
    colours += kLogoRunLength[i];
  }
}
