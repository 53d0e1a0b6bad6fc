// File slots, whole-file copy and temporary-file cleanup on POSIX.

#include "file_slots.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace treebane {

namespace {

// Slot numbers above this are refused rather than growing the table without
// bound.
constexpr std::size_t MaxSlotCount = 1024;

constexpr std::size_t CopyChunkSize = 65536;

// ---------------------------------------------------------------------------
// Registry of temporary files that exist only until a replacement or copy is
// finished. The signal handler reads it while the program may be halfway
// through registering or unregistering an entry, so an entry's path is
// complete before its flag is raised and the flag drops before the path is
// reused. The flag is a lock-free atomic, which makes reading it from a
// signal handler well defined.

struct PendingTemporary {
    char path[PATH_MAX];
    std::atomic<int> active;
};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int MaxPendingTemporaries = 32;
PendingTemporary pendingTemporaries[MaxPendingTemporaries];

// -1 when the path is too long or the registry is full.
int RegisterTemporary(const std::string& path)
{
    if (path.empty() || path.size() >= PATH_MAX) {
        return -1;
    }
    for (int index = 0; index < MaxPendingTemporaries; ++index) {
        PendingTemporary& entry = pendingTemporaries[index];
        if (entry.active.load() == 0) {
            std::memcpy(entry.path, path.c_str(), path.size() + 1);
            std::atomic_signal_fence(std::memory_order_seq_cst);
            entry.active.store(1);
            return index;
        }
    }
    return -1;
}

void UnregisterTemporary(int index)
{
    if (index >= 0) {
        pendingTemporaries[index].active.store(0);
    }
}

// ---------------------------------------------------------------------------

// The folder part of `path` including its final "/", or "" for a bare name.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates an empty temporary file, first removing a leftover of an earlier
// run that was killed before it could clean up. Exclusive creation without
// following links guarantees that the file is our own.
int CreateTemporaryFile(const std::string& path, mode_t mode)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return -1;
    }
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

// Opens an existing regular file read-only. O_NONBLOCK keeps the open from
// hanging on a FIFO; it is cleared again for the regular file.
int OpenRegularFileForReading(const std::string& path, struct stat& status)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

