// rastella.exe: the TGA/ZTF viewer and converter on Windows.  It starts on
// the process's current folder.

#include <windows.h>

#include <filesystem>

#include "shell/utf8_path.h"
#include "shell/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::error_code error;
  std::string folder;
  try {
    folder = rastella::Utf8FromPath(std::filesystem::current_path(error));
  } catch (const std::exception&) {
    folder.clear();  // a folder name without a UTF-8 form
  }
  rastella::win32::MainWindow window(instance, error || folder.empty() ? std::string("C:\\") : folder);
  return window.Run();
}
