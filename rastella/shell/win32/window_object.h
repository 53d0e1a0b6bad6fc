#pragma once
// Window classes, and ties a window to the C++ object that handles its messages: the object's
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

// Registers a window class of this program once; later calls with the same
// name do nothing.
inline void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSA windowClass{};
  if (::GetClassInfoA(instance, name, &windowClass)) {
    return;
  }
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  ::RegisterClassA(&windowClass);
}

// The brush of the system's button face, the background of the forms.
inline HBRUSH ButtonFaceBrush() { return reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1); }

}  // namespace rastella::win32