ssize_t ReadSome(int fd, std::uint8_t* data, std::size_t size)
{
    ssize_t count;
    do {
        count = ::read(fd, data, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

// Makes a rename in `folder` durable. Best effort: some file systems refuse
// to sync a folder, and the rename has happened either way.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int Descriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
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
        if (!WriteAll(Descriptor(slot.handle), slot.buffer.get(), slot.writeIndex)) {
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
    const int fd = Descriptor(slot.handle);
    if (slot.replacement) {
        // Never committed: the target stays as it was.
        ::close(fd);
        ::unlink(slot.temporaryPath.c_str());
        UnregisterTemporary(slot.temporaryRegistration);
    } else {
        WritePending(slot);
        ::close(fd);
    }
    slot = Slot{};
}

bool FileSlots::OpenForReading(std::size_t slot, const std::string& path)
{
    if (slot >= MaxSlotCount) {
        return false;
    }
    Slot& target = PrepareSlot(slot);
    struct stat status{};
    const int fd = OpenRegularFileForReading(path, status);
    if (fd < 0) {
        return false;
    }
    target.open = true;
    target.handle = fd;
    target.buffer = std::make_unique<std::uint8_t[]>(BufferSize);
    return true;
}

bool FileSlots::CreateForWriting(std::size_t slot, const std::string& path)
{
    if (slot >= MaxSlotCount) {
        return false;
    }
    Slot& target = PrepareSlot(slot);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    }
    if (fd < 0) {
        return false;
    }
    target.open = true;
    target.handle = fd;
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
    struct stat status{};
    const bool targetExists = ::lstat(path.c_str(), &status) == 0;

    std::string temporaryPath = FolderOf(path) + ".treebane-slot" + std::to_string(slot) + ".tmp";
    const int registration = RegisterTemporary(temporaryPath);
    if (registration < 0) {
        return false;
    }
    // Private until committed; the target's permission bits come at commit.
    const int fd = CreateTemporaryFile(temporaryPath, targetExists ? 0600 : 0666);
    if (fd < 0) {
        UnregisterTemporary(registration);
        return false;
    }
    target.open = true;
    target.handle = fd;
    target.buffer = std::make_unique<std::uint8_t[]>(BufferSize);
    target.replacement = true;
    target.replacementTarget = path;
    target.temporaryPath = std::move(temporaryPath);
    target.temporaryRegistration = registration;
    return true;
}

bool FileSlots::CommitReplacement(std::size_t slot)
{
    Slot* current = OpenSlot(slot);
    if (current == nullptr || !current->replacement) {
        return false;
    }
    WritePending(*current);
    const int fd = Descriptor(current->handle);
    bool complete = !current->failed;

    struct stat status{};
    if (complete && ::lstat(current->replacementTarget.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        if (::fchown(fd, status.st_uid, status.st_gid) != 0) {
            // Only the owner can be kept by a privileged process; the
            // permission bits below matter more.
        }
        complete = ::fchmod(fd, status.st_mode & 07777) == 0;
    }
    complete = complete && ::fsync(fd) == 0;
    complete = ::close(fd) == 0 && complete;
    complete = complete && ::rename(current->temporaryPath.c_str(), current->replacementTarget.c_str()) == 0;
    if (!complete) {
        ::unlink(current->temporaryPath.c_str());
    }
    UnregisterTemporary(current->temporaryRegistration);
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
    const ssize_t count = ReadSome(Descriptor(current->handle), current->buffer.get(), BufferSize);
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
        if (unread > 0 && ::lseek(Descriptor(current->handle), -static_cast<off_t>(unread), SEEK_CUR) < 0) {
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
    if (::lseek(Descriptor(current->handle), static_cast<off_t>(offset), SEEK_SET) < 0) {
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
    struct stat status{};
    if (::fstat(Descriptor(current->handle), &status) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(status.st_size);
}

// ---------------------------------------------------------------------------

bool MayReplace(const std::string& path)
{
    // Replace only what a plain write could have changed.
    struct stat status{};
    if (::lstat(path.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(status.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

bool CopyWholeFile(const std::string& source, const std::string& target)
{
    if (source.empty() || target.empty()) {
        return false;
    }
    struct stat sourceStatus{};
    const int input = OpenRegularFileForReading(source, sourceStatus);
    if (input < 0) {
        return false;
    }
    const std::string folder = FolderOf(target);
    const std::string temporaryPath = folder + ".treebane-copy.tmp";
    const int registration = RegisterTemporary(temporaryPath);
    if (registration < 0) {
        ::close(input);
        return false;
    }
    const int output = CreateTemporaryFile(temporaryPath, 0600);
    bool complete = output >= 0;

    if (complete) {
        auto chunk = std::make_unique<std::uint8_t[]>(CopyChunkSize);
        for (;;) {
            const ssize_t count = ReadSome(input, chunk.get(), CopyChunkSize);
            if (count == 0) {
                break;
            }
            if (count < 0 || !WriteAll(output, chunk.get(), static_cast<std::size_t>(count))) {
                complete = false;
                break;
            }
        }
        complete = complete && ::fchmod(output, sourceStatus.st_mode & 07777) == 0;
        complete = complete && ::fsync(output) == 0;
        complete = ::close(output) == 0 && complete;
        complete = complete && ::rename(temporaryPath.c_str(), target.c_str()) == 0;
        if (!complete) {
            ::unlink(temporaryPath.c_str());
        }
    }
    ::close(input);
    UnregisterTemporary(registration);
    if (complete) {
        SyncFolder(folder);
    }
    return complete;
}

void RemovePendingTemporaryFiles() noexcept
{
    for (PendingTemporary& entry : pendingTemporaries) {
        if (entry.active.load() != 0) {
            ::unlink(entry.path);
        }
    }
}

}  // namespace treebane
