// crt_gpu_check [--shader FILE]: runs the CRT pipeline on a Direct3D 11 device and
// compares every result with the CPU reference, bit for bit: each operation alone
// (on a 1:1 map, so the operation's output is the output), a 32-bit source, and
// whole frames with every effect on, at source sizes that are not multiples of 8
// and outputs beyond 4x (mask on). Two frames per case, so persistence blends.
// Exit code 0 when all match, 1 on a mismatch, 2 when no device could be made.
#include <d3d11.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "gpu/crt_gpu_win32.h"
#include "gpu/crt_map.h"
#include "gpu/crt_reference.h"

namespace {

struct Case {
  const char* name;
  uint32_t sw, sh, ow, oh;
  uint32_t scanlines, distortion, glow, bloom, persistence, bleeding, chromatic, mask;
  uint32_t trueColor;
};

const Case kCases[] = {
    {"decode", 13, 11, 13, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"decode 32-bit", 13, 11, 13, 11, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    {"bloom", 13, 11, 13, 11, 0, 0, 0, 1, 0, 0, 0, 0, 0},
    {"glow", 13, 11, 13, 11, 0, 0, 1, 0, 0, 0, 0, 0, 0},
    {"persistence", 13, 11, 13, 11, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {"bleeding", 13, 11, 13, 11, 0, 0, 0, 0, 0, 1, 0, 0, 0},
    {"chromatic", 13, 11, 13, 11, 0, 0, 0, 0, 0, 0, 1, 0, 0},
    {"resample and mask", 13, 11, 61, 50, 1, 1, 0, 0, 0, 0, 0, 1, 0},
    {"whole frame", 37, 23, 161, 97, 1, 1, 1, 1, 1, 1, 1, 1, 0},
    {"whole frame 32-bit", 21, 19, 60, 45, 1, 1, 1, 1, 1, 1, 1, 1, 1},
    {"whole frame 320x200", 320, 200, 640, 480, 1, 1, 1, 1, 1, 1, 1, 1, 0},
};

uint32_t g_seed = 12345;
uint32_t next_random() {
  g_seed = g_seed * 1103515245u + 12345u;
  return g_seed >> 8;
}

struct Frame {
  std::vector<uint8_t> source;
  std::vector<uint8_t> palette;
  std::vector<uint32_t> maps, columns, rows, gpuOut, cpuOut, gpuState, cpuState;
};

// A picture with flat areas, edges and bright spots, different per frame.
void fill_source(const Case& c, Frame& f, uint32_t pitch) {
  uint32_t bytes = c.trueColor ? 4 : 1;
  f.source.assign(size_t(pitch) * c.sh, 0xEE);  // pitch padding must not be read
  for (uint32_t y = 0; y < c.sh; y++)
    for (uint32_t x = 0; x < c.sw; x++) {
      uint32_t v = (x / 4 + y / 3) % 3 == 0 ? next_random() : (x * 37 + y * 11) * 0x010101u;
      for (uint32_t b = 0; b < bytes; b++)
        f.source[size_t(y) * pitch + x * bytes + b] = uint8_t(v >> (8 * b));
    }
  f.palette.resize(1024);
  // Fourth bytes that are not 0 too: every picture still holds 0 in bits 24-31.
  for (uint8_t& v : f.palette) v = uint8_t(next_random());
}

int compare(const char* name, const char* what, const std::vector<uint32_t>& gpu,
            const std::vector<uint32_t>& cpu, uint32_t width) {
  size_t bad = 0, first = 0;
  for (size_t i = 0; i < gpu.size(); i++)
    if (gpu[i] != cpu[i] && bad++ == 0) first = i;
  if (!bad) return 0;
  printf("FAIL %s: %s: %zu of %zu pixels differ, first at (%zu, %zu): GPU %06x, CPU %06x\n", name, what, bad,
         gpu.size(), first % width, first / width, gpu[first], cpu[first]);
  return 1;
}

int run_case(ID3D11Device* device, ID3D11DeviceContext* context, const Case& c) {
  Frame f;
  uint32_t pitch = (c.trueColor ? c.sw * 4 : c.sw) + 8;
  size_t padded = size_t(c.sw + 2) * (c.sh + 2);
  CrtMapShape shape = {c.scanlines, c.distortion, 0.025f, 0.025f, 0.9f, 0.1f};
  f.maps.resize(size_t(c.ow) * c.oh * 3);
  crt_map_build(f.maps.data(), c.sw, c.sh, c.ow, c.oh, shape);
  f.columns.resize(c.sw);
  f.rows.resize(c.sh);
  crt_chroma_tables(c.sw, c.sh, 150, f.columns.data(), f.rows.data());
  f.gpuOut.assign(size_t(c.ow) * c.oh, 0);
  f.cpuOut.assign(size_t(c.ow) * c.oh, 1);
  f.gpuState.assign(padded, 0);
  f.cpuState.assign(padded, 0);
  int failures = 0;
  for (uint32_t frame = 0; frame < 2; frame++) {
    fill_source(c, f, pitch);
    CrtFrameJob job = {};
    job.source = f.source.data();
    job.palette = c.trueColor ? nullptr : f.palette.data();
    job.maps = f.maps.data();
    job.chromaColumns = f.columns.data();
    job.chromaRows = f.rows.data();
    job.sourceWidth = c.sw;
    job.sourceHeight = c.sh;
    job.outputWidth = c.ow;
    job.outputHeight = c.oh;
    job.sourcePitch = pitch;
    job.mapsVersion = 1;
    job.glowOn = c.glow;
    job.bloomOn = c.bloom;
    job.persistenceOn = c.persistence;
    job.bleedingOn = c.bleeding;
    job.chromaticOn = c.chromatic;
    job.maskOn = c.mask;
    job.GlowThreshold = 96;
    job.GlowStrengthPercent = 50;
    job.BloomThreshold = 100;
    job.BloomStrengthPercent = 60;
    job.BleedingSideWeight = 3;
    job.bleedCenterWeight = 10;
    job.MaskStrength256 = 128;
    job.persistenceGain = 200;
    job.persistenceReset = frame == 0;
    job.output = f.gpuOut.data();
    job.persistenceState = f.gpuState.data();
    if (!crt_gpu_render(device, context, job)) {
      printf("FAIL %s: the GPU pipeline failed (HRESULT 0x%08lx)\n", c.name,
             static_cast<unsigned long>(crt_gpu_last_error()));
      return 1;
    }
    job.output = f.cpuOut.data();
    job.persistenceState = f.cpuState.data();
    crt_reference_render(job);
    char what[64];
    snprintf(what, sizeof what, "frame %u output", frame);
    failures += compare(c.name, what, f.gpuOut, f.cpuOut, c.ow);
    if (c.persistence) {
      snprintf(what, sizeof what, "frame %u persistence", frame);
      failures += compare(c.name, what, f.gpuState, f.cpuState, c.sw + 2);
    }
  }
  if (!failures) printf("ok %s (%ux%u -> %ux%u)\n", c.name, c.sw, c.sh, c.ow, c.oh);
  return failures ? 1 : 0;
}

std::vector<uint8_t> g_shader;

bool read_shader(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return false;
  g_shader.resize(1u << 20);
  g_shader.resize(fread(g_shader.data(), 1, g_shader.size(), file));
  fclose(file);
  return !g_shader.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--shader") {
    if (!read_shader(argv[2])) {
      printf("cannot read the shader %s\n", argv[2]);
      return 2;
    }
    crt_gpu_use_shader(g_shader.data(), g_shader.size());
  } else if (argc != 1) {
    printf("usage: crt_gpu_check [--shader FILE]\n");
    return 2;
  }
  ID3D11Device* device = nullptr;
  ID3D11DeviceContext* context = nullptr;
  const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
  HRESULT hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, &level, 1, D3D11_SDK_VERSION,
                                 &device, nullptr, &context);
  if (FAILED(hr)) {
    printf("no Direct3D 11 device (HRESULT 0x%08lx)\n", static_cast<unsigned long>(hr));
    return 2;
  }
  int failed = 0;
  for (const Case& c : kCases) failed += run_case(device, context, c);
  CrtReleaseAll();
  context->Release();
  device->Release();
  printf("%s: %d of %zu cases failed\n", failed ? "FAIL" : "PASS", failed, sizeof kCases / sizeof kCases[0]);
  return failed ? 1 : 0;
}
