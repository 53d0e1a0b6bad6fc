// The folder lock on Windows: a named mutex per folder.

#include "folder_lock.h"

#include <windows.h>

#include <cstdio>

namespace treebane {

namespace {

// "Local\treebane-folder-<volume>-<file index>", or "" when the folder
// cannot be told apart from others. The mutex lives in the logon session's
// namespace: any user may make one there, and a second session's runs are
// the rare case that it does not cover.
bool MutexNameOfCurrentFolder(char (&name)[64]) {
  const HANDLE folder = ::CreateFileA(".", FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(folder, &information) != 0;
  ::CloseHandle(folder);
  if (!known) {
    return false;
  }
  std::snprintf(name, sizeof name, "Local\\treebane-folder-%08lx-%08lx%08lx",
                static_cast<unsigned long>(information.dwVolumeSerialNumber),
                static_cast<unsigned long>(information.nFileIndexHigh),
                static_cast<unsigned long>(information.nFileIndexLow));
  return true;
}

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

FolderLock::~FolderLock() { Release(); }

FolderLock::Attempt FolderLock::TryTake() {
  Release();
  char name[64];
  if (!MutexNameOfCurrentFolder(name)) {
    return Attempt::Unavailable;
  }
  const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) {
    return Attempt::Unavailable;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  // WAIT_ABANDONED: the last holder ended without letting go (it was
  // killed); the mutex is ours now all the same.
  switch (::WaitForSingleObject(mutex, 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
      held_ = true;
      return Attempt::Taken;
    case WAIT_TIMEOUT:
      return Attempt::HeldElsewhere;
    default:
      Release();
      return Attempt::Unavailable;
  }
}

bool FolderLock::Wait() {
  if (handle_ == -1) {
    return false;
  }
  if (!held_) {
    const DWORD result = ::WaitForSingleObject(Handle(handle_), INFINITE);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }
  return held_;
}

void FolderLock::Release() {
  if (handle_ != -1) {
    if (held_) {
      ::ReleaseMutex(Handle(handle_));
    }
    ::CloseHandle(Handle(handle_));
    handle_ = -1;
  }
  held_ = false;
}

}  // namespace treebane
