#include <cerrno>
#include <cstdio>

#include "record/avi_file.h"

namespace {

constexpr size_t kStreamBuffer = 1048576;

void* stdio_create_new(const char* name, int* exists) {
  *exists = 0;
  FILE* f = std::fopen(name, "wb+x");
  if (!f) {
    *exists = errno == EEXIST;
    return nullptr;
  }
  if (std::setvbuf(f, nullptr, _IOFBF, kStreamBuffer) != 0) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

int stdio_file_exists(const char* name) {
  FILE* f = std::fopen(name, "rb");
  if (!f) return 0;
  std::fclose(f);
  return 1;
}

int stdio_write(void* file, const void* data, uint32_t size) {
  FILE* f = static_cast<FILE*>(file);
  return std::fwrite(data, 1, size, f) == size && !std::ferror(f);
}

int stdio_seek(void* file, uint64_t position) {
#ifdef _WIN32
  return _fseeki64(static_cast<FILE*>(file), static_cast<int64_t>(position), SEEK_SET) == 0;
#else
  return fseeko(static_cast<FILE*>(file), static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

int stdio_tell(void* file, uint64_t* position) {
#ifdef _WIN32
  int64_t p = _ftelli64(static_cast<FILE*>(file));
#else
  int64_t p = ftello(static_cast<FILE*>(file));
#endif
  if (p < 0) return 0;
  *position = static_cast<uint64_t>(p);
  return 1;
}

int stdio_close(void* file) { return std::fclose(static_cast<FILE*>(file)) == 0; }

int stdio_move(const char* from, const char* to) { return std::rename(from, to) == 0; }

}  // namespace

const AviFileOps kAviStdioFile = {stdio_create_new, stdio_file_exists, stdio_write, stdio_seek,
                                  stdio_tell,       stdio_close,       stdio_move};
