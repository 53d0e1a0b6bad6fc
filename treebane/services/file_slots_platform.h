#pragma once

// The handle primitives under FileSlots. file_slots.cpp keeps the buffers
// and the slot table on every platform; the platform's file_slots_*.cpp
// implements these over its own file handles, stored in a slot as an
// std::intptr_t.

#include <cstddef>
#include <cstdint>
#include <string>

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

// Gives the temporary file what it keeps of `target`, flushes it to disk,
// closes it and renames it over `target`, all only while `complete` holds.
// True when `target` now holds the temporary file; otherwise the temporary
// file is removed. Unregisters it in both cases.
bool CommitReplacementFile(const TemporaryFile& file, const std::string& target, bool complete);

// Closes, removes and unregisters the temporary file of a replacement that
// is never committed.
void DiscardReplacementFile(const TemporaryFile& file);

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
