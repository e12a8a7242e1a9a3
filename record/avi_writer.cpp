#include "record/avi_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"

namespace {

constexpr uint32_t kHeaderMargin = 1048576;
constexpr uint32_t kSuperIndexSize = 65560;
constexpr uint32_t kFirstIndexCapacity = 1024;
const char* const kChunkIds[2] = {"00db", "01wb"};
const char* const kIxIds[2] = {"ix00", "ix01"};

void put(AviWriter& w, const void* data, uint32_t size) {
  if (size && !w.ops->write(w.file, data, size)) w.failed = true;
}
void put_fourcc(AviWriter& w, const char* cc) { put(w, cc, 4); }
void put_u32(AviWriter& w, uint32_t v) {
  uint8_t b[4];
  store_le32(b, v);
  put(w, b, 4);
}
void put_u16(AviWriter& w, uint16_t v) {
  uint8_t b[2];
  store_le16(b, v);
  put(w, b, 2);
}
void put_u8(AviWriter& w, uint8_t v) { put(w, &v, 1); }
void put_u64(AviWriter& w, uint64_t v) {
  uint8_t b[8];
  store_le64(b, v);
  put(w, b, 8);
}
void put_zeros(AviWriter& w, uint32_t n) {
  static const uint8_t zeros[4096] = {};
  while (n) {
    uint32_t step = n < sizeof zeros ? n : uint32_t(sizeof zeros);
    put(w, zeros, step);
    n -= step;
  }
}

uint64_t position(AviWriter& w) {
  uint64_t p = 0;
  if (!w.ops->tell(w.file, &p)) w.failed = true;
  return p;
}
void seek(AviWriter& w, uint64_t p) {
  if (!w.ops->seek(w.file, p)) w.failed = true;
}
// Writes a 32-bit value at `at` and comes back to the current position.
void patch_u32(AviWriter& w, uint64_t at, uint32_t v) {
  uint64_t here = position(w);
  seek(w, at);
  put_u32(w, v);
  seek(w, here);
}
void patch_u64(AviWriter& w, uint64_t at, uint64_t v) {
  uint64_t here = position(w);
  seek(w, at);
  put_u64(w, v);
  seek(w, here);
}

uint64_t begin_chunk(AviWriter& w, const char* cc) {
  uint64_t start = position(w);
  put_fourcc(w, cc);
  put_u32(w, 0);
  return start;
}
void end_chunk(AviWriter& w, uint64_t start) {
  uint64_t size = position(w) - start - 8;
  if (size > 0xFFFFFFFFu) {
    w.failed = true;
    return;
  }
  patch_u32(w, start + 4, uint32_t(size));
  if (size & 1) put_u8(w, 0);
}
uint64_t begin_list(AviWriter& w, const char* type) {
  uint64_t start = begin_chunk(w, "LIST");
  put_fourcc(w, type);
  return start;
}

void write_strl(AviWriter& w, int s) {
  const bool video = s == 0;
  uint32_t frameBytes = w.stride * w.height;
  uint64_t strl = begin_list(w, "strl");
  uint64_t strh = begin_chunk(w, "strh");
  put_fourcc(w, video ? "vids" : "auds");
  if (video)
    put_fourcc(w, "DIB ");
  else
    put_u32(w, 0);
  put_u32(w, 0);  // flags
  put_u16(w, 0);  // priority
  put_u16(w, 0);  // language
  put_u32(w, 0);  // initial frames
  put_u32(w, video ? 1 : 4);
  put_u32(w, video ? w.fps : w.sampleRate * 4);
  put_u32(w, 0);  // start
  w.streams[s].strhLengthPos = position(w);
  put_u32(w, 0);  // length, patched
  put_u32(w, video ? frameBytes : w.sampleRate * 4);
  put_u32(w, 0xFFFFFFFFu);  // quality
  put_u32(w, video ? 0 : 4);
  put_u16(w, 0);
  put_u16(w, 0);
  put_u16(w, video ? uint16_t(w.width) : 0);
  put_u16(w, video ? uint16_t(w.height) : 0);
  end_chunk(w, strh);

  uint64_t strf = begin_chunk(w, "strf");
  if (video) {
    put_u32(w, 40);
    put_u32(w, w.width);
    put_u32(w, w.height);  // positive: bottom-up rows
    put_u16(w, 1);
    put_u16(w, 24);
    put_u32(w, 0);
    put_u32(w, frameBytes);
    put_zeros(w, 16);
  } else {
    put_u16(w, 1);
    put_u16(w, 2);
    put_u32(w, w.sampleRate);
    put_u32(w, w.sampleRate * 4);
    put_u16(w, 4);
    put_u16(w, 16);
  }
  end_chunk(w, strf);

  uint64_t indx = begin_chunk(w, "indx");
  put_u16(w, 4);
  put_u8(w, 0);
  put_u8(w, 0);  // index of indexes
  w.streams[s].superCountPos = position(w);
  put_u32(w, 0);
  put_fourcc(w, kChunkIds[s]);
  put_zeros(w, kSuperIndexSize - 12);
  end_chunk(w, indx);
  end_chunk(w, strl);
}

bool choose_name_and_create(AviWriter& w) {
  for (uint32_t i = 0; i <= 9999; ++i) {
    if (i == 0)
      std::snprintf(w.finalName, sizeof w.finalName, "Vrinx-record-%u.avi", w.fps);
    else
      std::snprintf(w.finalName, sizeof w.finalName, "Vrinx-record-%u-%03u.avi", w.fps, i);
    if (w.ops->file_exists(w.finalName)) continue;
    std::snprintf(w.partialName, sizeof w.partialName, "%s.partial", w.finalName);
    int exists = 0;
    w.file = w.ops->create_new(w.partialName, &exists);
    if (w.file) return true;
    if (!exists) return false;
  }
  return false;
}

bool add_entry(AviWriter& w, int s, uint64_t pos, uint32_t size, uint32_t duration) {
  AviStream& st = w.streams[s];
  if (st.count == st.capacity) {
    uint32_t capacity = st.capacity ? st.capacity * 2 : kFirstIndexCapacity;
    void* grown = std::realloc(st.entries, size_t(capacity) * sizeof(AviIndexEntry));
    if (!grown) {
      w.failed = true;
      return false;
    }
    st.entries = static_cast<AviIndexEntry*>(grown);
    st.capacity = capacity;
  }
  st.entries[st.count++] = {pos, size, duration};
  st.duration += duration;
  return true;
}

void begin_segment(AviWriter& w, const char* type) {
  w.riffStart = begin_chunk(w, "RIFF");
  put_fourcc(w, type);
}

void finish_segment(AviWriter& w) {
  end_chunk(w, w.moviStart);
  for (int s = 0; s < 2; ++s) {
    AviStream& st = w.streams[s];
    uint64_t ix = begin_chunk(w, kIxIds[s]);
    put_u16(w, 2);
    put_u8(w, 0);
    put_u8(w, 1);  // index of chunks
    put_u32(w, st.count);
    put_fourcc(w, kChunkIds[s]);
    put_u64(w, w.riffStart);
    put_u32(w, 0);
    for (uint32_t i = 0; i < st.count; ++i) {
      put_u32(w, uint32_t(st.entries[i].position - w.riffStart + 8));
      put_u32(w, st.entries[i].size);
    }
    end_chunk(w, ix);
    uint64_t ixLength = position(w) - ix;
    uint64_t slot = st.superCountPos + 20 + uint64_t(w.segmentCount) * 16;
    patch_u64(w, slot, ix);
    patch_u32(w, slot + 8, uint32_t(ixLength));
    patch_u32(w, slot + 12, st.duration);
    patch_u32(w, st.superCountPos, w.segmentCount + 1);
  }
  if (w.segmentCount == 0) {
    w.firstSegmentFrames = w.videoWritten;
    uint64_t idx1 = begin_chunk(w, "idx1");
    for (uint32_t i = 0; i < w.streams[0].count; ++i) {
      for (int s = 0; s < 2; ++s) {
        if (i >= w.streams[s].count) continue;
        const AviIndexEntry& e = w.streams[s].entries[i];
        put_fourcc(w, kChunkIds[s]);
        put_u32(w, 0x10);
        put_u32(w, uint32_t(e.position - w.moviStart - 8));
        put_u32(w, e.size);
      }
    }
    end_chunk(w, idx1);
  }
  end_chunk(w, w.riffStart);
  w.riffOpen = false;
  for (AviStream& st : w.streams) st.count = st.duration = 0;
  w.segmentCount++;
}

}  // namespace

