// rastella.exe: the TGA/ZTF viewer and converter on Windows.  It starts on
// the process's current folder.

#include <windows.h>

#include <filesystem>

#include "shell/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  rastella::win32::MainWindow window(instance, error ? std::string("C:\\") : folder);
  return window.Run();
}
