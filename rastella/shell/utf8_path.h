#pragma once
// Paths from and to the UTF-8 text that the viewer keeps its names in.  On
// Windows the std::filesystem calls that take a std::string read it in the
// C library's code page, not as UTF-8; these conversions hold on every
// platform.

#include <filesystem>
#include <string>

namespace rastella {

// The path of UTF-8 text.  Throws std::filesystem::filesystem_error or
// std::system_error where the platform must convert text that is not valid
// UTF-8.
inline std::filesystem::path PathFromUtf8(const std::string& text) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
  return std::filesystem::path(text);
#endif
}

// The UTF-8 text of a path.
inline std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

}  // namespace rastella