void avi_init(AviWriter& w, const AviFileOps* ops, uint32_t fps, uint32_t width, uint32_t height,
              uint32_t sampleRate, const int16_t* audio, uint32_t audioFrames) {
  std::memset(&w, 0, sizeof w);
  w.ops = ops;
  w.fps = fps;
  w.width = width;
  w.height = height;
  w.sampleRate = sampleRate;
  w.audio = audio;
  w.audioFrames = audioFrames;
  w.segmentLimit = kAviSegmentLimit;
  w.stride = (width * 3 + 3) & ~3u;
}

bool avi_open(AviWriter& w) {
  if (!choose_name_and_create(w)) {
    w.file = nullptr;
    w.failed = true;
    return false;
  }
  const uint32_t frameBytes = w.stride * w.height;
  begin_segment(w, "AVI ");
  uint64_t hdrl = begin_list(w, "hdrl");
  uint64_t avih = begin_chunk(w, "avih");
  put_u32(w, 1000000 / w.fps);
  // A hint only; saturated where huge pictures would wrap it.
  uint64_t maxBytes = uint64_t(frameBytes) * w.fps + uint64_t(w.sampleRate) * 4;
  put_u32(w, maxBytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(maxBytes));
  put_u32(w, 0);
  put_u32(w, 0x110);  // has index, interleaved
  w.avihFramesPos = position(w);
  put_u32(w, 0);
  put_u32(w, 0);
  put_u32(w, 2);
  put_u32(w, frameBytes);
  put_u32(w, w.width);
  put_u32(w, w.height);
  put_zeros(w, 16);
  end_chunk(w, avih);
  write_strl(w, 0);
  write_strl(w, 1);
  uint64_t odml = begin_list(w, "odml");
  uint64_t dmlh = begin_chunk(w, "dmlh");
  w.dmlhFramesPos = position(w);
  put_u32(w, 0);
  put_zeros(w, 248);
  end_chunk(w, dmlh);
  end_chunk(w, odml);
  end_chunk(w, hdrl);
  w.moviStart = begin_list(w, "movi");
  w.riffOpen = true;
  return !w.failed;
}

