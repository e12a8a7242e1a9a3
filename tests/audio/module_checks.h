#pragma once
// Structural checks every loaded module must pass, whatever file it came from. Every
// sample's loop end frame is read, so an address sanitizer catches a buffer that is
// shorter than the model promises.
#include "audio/module.h"

// Returns an empty string when the module is sound, else the first fault found.
const char* module_fault(const Module& m);
