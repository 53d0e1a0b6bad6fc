#pragma once

// The handle primitives under FileSlots. file_slots.cpp keeps the buffers
// and the slot table on every platform; the platform's file_slots_*.cpp
// implements these over its own file handles, stored in a slot as an
// std::intptr_t.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace treebane::file_slots_platform {

// Slot numbers above this are refused rather than growing the table without
// bound.
constexpr std::size_t MaxSlotCount = 1024;

// Opens an existing regular file read-only. False when that fails or the
// name is not a regular file.
bool OpenHandleForReading(const std::string& path, std::intptr_t& handle);

// Creates the file, or empties an existing one, for reading and writing; if
// that fails, empties an existing file opened for writing only.
bool CreateHandleForWriting(const std::string& path, std::intptr_t& handle);

// A temporary file that stands in for a replaced target until the commit.
struct TemporaryFile {
  std::intptr_t handle = -1;
  std::string path;
  int registration = -1;  // where the platform keeps track of it, if at all
};

// Creates and registers a new, empty temporary file for replacing `target`,
// under a name of the process's own in the target's folder; `target` itself
// is not touched.
bool CreateReplacementFile(const std::string& target, TemporaryFile& file);

// A file of a batch: written in full to its temporary file, but neither
// durable nor in place yet.
struct StagedFile {
  TemporaryFile file;  // its handle is -1 once the platform has closed it
  std::string target;
  // A whole-file copy; the copies of a batch are put in place before the
  // rest.
  bool copy = false;
  // A copy: what it keeps of its source (POSIX permission bits, Windows
  // attributes).
  std::uint32_t sourceProperties = 0;
  // The index of the file of the batch that has to be in place before this
  // one may replace its target; -1 for none.
  int after = -1;
  std::int64_t size = 0;
  bool inPlace = false;
};

// Creates and registers a temporary file for `target` and copies the whole
// of `source` into it. False when that fails; nothing remains then.
bool StageCopyFile(const std::string& source, const std::string& target, StagedFile& staged);

// True when the names `first` and `second`, in one folder, name the same
// file: the same text, or on Windows the same but for letter case.
bool SameTarget(const std::string& first, const std::string& second);

// Commits a batch: gives each file what it keeps of its source or target,
// makes all of them durable in one pass, renames the copies over their
// targets and syncs their folders, then renames the rest and syncs their
// folders. A file whose flush or rename fails, or whose `after` is not in
// place, is removed instead and its target stays as it was. Sets `inPlace`
// and unregisters every file.
void CommitStagedFiles(std::vector<StagedFile>& files);

// Closes, removes and unregisters the temporary file of a replacement or
// copy that is never committed.
void DiscardReplacementFile(const TemporaryFile& file);

// Asks the system to start writing the file's data to disk now, without
// waiting for it, so that the flush of a batch finds less left to do. Only
// a hint: nothing is known to be durable afterwards.
void StartWriteBack(std::intptr_t handle);

// The count read, 0 at the end of the file, -1 on failure.
long long ReadSome(std::intptr_t handle, std::uint8_t* data, std::size_t size);

bool WriteAll(std::intptr_t handle, const std::uint8_t* data, std::size_t size);

// Moves the file position to `offset` bytes from the start of the file.
bool SeekTo(std::intptr_t handle, std::int64_t offset);

// Moves the file position `count` bytes back.
bool SeekBack(std::intptr_t handle, std::size_t count);

// The length of the file in bytes, -1 on failure.
std::int64_t FileLength(std::intptr_t handle);

void CloseFile(std::intptr_t handle);

}  // namespace treebane::file_slots_platform
