// The 3D object (a chunky, chamfered "97" swept along the digits' strokes) and the
// camera track that circles it.
#include <cmath>

#include "base/byte_order.h"
#include "tools/content/content.h"

namespace {

const double kPi = 3.14159265358979323846;

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }

struct Face {
  int v[3];
  uint8_t colour;
  V3 outward;
};

struct Mesh {
  std::vector<V3> vertices;
  std::vector<Face> faces;
};

// Stroke cross-section: (offset across the stroke, depth), front at negative depth,
// with the two front edges chamfered. Edge k runs from point k to point k+1.
const double kHalfWidth = 38, kHalfDepth = 40, kChamfer = 16;
const double kProfile[6][2] = {
    {kHalfWidth, kHalfDepth},               // back, outer
    {kHalfWidth, -kHalfDepth + kChamfer},   // outer side
    {kHalfWidth - kChamfer, -kHalfDepth},   // outer chamfer
    {-kHalfWidth + kChamfer, -kHalfDepth},  // front face
    {-kHalfWidth, -kHalfDepth + kChamfer},  // inner chamfer
    {-kHalfWidth, kHalfDepth},              // inner side
};
// Ramp of each profile edge: sides and back in the blue-violet ramps, the front and
// its chamfers in the red-violet ones.
const uint8_t kEdgeColour[6] = {64, 0, 32, 0, 32, 96};

// Sweeps the profile along a path in the digit plane (x right, z up); depth is y.
void sweep(Mesh& mesh, const std::vector<V3>& path, bool closed) {
  const int n = static_cast<int>(path.size());
  const int base = static_cast<int>(mesh.vertices.size());
  auto segmentNormal = [&](int i) {  // in-plane normal of segment i -> i+1, to the right
    V3 t = unit(path[(i + 1) % n] - path[i]);
    return V3{t.z, 0, -t.x};
  };
  for (int i = 0; i < n; ++i) {
    V3 normal;
    bool hasPrev = closed || i > 0, hasNext = closed || i < n - 1;
    if (hasPrev && hasNext) {
      V3 a = segmentNormal((i + n - 1) % n), b = segmentNormal(i);
      V3 m = unit(a + b);
      normal = m * (1.0 / dot(m, a));  // mitred joint keeps the stroke width
    } else {
      normal = segmentNormal(hasNext ? i : i - 1);
    }
    for (const auto& p : kProfile) mesh.vertices.push_back(path[i] + normal * p[0] + V3{0, p[1], 0});
  }
  const int segments = closed ? n : n - 1;
  for (int i = 0; i < segments; ++i) {
    int r0 = base + 6 * i, r1 = base + 6 * ((i + 1) % n);
    V3 centre = (path[i] + path[(i + 1) % n]) * 0.5;
    for (int k = 0; k < 6; ++k) {
      int k1 = (k + 1) % 6;
      V3 mid =
          (mesh.vertices[r0 + k] + mesh.vertices[r0 + k1] + mesh.vertices[r1 + k] + mesh.vertices[r1 + k1]) *
          0.25;
      V3 out = mid - centre;
      mesh.faces.push_back({{r0 + k, r0 + k1, r1 + k1}, kEdgeColour[k], out});
      mesh.faces.push_back({{r0 + k, r1 + k1, r1 + k}, kEdgeColour[k], out});
    }
  }
  if (!closed) {  // end caps, fanned from the back-outer corner
    V3 startOut = unit(path[0] - path[1]), endOut = unit(path[n - 1] - path[n - 2]);
    for (int k = 1; k < 5; ++k) {
      mesh.faces.push_back({{base, base + k, base + k + 1}, 64, startOut});
      int e = base + 6 * (n - 1);
      mesh.faces.push_back({{e, e + k, e + k + 1}, 64, endOut});
    }
  }
}

