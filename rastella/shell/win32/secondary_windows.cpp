#include "shell/win32/secondary_windows.h"

#include "shell/win32/window_object.h"
#include "shell/window_design.h"

namespace rastella::win32 {

namespace {

constexpr int kOkButton = 1;
constexpr const char* kFormClass = "RastellaForm";

}  // namespace

FormWindow::~FormWindow() { Unload(); }

void FormWindow::Open() {
  if (window_ == nullptr) {
    RegisterWindowClass(instance_, kFormClass, Procedure, ButtonFaceBrush());
    const SIZE client = ClientSize();
    RECT frame{0, 0, client.cx, client.cy};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    ::AdjustWindowRect(&frame, style, FALSE);
    // No owner: the window is modeless and stands beside the main window.
    window_ = ::CreateWindowExA(0, kFormClass, Caption(), style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance_, this);
    Load();
  }
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
}

void FormWindow::Unload() {
  if (window_ != nullptr) {
    const HWND window = window_;
    window_ = nullptr;
    ::DestroyWindow(window);
  }
}

HWND FormWindow::AddControl(const char* windowClass, const std::string& text, DWORD style, RECT bounds, int id) {
  const HWND control = ::CreateWindowExA(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left,
                                         bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, window_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  return control;
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = WindowObject<FormWindow>(window, message, lParam);
  if (form != nullptr) {
    switch (message) {
      case WM_COMMAND:
        if (LOWORD(wParam) == kOkButton || LOWORD(wParam) == IDCANCEL) {
          form->Unload();
          return 0;
        }
        break;
      case WM_CLOSE:
        form->Unload();
        return 0;
      case WM_CTLCOLORSTATIC:
        if (const HBRUSH brush = form->ControlBrush(reinterpret_cast<HWND>(lParam))) {
          LOGBRUSH colour{};
          ::GetObjectA(brush, sizeof colour, &colour);
          ::SetBkColor(reinterpret_cast<HDC>(wParam), colour.lbColor);
          return reinterpret_cast<LRESULT>(brush);
        }
        break;
      default:
        break;
    }
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

const char* AboutWindow::Caption() const { return design::kAboutCaption; }

void AboutWindow::Load() {
  const HWND title = AddControl("STATIC", design::kAboutTitle, SS_LEFT, {16, 14, 484, 40}, 0);
  if (titleFont_ != nullptr) {
    ::SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), TRUE);
  }
  const HWND version = AddControl("STATIC", design::kAboutVersionAtDesign, SS_LEFT, {16, 52, 484, 88}, 0);
  AddControl("STATIC", "", SS_ETCHEDHORZ, {16, 96, 484, 98}, 0);
  AddControl("STATIC", design::kAboutDescription, SS_LEFT, {16, 106, 484, 142}, 0);
  AddControl("STATIC", "", SS_ETCHEDHORZ, {16, 148, 484, 150}, 0);
  AddControl("STATIC", "", SS_LEFT, {16, 158, 380, 210}, 0);  // lblDisclaimer, always empty
  AddControl("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {396, 180, 484, 208}, kOkButton);
  // The load handler puts the two-line version text in place.
  ::SetWindowTextA(version, design::kAboutVersion);
}

HelpWindow::HelpWindow(HINSTANCE instance, HFONT font)
    : FormWindow(instance, font),
      labelBrush_(::CreateSolidBrush(
          RGB(RedOf(design::kHelpTextColor), GreenOf(design::kHelpTextColor), BlueOf(design::kHelpTextColor)))) {}

HelpWindow::~HelpWindow() {
  Unload();
  ::DeleteObject(labelBrush_);
}

const char* HelpWindow::Caption() const { return design::kHelpCaption; }

HBRUSH HelpWindow::ControlBrush(HWND control) const { return control == label_ ? labelBrush_ : nullptr; }

void HelpWindow::Load() {
  label_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, {8, 8, 512, 412}, 0);
  AddControl("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {220, 422, 300, 450}, kOkButton);
  ::SetWindowTextA(label_, design::UsageText().c_str());
}

}  // namespace rastella::win32
