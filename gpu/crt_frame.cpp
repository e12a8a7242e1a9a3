#include "gpu/crt_frame.h"

#include <cstdlib>

#include "base/crt_settings.h"
#include "gpu/crt_constants.h"
#include "gpu/crt_cpu.h"
#include "gpu/crt_job.h"
#include "gpu/crt_map.h"
#include "gpu/gpu_hooks.h"

namespace {

struct CrtFrameState {
  // Per source size: persistence picture, then column and row offsets.
  uint32_t sw, sh;
  uint32_t* sourceBlock;
  // Per output size: sample map (3 words a pixel), then the output picture.
  uint32_t ow, oh;
  uint32_t* outputBlock;
  int32_t mapSwitches;  // Distortion * 2 + Scanlines of the built map; -1: rebuild
  uint32_t mapsVersion;
  int chromaValid;
  uint32_t previousTime;
  int32_t previousPaused;
  int primed;
  int32_t primedRestart;
  uint32_t lastGain, lastReset;
  int onCpu;  // the passes run on the CPU (recordings), not through CrtRender
};

CrtFrameState g_crt = {0, 0, nullptr, 0, 0, nullptr, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0};

uint32_t* persistence_state() { return g_crt.sourceBlock; }
uint32_t* chroma_columns() { return g_crt.sourceBlock + size_t(g_crt.sw + 2) * (g_crt.sh + 2); }
uint32_t* chroma_rows() { return chroma_columns() + g_crt.sw; }
uint32_t* sample_map() { return g_crt.outputBlock; }
uint32_t* output_picture() { return g_crt.outputBlock + size_t(g_crt.ow) * g_crt.oh * kCrtMapWords; }

}  // namespace

int crt_request_valid(const uint8_t* source, uint32_t bytesPerPixel, uint32_t sw, uint32_t sh, uint32_t pitch,
                      uint32_t ow, uint32_t oh) {
  if (!source || sw == 0 || sh == 0 || sw > kCrtMaxSourceSide || sh > kCrtMaxSourceSide) return false;
  if (ow > kCrtMaxOutputSide || oh > kCrtMaxOutputSide || ow == 0 || oh == 0) return false;
  uint32_t row = sw * bytesPerPixel;
  if (pitch < row || uint64_t(pitch) * (sh - 1) + row > 0xFFFFFFFFu) return false;
  return uint64_t(ow) * oh < kCrtMaxOutputPixels;
}

namespace {

bool ensure_source_block(uint32_t sw, uint32_t sh) {
  if (g_crt.sourceBlock && g_crt.sw == sw && g_crt.sh == sh) return true;
  free(g_crt.sourceBlock);
  g_crt.sourceBlock = static_cast<uint32_t*>(calloc(size_t(sw + 2) * (sh + 2) + sw + sh, 4));
  g_crt.sw = g_crt.sourceBlock ? sw : 0;
  g_crt.sh = g_crt.sourceBlock ? sh : 0;
  g_crt.chromaValid = 0;
  g_crt.primed = 0;
  g_crt.mapSwitches = -1;
  return g_crt.sourceBlock != nullptr;
}

bool ensure_output_block(uint32_t ow, uint32_t oh) {
  if (g_crt.outputBlock && g_crt.ow == ow && g_crt.oh == oh) return true;
  free(g_crt.outputBlock);
  g_crt.outputBlock = static_cast<uint32_t*>(malloc(size_t(ow) * oh * 16));
  g_crt.ow = g_crt.outputBlock ? ow : 0;
  g_crt.oh = g_crt.outputBlock ? oh : 0;
  g_crt.mapSwitches = -1;
  return g_crt.outputBlock != nullptr;
}

uint32_t persistence_gain(int32_t paused) {
  uint32_t now = crt_clock_ms();
  uint32_t elapsed = now - g_crt.previousTime;
  uint32_t gain;
  if (paused || g_crt.previousPaused)
    gain = 256;
  else
    gain = elapsed < kPersistenceDecaySize ? g_crtConstants.decay[elapsed] : 0;
  g_crt.previousTime = now;
  g_crt.previousPaused = paused ? 1 : 0;
  return gain;
}

}  // namespace

