#include "gpu/crt_reference.h"

#include <cstdlib>
#include <cstring>

namespace {

inline int32_t channel(uint32_t p, int c) { return int32_t((p >> (8 * c)) & 255); }
inline uint32_t pack(const int32_t c[3]) {
  return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16;
}
inline int32_t clamp255(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

struct Pixel {
  const CrtParams& p;
  const CrtReferenceInputs& in;
  uint32_t x, y, stride;

  // A at (x+dx, y+dy), black off the interior.
  uint32_t tap(int dx, int dy) const {
    uint32_t tx = x + dx, ty = y + dy;
    if (tx - 1 >= p.sw || ty - 1 >= p.sh) return 0;
    return in.a[ty * stride + tx];
  }
};

const uint32_t kBloomWeights[9] = {1, 8, 28, 56, 70, 56, 28, 8, 1};
const uint32_t kGlowWeights[5] = {1, 4, 6, 4, 1};

uint32_t blur(const Pixel& px, const uint32_t* weights, int taps, int shift, bool vertical, uint32_t* sum) {
  uint32_t acc[3] = {0, 0, 0};
  for (int k = 0; k < taps; k++) {
    int d = k - taps / 2;
    uint32_t t = vertical ? px.tap(0, d) : px.tap(d, 0);
    for (int c = 0; c < 3; c++) acc[c] += weights[k] * uint32_t(channel(t, c));
  }
  for (int c = 0; c < 3; c++) sum[c] = acc[c] >> shift;
  return acc[0] >> shift | (acc[1] >> shift) << 8 | (acc[2] >> shift) << 16;
}

uint32_t combine(uint32_t base, const uint32_t blurred[3], uint32_t strength) {
  int32_t c[3];
  for (int k = 0; k < 3; k++) {
    uint32_t v = uint32_t(channel(base, k)) + blurred[k] * strength / 100;
    c[k] = int32_t(v < 255 ? v : 255);
  }
  return pack(c);
}

int32_t chroma_lerp(int32_t m, int32_t h, int32_t v, int32_t d, int32_t fx, int32_t fy) {
  int32_t top = m + ((h - m) * fx >> 8);
  int32_t bottom = v + ((d - v) * fx >> 8);
  return top + ((bottom - top) * fy >> 8);
}

uint32_t interior(const Pixel& px, uint32_t m) {
  const CrtParams& p = px.p;
  uint32_t pos = px.y * px.stride + px.x;
  int32_t c[3];
  switch (p.operation) {
    case kCrtDecode: {
      if (p.trueColor) {
        uint32_t offset = (px.y - 1) * p.inputPitch + (px.x - 1) * 4;
        uint32_t word;
        memcpy(&word, px.in.indexed + offset, 4);
        return word & 0xFFFFFF;
      }
      return px.in.palette[px.in.indexed[(px.y - 1) * p.inputPitch + (px.x - 1)]] & 0xFFFFFF;
    }
    case kCrtBloomBright: {
      int32_t over = int32_t(crt_luma(m)) - int32_t(p.bloomThreshold);
      uint32_t k = uint32_t(over > 0 ? over : 0) * 256 / (256 - p.bloomThreshold);
      k = (k * k) >> 8;
      for (int i = 0; i < 3; i++) c[i] = int32_t((uint32_t(channel(m, i)) * k) >> 8);
      return pack(c);
    }
    case kCrtBloomBlurX:
    case kCrtGlowBlurX: {
      uint32_t sum[3];
      return p.operation == kCrtBloomBlurX ? blur(px, kBloomWeights, 9, 8, false, sum)
                                           : blur(px, kGlowWeights, 5, 4, false, sum);
    }
    case kCrtBloomCombine:
    case kCrtGlowCombine: {
      uint32_t sum[3];
      bool bloom = p.operation == kCrtBloomCombine;
      if (bloom)
        blur(px, kBloomWeights, 9, 8, true, sum);
      else
        blur(px, kGlowWeights, 5, 4, true, sum);
      return combine(px.in.b[pos], sum, bloom ? p.bloomStrength : p.glowStrength);
    }
    case kCrtGlowBright:
      for (int i = 0; i < 3; i++) {
        int32_t v = channel(m, i) - int32_t(p.glowThreshold);
        c[i] = v > 0 ? v : 0;
      }
      return pack(c);
    case kCrtPersistence: {
      if (p.persistenceReset) return m & 0xFFFFFF;
      uint32_t b = px.in.b[pos];
      for (int i = 0; i < 3; i++) {
        int32_t held = int32_t((uint32_t(channel(b, i)) * p.persistenceGain) >> 8);
        c[i] = channel(m, i) > held ? channel(m, i) : held;
      }
      return pack(c);
    }
    case kCrtBleed: {
      uint32_t l = px.in.a[px.y * px.stride + (px.x - 1 > 1 ? px.x - 1 : 1)];
      uint32_t r = px.in.a[px.y * px.stride + (px.x + 1 < p.sw ? px.x + 1 : p.sw)];
      int32_t lumL = int32_t(crt_luma(l)), lumM = int32_t(crt_luma(m)), lumR = int32_t(crt_luma(r));
      for (int i = 0; i < 3; i++) {
        int32_t mix = (channel(l, i) - lumL) * int32_t(p.bleedSide) +
                      (channel(m, i) - lumM) * int32_t(p.bleedCenter) +
                      (channel(r, i) - lumR) * int32_t(p.bleedSide) + 8;
        c[i] = clamp255(lumM + (mix >> 4));
      }
      return pack(c);
    }
    case kCrtChromatic: {
      int32_t fx = int32_t(px.in.chroma[px.x - 1]);
      int32_t fy = int32_t(px.in.chroma[p.sw + px.y - 1]);
      int sx = 2 * (px.x - 1) < p.sw ? 1 : -1;
      int sy = 2 * (px.y - 1) < p.sh ? 1 : -1;
      c[1] = channel(m, 1);
      // Red from the inward side, blue from the outward side.
      c[2] = chroma_lerp(channel(m, 2), channel(px.tap(sx, 0), 2), channel(px.tap(0, sy), 2),
                         channel(px.tap(sx, sy), 2), fx, fy);
      c[0] = chroma_lerp(channel(m, 0), channel(px.tap(-sx, 0), 0), channel(px.tap(0, -sy), 0),
                         channel(px.tap(-sx, -sy), 0), fx, fy);
      return pack(c);
    }
  }
  return 0;
}

void resample(const CrtParams& p, const CrtReferenceInputs& in, uint32_t* out) {
  uint32_t stride = p.sw + 2;
  for (uint32_t y = 0; y < p.oh; y++)
    for (uint32_t x = 0; x < p.ow; x++) {
      uint32_t pos = y * p.ow + x;
      const uint32_t* e = in.maps + kCrtMapWords * pos;
      uint32_t i = e[0];
      uint32_t w[4] = {e[1] & 0xFFFF, e[1] >> 16, e[2] & 0xFFFF, e[2] >> 16};
      uint32_t t[4] = {in.a[i], in.a[i + 1], in.a[i + stride], in.a[i + stride + 1]};
      uint32_t v[3], g[3];
      for (int c = 0; c < 3; c++) {
        uint32_t sum = 0;
        for (int k = 0; k < 4; k++) sum += uint32_t(channel(t[k], c)) * w[k];
        v[c] = sum >> 8;
        g[c] = (v[c] * p.maskGain) >> 8;
      }
      // Mask by output column: red, green, blue stripes (channel 2, 1, 0).
      int keep = 2 - int(x % 3);
      uint32_t r[3];
      for (int c = 0; c < 3; c++) r[c] = c == keep ? v[c] : g[c];
      out[pos] = r[0] | r[1] << 8 | r[2] << 16;
    }
}

}  // namespace

void crt_reference_operation(const CrtParams& p, const CrtReferenceInputs& in, uint32_t* out) {
  if (p.operation == kCrtResample) {
    resample(p, in, out);
    return;
  }
  uint32_t stride = p.sw + 2;
  for (uint32_t y = 0; y < p.sh + 2; y++)
    for (uint32_t x = 0; x < stride; x++) {
      uint32_t pos = y * stride + x;
      if (x == 0 || y == 0 || x == p.sw + 1 || y == p.sh + 1) {
        out[pos] = 0;
        continue;
      }
      Pixel px{p, in, x, y, stride};
      out[pos] = interior(px, p.operation == kCrtDecode ? 0 : in.a[pos]);
    }
}

int crt_reference_render(const CrtFrameJob& job) {
  uint32_t sw = job.sourceWidth, sh = job.sourceHeight;
  size_t padded = size_t(sw + 2) * (sh + 2);
  uint32_t* work = static_cast<uint32_t*>(calloc(padded * 4, 4));
  if (!work) return 0;
  uint32_t palette[256];
  if (job.palette) memcpy(palette, job.palette, sizeof palette);
  uint32_t* chroma = nullptr;
  if (job.chromaticOn) {
    chroma = static_cast<uint32_t*>(malloc((sw + sh) * 4));
    if (!chroma) {
      free(work);
      return 0;
    }
    memcpy(chroma, job.chromaColumns, sw * 4);
    memcpy(chroma + sw, job.chromaRows, sh * 4);
  }
  // Source rows packed without padding, as the GPU receives them.
  uint32_t row = job.palette ? sw : sw * 4;
  uint8_t* packed = static_cast<uint8_t*>(malloc(size_t(row) * sh));
  if (!packed) {
    free(work);
    free(chroma);
    return 0;
  }
  for (uint32_t y = 0; y < sh; y++)
    memcpy(packed + size_t(y) * row, job.source + size_t(y) * job.sourcePitch, row);

  uint32_t* buffers[6] = {
      work, work + padded, work + 2 * padded, work + 3 * padded, job.persistenceState, job.output};
  CrtParams params = crt_params_from_job(job);
  CrtPass passes[kCrtMaxPasses];
  int count = crt_pass_plan(job, passes);
  for (int k = 0; k < count; k++) {
    params.operation = passes[k].operation;
    CrtReferenceInputs in = {buffers[passes[k].a],
                             passes[k].b == kNoBuffer ? nullptr : buffers[passes[k].b],
                             job.maps,
                             chroma,
                             palette,
                             packed};
    crt_reference_operation(params, in, buffers[passes[k].out]);
    if (passes[k].operation == kCrtPersistence)
      memcpy(job.persistenceState, buffers[passes[k].out], padded * 4);
  }
  free(packed);
  free(chroma);
  free(work);
  return 1;
}
