#include <cstdlib>
#include <cstring>

#include "audio/module_loader.h"

const char* const kMsgOutOfMemory = "Out of memory!";
const char* const kMsgInvalidModule = "Invalid module file!";

namespace {

void* zalloc(int64_t count, size_t size) {
  if (count <= 0) count = 1;
  return std::calloc(static_cast<size_t>(count), size);
}

void copy_message(char* dst, const char* text) {
  std::strncpy(dst, text, kModuleMessageSize - 1);
  dst[kModuleMessageSize - 1] = 0;
}

bool text_equals(const ByteSource& src, uint64_t offset, const char* text, uint32_t count) {
  char field[32];
  bs_text(src, offset, field, count);
  return std::memcmp(field, text, count) == 0;
}

}  // namespace

bool module_alloc_lists(Module* m) {
  m->defaultPanning = static_cast<uint8_t*>(zalloc(m->channelCount, 1));
  m->orderList = static_cast<uint8_t*>(zalloc(m->orderCount, 1));
  m->patterns = static_cast<Pattern*>(zalloc(m->patternCount, sizeof(Pattern)));
  m->instruments = static_cast<Instrument*>(zalloc(m->instrumentCount + 1, sizeof(Instrument)));
  return m->defaultPanning && m->orderList && m->patterns && m->instruments;
}

bool pattern_alloc(Pattern* p, int32_t channels, int32_t rows) {
  p->notes = static_cast<Note*>(zalloc(static_cast<int64_t>(channels) * rows, sizeof(Note)));
  if (!p->notes) return false;
  p->channelCount = channels;
  p->rowCount = rows;
  return true;
}

bool instrument_alloc_samples(Instrument* ins, int32_t count) {
  ins->samples = static_cast<Sample*>(zalloc(count, sizeof(Sample)));
  if (!ins->samples) return false;
  ins->sampleCount = count;
  for (int32_t i = 0; i < count; ++i) {
    if (!sample_alloc(&ins->samples[i], 0)) return false;
  }
  return true;
}

bool sample_alloc(Sample* s, int32_t frames) {
  std::free(s->data);
  s->data = static_cast<int16_t*>(zalloc(static_cast<int64_t>(frames) + 1, sizeof(int16_t)));
  return s->data != nullptr;
}

void sample_read_pcm(const ByteSource& src, uint64_t offset, int32_t frames, bool sixteenBit, Sample* s) {
  if (sixteenBit) {
    for (int32_t i = 0; i < frames; ++i)
      s->data[i] = static_cast<int16_t>(bs_u16le(src, offset + 2 * static_cast<uint64_t>(i)));
  } else {
    for (int32_t i = 0; i < frames; ++i) s->data[i] = static_cast<int16_t>(bs_s8(src, offset + i) * 256);
  }
}

void sample_close_loop(Sample* s, int32_t length) {
  if (s->loopLength <= 0) {
    s->loopStart = length;
    s->loopLength = 0;
    s->data[length] = 0;
    return;
  }
  s->data[s->loopStart + s->loopLength] = s->data[s->loopStart];
}

void module_free(Module* m) {
  if (!m) return;
  if (m->patterns) {
    for (int32_t i = 0; i < m->patternCount; ++i) std::free(m->patterns[i].notes);
  }
  if (m->instruments) {
    for (int32_t i = 0; i <= m->instrumentCount; ++i) {
      Instrument* ins = &m->instruments[i];
      if (!ins->samples) continue;
      for (int32_t s = 0; s < ins->sampleCount; ++s) std::free(ins->samples[s].data);
      std::free(ins->samples);
    }
  }
  std::free(m->defaultPanning);
  std::free(m->orderList);
  std::free(m->patterns);
  std::free(m->instruments);
  std::free(m);
}

Module* module_load(const ByteSource& source, char message[kModuleMessageSize]) {
  const char* failure = kMsgInvalidModule;
  Module* m;
  if (text_equals(source, 0, "Extended Module:", 16)) {
    m = load_xm(source, &failure);
  } else if (text_equals(source, 44, "SCRM", 4)) {
    m = load_s3m(source, &failure);
  } else {
    m = load_mod(source, &failure);
  }
  if (m && (m->channelCount <= 0 || m->patternCount <= 0 || m->orderCount <= 0)) {
    module_free(m);
    m = nullptr;
    failure = kMsgInvalidModule;
  }
  if (!m) copy_message(message, failure);
  return m;
}
