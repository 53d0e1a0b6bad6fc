// The file list's and the folder list's listings on Windows, through the
// wide-character calls: every name is listed exactly as the folder holds it,
// in UTF-8, whatever the ANSI code page.  A name without an exact UTF-8 form (an unpaired
// surrogate) is listed in a form that no file call accepts, so it can be
// clicked but never read: it is never mapped to another file's name.

#include <windows.h>

#include <algorithm>

#include "shell/file_access.h"
#include "shell/folders.h"
#include "shell/windows_names_win32.h"

namespace rastella {

namespace {

bool EndsWithTgaIgnoringCase(const std::wstring& name) {
  static constexpr wchar_t kExtension[] = L".tga";
  constexpr std::size_t kLength = 4;
  if (name.size() < kLength) {
    return false;
  }
  return std::equal(kExtension, kExtension + kLength, name.end() - kLength, [](wchar_t expected, wchar_t actual) {
    return expected == (actual >= L'A' && actual <= L'Z' ? actual - L'A' + L'a' : actual);
  });
}

// Folders, reparse points (symbolic links, junctions) and devices are left
// out, as a listing of regular files leaves them out elsewhere.
bool IsRegularFile(const WIN32_FIND_DATAW& entry) {
  constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  return (entry.dwFileAttributes & kNotRegular) == 0;
}

}  // namespace

std::vector<std::string> ListTgaFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry{};
  const HANDLE listing = ::FindFirstFileW(windows_names::WidePath(JoinPath(folder, "*")).c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    const std::wstring name(entry.cFileName);
    if (IsRegularFile(entry) && EndsWithTgaIgnoringCase(name)) {
      names.push_back(windows_names::NameFromWide(name));
    }
  } while (::FindNextFileW(listing, &entry) != 0);
  ::FindClose(listing);
  std::sort(names.begin(), names.end());
  return names;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(windows_names::WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
  std::vector<std::string> subfolders;
  WIN32_FIND_DATAW entry{};
  const HANDLE listing = ::FindFirstFileW(windows_names::WidePath(JoinPath(folder, "*")).c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) {
    return subfolders;
  }
  do {
    const std::wstring name(entry.cFileName);
    std::wstring unused;
    // A name without a UTF-8 form could not be opened again.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L".." &&
        windows_names::WideFromUtf8(windows_names::NameFromWide(name), unused)) {
      subfolders.push_back(JoinPath(folder, windows_names::NameFromWide(name)));
    }
  } while (::FindNextFileW(listing, &entry) != 0);
  ::FindClose(listing);
  std::sort(subfolders.begin(), subfolders.end());
  return subfolders;
}

}  // namespace rastella
