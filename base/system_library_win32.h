// Libraries taken from the system folder only (a DLL of the same name beside the
// executable or in the current directory is never loaded), and their functions by name.
#pragma once
#include <windows.h>

inline HMODULE load_system_library(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The function `name` of `library` as the pointer type F; nullptr when either is missing.
template <typename F>
F library_function(HMODULE library, const char* name) {
  return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}
