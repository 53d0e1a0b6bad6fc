// The file handles under the slots, whole-file copy and temporary-file
// cleanup on Windows.

#include "file_slots.h"

#include "file_slots_platform.h"
#include "windows_names.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace treebane {

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
void RegisterTemporary(const std::string& path)
{
    pendingTemporaries.push_back(path);
}

void UnregisterTemporary(const std::string& path)
{
    const auto found = std::find(pendingTemporaries.begin(), pendingTemporaries.end(), path);
    if (found != pendingTemporaries.end()) {
        pendingTemporaries.erase(found);
    }
}

// ---------------------------------------------------------------------------

// The folder part of `path` including its final separator, or "" for a bare
// name.
std::string FolderOf(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// Removes a leftover of an earlier run that ended before it could clean up
// (its process killed). A folder under the name is not the program's to
// remove: false then, as for any other failure.
bool RemoveLeftover(const std::string& path)
{
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

// A new, empty temporary file; exclusive creation guarantees that it is our
// own. Under the lock.
HANDLE CreateTemporaryFile(const std::string& path)
{
    if (!RemoveLeftover(path)) {
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Commits, like the copy, end in this move: it replaces the target in one
// step and returns only once the move is on disk.
bool MoveOver(const std::string& temporaryPath, const std::string& target)
{
    return ::MoveFileExW(WidePath(temporaryPath).c_str(), WidePath(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
           != 0;
}

// The attributes that the replacement of `target` takes over; none when the
// target does not exist.
DWORD AttributesToKeep(const std::string& target)
{
    const DWORD attributes = ::GetFileAttributesW(WidePath(target).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & KeptAttributes;
}

bool Seek(HANDLE file, std::int64_t offset, DWORD from)
{
    LONG high = static_cast<LONG>(offset >> 32);
    ::SetLastError(NO_ERROR);
    const DWORD low = ::SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, from);
    return low != INVALID_SET_FILE_POINTER || ::GetLastError() == NO_ERROR;
}

HANDLE Handle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t HandleValue(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

}  // namespace

// ---------------------------------------------------------------------------

namespace file_slots_platform {

bool OpenHandleForReading(const std::string& path, std::intptr_t& handle)
{
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

bool CreateHandleForWriting(const std::string& path, std::intptr_t& handle)
{
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

bool CreateReplacementFile(std::size_t slot, const std::string& target, TemporaryFile& file)
{
    std::string temporaryPath = FolderOf(target) + ".treebane-slot" + std::to_string(slot) + ".tmp";
    HANDLE created = INVALID_HANDLE_VALUE;
    {
        TemporaryFilesGuard guard;
        if (ending) {
            return false;
        }
        created = CreateTemporaryFile(temporaryPath);
        if (created == INVALID_HANDLE_VALUE) {
            return false;
        }
        RegisterTemporary(temporaryPath);
    }
    file.handle = HandleValue(created);
    file.path = std::move(temporaryPath);
    return true;
}

bool CommitReplacementFile(const TemporaryFile& file, const std::string& target, bool complete)
{
    const HANDLE handle = Handle(file.handle);
    TemporaryFilesGuard guard;
    complete = complete && !ending;
    complete = complete && ::FlushFileBuffers(handle) != 0;
    complete = ::CloseHandle(handle) != 0 && complete;
    const DWORD kept = AttributesToKeep(target);
    if (complete && kept != 0) {
        complete = ::SetFileAttributesW(WidePath(file.path).c_str(), kept) != 0;
    }
    complete = complete && MoveOver(file.path, target);
    if (!complete) {
        ::DeleteFileW(WidePath(file.path).c_str());
    }
    UnregisterTemporary(file.path);
    return complete;
}

void DiscardReplacementFile(const TemporaryFile& file)
{
    ::CloseHandle(Handle(file.handle));
    TemporaryFilesGuard guard;
    ::DeleteFileW(WidePath(file.path).c_str());
    UnregisterTemporary(file.path);
}

// The count read, 0 at the end of the file, -1 on failure.
long long ReadSome(std::intptr_t handle, std::uint8_t* data, std::size_t size)
{
    DWORD count = 0;
    if (::ReadFile(Handle(handle), data, static_cast<DWORD>(size), &count, nullptr) == 0) {
        return -1;
    }
    return count;
}

bool WriteAll(std::intptr_t handle, const std::uint8_t* data, std::size_t size)
{
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

bool SeekTo(std::intptr_t handle, std::int64_t offset)
{
    return Seek(Handle(handle), offset, FILE_BEGIN);
}

bool SeekBack(std::intptr_t handle, std::size_t count)
{
    return Seek(Handle(handle), -static_cast<std::int64_t>(count), FILE_CURRENT);
}

std::int64_t FileLength(std::intptr_t handle)
{
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(Handle(handle), &size) == 0) {
        return -1;
    }
    return static_cast<std::int64_t>(size.QuadPart);
}

void CloseFile(std::intptr_t handle)
{
    ::CloseHandle(Handle(handle));
}

}  // namespace file_slots_platform

// ---------------------------------------------------------------------------

bool MayReplace(const std::string& path)
{
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

bool CopyWholeFile(const std::string& source, const std::string& target)
{
    if (source.empty() || target.empty()) {
        return false;
    }
    const DWORD sourceAttributes = ::GetFileAttributesW(WidePath(source).c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES
        || (sourceAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return false;
    }
    // MoveFileExW would replace a read-only target on some systems and
    // refuse on others; it is never replaced.
    if (!MayReplace(target)) {
        return false;
    }
    const std::string temporaryPath = FolderOf(target) + ".treebane-copy.tmp";

    // The whole copy runs under the lock: the event handler waits for it
    // rather than find a file that CopyFileW holds open and cannot be
    // deleted.
    TemporaryFilesGuard guard;
    if (ending || !RemoveLeftover(temporaryPath)) {
        return false;
    }
    RegisterTemporary(temporaryPath);
    bool complete = ::CopyFileW(WidePath(source).c_str(), WidePath(temporaryPath).c_str(), FALSE) != 0;

    // CopyFileW gives the copy the source's attributes; a read-only copy is
    // made writable just long enough to flush it.
    const DWORD copyAttributes =
        complete ? ::GetFileAttributesW(WidePath(temporaryPath).c_str()) : INVALID_FILE_ATTRIBUTES;
    const bool readOnly =
        copyAttributes != INVALID_FILE_ATTRIBUTES && (copyAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        complete = ::SetFileAttributesW(WidePath(temporaryPath).c_str(),
                                        copyAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
                   != 0;
    }
    if (complete) {
        const HANDLE copy = ::CreateFileW(WidePath(temporaryPath).c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        complete = copy != INVALID_HANDLE_VALUE && ::FlushFileBuffers(copy) != 0;
        if (copy != INVALID_HANDLE_VALUE) {
            complete = ::CloseHandle(copy) != 0 && complete;
        }
    }
    if (complete && readOnly) {
        complete = ::SetFileAttributesW(WidePath(temporaryPath).c_str(), copyAttributes) != 0;
    }
    complete = complete && MoveOver(temporaryPath, target);
    if (!complete) {
        RemoveLeftover(temporaryPath);
    }
    UnregisterTemporary(temporaryPath);
    return complete;
}

void RemovePendingTemporaryFiles() noexcept
{
    TemporaryFilesGuard guard;
    ending = true;
    for (const std::string& path : pendingTemporaries) {
        ::DeleteFileW(WidePath(path).c_str());
    }
}

}  // namespace treebane
