#pragma once

// One run per folder: an exclusive lock on the current folder, which every
// treebane run takes before it touches a file there and which stops only
// other treebane runs, not other programs.
//
// POSIX: flock on a descriptor of the folder itself, so no file is made for
// it. Windows: a mutex of the logon session named after the volume and the
// file index of the folder, so every path to one folder finds the same
// mutex. Either way the system releases the lock when the process ends,
// however it ends, so a killed run leaves no stale lock behind.

#include <cstdint>

namespace treebane {

class FolderLock {
 public:
  enum class Attempt {
    Taken,          // this process holds the lock now
    HeldElsewhere,  // another process holds it; Wait takes it once free
    Unavailable,    // the folder cannot be locked (its file system has no locks)
  };

  FolderLock() = default;
  ~FolderLock();  // releases the lock
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Tries to take the lock of the current folder without waiting.
  Attempt TryTake();

  // After HeldElsewhere: waits until the other process lets go and takes
  // the lock. False when the waiting fails.
  bool Wait();

  // Lets the lock go, so a waiting run can start. Nothing when not held.
  void Release();

 private:
  std::intptr_t handle_ = -1;
  bool held_ = false;
};

}  // namespace treebane
