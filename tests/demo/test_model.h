// Small object models and camera paths for the engine's tests, in the engine's
// asset formats.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

using Triple = std::array<int16_t, 3>;

struct TestFace {
  uint16_t vertex[3];   // vertex numbers
  uint8_t baseColour;
};

// ObjectModel bytes (padded to the full record size): header, vertices, one normal
// per face, faces, two spare arrays.
std::vector<uint8_t> model_bytes(const std::vector<Triple>& vertices, const std::vector<Triple>& normals,
                                 const std::vector<TestFace>& faces);

// CameraPath bytes of 800 records of 9 values.
std::vector<uint8_t> camera_path_bytes(const std::vector<std::array<int16_t, 9>>& records);

// An octahedron of radius 150 with outward normals of length 256, faces in the four ramps.
std::vector<uint8_t> octahedron_model();

// A camera circling the origin at distance 400, looking at it, rolling slowly.
std::vector<uint8_t> orbit_camera_path();
