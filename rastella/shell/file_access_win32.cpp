// Reading the image input file and writing saved files, on Windows.

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "shell/file_access.h"
#include "shell/file_access_temporary.h"
#include "shell/windows_names_win32.h"

namespace rastella {

using windows_names::NameFromWide;
using windows_names::WidePath;

namespace {

// Closes a handle on every path out of a scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle_);
    }
  }
  HANDLE get() const { return handle_; }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    bytes = bytes.subspan(written);
  }
  return true;
}

// The next name to try for a temporary file of this process.  A name that
// is taken (by a file of the user's, say) is never reused: the file is
// created only where none exists, and the caller moves on to the next
// number.
std::string NextTemporaryName() {
  static unsigned number = 0;
  return TemporaryName(::GetCurrentProcessId(), number++);
}

// True when process `id` has ended (or never ran); false while it runs and
// when that cannot be told.
bool ProcessEnded(DWORD id) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process == nullptr) {
    return ::GetLastError() == ERROR_INVALID_PARAMETER;
  }
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// Removes temporary files whose process no longer runs: a save killed
// between creating its file and the rename leaves one behind.  Files of
// running processes and every other file are left alone.
void RemoveStaleTemporaries(const std::string& folder) {
  WIN32_FIND_DATAW entry{};
  const HANDLE search =
      ::FindFirstFileW(WidePath(JoinPath(folder, std::string(kTemporaryPrefix) + "*")).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    const std::string name = NameFromWide(entry.cFileName);
    const unsigned long owner = OwnerOfTemporary(name);
    if (owner > 0 && owner != ::GetCurrentProcessId() && ProcessEnded(static_cast<DWORD>(owner))) {
      ::DeleteFileW(WidePath(JoinPath(folder, name)).c_str());
    }
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
}

// The file that a save of `path` replaces: `path` itself, or, when `path`
// is a symbolic link (a reparse point), the file it finally names, so that
// the link stays and that file gets the new bytes.  Empty when a link leads
// nowhere or to something that is not a regular file.
std::string ResolveSaveTarget(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  FileHandle target(::CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (target.get() == INVALID_HANDLE_VALUE || ::GetFileType(target.get()) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(target.get(), &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {};
  }
  std::wstring wideFinalPath(MAX_PATH, L'\0');
  DWORD length =
      ::GetFinalPathNameByHandleW(target.get(), wideFinalPath.data(), static_cast<DWORD>(wideFinalPath.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= wideFinalPath.size()) {
    wideFinalPath.resize(length);
    length = ::GetFinalPathNameByHandleW(target.get(), wideFinalPath.data(), static_cast<DWORD>(wideFinalPath.size()),
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  if (length == 0 || length >= wideFinalPath.size()) {
    return {};
  }
  wideFinalPath.resize(length);
  std::string finalPath = NameFromWide(wideFinalPath);
  // "\\?\C:\folder\file" becomes "C:\folder\file", and
  // "\\?\UNC\server\share\..." becomes "\\server\share\...".
  static constexpr std::string_view kLocal = "\\\\?\\";
  static constexpr std::string_view kShare = "\\\\?\\UNC\\";
  if (finalPath.starts_with(kShare)) {
    finalPath.replace(0, kShare.size(), "\\\\");
  } else if (finalPath.starts_with(kLocal)) {
    finalPath.erase(0, kLocal.size());
  }
  return finalPath;
}

}  // namespace

bool ReadImageFile(const std::string& path, ByteBuffer& bytes) {
  bytes.clear();
  FileHandle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  // Only the file of exactly this name, not one that differs in letter case.
  if (file.get() == INVALID_HANDLE_VALUE || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
      !windows_names::OpenedUnderExactName(file.get(), path)) {
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
    return false;
  }
  bytes.resize(std::min(kMaxImageFileBytes, static_cast<std::size_t>(size.QuadPart)));
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    DWORD count = 0;
    if (!::ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &count, nullptr)) {
      bytes.clear();
      return false;
    }
    if (count == 0) {
      break;
    }
    filled += count;
  }
  bytes.resize(filled);
  return true;
}

bool WriteFileAtomically(const std::string& requested, std::span<const std::uint8_t> bytes) {
  const std::string path = ResolveSaveTarget(requested);
  if (path.empty()) {
    return false;
  }
  // A read-only file is not replaced behind the user's back.
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return false;
  }
  // A file whose name differs in letter case only (in a folder that tells
  // letter case apart, or one that does not) is another file: it is not
  // replaced under a name that the save would then report wrongly.
  if (windows_names::NameTakenByAnother(path)) {
    return false;
  }
  const std::string folder = FolderOf(path);
  RemoveStaleTemporaries(folder);
  static constexpr int kNameAttempts = 100;
  std::string temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kNameAttempts && created == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = JoinPath(folder, NextTemporaryName());
    created = ::CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
    if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  FileHandle file(created);
  if (file.get() == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool written = WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get()) && file.Close() &&
                       ::MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!written) {
    // Only the file that this save created is removed.
    file.Close();
    ::DeleteFileW(WidePath(temporary).c_str());
  }
  return written;
}

}  // namespace rastella
