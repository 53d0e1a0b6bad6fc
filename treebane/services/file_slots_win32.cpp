// The file handles under the slots, whole-file copy and temporary-file
// cleanup on Windows.

#include "file_slots.h"

#include "file_slots_platform.h"
#include "temporary_names.h"
#include "windows_names.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace treebane {

using windows_names::NameFromWide;
using windows_names::OpenedUnderExactName;
using windows_names::WidePath;

namespace {

// Attributes of a target that its replacement takes over: what a plain
// rewrite of the file would have kept.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// ---------------------------------------------------------------------------
// Temporary files that exist only until a replacement or copy is finished.
//
// The console's event handler removes them on a thread of its own while the
// run goes on, so creating and registering a temporary file, and committing
// or copying one, happen under one lock, and once the handler has been
// through, `ending` refuses every new one. Temporary files are opened with
// FILE_SHARE_DELETE, so the handler can delete one that a slot still holds
// open; it vanishes when the handle closes, at the latest when the process
// ends.

SRWLOCK temporaryFilesLock = SRWLOCK_INIT;
bool ending = false;
std::vector<std::string> pendingTemporaries;

class TemporaryFilesGuard {
 public:
  TemporaryFilesGuard() { ::AcquireSRWLockExclusive(&temporaryFilesLock); }
  ~TemporaryFilesGuard() { ::ReleaseSRWLockExclusive(&temporaryFilesLock); }
  TemporaryFilesGuard(const TemporaryFilesGuard&) = delete;
  TemporaryFilesGuard& operator=(const TemporaryFilesGuard&) = delete;
};

// Both under the lock.
void RegisterTemporary(const std::string& path) { pendingTemporaries.push_back(path); }

void UnregisterTemporary(const std::string& path) {
  const auto found = std::find(pendingTemporaries.begin(), pendingTemporaries.end(), path);
  if (found != pendingTemporaries.end()) {
    pendingTemporaries.erase(found);
  }
}

// ---------------------------------------------------------------------------

// The folder part of `path` including its final separator, or "" for a bare
// name.
std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// Removes a file that the program made: a temporary file of its own, or the
// leftover of an earlier run whose process was killed. A folder under the
// name is not the program's to remove: false then, as for any other failure.
bool RemoveLeftover(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(WidePath(path).c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  return ::DeleteFileW(WidePath(path).c_str()) != 0;
}

// The numbers that tell this process's temporary files apart. Under the lock.
std::uint64_t nextTemporaryNumber = 0;

// Creates a new, empty temporary file in `folder` under a name of this
// process's own; exclusive creation guarantees that it is our own: a name
// that is taken, by whatever, is left alone and the next number tried. Under
// the lock, which the caller holds until the file is registered.
HANDLE CreateTemporaryFile(const std::string& folder, std::string& path) {
  constexpr int Attempts = 100;
  const auto processId = static_cast<std::uint32_t>(::GetCurrentProcessId());
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    std::string candidate = folder + TemporaryFileName(processId, nextTemporaryNumber++);
    const HANDLE file =
        ::CreateFileW(WidePath(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      path = std::move(candidate);
      return file;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      return INVALID_HANDLE_VALUE;
    }
  }
  return INVALID_HANDLE_VALUE;
}

// True when no process `processId` runs any more. A process that this one
// may not open (another user's) still runs.
bool ProcessGone(std::uint32_t processId) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) {
    return ::GetLastError() == ERROR_INVALID_PARAMETER;
  }
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// Commits, like the copy, end in this move: it replaces the target in one
// step and returns only once the move is on disk.
bool MoveOver(const std::string& temporaryPath, const std::string& target) {
  return ::MoveFileExW(WidePath(temporaryPath).c_str(), WidePath(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// The attributes that the replacement of `target` takes over; none when the
// target does not exist.
DWORD AttributesToKeep(const std::string& target) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(target).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & KeptAttributes;
}

bool Seek(HANDLE file, std::int64_t offset, DWORD from) {
  LONG high = static_cast<LONG>(offset >> 32);
  ::SetLastError(NO_ERROR);
  const DWORD low = ::SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, from);
  return low != INVALID_SET_FILE_POINTER || ::GetLastError() == NO_ERROR;
}

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t HandleValue(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

}  // namespace

// ---------------------------------------------------------------------------

namespace file_slots_platform {

bool OpenHandleForReading(const std::string& path, std::intptr_t& handle) {
  const HANDLE file = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  // Only files on disk: not a device that a reserved name such as "NUL"
  // or "CON" opens; and only the file of exactly this name, not one whose
  // name differs in letter case only.
  if (::GetFileType(file) != FILE_TYPE_DISK || !OpenedUnderExactName(file, path)) {
    ::CloseHandle(file);
    return false;
  }
  handle = HandleValue(file);
  return true;
}

bool CreateHandleForWriting(const std::string& path, std::intptr_t& handle) {
  HANDLE file = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // CREATE_ALWAYS refuses, for one, an existing hidden file.
    file = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  handle = HandleValue(file);
  return true;
}

bool CreateReplacementFile(const std::string& target, TemporaryFile& file) {
  std::string temporaryPath;
  HANDLE created = INVALID_HANDLE_VALUE;
  {
    TemporaryFilesGuard guard;
    if (ending) {
      return false;
    }
    created = CreateTemporaryFile(FolderOf(target), temporaryPath);
    if (created == INVALID_HANDLE_VALUE) {
      return false;
    }
    RegisterTemporary(temporaryPath);
  }
  file.handle = HandleValue(created);
  file.path = std::move(temporaryPath);
  return true;
}

bool StageCopyFile(const std::string& source, const std::string& target, StagedFile& staged) {
  const DWORD sourceAttributes = ::GetFileAttributesW(WidePath(source).c_str());
  if (sourceAttributes == INVALID_FILE_ATTRIBUTES ||
      (sourceAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return false;
  }
  // MoveFileExW would replace a read-only target on some systems and
  // refuse on others; it is never replaced.
  if (!MayReplace(target)) {
    return false;
  }
  // The whole copy runs under the lock: the event handler waits for it
  // rather than find a file that CopyFileW holds open and cannot be
  // deleted. The temporary name is taken by an exclusive creation first,
  // so CopyFileW then overwrites only a file of our own.
  TemporaryFilesGuard guard;
  if (ending) {
    return false;
  }
  std::string temporaryPath;
  const HANDLE reserved = CreateTemporaryFile(FolderOf(target), temporaryPath);
  if (reserved == INVALID_HANDLE_VALUE) {
    return false;
  }
  RegisterTemporary(temporaryPath);
  bool complete = ::CloseHandle(reserved) != 0;
  complete = complete && ::CopyFileW(WidePath(source).c_str(), WidePath(temporaryPath).c_str(), FALSE) != 0;

  // CopyFileW onto the file that holds the name does not always give it the
  // source's attributes, so they are set here; read-only only at the
  // commit, once the copy is flushed.
  const DWORD copyAttributes = sourceAttributes & (KeptAttributes | FILE_ATTRIBUTE_READONLY);
  const DWORD writableAttributes = copyAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  complete =
      complete && ::SetFileAttributesW(WidePath(temporaryPath).c_str(),
                                       writableAttributes != 0 ? writableAttributes : FILE_ATTRIBUTE_NORMAL) != 0;
  LARGE_INTEGER size{};
  WIN32_FILE_ATTRIBUTE_DATA copied{};
  complete = complete && ::GetFileAttributesExW(WidePath(temporaryPath).c_str(), GetFileExInfoStandard, &copied) != 0;
  if (!complete) {
    RemoveLeftover(temporaryPath);
    UnregisterTemporary(temporaryPath);
    return false;
  }
  size.LowPart = copied.nFileSizeLow;
  size.HighPart = static_cast<LONG>(copied.nFileSizeHigh);
  // The copy is closed: it is read back, and flushed at the commit, under
  // handles of their own.
  staged.file.handle = -1;
  staged.file.path = std::move(temporaryPath);
  staged.sourceProperties = copyAttributes;
  staged.size = static_cast<std::int64_t>(size.QuadPart);
  return true;
}

bool SameTarget(const std::string& first, const std::string& second) {
  // The file system's own rule: letter case does not count.
  return ::CompareStringOrdinal(WidePath(first).c_str(), -1, WidePath(second).c_str(), -1, TRUE) == CSTR_EQUAL;
}

void CommitStagedFiles(std::vector<StagedFile>& files) {
  // The event handler waits for the whole commit, and once it has been
  // through, nothing more is put in place.
  TemporaryFilesGuard guard;

  // Every file flushed in one pass, before any of them is moved.
  std::vector<bool> complete(files.size());
  for (std::size_t index = 0; index < files.size(); ++index) {
    const StagedFile& staged = files[index];
    const std::wstring path = WidePath(staged.file.path);
    bool flushed = false;
    if (staged.file.handle != -1) {
      flushed = ::FlushFileBuffers(Handle(staged.file.handle)) != 0;
      flushed = ::CloseHandle(Handle(staged.file.handle)) != 0 && flushed;
    } else {
      const HANDLE copy = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      flushed = copy != INVALID_HANDLE_VALUE && ::FlushFileBuffers(copy) != 0;
      if (copy != INVALID_HANDLE_VALUE) {
        flushed = ::CloseHandle(copy) != 0 && flushed;
      }
    }
    // A copy keeps its source's attributes, read-only included; a
    // replacement those of its target.
    const DWORD kept = staged.copy ? staged.sourceProperties : AttributesToKeep(staged.target);
    if (flushed && kept != 0) {
      flushed = ::SetFileAttributesW(path.c_str(), kept) != 0;
    }
    complete[index] = flushed && !ending;
  }

  // The copies first, then the files that may depend on them. Each move
  // returns only once it is on disk.
  for (const bool copies : {true, false}) {
    for (std::size_t index = 0; index < files.size(); ++index) {
      StagedFile& staged = files[index];
      if (staged.copy != copies) {
        continue;
      }
      const bool ready = complete[index] && (staged.after < 0 || files[static_cast<std::size_t>(staged.after)].inPlace);
      staged.inPlace = ready && MoveOver(staged.file.path, staged.target);
      if (!staged.inPlace) {
        RemoveLeftover(staged.file.path);
      }
      UnregisterTemporary(staged.file.path);
    }
  }
}

void DiscardReplacementFile(const TemporaryFile& file) {
  if (file.handle != -1) {
    ::CloseHandle(Handle(file.handle));
  }
  TemporaryFilesGuard guard;
  RemoveLeftover(file.path);
  UnregisterTemporary(file.path);
}

void StartWriteBack(std::intptr_t) {
  // Windows writes back in its own time; the commit flushes each file.
}

// The count read, 0 at the end of the file, -1 on failure.
long long ReadSome(std::intptr_t handle, std::uint8_t* data, std::size_t size) {
  DWORD count = 0;
  if (::ReadFile(Handle(handle), data, static_cast<DWORD>(size), &count, nullptr) == 0) {
    return -1;
  }
  return count;
}

bool WriteAll(std::intptr_t handle, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (::WriteFile(Handle(handle), data, chunk, &written, nullptr) == 0 || written == 0) {
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool SeekTo(std::intptr_t handle, std::int64_t offset) { return Seek(Handle(handle), offset, FILE_BEGIN); }

bool SeekBack(std::intptr_t handle, std::size_t count) {
  return Seek(Handle(handle), -static_cast<std::int64_t>(count), FILE_CURRENT);
}

std::int64_t FileLength(std::intptr_t handle) {
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(Handle(handle), &size) == 0) {
    return -1;
  }
  return static_cast<std::int64_t>(size.QuadPart);
}

void CloseFile(std::intptr_t handle) { ::CloseHandle(Handle(handle)); }

}  // namespace file_slots_platform

// ---------------------------------------------------------------------------

bool MayReplace(const std::string& path) {
  // Replace only what a plain write could have changed, and never a
  // read-only file.
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  constexpr DWORD NotReplaced =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
  return (attributes & NotReplaced) == 0;
}

void RemoveLeftoverTemporaryFiles(const std::string& folder) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') {
    prefix += '\\';
  }
  WIN32_FIND_DATAW entry{};
  const HANDLE listing = ::FindFirstFileW(WidePath(prefix + ".treebane-*.tmp").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) {
    return;
  }
  const auto self = static_cast<std::uint32_t>(::GetCurrentProcessId());
  do {
    std::uint32_t owner = 0;
    const bool plainFile = (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    const std::string name = NameFromWide(entry.cFileName);
    if (!plainFile || !TemporaryFileOwner(name, owner) || owner == self || !ProcessGone(owner)) {
      continue;
    }
    RemoveLeftover(prefix + name);
  } while (::FindNextFileW(listing, &entry) != 0);
  ::FindClose(listing);
}

void RemovePendingTemporaryFiles() noexcept {
  TemporaryFilesGuard guard;
  ending = true;
  for (const std::string& path : pendingTemporaries) {
    ::DeleteFileW(WidePath(path).c_str());
  }
}

}  // namespace treebane