int CrtProcessFrame(const uint8_t* source, const uint8_t* palette, uint32_t sw, uint32_t sh, uint32_t pitch,
                    uint32_t ow, uint32_t oh, int32_t paused, int32_t restartCount) {
  const CrtSettings& s = g_settings;
  if (!crt_request_valid(source, palette ? 1 : 4, sw, sh, pitch, ow, oh)) return 0;
  if (!ensure_source_block(sw, sh) || !ensure_output_block(ow, oh)) return 0;

  int32_t switches = int32_t(s.Distortion * 2 + s.Scanlines);
  if (switches != g_crt.mapSwitches) {
    const CrtConstants& c = g_crtConstants;
    CrtMapShape shape = {s.Scanlines, s.Distortion,   c.curvature,
                         c.vignette,  c.scanlineBase, c.scanlineContrast};
    crt_map_build(sample_map(), sw, sh, ow, oh, shape);
    g_crt.mapSwitches = switches;
    g_crt.mapsVersion++;
  }
  if (s.ChromaticSeparation && !g_crt.chromaValid) {
    crt_chroma_tables(sw, sh, s.ChromaticStrengthPercent, chroma_columns(), chroma_rows());
    g_crt.chromaValid = 1;
  }
  uint32_t gain = s.Persistence ? persistence_gain(paused) : 0;
  uint32_t reset = g_crt.primed && g_crt.primedRestart == restartCount ? 0 : 1;
  g_crt.lastGain = gain;
  g_crt.lastReset = reset;

  CrtFrameJob job = {};
  job.source = source;
  job.palette = palette;
  job.maps = sample_map();
  job.output = output_picture();
  job.persistenceState = persistence_state();
  job.chromaColumns = chroma_columns();
  job.chromaRows = chroma_rows();
  job.sourceWidth = sw;
  job.sourceHeight = sh;
  job.outputWidth = ow;
  job.outputHeight = oh;
  job.sourcePitch = pitch;
  job.mapsVersion = g_crt.mapsVersion;
  job.glowOn = s.Glow;
  job.bloomOn = s.Bloom;
  job.persistenceOn = s.Persistence;
  job.bleedingOn = s.ColorBleeding;
  job.chromaticOn = s.ChromaticSeparation;
  job.maskOn = s.RGBMask;
  job.GlowThreshold = s.GlowThreshold;
  job.GlowStrengthPercent = s.GlowStrengthPercent;
  job.BloomThreshold = s.BloomThreshold;
  job.BloomStrengthPercent = s.BloomStrengthPercent;
  job.BleedingSideWeight = s.BleedingSideWeight;
  job.bleedCenterWeight = g_crtConstants.bleedCenterWeight;
  job.MaskStrength256 = s.MaskStrength256;
  job.persistenceGain = gain;
  job.persistenceReset = reset;
  if (g_crt.onCpu) {
    // Only its work pictures' allocation can fail: a skipped frame, as for the blocks.
    if (!crt_cpu_render(job)) return 0;
  } else if (!CrtRender(job)) {
    PresenterFatal();
    return 0;
  }
  if (s.Persistence) {
    g_crt.primed = 1;
    g_crt.primedRestart = restartCount;
  }
  return 1;
}

const uint32_t* CrtOutputPicture() { return g_crt.outputBlock ? output_picture() : nullptr; }

void CrtResetPersistence() { g_crt.primed = 0; }

void CrtFreeBuffers() {
  free(g_crt.sourceBlock);
  free(g_crt.outputBlock);
  g_crt.sourceBlock = nullptr;
  g_crt.outputBlock = nullptr;
  g_crt.sw = g_crt.sh = g_crt.ow = g_crt.oh = 0;
  g_crt.mapSwitches = -1;
  g_crt.chromaValid = 0;
  g_crt.primed = 0;
  crt_cpu_release();
}

void crt_frame_use_cpu(int on) { g_crt.onCpu = on; }

void crt_frame_settings_changed() {
  g_crt.mapSwitches = -1;
  g_crt.chromaValid = 0;
  g_crt.primed = 0;
}

CrtFrameInfo crt_frame_info() {
  if (!g_crt.sourceBlock || !g_crt.outputBlock)
    return CrtFrameInfo{nullptr, nullptr, nullptr, g_crt.mapsVersion, g_crt.lastGain, g_crt.lastReset};
  return CrtFrameInfo{sample_map(),      chroma_columns(), chroma_rows(),
                      g_crt.mapsVersion, g_crt.lastGain,   g_crt.lastReset};
}
