#include "shell/folders.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "shell/utf8_path.h"

namespace rastella {

namespace {

#ifdef _WIN32
// "C:\": a drive's root keeps its separator.
constexpr std::size_t kRootLength = 3;
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
#else
constexpr std::size_t kRootLength = 1;
bool IsSeparator(char c) { return c == '/'; }
#endif

// Windows keeps the current folder of each drive, so "C:" names no fixed
// folder: only POSIX paths are made absolute here.
std::filesystem::path Absolute(const std::filesystem::path& path) {
#ifdef _WIN32
  return path;
#else
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute;
#endif
}

}  // namespace

std::string NormalFolder(const std::string& folder) {
  std::string normal;
  try {
    normal = Utf8FromPath(Absolute(PathFromUtf8(folder)).lexically_normal());
  } catch (const std::exception&) {
    normal = folder;  // names without a UTF-8 form are left as they are
  }
  while (normal.size() > kRootLength && IsSeparator(normal.back())) {
    normal.pop_back();
  }
#ifdef _WIN32
  if (normal.size() == 2 && normal[1] == ':') {
    normal += '\\';
  }
  return normal;
#else
  return normal.empty() ? std::string("/") : normal;
#endif
}

}  // namespace rastella
