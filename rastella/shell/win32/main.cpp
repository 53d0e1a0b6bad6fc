// rastella.exe: the TGA/ZTF viewer and converter on Windows.  It starts on
// the process's current folder; "rastella.exe PATH" (what Explorer runs for
// "Open with") starts with PATH's file viewed, or its folder selected.

#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "shell/utf8_path.h"
#include "shell/windows_names_win32.h"
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
  // The command line as Windows keeps it, in UTF-16, split by the Windows
  // rules, quotes and all.
  int count = 0;
  if (LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    if (count > 1) {
      window.OpenPath(rastella::windows_names::NameFromWide(arguments[1]));
    }
    ::LocalFree(arguments);
  }
  return window.Run();
}
