// The flat-shaded 3D object's per-frame steps.
#pragma once

// Advances the background path and the camera path by the frame's animation
// steps (the vertex transform proper follows the camera record it takes).
void object_transform_vertices();
