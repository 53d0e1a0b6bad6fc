// Current directory and wildcard scan on POSIX.

#include "directory_scan.h"

#include "directory_scan_platform.h"

#include "name_pattern.h"

#include <cerrno>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace treebane {

namespace {

bool IsRegularFile(int folder, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) {
    return entry.d_type == DT_REG;
  }
  struct stat status {};
  return ::fstatat(folder, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string WorkingDirectory() {
  std::string directory(256, '\0');
  for (;;) {
    if (::getcwd(directory.data(), directory.size()) != nullptr) {
      directory.resize(directory.find('\0'));
      break;
    }
    if (errno != ERANGE) {
      return std::string();
    }
    directory.resize(directory.size() * 2);
  }
  if (directory.empty()) {
    return directory;
  }
  if (directory.back() != '/') {
    directory += '/';
  }
  return directory;
}

ScanHandle BeginScan(const std::string& directory, const std::string& pattern) {
  DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
  if (listing == nullptr) {
    return ScanHandle();
  }
  std::vector<std::string> names;
  const int folder = ::dirfd(listing);
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) {
      break;
    }
    if (MatchesPattern(entry->d_name, pattern) && IsRegularFile(folder, *entry)) {
      names.emplace_back(entry->d_name);
    }
  }
  const bool listingFailed = errno != 0;
  ::closedir(listing);
  if (listingFailed) {
    return ScanHandle();
  }
  return ScanOf(std::move(names));
}

std::string WorkingDirectoryRefusal() { return std::string(); }

bool PathExists(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    return true;
  }
  return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace treebane
