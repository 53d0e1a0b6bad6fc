#include "shell/file_access.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace rastella {

namespace {

#ifndef _WIN32
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

#endif

bool IsSeparator(char c) { return c == '/' || c == kPathSeparator; }

}  // namespace

#ifndef _WIN32
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
#endif

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && IsSeparator(folder.back())) {
    return folder + name;
  }
  return folder + kPathSeparator + name;
}

std::string FileNameOf(const std::string& path) {
  const auto slash = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  return std::string(slash.base(), path.end());
}

std::string FolderOf(const std::string& path) {
  const auto slash = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  if (slash == path.rend()) {
    return ".";
  }
  const std::size_t length = static_cast<std::size_t>(path.rend() - slash) - 1;
  return length == 0 ? path.substr(0, 1) : path.substr(0, length);
}

}  // namespace rastella
