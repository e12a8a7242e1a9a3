#include "gpu/crt_cpu.h"

#include <cstdlib>
#include <cstring>

#include "base/worker_pool.h"
#include "gpu/crt_reference.h"

namespace {

// Rows per task: small enough to share 200 rows between a few threads evenly.
constexpr uint32_t kBandRows = 8;
constexpr uint32_t kLowMask = 0x00FF00FF;  // blue and red, a 16-bit lane each

struct CrtCpuWork {
  uint32_t sw, sh;
  uint32_t* pictures;  // X0, X1, Y0, Y1: padded, borders black for good
};
CrtCpuWork g_work;

const uint32_t kBloomWeights[9] = {1, 8, 28, 56, 70, 56, 28, 8, 1};
const uint32_t kGlowWeights[5] = {1, 4, 6, 4, 1};

// One pass: the operation, its pictures, and what the operation needs besides.
struct Pass {
  const CrtFrameJob* job;
  const CrtParams* p;
  uint32_t operation;
  const uint32_t* a;
  const uint32_t* b;
  uint32_t* out;
  uint32_t stride;
  uint32_t brightScale[256];  // bloom bright pass: k for each luma
  uint32_t palette[256];      // decode of an indexed source: the entries' three channels
};

inline uint32_t channel(uint32_t v, int c) { return (v >> (8 * c)) & 255; }
inline uint32_t pack(uint32_t b, uint32_t g, uint32_t r) { return b | g << 8 | r << 16; }
// x / 100 for x up to 43698 (checked for every x of that range): a blurred channel times a
// strength of at most 100 percent stays below 25501.
inline uint32_t div100(uint32_t x) { return (x * 5243) >> 19; }

void decode_row(const Pass& s, uint32_t y, uint32_t* out) {
  const CrtFrameJob& j = *s.job;
  const uint8_t* row = j.source + size_t(y - 1) * j.sourcePitch;
  if (j.palette) {
    for (uint32_t x = 0; x < j.sourceWidth; x++) out[x + 1] = s.palette[row[x]];
  } else {
    for (uint32_t x = 0; x < j.sourceWidth; x++) {
      uint32_t v;
      memcpy(&v, row + 4 * x, 4);
      out[x + 1] = v & 0xFFFFFF;
    }
  }
}

void bloom_bright_row(const Pass& s, const uint32_t* a, uint32_t* out, uint32_t sw) {
  for (uint32_t x = 1; x <= sw; x++) {
    uint32_t m = a[x], k = s.brightScale[crt_luma(m)];
    // Each lane holds at most 255 * 255.
    out[x] = (((m & kLowMask) * k >> 8) & kLowMask) | ((((m >> 8) & 255) * k) & 0xFF00);
  }
}

void glow_bright_row(const Pass& s, const uint32_t* a, uint32_t* out, uint32_t sw) {
  const uint8_t* in = reinterpret_cast<const uint8_t*>(a + 1);
  uint8_t* o = reinterpret_cast<uint8_t*>(out + 1);
  uint8_t t = uint8_t(s.p->glowThreshold);
  for (uint32_t i = 0; i < 4 * sw; i++) o[i] = in[i] > t ? uint8_t(in[i] - t) : 0;
}

// Horizontal blur: weights summing to 1 << shift (at most 256), so blue and red share
// one 32-bit sum without carrying into each other. Taps beyond the border read black.
template <int kTaps, int kShift>
void blur_row(const uint32_t* weights, const uint32_t* a, uint32_t* out, uint32_t sw) {
  constexpr int kHalf = kTaps / 2;
  auto pixel = [&](uint32_t x, bool edge) {
    uint32_t low = 0, green = 0;
    for (int k = 0; k < kTaps; k++) {
      uint32_t tx = x + k - kHalf;
      uint32_t t = !edge || tx - 1 < sw ? a[tx] : 0;
      low += weights[k] * (t & kLowMask);
      green += weights[k] * ((t >> 8) & 255);
    }
    return ((low >> kShift) & kLowMask) | (green >> kShift) << 8;
  };
  uint32_t first = kHalf + 1, last = sw > uint32_t(kHalf) ? sw - kHalf : 0;  // all taps inside
  if (first > last) {
    for (uint32_t x = 1; x <= sw; x++) out[x] = pixel(x, true);
    return;
  }
  for (uint32_t x = 1; x < first; x++) out[x] = pixel(x, true);
  for (uint32_t x = first; x <= last; x++) out[x] = pixel(x, false);
  for (uint32_t x = last + 1; x <= sw; x++) out[x] = pixel(x, true);
}

// Vertical blur of A around row y, added to B's row with the strength in percent.
template <int kTaps, int kShift>
void blur_combine_row(const Pass& s, const uint32_t* weights, uint32_t strength, uint32_t y, uint32_t* out) {
  uint32_t sw = s.p->sw, sh = s.p->sh;
  uint32_t low[kCrtMaxSourceSide], green[kCrtMaxSourceSide];
  memset(low, 0, sw * 4);
  memset(green, 0, sw * 4);
  for (int k = 0; k < kTaps; k++) {
    uint32_t ty = y + k - kTaps / 2;
    if (ty - 1 >= sh) continue;
    const uint32_t* row = s.a + size_t(ty) * s.stride + 1;
    uint32_t w = weights[k];
    for (uint32_t x = 0; x < sw; x++) {
      low[x] += w * (row[x] & kLowMask);
      green[x] += w * ((row[x] >> 8) & 255);
    }
  }
  const uint32_t* base = s.b + size_t(y) * s.stride + 1;
  for (uint32_t x = 0; x < sw; x++) {
    uint32_t blue = (low[x] >> kShift) & 255, red = (low[x] >> (16 + kShift)) & 255, g = green[x] >> kShift;
    uint32_t m = base[x];
    uint32_t cb = (m & 255) + div100(blue * strength);
    uint32_t cg = ((m >> 8) & 255) + div100(g * strength);
    uint32_t cr = ((m >> 16) & 255) + div100(red * strength);
    out[x + 1] = pack(cb < 255 ? cb : 255, cg < 255 ? cg : 255, cr < 255 ? cr : 255);
  }
}

void persistence_row(const Pass& s, const uint32_t* a, const uint32_t* b, uint32_t* out, uint32_t sw) {
  if (s.p->persistenceReset) {
    for (uint32_t x = 1; x <= sw; x++) out[x] = a[x] & 0xFFFFFF;
    return;
  }
  const uint8_t* m = reinterpret_cast<const uint8_t*>(a + 1);
  const uint8_t* held = reinterpret_cast<const uint8_t*>(b + 1);
  uint8_t* o = reinterpret_cast<uint8_t*>(out + 1);
  uint32_t gain = s.p->persistenceGain;
  for (uint32_t i = 0; i < 4 * sw; i++) {
    uint32_t h = (uint32_t(held[i]) * gain) >> 8;
    o[i] = uint8_t(m[i] > h ? m[i] : h);
  }
  for (uint32_t x = 1; x <= sw; x++) out[x] &= 0xFFFFFF;  // whatever the held picture's top byte
}

inline uint32_t bleed_pixel(const CrtParams& p, uint32_t l, uint32_t m, uint32_t r) {
  int32_t lumL = int32_t(crt_luma(l)), lumM = int32_t(crt_luma(m)), lumR = int32_t(crt_luma(r));
  uint32_t c[3];
  for (int i = 0; i < 3; i++) {
    int32_t mix = (int32_t(channel(l, i)) - lumL) * int32_t(p.bleedSide) +
                  (int32_t(channel(m, i)) - lumM) * int32_t(p.bleedCenter) +
                  (int32_t(channel(r, i)) - lumR) * int32_t(p.bleedSide) + 8;
    int32_t v = lumM + (mix >> 4);
    c[i] = uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
  }
  return pack(c[0], c[1], c[2]);
}

void bleed_row(const Pass& s, const uint32_t* a, uint32_t* out, uint32_t sw) {
  const CrtParams& p = *s.p;
  // The edge pixels are their own outer neighbours.
  out[1] = bleed_pixel(p, a[1], a[1], a[sw > 1 ? 2 : 1]);
  for (uint32_t x = 2; x < sw; x++) out[x] = bleed_pixel(p, a[x - 1], a[x], a[x + 1]);
  if (sw > 1) out[sw] = bleed_pixel(p, a[sw - 1], a[sw], a[sw]);
}

inline int32_t chroma_lerp(int32_t m, int32_t h, int32_t v, int32_t d, int32_t fx, int32_t fy) {
  int32_t top = m + ((h - m) * fx >> 8);
  int32_t bottom = v + ((d - v) * fx >> 8);
  return top + ((bottom - top) * fy >> 8);
}

// Taps one pixel away reach at most the black border, which reads as black.
void chromatic_row(const Pass& s, uint32_t y, uint32_t* out) {
  const CrtParams& p = *s.p;
  const uint32_t* chroma = s.job->chromaColumns;
  int32_t fy = int32_t(s.job->chromaRows[y - 1]);
  int sy = 2 * (y - 1) < p.sh ? 1 : -1;
  const uint32_t* row = s.a + size_t(y) * s.stride;
  const uint32_t* inward = row + sy * int(s.stride);
  const uint32_t* outward = row - sy * int(s.stride);
  for (uint32_t x = 1; x <= p.sw; x++) {
    int sx = 2 * (x - 1) < p.sw ? 1 : -1;
    int32_t fx = int32_t(chroma[x - 1]);
    uint32_t m = row[x];
    int32_t red = chroma_lerp(int32_t(channel(m, 2)), int32_t(channel(row[x + sx], 2)),
                              int32_t(channel(inward[x], 2)), int32_t(channel(inward[x + sx], 2)), fx, fy);
    int32_t blue = chroma_lerp(int32_t(channel(m, 0)), int32_t(channel(row[x - sx], 0)),
                               int32_t(channel(outward[x], 0)), int32_t(channel(outward[x - sx], 0)), fx, fy);
    out[x] = uint32_t(blue) | (m & 0xFF00) | uint32_t(red) << 16;
  }
}

// The exact sum of one output pixel, for entries whose weights add up to more than 256
// (the sample map never makes them, but the arithmetic is defined for them).
uint32_t resample_wide(const uint32_t* a, uint32_t i, uint32_t stride, const uint32_t* e, uint32_t gain,
                       uint32_t x) {
  uint32_t w00 = e[1] & 0xFFFF, w10 = e[1] >> 16, w01 = e[2] & 0xFFFF, w11 = e[2] >> 16;
  uint32_t t00 = a[i], t10 = a[i + 1], t01 = a[i + stride], t11 = a[i + stride + 1];
  uint32_t v[3];
  for (int c = 0; c < 3; c++) {
    v[c] =
        (channel(t00, c) * w00 + channel(t10, c) * w10 + channel(t01, c) * w01 + channel(t11, c) * w11) >> 8;
    if (c != 2 - int(x % 3)) v[c] = (v[c] * gain) >> 8;
  }
  return v[0] | v[1] << 8 | v[2] << 16;
}

// Output row y through the sample map, with the RGB mask by column: column x mod 3 keeps
// red, green or blue at full strength and scales the other two by the mask gain. With
// weights summing to at most 256 blue and red share one 32-bit sum.
void resample_row(const Pass& s, uint32_t y) {
  const CrtParams& p = *s.p;
  const uint32_t* e = s.job->maps + size_t(y) * p.ow * kCrtMapWords;
  uint32_t* out = s.out + size_t(y) * p.ow;
  const uint32_t* a = s.a;
  uint32_t stride = s.stride, gain = p.maskGain;
  static const uint32_t kKeepLow[3] = {0xFF0000, 0, 0xFF};  // the kept channel of blue and red
  static const uint32_t kKeepGreen[3] = {0, 1, 0};
  uint32_t phase = 0;
  for (uint32_t x = 0; x < p.ow; x++, e += kCrtMapWords, phase = phase == 2 ? 0 : phase + 1) {
    uint32_t i = e[0];
    uint32_t w00 = e[1] & 0xFFFF, w10 = e[1] >> 16, w01 = e[2] & 0xFFFF, w11 = e[2] >> 16;
    if (w00 + w10 + w01 + w11 > 256) {
      out[x] = resample_wide(a, i, stride, e, gain, x);
      continue;
    }
    uint32_t t00 = a[i], t10 = a[i + 1], t01 = a[i + stride], t11 = a[i + stride + 1];
    uint32_t low =
        ((t00 & kLowMask) * w00 + (t10 & kLowMask) * w10 + (t01 & kLowMask) * w01 + (t11 & kLowMask) * w11) >>
            8 &
        kLowMask;
    uint32_t green = (((t00 >> 8) & 255) * w00 + ((t10 >> 8) & 255) * w10 + ((t01 >> 8) & 255) * w01 +
                      ((t11 >> 8) & 255) * w11) >>
                     8;
    uint32_t lowMasked = (low * gain >> 8) & kLowMask, greenMasked = (green * gain) >> 8;
    uint32_t keep = kKeepLow[phase];
    out[x] = (low & keep) | (lowMasked & ~keep) | (kKeepGreen[phase] ? green : greenMasked) << 8;
  }
}

void run_band(void* context, uint32_t band) {
  const Pass& s = *static_cast<const Pass*>(context);
  const CrtParams& p = *s.p;
  uint32_t rows = s.operation == kCrtResample ? p.oh : p.sh;
  uint32_t first = band * kBandRows, end = first + kBandRows < rows ? first + kBandRows : rows;
  for (uint32_t r = first; r < end; r++) {
    if (s.operation == kCrtResample) {
      resample_row(s, r);
      continue;
    }
    uint32_t y = r + 1;  // padded row
    const uint32_t* a = s.a + size_t(y) * s.stride;
    uint32_t* out = s.out + size_t(y) * s.stride;
    switch (s.operation) {
      case kCrtDecode:
        decode_row(s, y, out);
        break;
      case kCrtBloomBright:
        bloom_bright_row(s, a, out, p.sw);
        break;
      case kCrtBloomBlurX:
        blur_row<9, 8>(kBloomWeights, a, out, p.sw);
        break;
      case kCrtBloomCombine:
        blur_combine_row<9, 8>(s, kBloomWeights, p.bloomStrength, y, out);
        break;
      case kCrtGlowBright:
        glow_bright_row(s, a, out, p.sw);
        break;
      case kCrtGlowBlurX:
        blur_row<5, 4>(kGlowWeights, a, out, p.sw);
        break;
      case kCrtGlowCombine:
        blur_combine_row<5, 4>(s, kGlowWeights, p.glowStrength, y, out);
        break;
      case kCrtPersistence: {
        uint32_t* state = s.job->persistenceState + size_t(y) * s.stride;
        persistence_row(s, a, s.b + size_t(y) * s.stride, out, p.sw);
        memcpy(state + 1, out + 1, size_t(p.sw) * 4);
        break;
      }
      case kCrtBleed:
        bleed_row(s, a, out, p.sw);
        break;
      case kCrtChromatic:
        chromatic_row(s, y, out);
        break;
    }
  }
}

bool ensure_work(uint32_t sw, uint32_t sh) {
  if (g_work.pictures && g_work.sw == sw && g_work.sh == sh) return true;
  crt_cpu_release();
  g_work.pictures = static_cast<uint32_t*>(calloc(size_t(sw + 2) * (sh + 2) * 4, 4));
  if (!g_work.pictures) return false;
  g_work.sw = sw;
  g_work.sh = sh;
  return true;
}

// The persistence picture's border is black like every pass output's.
void clear_border(uint32_t* picture, uint32_t sw, uint32_t sh) {
  uint32_t stride = sw + 2;
  memset(picture, 0, size_t(stride) * 4);
  memset(picture + size_t(sh + 1) * stride, 0, size_t(stride) * 4);
  for (uint32_t y = 1; y <= sh; y++) picture[size_t(y) * stride] = picture[size_t(y) * stride + sw + 1] = 0;
}

}  // namespace

