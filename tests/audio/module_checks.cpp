#include "tests/audio/module_checks.h"

const char* module_fault(const Module& m) {
  if (m.channelCount <= 0 || m.patternCount <= 0 || m.orderCount <= 0) return "empty module";
  if (!m.defaultPanning || !m.orderList || !m.patterns || !m.instruments) return "missing list";
  volatile int sink = 0;
  for (int c = 0; c < m.channelCount; ++c) sink = sink + m.defaultPanning[c];
  for (int o = 0; o < m.orderCount; ++o) sink = sink + m.orderList[o];
  for (int p = 0; p < m.patternCount; ++p) {
    const Pattern& pat = m.patterns[p];
    if (!pat.notes || pat.rowCount <= 0 || pat.channelCount != m.channelCount) return "bad pattern";
    sink = sink + pat.notes[pat.rowCount * pat.channelCount - 1].key;
  }
  for (int i = 0; i <= m.instrumentCount; ++i) {
    const Instrument& ins = m.instruments[i];
    if (ins.sampleCount < 1 || !ins.samples) return "instrument without samples";
    for (int k = 0; k <= 96; ++k)
      if (ins.keyToSample[k] >= ins.sampleCount) return "key map beyond the samples";
    if (ins.volumeEnvelope.pointCount > 12 || ins.panningEnvelope.pointCount > 12) return "envelope points";
    for (int s = 0; s < ins.sampleCount; ++s) {
      const Sample& smp = ins.samples[s];
      if (!smp.data || smp.loopStart < 0 || smp.loopLength < 0) return "bad sample";
      int end = smp.loopStart + smp.loopLength;
      if (smp.data[end] != (smp.loopLength > 0 ? smp.data[smp.loopStart] : 0)) return "loop end frame";
    }
  }
  return "";
}
