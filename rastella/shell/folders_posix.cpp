#include <algorithm>
#include <filesystem>
#include <system_error>

#include "shell/folders.h"

namespace rastella {

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