int crt_cpu_render(const CrtFrameJob& job) {
  uint32_t sw = job.sourceWidth, sh = job.sourceHeight;
  if (!ensure_work(sw, sh)) return 0;
  size_t padded = size_t(sw + 2) * (sh + 2);
  uint32_t* buffers[6] = {g_work.pictures,
                          g_work.pictures + padded,
                          g_work.pictures + 2 * padded,
                          g_work.pictures + 3 * padded,
                          job.persistenceState,
                          job.output};
  CrtParams params = crt_params_from_job(job);
  Pass s;
  s.job = &job;
  s.p = &params;
  s.stride = sw + 2;
  if (job.palette) {
    memcpy(s.palette, job.palette, sizeof s.palette);
    for (uint32_t& entry : s.palette) entry &= 0xFFFFFF;
  }
  if (job.bloomOn)
    for (uint32_t lum = 0; lum < 256; lum++) {
      int32_t over = int32_t(lum) - int32_t(params.bloomThreshold);
      uint32_t k = uint32_t(over > 0 ? over : 0) * 256 / (256 - params.bloomThreshold);
      s.brightScale[lum] = (k * k) >> 8;
    }
  CrtPass passes[kCrtMaxPasses];
  int count = crt_pass_plan(job, passes);
  for (int k = 0; k < count; k++) {
    s.operation = params.operation = passes[k].operation;
    s.a = buffers[passes[k].a];
    s.b = passes[k].b == kNoBuffer ? nullptr : buffers[passes[k].b];
    s.out = buffers[passes[k].out];
    uint32_t rows = s.operation == kCrtResample ? job.outputHeight : sh;
    worker_pool_run((rows + kBandRows - 1) / kBandRows, run_band, &s);
  }
  if (job.persistenceOn) clear_border(job.persistenceState, sw, sh);
  return 1;
}

void crt_cpu_release() {
  free(g_work.pictures);
  g_work = CrtCpuWork{};
}
