// The command line and the files of the composition reference tools. Each takes a
// dumped frame (40-byte header, 256 colour entries, 64,000 index bytes) and an output
// size, composes WIDTH x HEIGHT 32-bit pixels (blue, green, red, 0), writes them to a
// file and prints the destination rectangle as "x y width height".
#pragma once
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/shared_frame.h"
#include "shell/compose.h"
#include "tests/test_files.h"

struct ReferenceFrame {
  const char* tool;
  Bytes file;
  const uint8_t* pixels;          // 320 x 200 colour indices
  const uint8_t* palette;         // 256 entries of blue, green, red, 0
  int width, height;              // the output size, 1..16384
  std::vector<uint32_t> surface;  // width x height, black
};

// 0 when argv holds `argc` words, argv[1] is a whole frame and argv[2], argv[3] a size
// in 1..16384; otherwise the exit code: 2 with the usage line for a wrong count, 1 for
// an unreadable frame, 2 for a size out of range.
inline int reference_frame_open(const char* tool, const char* arguments, int argcWanted, int argc,
                                char** argv, ReferenceFrame* f) {
  f->tool = tool;
  if (argc != argcWanted) {
    fprintf(stderr, "usage: %s %s\n", tool, arguments);
    return 2;
  }
  f->file = test_read_file(argv[1]);
  if (f->file.size() < sizeof(FrameDescription) + kFramePixels) {
    fprintf(stderr, "%s: cannot read %s\n", tool, argv[1]);
    return 1;
  }
  f->pixels = f->file.data() + sizeof(FrameDescription);
  f->palette = f->file.data() + kFrameHeaderSize;
  f->width = atoi(argv[2]);
  f->height = atoi(argv[3]);
  if (f->width <= 0 || f->height <= 0 || f->width > 16384 || f->height > 16384) return 2;
  f->surface.assign(size_t(f->width) * size_t(f->height), 0);
  return 0;
}

// Writes the surface to `path` and prints the rectangle; the exit code.
inline int reference_frame_finish(const ReferenceFrame& f, const char* path, const ComposeRect& d) {
  if (!test_write_file(path, f.surface.data(), f.surface.size() * 4)) {
    fprintf(stderr, "%s: cannot write %s\n", f.tool, path);
    return 1;
  }
  printf("%d %d %d %d\n", d.x, d.y, d.width, d.height);
  return 0;
}