Mesh build_mesh() {
  Mesh mesh;
  // The 9: a closed bowl and a tail that curls down to the bottom left.
  std::vector<V3> bowl;
  for (int i = 0; i < 16; ++i) {
    double a = 2 * kPi * i / 16;
    bowl.push_back({-160 + 92 * std::cos(a), 0, 75 + 87 * std::sin(a)});
  }
  sweep(mesh, bowl, true);
  sweep(mesh, {{-68, 0, 75}, {-68, 0, -40}, {-82, 0, -112}, {-116, 0, -150}, {-170, 0, -162}}, false);
  // The 7: a top bar and a diagonal stem.
  sweep(mesh, {{60, 0, 162}, {262, 0, 162}, {138, 0, -162}}, false);
  // Centre the digits' bounding box on the origin, where the camera looks.
  double lo = 1e9, hi = -1e9;
  for (const V3& v : mesh.vertices) {
    lo = std::fmin(lo, v.x);
    hi = std::fmax(hi, v.x);
  }
  for (V3& v : mesh.vertices) v.x -= (lo + hi) / 2;
  return mesh;
}

// Appends a 16-bit little-endian word (the low 16 bits of v).
void append_le16(Bytes& out, int v) {
  out.resize(out.size() + 2);
  store_le16(&out[out.size() - 2], uint16_t(v));
}

int round_int(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

Bytes build_object_model() {
  Mesh mesh = build_mesh();
  const int nv = static_cast<int>(mesh.vertices.size()), nf = static_cast<int>(mesh.faces.size());
  Bytes out;
  append_le16(out, 0);
  append_le16(out, 0);
  append_le16(out, 6 * (nv - 1));
  append_le16(out, 6 * (nf - 1));
  append_le16(out, 10 * (nf - 1));
  for (const V3& v : mesh.vertices) {
    append_le16(out, round_int(v.x));
    append_le16(out, round_int(v.y));
    append_le16(out, round_int(v.z));
  }
  for (const Face& f : mesh.faces) {  // face normal of length 256, turned outward
    V3 a = mesh.vertices[f.v[0]], b = mesh.vertices[f.v[1]], c = mesh.vertices[f.v[2]];
    V3 n = unit(cross(b - a, c - a));
    if (dot(n, f.outward) < 0) n = n * -1.0;
    append_le16(out, round_int(n.x * 256));
    append_le16(out, round_int(n.y * 256));
    append_le16(out, round_int(n.z * 256));
  }
  for (const Face& f : mesh.faces) {
    for (int k = 0; k < 3; ++k) append_le16(out, 6 * f.v[k]);
    out.push_back(f.colour);
    out.push_back(0);
    out.push_back(0);
    out.push_back(0);
  }
  out.resize(out.size() + 2 * 6 * nv, 0);  // the two spare vertex-sized arrays
  return out;
}

// The camera circles the object once per 800 frames: slowly past the front, quickly
// behind, bobbing up and down, moving in and out and banking a little. Its rotation
// is the engine's three-angle form: forward = (sin b cos a, sin b sin a, cos b).
Bytes build_camera_path() {
  Bytes out;
  for (int i = 0; i < 800; ++i) {
    double t = 2 * kPi * i / 800;
    double azimuth = t - 0.55 * std::sin(t);
    double elevation = 0.22 + 0.18 * std::sin(2 * t);
    double distance = 860 - 200 * std::cos(t) + 60 * std::sin(3 * t);
    double roll = 0.14 * std::sin(t + 0.6);
    V3 eye = V3{std::sin(azimuth) * std::cos(elevation), -std::cos(azimuth) * std::cos(elevation),
                std::sin(elevation)} *
             distance;
    V3 target{0, 0, 10};
    V3 f = unit(target - eye);
    V3 right = unit(cross(f, V3{0, 0, 1}));
    V3 down = cross(f, right);
    V3 r0 = right * std::cos(roll) + down * std::sin(roll);
    V3 r1 = down * std::cos(roll) - right * std::sin(roll);
    double b = std::acos(f.z);
    double a = std::atan2(f.y, f.x);
    double c = std::atan2(r1.z, -r0.z);
    // clang-format off
    const int values[9] = {round_int(eye.x), round_int(eye.y), round_int(eye.z),
                           round_int(1024 * std::cos(a)), round_int(1024 * std::sin(a)),
                           round_int(1024 * std::cos(b)), round_int(1024 * std::sin(b)),
                           round_int(1024 * std::cos(c)), round_int(1024 * std::sin(c))};
    // clang-format on
    for (int v : values) append_le16(out, v);
  }
  return out;
}
