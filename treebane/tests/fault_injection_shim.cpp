// Loaded into treebane with LD_PRELOAD by the tests, to make one kind of
// file operation fail with EIO the way a failing disk would:
//
//   FAULT_OPERATION    read, write, fsync, syncfs or rename
//   FAULT_PATH_SUFFIX  the operation fails for paths that end in this text;
//                      empty: for every file path
//
// A failing fsync stands for a file whose write-back failed, which the
// sync of its whole file system reports too: with FAULT_OPERATION fsync,
// syncfs fails as well, whatever its path.
//
// or to end it abruptly in the middle of its work:
//
//   FAULT_OPERATION    kill
//   FAULT_CALL         the process kills itself with SIGKILL at this call
//                      (counted from 1) of write, fsync, syncfs or rename on
//                      files
//   FAULT_COUNTED      optional: only calls of this operation are counted
//
// Descriptor operations check the path that the descriptor was opened
// under; pipes, terminals and other non-file descriptors are never failed,
// so the console keeps working. rename checks its new name as given.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool Targeted(const char* operation) {
  const char* chosen = std::getenv("FAULT_OPERATION");
  return chosen != nullptr && std::strcmp(chosen, operation) == 0;
}

bool PathFails(std::string_view path) {
  const char* suffix = std::getenv("FAULT_PATH_SUFFIX");
  return EndsWith(path, suffix == nullptr ? "" : suffix);
}

bool IsFile(int fd, std::string_view& path, char (&storage)[4096]) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = ::readlink(link, storage, sizeof storage);
  if (length <= 0) {
    return false;
  }
  path = std::string_view(storage, static_cast<std::size_t>(length));
  return path.front() == '/' && !path.starts_with("/dev/") && !path.starts_with("/proc/");
}

bool DescriptorFails(const char* operation, int fd) {
  if (!Targeted(operation)) {
    return false;
  }
  char storage[4096];
  std::string_view path;
  return IsFile(fd, path, storage) && PathFails(path);
}

// Counts the calls that change files; kills the process at the chosen one.
void CountChange(const char* operation) {
  const char* counted = std::getenv("FAULT_COUNTED");
  if (!Targeted("kill") || (counted != nullptr && std::strcmp(counted, operation) != 0)) {
    return;
  }
  static long calls = 0;
  const char* chosen = std::getenv("FAULT_CALL");
  if (chosen != nullptr && ++calls == std::atol(chosen)) {
    ::raise(SIGKILL);
  }
}

void CountChange(const char* operation, int fd) {
  char storage[4096];
  std::string_view path;
  if (Targeted("kill") && IsFile(fd, path, storage)) {
    CountChange(operation);
  }
}

}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  static const auto real = Real<ssize_t (*)(int, void*, size_t)>("read");
  if (DescriptorFails("read", fd)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buffer, size);
}

extern "C" ssize_t write(int fd, const void* buffer, size_t size) {
  static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  CountChange("write", fd);
  if (DescriptorFails("write", fd)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buffer, size);
}

extern "C" int fsync(int fd) {
  static const auto real = Real<int (*)(int)>("fsync");
  CountChange("fsync", fd);
  if (DescriptorFails("fsync", fd)) {
    errno = EIO;
    return -1;
  }
  return real(fd);
}

extern "C" int syncfs(int fd) noexcept {
  static const auto real = Real<int (*)(int)>("syncfs");
  CountChange("syncfs", fd);
  if (Targeted("fsync") || DescriptorFails("syncfs", fd)) {
    errno = EIO;
    return -1;
  }
  return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  CountChange("rename");
  if (Targeted("rename") && PathFails(to)) {
    errno = EIO;
    return -1;
  }
  return real(from, to);
}
