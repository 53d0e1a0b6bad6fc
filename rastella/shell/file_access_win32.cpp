// Reading the image input file and writing saved files, on Windows.

#include <windows.h>

#include <algorithm>

#include "shell/file_access.h"
#include "shell/windows_names_win32.h"

namespace rastella {

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

}  // namespace

bool ReadImageFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
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

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
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
  // Hidden and not ending in ".tga", so no file list shows it.
  std::string temporaryName = FileNameOf(path);
  temporaryName.insert(0, 1, '.');
  temporaryName.append(".").append(std::to_string(::GetCurrentProcessId())).append(".part");
  const std::string temporary = JoinPath(FolderOf(path), temporaryName);
  FileHandle file(::CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool written = WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get()) && file.Close() &&
                       ::MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!written) {
    file.Close();
    ::DeleteFileW(WidePath(temporary).c_str());
  }
  return written;
}

}  // namespace rastella
