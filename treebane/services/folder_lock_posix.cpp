// The folder lock on POSIX: flock on the folder's own descriptor.

#include "folder_lock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace treebane {

FolderLock::~FolderLock() { Release(); }

FolderLock::Attempt FolderLock::TryTake() {
  Release();
  const int folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    return Attempt::Unavailable;
  }
  int result;
  do {
    result = ::flock(folder, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    handle_ = folder;
    held_ = true;
    return Attempt::Taken;
  }
  if (errno == EWOULDBLOCK) {
    handle_ = folder;
    return Attempt::HeldElsewhere;
  }
  // A file system without locks (or one that locks only files opened for
  // writing, as NFS does): no run can lock the folder, so none waits.
  ::close(folder);
  return Attempt::Unavailable;
}

bool FolderLock::Wait() {
  if (handle_ < 0) {
    return false;
  }
  if (!held_) {
    int result;
    do {
      result = ::flock(static_cast<int>(handle_), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    held_ = result == 0;
  }
  return held_;
}

void FolderLock::Release() {
  if (handle_ >= 0) {
    // Closing the only descriptor of the open folder releases the lock.
    ::close(static_cast<int>(handle_));
    handle_ = -1;
  }
  held_ = false;
}

}  // namespace treebane
