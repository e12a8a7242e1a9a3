#include "demo/object.h"

#include "base/asset_image.h"
#include "base/byte_order.h"
#include "demo/demo_state.h"
#include "demo/triangle.h"

namespace {

constexpr int kVertexBytes = 6, kNormalBytes = 6, kFaceBytes = 10;
constexpr int kHeaderBytes = 10;
constexpr uint16_t kKeyBias = 32000;
constexpr uint16_t kNearestKey = 32060, kFarthestKey = 52000;  // summed depth 60..20000

int32_t les16(const uint8_t* p) { return static_cast<int16_t>(load_le16(p)); }

// Sums of products wrap at 32 bits, like the registers the arithmetic was made for.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }
int32_t dot2(int32_t a, int32_t b, int32_t c, int32_t d) {
  return wrap(static_cast<int64_t>(a) * b + static_cast<int64_t>(c) * d);
}

bool model_fits(int32_t vertices, int32_t normals, int32_t faces) {
  if (vertices > kMaxVertices || normals > kMaxFaces || faces > kMaxFaces || normals < faces) return false;
  return kHeaderBytes + vertices * kVertexBytes + normals * kNormalBytes + faces * kFaceBytes <=
         static_cast<int32_t>(kObjectModelSize);
}

bool face_references_fit(const DemoState& s) {
  for (int f = 0; f < s.faceCount; ++f)
    for (int k = 0; k < 3; ++k) {
      uint16_t ref = load_le16(s.objectFaces + f * kFaceBytes + 2 * k);
      if (ref % kVertexBytes != 0 || ref / kVertexBytes >= s.vertexCount) return false;
    }
  return true;
}

// Counts one byte of the keys and turns the counts into each bucket's first position.
void radix_offsets(uint16_t* histogram, const uint16_t* keys, int count, int shift) {
  for (int b = 0; b < 256; ++b) histogram[b] = 0;
  for (int i = 0; i < count; ++i) ++histogram[(keys[i] >> shift) & 0xFF];
  uint16_t offset = 0;
  for (int b = 0; b < 256; ++b) {
    if (!histogram[b]) continue;  // empty buckets keep 0
    uint16_t n = histogram[b];
    histogram[b] = offset;
    offset = static_cast<uint16_t>(offset + n);
  }
}

}  // namespace

void object_read_header() {
  DemoState& s = g_demo;
  const uint8_t* model = AssetImage + kObjectModelOffset;
  for (int i = 0; i < 5; ++i) s.objectHeader[i] = load_le16(model + 2 * i);
  int32_t vertices = s.objectHeader[2] / kVertexBytes + 1;
  int32_t normals = s.objectHeader[3] / kNormalBytes + 1;
  int32_t faces = s.objectHeader[4] / kFaceBytes + 1;
  s.objectVertices = model + kHeaderBytes;
  s.objectNormals = s.objectVertices + vertices * kVertexBytes;
  s.objectFaces = s.objectNormals + normals * kNormalBytes;
  s.vertexCount = vertices;
  s.normalCount = normals;
  s.faceCount = faces;
  // A model that would overrun the working arrays or its record shows no object.
  if (!model_fits(vertices, normals, faces) || !face_references_fit(s))
    s.vertexCount = s.normalCount = s.faceCount = 0;
}

void object_transform_vertices() {
  DemoState& s = g_demo;
  s.backgroundIndex += s.objectSteps;
  if (s.backgroundIndex >= kBackgroundSteps) s.backgroundIndex = 0;
  const int16_t* r = s.cameraPathCurrent;
  s.cameraPathCurrent += kCameraRecordWords * s.objectSteps;
  if (s.cameraPathCurrent >= s.cameraPathEnd) s.cameraPathCurrent = s.cameraPathStart;
  s.pathCoefficients = CameraRecord{r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8]};
  const CameraRecord& c = s.pathCoefficients;

  for (int v = 0; v < s.vertexCount; ++v) {
    const uint8_t* p = s.objectVertices + v * kVertexBytes;
    int32_t dx = (les16(p) - c.px) * 256;
    int32_t dy = (les16(p + 2) - c.py) * 256;
    int32_t dz = (les16(p + 4) - c.pz) * 256;
    int32_t x1 = dot2(dx, c.A, dy, c.B) >> 10;
    int32_t y1 = dot2(dy, c.A, -dx, c.B) >> 10;
    int32_t x2 = dot2(x1, c.C, -dz, c.D) >> 10;
    int32_t Z = dot2(x1, c.D, dz, c.C) >> 18;
    int32_t X = static_cast<int16_t>(dot2(x2, c.E, y1, c.F) >> 18);
    int32_t Y = static_cast<int16_t>(dot2(y1, c.E, -x2, c.F) >> 18);
    int32_t d = Z > 60 ? Z : 60;  // at or behind the near limit: projected as if at 60
    int16_t* out = s.ScreenVertices[v];
    out[0] = static_cast<int16_t>(X * 256 / d + 160);
    out[1] = static_cast<int16_t>(Y * 256 / d * 5 / 6 + s.objectCentreY);  // tall pixels
    out[2] = static_cast<int16_t>(Z);
  }
}

