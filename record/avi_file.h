#pragma once
#include <cstdint>

// The buffered file stream the AVI writer goes through. The stdio one serves the native build and
// tests; Vrinx.exe keeps its stream operations but creates, probes and moves files with Win32 calls.
// Names are UTF-8, which Vrinx.exe widens for those calls.
struct AviFileOps {
  // Creates `name` exclusively; null on failure, with *exists = 1 when the name was taken.
  void* (*create_new)(const char* name, int* exists);
  int (*file_exists)(const char* name);
  int (*write)(void* file, const void* data, uint32_t size);  // 1 when every byte went out
  int (*seek)(void* file, uint64_t position);
  int (*tell)(void* file, uint64_t* position);
  int (*close)(void* file);  // 1 when flushed and closed without error
  int (*move)(const char* from, const char* to);
};

extern const AviFileOps kAviStdioFile;
