// Flat triangle fillers into WorkScreen (visible rows 1 to 200), reading the
// triangle set-up in DemoState. They differ only in how much they clip.
#pragma once

void fill_triangle();            // all points at x 0..320, y 1..200
void fill_triangle_clip_rows();  // all x inside, some y outside
void fill_triangle_clip_all();   // some x outside
