#pragma once

// Numbered file slots: buffered single-byte reading and writing of files.
//
// A slot is free until a file is opened on it. Each open slot owns a
// 4096-byte buffer, so a run of GetByte or PutByte calls reaches the
// operating system once per buffer. A slot may be read and written in turn
// and keeps one consistent file position.
//
// No operation reports failure other than by its result: opens return
// false, GetByte gives 0 past the end of the file, after a failed read and
// for a slot that is not open, and PutByte on a slot that is not open does
// nothing. SlotFailed tells afterwards whether a read or write went wrong.
//
// Replacements: CreateReplacement opens a temporary file in the target's
// folder instead of the target itself. The target changes only when
// CommitReplacement has written, flushed to disk and renamed the temporary
// file over it, or a FileBatch has done so for many files at once; closing
// the slot in any other way throws the temporary file away. The temporary
// files of unfinished replacements and copies are registered so that
// RemovePendingTemporaryFiles can delete them from a signal handler.
//
// Temporary files are named as temporary_names.h tells, with the process's
// own id, and created exclusively: the program never writes to, renames or
// removes a file that it did not create, except the leftovers of a run that
// has ended (RemoveLeftoverTemporaryFiles).
//
// The byte calls are inline and do nothing but move a buffer index while
// the buffer lasts; the rest of the slot logic lives in file_slots.cpp, and
// everything that touches the operating system in the platform's
// file_slots_*.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace treebane {

namespace file_slots_platform {
struct StagedFile;
}

class FileBatch;

class FileSlots {
 public:
  static constexpr std::size_t BufferSize = 4096;
  static constexpr std::size_t InitialSlotCount = 16;

  FileSlots();
  ~FileSlots();  // closes every slot; unfinished replacements are thrown away
  FileSlots(const FileSlots&) = delete;
  FileSlots& operator=(const FileSlots&) = delete;

  // Closes the slot first if it is open. Opens an existing regular file
  // read-only. On failure the slot stays free.
  bool OpenForReading(std::size_t slot, const std::string& path);

  // Closes the slot first if it is open. Creates the file, or empties an
  // existing one, for reading and writing; if that fails, tries to empty
  // an existing file opened for writing only. On failure the slot stays
  // free.
  bool CreateForWriting(std::size_t slot, const std::string& path);

  // Closes the slot first if it is open. Opens a new, empty temporary file
  // for reading and writing in the folder of `path`; `path` itself is not
  // touched. Fails (slot stays free) when MayReplace(path) is false, or the
  // temporary file cannot be created.
  bool CreateReplacement(std::size_t slot, const std::string& path);

  // For a slot opened by CreateReplacement: writes the pending bytes, gives
  // the temporary file the permission bits of the target (when the target
  // exists), flushes it to disk, closes it and renames it over the target.
  // True when the target now holds exactly the bytes written. On false the
  // temporary file is removed and the target is as it was. The slot is free
  // afterwards in both cases.
  bool CommitReplacement(std::size_t slot);

  // For a slot opened by CreateReplacement: writes the pending bytes and
  // hands the temporary file over to `batch`, which puts it in place when
  // it is committed, but only if the batch's file `after` (when not -1) is
  // in place by then. The batch's number for the file; -1 when a write has
  // failed or the batch is full, and the temporary file is removed then.
  // The slot is free afterwards in both cases.
  int StageReplacement(std::size_t slot, FileBatch& batch, int after = -1);

  // The byte at the slot's position, which then advances by one. 0 at the
  // end of the file, after a failed read and for a slot that is not open.
  int GetByte(std::size_t slot) {
    if (slot < slots_.size()) {
      Slot& current = slots_[slot];
      if (current.readIndex < current.readEnd) {
        return current.buffer[current.readIndex++];
      }
    }
    return GetByteSlowly(slot);
  }

  // Writes the low 8 bits of `value` at the slot's position, which then
  // advances by one. Does nothing for a slot that is not open.
  void PutByte(std::size_t slot, int value) {
    if (slot < slots_.size()) {
      Slot& current = slots_[slot];
      if (current.writeIndex < current.writeLimit) {
        current.buffer[current.writeIndex++] = static_cast<std::uint8_t>(value);
        return;
      }
    }
    PutByteSlowly(slot, value);
  }

  // `count` GetByte calls in one, their results stored in `data`. A
  // request of BufferSize bytes or more reads past the buffer, straight
  // into `data`.
  void GetBytes(std::size_t slot, std::uint8_t* data, std::size_t count);

  // `count` PutByte calls in one, of the bytes at `data`, through the
  // buffer.
  void PutBytes(std::size_t slot, const std::uint8_t* data, std::size_t count);

  // Writes pending bytes, drops read-ahead and moves the position to
  // `offset` bytes from the start of the file. Nothing for a free slot.
  void SetPosition(std::size_t slot, std::int64_t offset);

  // Writes pending bytes, closes the file and frees the slot. An
  // uncommitted replacement is thrown away. Nothing for a free slot.
  void CloseSlot(std::size_t slot);

  void CloseAllSlots();

  bool IsOpen(std::size_t slot) const;

  // True when a read (other than reaching the end of the file), a write or
  // a seek has failed since the slot was opened. False for a free slot.
  bool SlotFailed(std::size_t slot) const;

  // The length of the slot's file in bytes, pending bytes written first;
  // -1 for a free slot.
  std::int64_t SlotLength(std::size_t slot);

