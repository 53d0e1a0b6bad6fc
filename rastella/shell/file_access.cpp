#include "shell/file_access.h"

#include <algorithm>

namespace rastella {

namespace {

bool IsSeparator(char c) { return c == '/' || c == kPathSeparator; }

}  // namespace

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
