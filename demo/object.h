// The flat-shaded 3D object: a fixed model seen from the camera path, prepared every
// frame and painted back to front with flat-shaded triangles.
#pragma once

// Run start: takes the model's header and points at its vertex, normal and face lists.
void object_read_header();

// Per frame, in this order. The vertex transform also advances the background and
// camera paths by the frame's animation steps.
void object_transform_vertices();
void object_rotate_normals();
void object_rotate_light();
void object_build_face_list();
void object_sort_faces();
void object_shade_faces();
void object_paint_faces();
