// File slots, whole-file copy and temporary-file cleanup on Windows.

#include "file_slots.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace treebane {

namespace {

// Slot numbers above this are refused rather than growing the table without
// bound.
constexpr std::size_t MaxSlotCount = 1024;

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
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    return ::DeleteFileA(path.c_str()) != 0;
}

// A new, empty temporary file; exclusive creation guarantees that it is our
// own. Under the lock.
HANDLE CreateTemporaryFile(const std::string& path)
{
    if (!RemoveLeftover(path)) {
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Commits, like the copy, end in this move: it replaces the target in one
// step and returns only once the move is on disk.
bool MoveOver(const std::string& temporaryPath, const std::string& target)
{
    return ::MoveFileExA(temporaryPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
           != 0;
}

// The attributes that the replacement of `target` takes over; none when the
// target does not exist.
DWORD AttributesToKeep(const std::string& target)
{
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & KeptAttributes;
}

bool WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (::WriteFile(file, data, chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// The count read, 0 at the end of the file, -1 on failure.
long long ReadSome(HANDLE file, std::uint8_t* data, std::size_t size)
{
    DWORD count = 0;
    if (::ReadFile(file, data, static_cast<DWORD>(size), &count, nullptr) == 0) {
        return -1;
    }
    return count;
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

FileSlots::FileSlots() : slots_(InitialSlotCount) {}

FileSlots::~FileSlots()
{
    CloseAllSlots();
}

FileSlots::Slot* FileSlots::OpenSlot(std::size_t slot)
{
    return slot < slots_.size() && slots_[slot].open ? &slots_[slot] : nullptr;
}

const FileSlots::Slot* FileSlots::OpenSlot(std::size_t slot) const
{
    return slot < slots_.size() && slots_[slot].open ? &slots_[slot] : nullptr;
}

FileSlots::Slot& FileSlots::PrepareSlot(std::size_t slot)
{
    if (slot >= slots_.size()) {
        slots_.resize(slot + 1);
    }
    ReleaseSlot(slots_[slot]);
    return slots_[slot];
}

void FileSlots::WritePending(Slot& slot)
{
    if (slot.mode == Mode::Writing && slot.writeIndex > 0) {
        if (!WriteAll(Handle(slot.handle), slot.buffer.get(), slot.writeIndex)) {
            slot.failed = true;
        }
        slot.writeIndex = 0;
    }
}

void FileSlots::DropReadAhead(Slot& slot)
{
    slot.readIndex = 0;
    slot.readEnd = 0;
}

void FileSlots::ReleaseSlot(Slot& slot)
{
    if (!slot.open) {
        return;
    }
    if (slot.replacement) {
        // Never committed: the target stays as it was.
        ::CloseHandle(Handle(slot.handle));
        TemporaryFilesGuard guard;
        ::DeleteFileA(slot.temporaryPath.c_str());
        UnregisterTemporary(slot.temporaryPath);
    } else {
        WritePending(slot);
        ::CloseHandle(Handle(slot.handle));
    }
    slot = Slot{};
}

bool FileSlots::OpenForReading(std::size_t slot, const std::string& path)
{
    if (slot >= MaxSlotCount) {
        return false;
    }
    Slot& target = PrepareSlot(slot);
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Only files on disk: not a device that a reserved name such as "NUL"
    // or "CON" opens.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return false;
    }
    target.open = true;
    target.handle = HandleValue(file);
    target.buffer = std::make_unique<std::uint8_t[]>(BufferSize);
    return true;
}

bool FileSlots::CreateForWriting(std::size_t slot, const std::string& path)
{
    if (slot >= MaxSlotCount) {
        return false;
    }
    Slot& target = PrepareSlot(slot);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // CREATE_ALWAYS refuses, for one, an existing hidden file.
        file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    target.open = true;
    target.handle = HandleValue(file);
    target.buffer = std::make_unique<std::uint8_t[]>(BufferSize);
    return true;
}

bool FileSlots::CreateReplacement(std::size_t slot, const std::string& path)
{
    if (slot >= MaxSlotCount || path.empty()) {
        return false;
    }
    Slot& target = PrepareSlot(slot);
    if (!MayReplace(path)) {
        return false;
    }
    std::string temporaryPath = FolderOf(path) + ".treebane-slot" + std::to_string(slot) + ".tmp";
    HANDLE file = INVALID_HANDLE_VALUE;
    {
        TemporaryFilesGuard guard;
        if (ending) {
            return false;
        }
        file = CreateTemporaryFile(temporaryPath);
        if (file == INVALID_HANDLE_VALUE) {
            return false;
        }
        RegisterTemporary(temporaryPath);
    }
    target.open = true;
    target.handle = HandleValue(file);
    target.buffer = std::make_unique<std::uint8_t[]>(BufferSize);
    target.replacement = true;
    target.replacementTarget = path;
    target.temporaryPath = std::move(temporaryPath);
    return true;
}

bool FileSlots::CommitReplacement(std::size_t slot)
{
    Slot* current = OpenSlot(slot);
    if (current == nullptr || !current->replacement) {
        return false;
    }
    WritePending(*current);
    const HANDLE file = Handle(current->handle);
    bool complete = !current->failed;
    {
        TemporaryFilesGuard guard;
        complete = complete && !ending;
        complete = complete && ::FlushFileBuffers(file) != 0;
        complete = ::CloseHandle(file) != 0 && complete;
        const DWORD kept = AttributesToKeep(current->replacementTarget);
        if (complete && kept != 0) {
            complete = ::SetFileAttributesA(current->temporaryPath.c_str(), kept) != 0;
        }
        complete = complete && MoveOver(current->temporaryPath, current->replacementTarget);
        if (!complete) {
            ::DeleteFileA(current->temporaryPath.c_str());
        }
        UnregisterTemporary(current->temporaryPath);
    }
    *current = Slot{};
    return complete;
}

int FileSlots::GetByteSlowly(std::size_t slot)
{
    Slot* current = OpenSlot(slot);
    if (current == nullptr) {
        return 0;
    }
    if (current->mode == Mode::Writing) {
        WritePending(*current);
        current->mode = Mode::Reading;
        current->writeLimit = 0;
        current->atEnd = false;
    }
    if (current->atEnd) {
        return 0;
    }
    const long long count = ReadSome(Handle(current->handle), current->buffer.get(), BufferSize);
    if (count <= 0) {
        if (count < 0) {
            current->failed = true;
        }
        current->atEnd = true;
        return 0;
    }
    current->readIndex = 0;
    current->readEnd = static_cast<std::size_t>(count);
    return current->buffer[current->readIndex++];
}

void FileSlots::PutByteSlowly(std::size_t slot, int value)
{
    Slot* current = OpenSlot(slot);
    if (current == nullptr) {
        return;
    }
    if (current->mode == Mode::Reading) {
        // The file position is at the end of the read-ahead; move it back
        // to the first byte that has not been consumed yet.
        const std::size_t unread = current->readEnd - current->readIndex;
        if (unread > 0 && !Seek(Handle(current->handle), -static_cast<std::int64_t>(unread), FILE_CURRENT)) {
            current->failed = true;
        }
        DropReadAhead(*current);
        current->mode = Mode::Writing;
        current->writeIndex = 0;
        current->writeLimit = BufferSize;
        current->atEnd = false;
    } else if (current->writeIndex >= current->writeLimit) {
        WritePending(*current);
    }
    current->buffer[current->writeIndex++] = static_cast<std::uint8_t>(value);
}

void FileSlots::SetPosition(std::size_t slot, std::int64_t offset)
{
    Slot* current = OpenSlot(slot);
    if (current == nullptr) {
        return;
    }
    WritePending(*current);
    current->mode = Mode::Reading;
    current->writeLimit = 0;
    DropReadAhead(*current);
    current->atEnd = false;
    if (!Seek(Handle(current->handle), offset, FILE_BEGIN)) {
        current->failed = true;
    }
}

void FileSlots::CloseSlot(std::size_t slot)
{
    if (slot < slots_.size()) {
        ReleaseSlot(slots_[slot]);
    }
}

void FileSlots::CloseAllSlots()
{
    for (Slot& slot : slots_) {
        ReleaseSlot(slot);
    }
}

bool FileSlots::IsOpen(std::size_t slot) const
{
    return OpenSlot(slot) != nullptr;
}

bool FileSlots::SlotFailed(std::size_t slot) const
{
    const Slot* current = OpenSlot(slot);
    return current != nullptr && current->failed;
}

std::int64_t FileSlots::SlotLength(std::size_t slot)
{
    Slot* current = OpenSlot(slot);
    if (current == nullptr) {
        return -1;
    }
    WritePending(*current);
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(Handle(current->handle), &size) == 0) {
        return -1;
    }
    return static_cast<std::int64_t>(size.QuadPart);
}

// ---------------------------------------------------------------------------

bool MayReplace(const std::string& path)
{
    // Replace only what a plain write could have changed, and never a
    // read-only file.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
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
    const DWORD sourceAttributes = ::GetFileAttributesA(source.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES
        || (sourceAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return false;
    }
    // MoveFileExA would replace a read-only target on some systems and
    // refuse on others; it is never replaced.
    if (!MayReplace(target)) {
        return false;
    }
    const std::string temporaryPath = FolderOf(target) + ".treebane-copy.tmp";

    // The whole copy runs under the lock: the event handler waits for it
    // rather than find a file that CopyFileA holds open and cannot be
    // deleted.
    TemporaryFilesGuard guard;
    if (ending || !RemoveLeftover(temporaryPath)) {
        return false;
    }
    RegisterTemporary(temporaryPath);
    bool complete = ::CopyFileA(source.c_str(), temporaryPath.c_str(), FALSE) != 0;

    // CopyFileA gives the copy the source's attributes; a read-only copy is
    // made writable just long enough to flush it.
    const DWORD copyAttributes = complete ? ::GetFileAttributesA(temporaryPath.c_str()) : INVALID_FILE_ATTRIBUTES;
    const bool readOnly =
        copyAttributes != INVALID_FILE_ATTRIBUTES && (copyAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        complete = ::SetFileAttributesA(temporaryPath.c_str(),
                                        copyAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
                   != 0;
    }
    if (complete) {
        const HANDLE copy = ::CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        complete = copy != INVALID_HANDLE_VALUE && ::FlushFileBuffers(copy) != 0;
        if (copy != INVALID_HANDLE_VALUE) {
            complete = ::CloseHandle(copy) != 0 && complete;
        }
    }
    if (complete && readOnly) {
        complete = ::SetFileAttributesA(temporaryPath.c_str(), copyAttributes) != 0;
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
        ::DeleteFileA(path.c_str());
    }
}

}  // namespace treebane
