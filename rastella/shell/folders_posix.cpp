// The folders and "*.tga" files that the viewer lists, on POSIX systems.

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "shell/file_access.h"
#include "shell/folders.h"

namespace rastella {

namespace {

bool EndsWithTgaIgnoringCase(const std::string& name) {
  static constexpr std::string_view kExtension = ".tga";
  if (name.size() < kExtension.size()) {
    return false;
  }
  return std::equal(kExtension.begin(), kExtension.end(), name.end() - static_cast<std::ptrdiff_t>(kExtension.size()),
                    [](char expected, char actual) {
                      return expected == (actual >= 'A' && actual <= 'Z' ? actual - 'A' + 'a' : actual);
                    });
}

}  // namespace

// Windows lists through its wide-character calls (file_list_win32.cpp).
std::vector<std::string> ListTgaFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entries(folder, error), end; !error && entries != end;
       entries.increment(error)) {
    std::error_code typeError;
    if (!entries->is_regular_file(typeError)) {
      continue;
    }
    std::string name = entries->path().filename().string();
    if (EndsWithTgaIgnoringCase(name)) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
  std::vector<std::string> subfolders;
  std::error_code error;
  for (std::filesystem::directory_iterator entries(folder, error), end; !error && entries != end;
       entries.increment(error)) {
    std::error_code typeError;
    if (entries->is_directory(typeError)) {
      subfolders.push_back(entries->path().string());
    }
  }
  std::sort(subfolders.begin(), subfolders.end());
  return subfolders;
}

}  // namespace rastella
