// Current directory and wildcard scan on Windows, through the wide-character
// calls (windows_names.h).

#include "directory_scan.h"

#include "directory_scan_platform.h"

#include "name_pattern.h"
#include "windows_names.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace treebane {

using windows_names::NameFromWide;
using windows_names::WidePath;

namespace {

bool EndsInSeparator(const std::string& path) { return !path.empty() && (path.back() == '\\' || path.back() == '/'); }

// Folders, reparse points (symbolic links, junctions) and devices are left
// out.
bool IsRegularFile(const WIN32_FIND_DATAW& entry) {
  constexpr DWORD NotRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  return (entry.dwFileAttributes & NotRegular) == 0;
}

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      ::FindClose(handle_);
    }
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::string WorkingDirectory() {
  // The first call tells the length with the terminating zero, the second
  // the length without; the folder may change in between.
  std::wstring directory;
  DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
  while (needed > directory.size()) {
    directory.resize(needed);
    needed = ::GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
    if (needed == 0) {
      return std::string();
    }
  }
  directory.resize(needed);
  // A folder name without a UTF-8 form could not be handed back to the
  // platform; the empty text makes callers name files relative to the
  // current directory instead, which reaches the same folder.
  std::string text = NameFromWide(directory);
  std::wstring unused;
  if (!windows_names::WideFromUtf8(text, unused)) {
    return std::string();
  }
  if (!text.empty() && !EndsInSeparator(text)) {
    text += '\\';
  }
  return text;
}

std::string WorkingDirectoryRefusal() {
  wchar_t current[MAX_PATH + 1] = {};
  wchar_t windows[MAX_PATH + 1] = {};
  const DWORD currentLength = ::GetCurrentDirectoryW(MAX_PATH + 1, current);
  const DWORD windowsLength = ::GetWindowsDirectoryW(windows, MAX_PATH + 1);
  const auto trimmed = [](const wchar_t* path, DWORD length) {
    while (length > 0 && path[length - 1] == L'\\') {
      --length;
    }
    return static_cast<int>(length);
  };
  if (currentLength == 0 || currentLength > MAX_PATH || windowsLength == 0 || windowsLength > MAX_PATH ||
      ::CompareStringOrdinal(current, trimmed(current, currentLength), windows, trimmed(windows, windowsLength),
                             TRUE) != CSTR_EQUAL) {
    return std::string();
  }
  return "The current folder is the Windows folder - start treebane in a texture folder whose path is shorter "
         "than 260 characters";
}

ScanHandle BeginScan(const std::string& directory, const std::string& pattern) {
  std::string searchPath = directory;
  if (!searchPath.empty() && !EndsInSeparator(searchPath)) {
    searchPath += '\\';
  }
  searchPath += pattern.empty() ? "*.*" : pattern;

  WIN32_FIND_DATAW entry{};
  FindHandle listing(::FindFirstFileW(WidePath(searchPath).c_str(), &entry));
  if (listing.get() == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
      return ScanOf({});
    }
    return ScanHandle();
  }
  std::vector<std::string> names;
  do {
    // The listing matches the pattern against an entry's 8.3 short name
    // as well ("x.tgax" is "X~1.TGA"), and with its own wildcard rules;
    // only the long name counts here. A name without an exact UTF-8
    // form is kept, so that the run can report it; it never opens.
    const std::string name = NameFromWide(entry.cFileName);
    if (IsRegularFile(entry) && MatchesPattern(name, pattern)) {
      names.push_back(name);
    }
  } while (::FindNextFileW(listing.get(), &entry) != 0);
  if (::GetLastError() != ERROR_NO_MORE_FILES) {
    return ScanHandle();
  }
  return ScanOf(std::move(names));
}

bool PathExists(const std::string& path) {
  if (::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
    return true;
  }
  const DWORD error = ::GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME;
}

}  // namespace treebane
