#include "demo/object.h"

#include "demo/demo_state.h"

void object_transform_vertices() {
  DemoState& s = g_demo;
  s.backgroundIndex += s.objectSteps;
  if (s.backgroundIndex >= kBackgroundSteps) s.backgroundIndex = 0;
  s.cameraPathCurrent += kCameraRecordWords * s.objectSteps;
  if (s.cameraPathCurrent >= s.cameraPathEnd) s.cameraPathCurrent = s.cameraPathStart;
}