void object_rotate_normals() {
  DemoState& s = g_demo;
  const CameraRecord& c = s.pathCoefficients;
  for (int n = 0; n < s.normalCount; ++n) {
    const uint8_t* p = s.objectNormals + n * kNormalBytes;
    int32_t nx = les16(p), ny = les16(p + 2), nz = les16(p + 4);
    int32_t x1 = dot2(nx, c.A, ny, c.B) >> 10;
    int32_t y1 = dot2(ny, c.A, -nx, c.B) >> 10;
    int32_t x2 = dot2(x1, c.C, -nz, c.D) >> 10;
    int32_t z2 = dot2(x1, c.D, nz, c.C) >> 10;
    int16_t* out = s.ViewNormals[n];
    out[0] = static_cast<int16_t>(dot2(x2, c.E, y1, c.F) >> 10);
    out[1] = static_cast<int16_t>(dot2(y1, c.E, -x2, c.F) >> 10);
    out[2] = static_cast<int16_t>(z2);
  }
}

void object_rotate_light() {
  DemoState& s = g_demo;
  const int32_t* L0 = s.lightBase;
  int a = s.lightAngles[0] & (kSineEntries - 1), b = s.lightAngles[1] & (kSineEntries - 1);
  int32_t sa = s.SineTable[a], ca = s.CosineTable[a], sb = s.SineTable[b], cb = s.CosineTable[b];
  int32_t t = (L0[0] * sa + L0[1] * ca) >> 8;
  s.light[0] = (L0[0] * ca - L0[1] * sa) >> 8;
  s.light[1] = (L0[2] * sb + t * cb) >> 8;
  s.light[2] = (L0[2] * cb - t * sb) >> 8;
}

void object_build_face_list() {
  DemoState& s = g_demo;
  int n = 0;
  for (int offset = (s.faceCount - 1) * kFaceBytes; offset >= 0; offset -= kFaceBytes)
    s.FaceList[n++] = static_cast<uint16_t>(offset);
  s.faceListEnd = static_cast<int16_t>(2 * (n - 1));
}

void object_sort_faces() {
  DemoState& s = g_demo;
  int count = s.faceListEnd / 2 + 1;
  for (int i = 0; i < count; ++i) {
    const uint8_t* face = s.objectFaces + s.FaceList[i];
    uint16_t key = kKeyBias;
    for (int k = 0; k < 3; ++k)
      key = static_cast<uint16_t>(key + s.ScreenVertices[load_le16(face + 2 * k) / kVertexBytes][2]);
    s.FaceKeys[i] = key;
  }
  if (count <= 1) return;  // a single face is sorted already (and still gets its key)

  // Low byte: the list visited backwards, so that equal keys end with the lower face first.
  radix_offsets(s.SortHistogram, s.FaceKeys, count, 0);
  for (int i = count - 1; i >= 0; --i) {
    uint16_t at = s.SortHistogram[s.FaceKeys[i] & 0xFF]++;
    s.SortKeys[at] = s.FaceKeys[i];
    s.SortList[at] = s.FaceList[i];
  }
  // High byte, stable.
  radix_offsets(s.SortHistogram, s.SortKeys, count, 8);
  for (int i = 0; i < count; ++i) {
    uint16_t at = s.SortHistogram[s.SortKeys[i] >> 8]++;
    s.FaceKeys[at] = s.SortKeys[i];
    s.FaceList[at] = s.SortList[i];
  }
}

void object_shade_faces() {
  DemoState& s = g_demo;
  for (int f = 0; f < s.faceCount; ++f) {
    const int16_t* n = s.ViewNormals[f];
    int32_t shade = wrap(static_cast<int64_t>(n[0]) * s.light[0] + static_cast<int64_t>(n[1]) * s.light[1] +
                         static_cast<int64_t>(n[2]) * s.light[2]) >>
                    11;
    if (static_cast<int16_t>(shade) < 0) shade = 0;  // turned away: the ramp's darkest colour
    uint8_t base = s.objectFaces[f * kFaceBytes + 6];
    s.FaceColour[f] = static_cast<uint8_t>(base + shade);
  }
}

void object_paint_faces() {
  DemoState& s = g_demo;
  // Farthest first, so that nearer faces paint over them.
  for (int i = s.faceListEnd / 2; i >= 0; --i) {
    if (s.FaceKeys[i] < kNearestKey || s.FaceKeys[i] > kFarthestKey) continue;
    const uint8_t* face = s.objectFaces + s.FaceList[i];
    bool columnsOutside = false, rowsOutside = false;
    for (int k = 0; k < 3; ++k) {
      const int16_t* v = s.ScreenVertices[load_le16(face + 2 * k) / kVertexBytes];
      s.triangle.p[k] = TrianglePoint{v[0], v[1]};
      columnsOutside |= v[0] < 0 || v[0] > 320;
      rowsOutside |= v[1] < 1 || v[1] > 200;
    }
    s.triangle.colour = s.FaceColour[s.FaceList[i] / kFaceBytes];
    if (columnsOutside)
      fill_triangle_clip_all();
    else if (rowsOutside)
      fill_triangle_clip_rows();
    else
      fill_triangle();
  }
}
