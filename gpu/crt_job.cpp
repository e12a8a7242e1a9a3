#include "gpu/crt_job.h"

uint32_t crt_mask_gain(uint32_t maskOn, uint32_t m, uint32_t sw, uint32_t sh, uint32_t ow, uint32_t oh) {
  if (!maskOn || ow <= 2 * sw || oh <= 2 * sh) return 256;
  uint32_t x = uint32_t(uint64_t(ow - 2 * sw) * m / (2 * sw));
  uint32_t y = uint32_t(uint64_t(oh - 2 * sh) * m / (2 * sh));
  uint32_t fade = x < y ? x : y;
  return 256 - (fade < m ? fade : m);
}

CrtParams crt_params_from_job(const CrtFrameJob& j) {
  CrtParams p = {};
  p.sw = j.sourceWidth;
  p.sh = j.sourceHeight;
  p.ow = j.outputWidth;
  p.oh = j.outputHeight;
  p.glowThreshold = j.GlowThreshold;
  p.glowStrength = j.GlowStrengthPercent;
  p.bloomThreshold = j.BloomThreshold;
  p.bloomStrength = j.BloomStrengthPercent;
  p.bleedSide = j.BleedingSideWeight;
  p.bleedCenter = j.bleedCenterWeight;
  p.maskGain = crt_mask_gain(j.maskOn, j.MaskStrength256, j.sourceWidth, j.sourceHeight, j.outputWidth,
                             j.outputHeight);
  p.persistenceGain = j.persistenceGain;
  p.operation = kCrtDecode;
  p.persistenceReset = j.persistenceReset;
  p.trueColor = j.palette ? 0 : 1;
  p.inputPitch = j.palette ? j.sourceWidth : j.sourceWidth * 4;
  return p;
}

int crt_pass_plan(const CrtFrameJob& job, CrtPass passes[kCrtMaxPasses]) {
  int n = 0;
  CrtBuffer cur = kX0;
  auto other = [&cur] { return cur == kX0 ? kX1 : kX0; };
  auto add = [&](uint32_t op, CrtBuffer a, CrtBuffer b, CrtBuffer out) {
    passes[n++] = CrtPass{op, a, b, out};
  };
  // A combining or filtering pass writes the other ping-pong buffer, which then
  // holds the current picture.
  auto step = [&](uint32_t op, CrtBuffer a, CrtBuffer b) {
    CrtBuffer out = other();
    add(op, a, b, out);
    cur = out;
  };
  add(kCrtDecode, kY0, kNoBuffer, kX0);
  if (job.bloomOn) {
    add(kCrtBloomBright, cur, kNoBuffer, kY0);
    add(kCrtBloomBlurX, kY0, kNoBuffer, kY1);
    step(kCrtBloomCombine, kY1, cur);
  }
  if (job.glowOn) {
    add(kCrtGlowBright, cur, kNoBuffer, kY0);
    add(kCrtGlowBlurX, kY0, kNoBuffer, kY1);
    step(kCrtGlowCombine, kY1, cur);
  }
  if (job.persistenceOn) step(kCrtPersistence, cur, kPersistenceBuffer);
  if (job.bleedingOn) step(kCrtBleed, cur, kNoBuffer);
  if (job.chromaticOn) step(kCrtChromatic, cur, kNoBuffer);
  add(kCrtResample, cur, kNoBuffer, kResultBuffer);
  return n;
}
