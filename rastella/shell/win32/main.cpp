// rastella.exe: the TGA/ZTF viewer and converter on Windows.  It starts on
// the process's current folder; "rastella.exe PATH" (what Explorer runs for
// "Open with") starts with PATH's file viewed, or its folder selected.

#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "shell/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  rastella::win32::MainWindow window(instance, error ? std::string("C:\\") : folder);
  // The C runtime has split the command line by the Windows rules, quotes
  // and all.
  if (__argc > 1) {
    window.OpenPath(__argv[1]);
  }
  return window.Run();
}
