#pragma once
// The About window "About MyApp" and the Help window "Form2" on Windows.
// Each is one object kept for the life of the program: opening it creates
// (loads) its window when there is none and shows it; its OK button destroys
// (unloads) the window, and the next opening loads it again.

#include <windows.h>

#include <string>

namespace rastella::win32 {

class FormWindow {
 public:
  FormWindow(HINSTANCE instance, HFONT font) : instance_(instance), font_(font) {}
  virtual ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  void Open();
  bool Loaded() const { return window_ != nullptr; }
  HWND Window() const { return window_; }
  void Unload();

 protected:
  // Creates the window's controls and fills them, as a load handler does.
  virtual void Load() = 0;
  virtual const char* Caption() const = 0;
  virtual SIZE ClientSize() const = 0;
  virtual HBRUSH ControlBrush(HWND) const { return nullptr; }
  HWND AddControl(const char* windowClass, const std::string& text, DWORD style, RECT bounds, int id);

  HINSTANCE instance_;
  HFONT font_;
  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

class AboutWindow final : public FormWindow {
 public:
  using FormWindow::FormWindow;
  void SetTitleFont(HFONT font) { titleFont_ = font; }

 protected:
  void Load() override;
  const char* Caption() const override;
  SIZE ClientSize() const override { return {500, 220}; }

 private:
  HFONT titleFont_ = nullptr;
};

class HelpWindow final : public FormWindow {
 public:
  HelpWindow(HINSTANCE instance, HFONT font);
  ~HelpWindow() override;

 protected:
  void Load() override;
  const char* Caption() const override;
  SIZE ClientSize() const override { return {520, 460}; }
  HBRUSH ControlBrush(HWND control) const override;

 private:
  HWND label_ = nullptr;
  HBRUSH labelBrush_;
};

}  // namespace rastella::win32
