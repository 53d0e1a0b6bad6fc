// The file handles under the slots, whole-file copy and temporary-file
// cleanup on POSIX.

#include "file_slots.h"

#include "file_slots_platform.h"
#include "temporary_names.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace treebane {

namespace {

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

// A full batch, and a replacement or copy of its own besides.
constexpr int MaxPendingTemporaries = static_cast<int>(FileBatch::MaxFiles) + 8;
// Zero from the start, without code that would touch every page of it.
constinit PendingTemporary pendingTemporaries[MaxPendingTemporaries]{};

// -1 when the path is too long or the registry is full.
int RegisterTemporary(const std::string& path) {
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

void UnregisterTemporary(int index) {
  if (index >= 0) {
    pendingTemporaries[index].active.store(0);
  }
}

// ---------------------------------------------------------------------------

// The folder part of `path` including its final "/", or "" for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The numbers that tell this process's temporary files apart.
std::atomic<std::uint64_t> nextTemporaryNumber{0};

// Creates a new, empty temporary file in `folder` under a name of this
// process's own and registers it; -1 on failure. Exclusive creation without
// following links guarantees that the file is our own: a name that is taken,
// by whatever, is left alone and the next number tried. No signal comes
// between the creation and the registration, so a signal handler never
// misses a file it should remove, nor removes one that is not ours.
int CreateTemporaryFile(const std::string& folder, mode_t mode, std::string& path, int& registration) {
  constexpr int Attempts = 100;
  const auto processId = static_cast<std::uint32_t>(::getpid());
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    std::string candidate = folder + TemporaryFileName(processId, nextTemporaryNumber++);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    const int openError = errno;
    int index = -1;
    if (fd >= 0) {
      index = RegisterTemporary(candidate);
      if (index < 0) {
        ::close(fd);
        ::unlink(candidate.c_str());
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (index >= 0) {
      path = std::move(candidate);
      registration = index;
      return fd;
    }
    if (fd >= 0 || openError != EEXIST) {
      return -1;
    }
  }
  return -1;
}

// True when no process `processId` exists any more. A process of another
// user, which may not be signalled, still exists.
bool ProcessGone(std::uint32_t processId) {
  if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) {
    return false;
  }
  return ::kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH;
}

// Opens an existing regular file read-only. O_NONBLOCK keeps the open from
// hanging on a FIFO; it is cleared again for the regular file.
int OpenRegularFileForReading(const std::string& path, struct stat& status) {
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

// Makes a rename in `folder` durable. Best effort: some file systems refuse
// to sync a folder, and the rename has happened either way.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

// ---------------------------------------------------------------------------

namespace file_slots_platform {

bool OpenHandleForReading(const std::string& path, std::intptr_t& handle) {
  struct stat status {};
  const int fd = OpenRegularFileForReading(path, status);
  if (fd < 0) {
    return false;
  }
  handle = fd;
  return true;
}

bool CreateHandleForWriting(const std::string& path, std::intptr_t& handle) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
  }
  if (fd < 0) {
    return false;
  }
  handle = fd;
  return true;
}

bool CreateReplacementFile(const std::string& target, TemporaryFile& file) {
  struct stat status {};
  const bool targetExists = ::lstat(target.c_str(), &status) == 0;

  // Private until committed; the target's permission bits come at commit.
  std::string temporaryPath;
  int registration = -1;
  const int fd = CreateTemporaryFile(FolderOf(target), targetExists ? 0600 : 0666, temporaryPath, registration);
  if (fd < 0) {
    return false;
  }
  file.handle = fd;
  file.path = std::move(temporaryPath);
  file.registration = registration;
  return true;
}

bool StageCopyFile(const std::string& source, const std::string& target, StagedFile& staged) {
  struct stat sourceStatus {};
  const int input = OpenRegularFileForReading(source, sourceStatus);
  if (input < 0) {
    return false;
  }
  std::string temporaryPath;
  int registration = -1;
  const int output = CreateTemporaryFile(FolderOf(target), 0600, temporaryPath, registration);
  if (output < 0) {
    ::close(input);
    return false;
  }
  bool complete = true;
  std::int64_t size = 0;
  auto chunk = std::make_unique<std::uint8_t[]>(CopyChunkSize);
  for (;;) {
    const long long count = ReadSome(input, chunk.get(), CopyChunkSize);
    if (count == 0) {
      break;
    }
    if (count < 0 || !WriteAll(output, chunk.get(), static_cast<std::size_t>(count))) {
      complete = false;
      break;
    }
    size += count;
  }
  ::close(input);
  staged.file.handle = output;
  staged.file.path = std::move(temporaryPath);
  staged.file.registration = registration;
  if (!complete) {
    DiscardReplacementFile(staged.file);
    return false;
  }
  // The permission bits come at the commit: until then the copy is read
  // back through a name of this process's own.
  staged.sourceProperties = static_cast<std::uint32_t>(sourceStatus.st_mode & 07777);
  staged.size = size;
  StartWriteBack(output);
  return true;
}

bool SameTarget(const std::string& first, const std::string& second) { return first == second; }

void CommitStagedFiles(std::vector<StagedFile>& files) {
  // What each file keeps: a copy its source's permission bits, a
  // replacement its target's owner and permission bits.
  std::vector<bool> complete(files.size());
  for (std::size_t index = 0; index < files.size(); ++index) {
    const StagedFile& staged = files[index];
    const int fd = Descriptor(staged.file.handle);
    mode_t mode = static_cast<mode_t>(staged.sourceProperties);
    struct stat status {};
    bool keep = staged.copy;
    if (!staged.copy && ::lstat(staged.target.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      if (::fchown(fd, status.st_uid, status.st_gid) != 0) {
        // Only the owner can be kept by a privileged process; the
        // permission bits below matter more.
      }
      mode = status.st_mode & 07777;
      keep = true;
    }
    complete[index] = !keep || ::fchmod(fd, mode) == 0;
  }

  // Durable in one pass: one sync of each file system that holds a file
  // of the batch. Where that is not available, or reports a failed
  // write-back (of any file of that file system), each file is flushed
  // on its own, which tells exactly which ones are not durable.
  bool synced = false;
#ifdef __linux__
  synced = true;
  std::vector<dev_t> devices;
  for (const StagedFile& staged : files) {
    struct stat status {};
    if (::fstat(Descriptor(staged.file.handle), &status) != 0) {
      synced = false;
      break;
    }
    if (std::find(devices.begin(), devices.end(), status.st_dev) == devices.end()) {
      devices.push_back(status.st_dev);
      synced = synced && ::syncfs(Descriptor(staged.file.handle)) == 0;
    }
  }
#endif
  for (std::size_t index = 0; index < files.size(); ++index) {
    const int fd = Descriptor(files[index].file.handle);
    if (!synced) {
      complete[index] = complete[index] && ::fsync(fd) == 0;
    }
    complete[index] = ::close(fd) == 0 && complete[index];
  }

  // The copies first, then the files that may depend on them.
  for (const bool copies : {true, false}) {
    std::vector<std::string> folders;
    for (std::size_t index = 0; index < files.size(); ++index) {
      StagedFile& staged = files[index];
      if (staged.copy != copies) {
        continue;
      }
      const bool ready = complete[index] && (staged.after < 0 || files[static_cast<std::size_t>(staged.after)].inPlace);
      staged.inPlace = ready && ::rename(staged.file.path.c_str(), staged.target.c_str()) == 0;
      if (!staged.inPlace) {
        ::unlink(staged.file.path.c_str());
      }
      UnregisterTemporary(staged.file.registration);
      const std::string folder = FolderOf(staged.target);
      if (staged.inPlace && std::find(folders.begin(), folders.end(), folder) == folders.end()) {
        folders.push_back(folder);
      }
    }
    for (const std::string& folder : folders) {
      SyncFolder(folder);
    }
  }
}

void DiscardReplacementFile(const TemporaryFile& file) {
  if (file.handle >= 0) {
    ::close(Descriptor(file.handle));
  }
  ::unlink(file.path.c_str());
  UnregisterTemporary(file.registration);
}

void StartWriteBack(std::intptr_t handle) {
#ifdef __linux__
  ::sync_file_range(Descriptor(handle), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
  static_cast<void>(handle);
#endif
}

long long ReadSome(std::intptr_t handle, std::uint8_t* data, std::size_t size) {
  ssize_t count;
  do {
    count = ::read(Descriptor(handle), data, size);
  } while (count < 0 && errno == EINTR);
  return count;
}

bool WriteAll(std::intptr_t handle, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(Descriptor(handle), data, size);
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

bool SeekTo(std::intptr_t handle, std::int64_t offset) {
  return ::lseek(Descriptor(handle), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool SeekBack(std::intptr_t handle, std::size_t count) {
  return ::lseek(Descriptor(handle), -static_cast<off_t>(count), SEEK_CUR) >= 0;
}

std::int64_t FileLength(std::intptr_t handle) {
  struct stat status {};
  if (::fstat(Descriptor(handle), &status) != 0) {
    return -1;
  }
  return static_cast<std::int64_t>(status.st_size);
}

void CloseFile(std::intptr_t handle) { ::close(Descriptor(handle)); }

}  // namespace file_slots_platform

// ---------------------------------------------------------------------------

bool MayReplace(const std::string& path) {
  // Replace only what a plain write could have changed.
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    return errno == ENOENT;
  }
  return S_ISREG(status.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

void RemoveLeftoverTemporaryFiles(const std::string& folder) {
  const std::string path = folder.empty() ? std::string(".") : folder;
  DIR* listing = ::opendir(path.c_str());
  if (listing == nullptr) {
    return;
  }
  const int folderDescriptor = ::dirfd(listing);
  const auto self = static_cast<std::uint32_t>(::getpid());
  while (const dirent* entry = ::readdir(listing)) {
    std::uint32_t owner = 0;
    if (!TemporaryFileOwner(entry->d_name, owner) || owner == self || !ProcessGone(owner)) {
      continue;
    }
    struct stat status {};
    if (::fstatat(folderDescriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)) {
      ::unlinkat(folderDescriptor, entry->d_name, 0);
    }
  }
  ::closedir(listing);
}

void RemovePendingTemporaryFiles() noexcept {
  for (PendingTemporary& entry : pendingTemporaries) {
    if (entry.active.load() != 0) {
      ::unlink(entry.path);
    }
  }
}

}  // namespace treebane
