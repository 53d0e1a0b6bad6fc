// A library preloaded into rastella-script to make its file operations
// fail.  RASTELLA_FAULT names the faults, separated by commas:
//   write-eio, write-enospc   every write to a regular file fails
//   fsync                     every fsync fails
//   link                      every linkat fails
//   rename                    every rename fails
//   kill-in-write             the process is killed at its first write to a
//                             regular file
//   kill-before-rename        the process is killed when it renames a file
//   no-tmpfile                unnamed files (O_TMPFILE) are not supported,
//                             as on file systems without them

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool FaultIs(const char* name) {
  const char* faults = std::getenv("RASTELLA_FAULT");
  const std::size_t length = std::strlen(name);
  for (const char* fault = faults; fault != nullptr && *fault != '\0';) {
    const char* end = std::strchr(fault, ',');
    const std::size_t size = end != nullptr ? static_cast<std::size_t>(end - fault) : std::strlen(fault);
    if (size == length && std::strncmp(fault, name, length) == 0) return true;
    fault = end != nullptr ? end + 1 : nullptr;
  }
  return false;
}

bool IsRegularFile(int descriptor) {
  struct stat status {};
  return ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t write(int descriptor, const void* data, size_t size) {
  static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
  if (descriptor > 2 && IsRegularFile(descriptor)) {
    if (FaultIs("write-eio") || FaultIs("write-enospc")) {
      errno = FaultIs("write-eio") ? EIO : ENOSPC;
      return -1;
    }
    if (FaultIs("kill-in-write")) {
      // Half the bytes reach the file first.
      real(descriptor, data, size / 2);
      ::raise(SIGKILL);
    }
  }
  return real(descriptor, data, size);
}

int open(const char* path, int flags, ...) {
  static const auto real = Next<int (*)(const char*, int, ...)>("open");
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  if ((flags & O_TMPFILE) == O_TMPFILE && FaultIs("no-tmpfile")) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  return open(path, flags, mode);
}

int fsync(int descriptor) {
  static const auto real = Next<int (*)(int)>("fsync");
  if (FaultIs("fsync")) {
    errno = EIO;
    return -1;
  }
  return real(descriptor);
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
  static const auto real = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
  if (FaultIs("link")) {
    errno = EIO;
    return -1;
  }
  return real(fromFolder, from, toFolder, to, flags);
}

int rename(const char* from, const char* to) {
  static const auto real = Next<int (*)(const char*, const char*)>("rename");
  if (FaultIs("rename")) {
    errno = EIO;
    return -1;
  }
  if (FaultIs("kill-before-rename")) {
    ::raise(SIGKILL);
  }
  return real(from, to);
}

}  // extern "C"
