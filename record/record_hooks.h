// What the recorder needs from the platform. Vrinx.exe links record_win32.cpp; the unit
// tests link their own.
#pragma once
#include "record/avi_file.h"

// The usage message (no owner); the caller then ends the process with code 2.
void record_show_usage();
// Has the window paint the current picture and capture it; returns once that is done.
void record_request_paint(void* window);
// Asks the window to close (the recording has failed).
void record_post_close(void* window);
// The failure message, owned by the window.
void record_show_failure(void* window);
// Releases the capture surface.
void record_release_capture();
// The file layer the AVI is written through.
const AviFileOps* record_file_ops();
