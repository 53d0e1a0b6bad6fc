#pragma once
// Ties a window to the C++ object that handles its messages: the object's
// address travels in CreateWindowEx's creation parameter and is kept in the
// window's user data.

#include <windows.h>

namespace rastella::win32 {

// The object of `window`, or nullptr before WM_NCCREATE has stored it.
template <typename Object>
Object* WindowObject(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  return reinterpret_cast<Object*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace rastella::win32