 private:
  enum class Mode { Reading, Writing };

  struct Slot {
    // Reading mode: bytes [readIndex, readEnd) of the buffer are read
    // ahead and not consumed yet. Both are 0 in writing mode and for a
    // free slot, so that GetByte always takes the slow path there.
    std::size_t readIndex = 0;
    std::size_t readEnd = 0;
    // Writing mode: bytes [0, writeIndex) are pending; writeLimit is the
    // buffer size. writeLimit is 0 in reading mode and for a free slot.
    std::size_t writeIndex = 0;
    std::size_t writeLimit = 0;
    std::unique_ptr<std::uint8_t[]> buffer;

    bool open = false;
    Mode mode = Mode::Reading;
    bool atEnd = false;  // a read found the end of the file (or failed)
    bool failed = false;
    std::intptr_t handle = -1;

    // Set for a slot opened by CreateReplacement.
    bool replacement = false;
    std::string replacementTarget;
    std::string temporaryPath;
    int temporaryRegistration = -1;
  };

  Slot* OpenSlot(std::size_t slot);
  const Slot* OpenSlot(std::size_t slot) const;
  Slot& PrepareSlot(std::size_t slot);            // grows the table, closes the slot
  void Attach(Slot& slot, std::intptr_t handle);  // opens the slot on the handle
  // Opens the slot on the handle that `open` gives for `path`.
  bool OpenWith(std::size_t slot, const std::string& path,
                bool (*open)(const std::string& path, std::intptr_t& handle));
  int GetByteSlowly(std::size_t slot);
  void PutByteSlowly(std::size_t slot, int value);
  void WritePending(Slot& slot);
  void SwitchToReading(Slot& slot);  // writes the pending bytes first
  void SwitchToWriting(Slot& slot);  // gives back the read-ahead first
  void DropReadAhead(Slot& slot);
  void ReleaseSlot(Slot& slot);

  std::vector<Slot> slots_;
};

// Files made durable together, with one sync for all of them instead of one
// flush each. Each file is staged first: written in full to a temporary
// file of its own beside its target, named and registered as for a
// replacement. Commit then makes every staged file durable in one pass
// (one sync of the file system where the platform can do that), renames
// the copies over their targets and makes those renames durable, and only
// then renames the other files over theirs and makes that durable.
//
// So a copy is durable and in place before the file that depends on it
// replaces its target, a target is only ever replaced by complete durable
// bytes, and a process that ends at any moment leaves every target either
// as it was or replaced. Destroying or clearing a batch that is not
// committed throws its staged files away.
class FileBatch {
 public:
  // At most this many files are staged at once; each one keeps a handle
  // open until the commit.
  static constexpr std::size_t MaxFiles = 128;

  FileBatch();
  ~FileBatch();
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  // Stages a whole-file copy of `source` for `target`. The batch's number
  // for the file, or -1 when the copy fails or the batch is full; nothing
  // is left behind then.
  int StageCopy(const std::string& source, const std::string& target);

  // Where a staged file can be read before the commit.
  const std::string& StagedPath(int file) const;

  // True when a file staged for `target`, or for a name that the file
  // system takes for the same file, waits for the commit. Such a target
  // is not there yet for anyone who looks for it by name.
  bool Holds(const std::string& target) const;

  std::size_t FileCount() const;
  // The bytes held by the staged files together.
  std::int64_t StagedBytes() const;

  // Makes the staged files durable and puts them in place, as above.
  void Commit();

  // After Commit: true when the file now holds its target's place.
  bool InPlace(int file) const;

  // Throws away what is not committed and forgets every file.
  void Clear();

 private:
  friend class FileSlots;
  int Add(file_slots_platform::StagedFile&& file);

  std::vector<file_slots_platform::StagedFile> files_;
  bool committed_ = false;
};

// True when `path` names a regular file that this process may write, or
// nothing at all: what CreateReplacement asks of its target. A read-only
// file is its owner's wish that it stays as it is, so it is never replaced,
// even though the folder would allow a rename over it.
bool MayReplace(const std::string& path);

// Copies the whole file `source` to `target`, replacing an existing target.
// The copy is written to a temporary file in the target's folder, flushed to
// disk and only then renamed to `target`, so an interrupted copy never leaves
// a partial target behind. True on success; on false the target is as it was
// and no temporary file remains.
bool CopyWholeFile(const std::string& source, const std::string& target);

// Removes the temporary files in `folder` ("" for the current folder) that a
// treebane process left behind when it was killed before it could remove
// them: the regular files named as temporary_names.h tells whose process no
// longer exists. Files of processes that still run, of this process, and
// every other name are left alone. Meant for a run that holds the folder's
// lock (folder_lock.h), so no other run is working there.
void RemoveLeftoverTemporaryFiles(const std::string& folder);

// Deletes the temporary files of unfinished replacements and copies. Meant
// for the handler of an event that ends the process.
//
// POSIX: async-signal-safe, for a signal handler, which runs while the rest
// of the program stands still.
//
// Windows: the handler runs on a thread of its own while the run goes on, so
// this waits for a copy or a commit in progress to finish, and from then on
// every new replacement, copy and commit fails. A temporary file that a slot
// still holds open disappears when the process ends.
void RemovePendingTemporaryFiles() noexcept;

}  // namespace treebane
