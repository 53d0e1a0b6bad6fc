#include "shell/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace rastella {

namespace {

bool EndsWithTgaIgnoringCase(const std::string& name) {
  static constexpr std::string_view kExtension = ".tga";
  if (name.size() < kExtension.size()) {
    return false;
  }
  return std::equal(kExtension.begin(), kExtension.end(), name.end() - static_cast<std::ptrdiff_t>(kExtension.size()),
                    [](char expected, char actual) {
                      return expected == (actual >= 'A' && actual <= 'Z' ? actual - 'A' + 'a' : actual);
                    });
}

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

bool WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
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

}  // namespace

std::vector<std::string> ListTgaFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entries(folder, error), end; !error && entries != end;
       entries.increment(error)) {
    std::error_code typeError;
    if (!entries->is_regular_file(typeError)) {
      continue;
    }
    std::string name = entries->path().filename().string();
    if (EndsWithTgaIgnoringCase(name)) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') {
    return folder + name;
  }
  return folder + "/" + name;
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReadImageFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
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

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::string folder = FolderOf(path);
  // The temporary name starts with a dot and ends in ".part", so that no
  // file list that filters by extension shows it.
  std::string temporary = JoinPath(folder, "." + FileNameOf(path) + ".XXXXXX.part");
  FileDescriptor file(::mkostemps(temporary.data(), 5, O_CLOEXEC));
  if (file.get() < 0) {
    return false;
  }
  const bool written = ::fchmod(file.get(), ModeForTarget(path)) == 0 && WriteAll(file.get(), bytes) &&
                       ::fsync(file.get()) == 0 && file.Close() && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!written) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

}  // namespace rastella
