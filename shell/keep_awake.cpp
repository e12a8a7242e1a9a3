#include "shell/keep_awake.h"

AwakeRequest keep_awake_request(const ShowView& view) {
  if (view.stage == kShowDialog || view.stage == kShowEnded) return {kKeepNothing, false};
  if (view.recording) return {kKeepSystem, false};
  if (view.stage == kShowRun && view.paused) return {kKeepNothing, false};
  return {kKeepDisplayAndSystem, view.fullscreen};
}
