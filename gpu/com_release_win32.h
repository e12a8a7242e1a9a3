// Releases a COM interface, if any, and clears the pointer.
#pragma once

template <typename T>
inline void com_release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}
