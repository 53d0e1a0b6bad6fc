// Reading the image input file and writing saved files, on POSIX.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "shell/file_access.h"
#include "shell/file_access_temporary.h"

namespace rastella {

namespace {

// Closes a descriptor on every path out of a scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (descriptor_ >= 0) {
      ::close(descriptor_);
    }
  }
  int get() const { return descriptor_; }
  void Reset(int descriptor) {
    if (descriptor_ >= 0) {
      ::close(descriptor_);
    }
    descriptor_ = descriptor;
  }
  // Closes now and tells whether the close succeeded (a late write error
  // shows up here on some file systems).
  bool Close() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return ::close(descriptor) == 0;
  }

 private:
  int descriptor_;
};

// Writes `bytes` in pieces, and asks the kernel to start sending each piece
// to the disk as soon as it is in the page cache: the fsync that follows
// then waits only for the last pieces, which makes a 4 MiB save about
// 0.8 ms faster here.  The request is a hint; it changes no byte and no
// guarantee, which still come from the fsync.
constexpr std::size_t kWritePieceBytes = std::size_t{512} << 10;

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
  off_t offset = 0;
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), std::min(bytes.size(), kWritePieceBytes));
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    ::sync_file_range(descriptor, offset, written, SYNC_FILE_RANGE_WRITE);
    offset += written;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

// Flushes the folder's entry list, so that a completed rename survives a
// crash of the machine.  Best effort: not every file system allows it.
void SyncFolder(const std::string& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    ::fsync(descriptor);
    ::close(descriptor);
  }
}

// The permission bits for a new file: those of the file it replaces, or the
// usual 0666 less the process's umask.
mode_t ModeForTarget(const std::string& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    return existing.st_mode & 07777;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The next name to try for a temporary file of this process.  A name that
// is taken (by a file of the user's, say) is never reused: the open or link
// that claims it is exclusive, and the caller moves on to the next number.
std::string NextTemporaryName() {
  static unsigned number = 0;
  return TemporaryName(static_cast<unsigned long>(::getpid()), number++);
}

// Claims a temporary name in `folder` with `claim`, an exclusive creation or
// link that is true when it made the name; a taken name is left alone and a
// fresh one tried.  The claimed path, or empty.
template <typename Claim>
std::string ClaimTemporaryName(const std::string& folder, Claim claim) {
  static constexpr int kNameAttempts = 100;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string temporary = JoinPath(folder, NextTemporaryName());
    if (claim(temporary)) {
      return temporary;
    }
    if (errno != EEXIST) {
      break;
    }
  }
  return {};
}

// Removes temporary files whose process no longer runs: a save killed
// between naming its file and the rename leaves one behind.  Files of
// running processes (another viewer saving now) and every other file are
// left alone.
void RemoveStaleTemporaries(const std::string& folder) {
  std::error_code error;
  for (std::filesystem::directory_iterator entries(folder, error), end; !error && entries != end;
       entries.increment(error)) {
    const pid_t owner = static_cast<pid_t>(OwnerOfTemporary(entries->path().filename().native()));
    if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) {
      ::unlink(entries->path().c_str());
    }
  }
}

// The file that a save of `path` replaces: `path` itself, or, when `path`
// is a symbolic link, the file that the chain of links ends in, so that the
// link stays and the file it names gets the new bytes.  Empty when a link
// leads nowhere (dangling, or a loop) or to something that is not a
// regular file.
std::string ResolveSaveTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat status {};
    if (::lstat(current.c_str(), &status) != 0) {
      // A missing file is created, unless a link pointed here.
      return hops == 0 && errno == ENOENT ? current : std::string();
    }
    if (!S_ISLNK(status.st_mode)) {
      return hops == 0 || S_ISREG(status.st_mode) ? current : std::string();
    }
    std::string target(static_cast<std::size_t>(std::max<off_t>(status.st_size, 0)) + 256, '\0');
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
      return {};
    }
    target.resize(static_cast<std::size_t>(length));
    current = target.front() == '/' ? target : JoinPath(FolderOf(current), target);
  }
  return {};
}

}  // namespace

bool ReadImageFile(const std::string& path, ByteBuffer& bytes) {
  bytes.clear();
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; such a
  // file is refused below anyway.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    return false;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return false;
  }
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags >= 0) {
    ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
  }
  // A regular file's size bounds the read; nothing beyond kMaxImageFileBytes
  // is ever needed.
  bytes.resize(std::min(kMaxImageFileBytes, static_cast<std::size_t>(std::max<off_t>(status.st_size, 0))));
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t count = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      bytes.clear();
      return false;
    }
    if (count == 0) {
      break;
    }
    filled += static_cast<std::size_t>(count);
  }
  bytes.resize(filled);
  return true;
}

bool WriteFileAtomically(const std::string& requested, std::span<const std::uint8_t> bytes) {
  const std::string path = ResolveSaveTarget(requested);
  if (path.empty()) {
    return false;
  }
  const std::string folder = FolderOf(path);
  // A file that the user may not write is not replaced behind their back.
  if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
    return false;
  }
  RemoveStaleTemporaries(folder);
  const mode_t mode = ModeForTarget(path);

  // The bytes go first to an unnamed file in the folder, which vanishes by
  // itself if the process dies while writing; it gets a temporary name only
  // when it is complete, right before the rename.  Where the file system has
  // no unnamed files, a named temporary file does the same job.
  std::string temporary;
  FileDescriptor file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  const bool unnamed = file.get() >= 0;
  if (!unnamed) {
    temporary = ClaimTemporaryName(folder, [&file](const std::string& name) {
      file.Reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
      return file.get() >= 0;
    });
    if (temporary.empty()) {
      return false;
    }
  }
  bool written = ::fchmod(file.get(), mode) == 0 && WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0;
  if (written && unnamed) {
    const std::string self = "/proc/self/fd/" + std::to_string(file.get());
    temporary = ClaimTemporaryName(folder, [&self](const std::string& name) {
      return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
    written = !temporary.empty();
  }
  written = file.Close() && written && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!written) {
    // Only a name that this save created is removed.
    if (!temporary.empty()) {
      ::unlink(temporary.c_str());
    }
    return false;
  }
  SyncFolder(folder);
  return true;
}

}  // namespace rastella