bool avi_write_frame(AviWriter& w, const uint32_t* pixels, uint32_t width, uint32_t height) {
  if (w.failed) return false;
  if (width != w.width || height != w.height) {
    w.failed = true;
    return false;
  }
  const uint32_t frameBytes = w.stride * w.height;
  if (!w.frame) {
    w.frame = static_cast<uint8_t*>(std::calloc(frameBytes, 1));
    if (!w.frame) {
      w.failed = true;
      return false;
    }
  }
  if (!w.file && !avi_open(w)) return false;

  for (uint32_t i = 0; i < w.height; ++i) {
    const uint32_t* src = pixels + size_t(i) * w.width;
    uint8_t* row = w.frame + size_t(w.height - 1 - i) * w.stride;
    for (uint32_t j = 0; j < w.width; ++j) {
      uint32_t p = src[j];
      row[j * 3] = uint8_t(p);
      row[j * 3 + 1] = uint8_t(p >> 8);
      row[j * 3 + 2] = uint8_t(p >> 16);
    }
  }

  uint64_t used = position(w) - w.riffStart;
  if (used + frameBytes + w.sampleRate * 4 / w.fps + kHeaderMargin > w.segmentLimit &&
      w.streams[0].count > 0) {
    finish_segment(w);
    if (w.segmentCount >= kAviMaxSegments) {
      w.failed = true;
      return false;
    }
    begin_segment(w, "AVIX");
    w.moviStart = begin_list(w, "movi");
    w.riffOpen = true;
  }

  uint64_t chunk = begin_chunk(w, kChunkIds[0]);
  put(w, w.frame, frameBytes);
  end_chunk(w, chunk);
  add_entry(w, 0, chunk, frameBytes, 1);
  w.videoWritten++;

  uint64_t target = uint64_t(w.videoWritten) * w.sampleRate / w.fps;
  if (target > w.audioFrames) target = w.audioFrames;
  uint32_t frames = target > w.audioWritten ? uint32_t(target - w.audioWritten) : 0;
  chunk = begin_chunk(w, kChunkIds[1]);
  if (frames) put(w, w.audio + size_t(w.audioWritten) * 2, frames * 4);
  end_chunk(w, chunk);
  add_entry(w, 1, chunk, frames * 4, frames);
  w.audioWritten += frames;
  return !w.failed;
}

bool avi_finish(AviWriter& w) {
  bool moved = false;
  if (w.file) {
    if (w.riffOpen) finish_segment(w);
    patch_u32(w, w.avihFramesPos, w.firstSegmentFrames);
    patch_u32(w, w.dmlhFramesPos, w.videoWritten);
    patch_u32(w, w.streams[0].strhLengthPos, w.videoWritten);
    patch_u32(w, w.streams[1].strhLengthPos, w.audioWritten);
    if (!w.ops->close(w.file)) w.failed = true;
    w.file = nullptr;
    if (!w.failed) {
      if (w.ops->move(w.partialName, w.finalName))
        moved = true;
      else
        w.failed = true;
    }
  }
  std::free(w.frame);
  w.frame = nullptr;
  for (AviStream& st : w.streams) {
    std::free(st.entries);
    st.entries = nullptr;
    st.capacity = st.count = 0;
  }
  return moved;
}
