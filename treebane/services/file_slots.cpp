// File slots: the buffers and the slot table, the same on every platform.
// The handles under them come from file_slots_platform.h.

#include "file_slots.h"

#include "file_slots_platform.h"

#include <algorithm>
#include <cstring>

namespace treebane {

namespace platform = file_slots_platform;

namespace {

platform::TemporaryFile TemporaryFileOf(std::intptr_t handle, const std::string& path, int registration) {
  platform::TemporaryFile file;
  file.handle = handle;
  file.path = path;
  file.registration = registration;
  return file;
}

}  // namespace

FileSlots::FileSlots() : slots_(InitialSlotCount) {}

FileSlots::~FileSlots() { CloseAllSlots(); }

FileSlots::Slot* FileSlots::OpenSlot(std::size_t slot) {
  return slot < slots_.size() && slots_[slot].open ? &slots_[slot] : nullptr;
}

const FileSlots::Slot* FileSlots::OpenSlot(std::size_t slot) const {
  return slot < slots_.size() && slots_[slot].open ? &slots_[slot] : nullptr;
}

FileSlots::Slot& FileSlots::PrepareSlot(std::size_t slot) {
  if (slot >= slots_.size()) {
    slots_.resize(slot + 1);
  }
  ReleaseSlot(slots_[slot]);
  return slots_[slot];
}

void FileSlots::Attach(Slot& slot, std::intptr_t handle) {
  slot.open = true;
  slot.handle = handle;
  slot.buffer = std::make_unique<std::uint8_t[]>(BufferSize);
}

void FileSlots::WritePending(Slot& slot) {
  if (slot.mode == Mode::Writing && slot.writeIndex > 0) {
    if (!platform::WriteAll(slot.handle, slot.buffer.get(), slot.writeIndex)) {
      slot.failed = true;
    }
    slot.writeIndex = 0;
  }
}

void FileSlots::DropReadAhead(Slot& slot) {
  slot.readIndex = 0;
  slot.readEnd = 0;
}

void FileSlots::ReleaseSlot(Slot& slot) {
  if (!slot.open) {
    return;
  }
  if (slot.replacement) {
    // Never committed: the target stays as it was.
    platform::DiscardReplacementFile(TemporaryFileOf(slot.handle, slot.temporaryPath, slot.temporaryRegistration));
  } else {
    WritePending(slot);
    platform::CloseFile(slot.handle);
  }
  slot = Slot{};
}

bool FileSlots::OpenWith(std::size_t slot, const std::string& path,
                         bool (*open)(const std::string& path, std::intptr_t& handle)) {
  if (slot >= platform::MaxSlotCount) {
    return false;
  }
  Slot& target = PrepareSlot(slot);
  std::intptr_t handle = -1;
  if (!open(path, handle)) {
    return false;
  }
  Attach(target, handle);
  return true;
}

bool FileSlots::OpenForReading(std::size_t slot, const std::string& path) {
  return OpenWith(slot, path, platform::OpenHandleForReading);
}

bool FileSlots::CreateForWriting(std::size_t slot, const std::string& path) {
  return OpenWith(slot, path, platform::CreateHandleForWriting);
}

bool FileSlots::CreateReplacement(std::size_t slot, const std::string& path) {
  if (slot >= platform::MaxSlotCount || path.empty()) {
    return false;
  }
  Slot& target = PrepareSlot(slot);
  if (!MayReplace(path)) {
    return false;
  }
  platform::TemporaryFile file;
  if (!platform::CreateReplacementFile(path, file)) {
    return false;
  }
  Attach(target, file.handle);
  target.replacement = true;
  target.replacementTarget = path;
  target.temporaryPath = std::move(file.path);
  target.temporaryRegistration = file.registration;
  return true;
}

bool FileSlots::CommitReplacement(std::size_t slot) {
  const Slot* current = OpenSlot(slot);
  if (current == nullptr || !current->replacement) {
    return false;
  }
  FileBatch batch;
  const int file = StageReplacement(slot, batch);
  batch.Commit();
  return file >= 0 && batch.InPlace(file);
}

int FileSlots::StageReplacement(std::size_t slot, FileBatch& batch, int after) {
  Slot* current = OpenSlot(slot);
  if (current == nullptr || !current->replacement) {
    return -1;
  }
  WritePending(*current);
  platform::StagedFile staged;
  staged.file = TemporaryFileOf(current->handle, current->temporaryPath, current->temporaryRegistration);
  staged.target = current->replacementTarget;
  staged.after = after;
  staged.size = platform::FileLength(current->handle);
  const bool usable = !current->failed && staged.size >= 0 && after < static_cast<int>(batch.FileCount()) &&
                      batch.FileCount() < FileBatch::MaxFiles;
  *current = Slot{};
  if (!usable) {
    platform::DiscardReplacementFile(staged.file);
    return -1;
  }
  platform::StartWriteBack(staged.file.handle);
  return batch.Add(std::move(staged));
}

void FileSlots::SwitchToReading(Slot& slot) {
  if (slot.mode == Mode::Writing) {
    WritePending(slot);
    slot.mode = Mode::Reading;
    slot.writeLimit = 0;
    slot.atEnd = false;
  }
}

void FileSlots::SwitchToWriting(Slot& slot) {
  if (slot.mode == Mode::Reading) {
    // The file position is at the end of the read-ahead; move it back
    // to the first byte that has not been consumed yet.
    const std::size_t unread = slot.readEnd - slot.readIndex;
    if (unread > 0 && !platform::SeekBack(slot.handle, unread)) {
      slot.failed = true;
    }
    DropReadAhead(slot);
    slot.mode = Mode::Writing;
    slot.writeIndex = 0;
    slot.writeLimit = BufferSize;
    slot.atEnd = false;
  }
}

int FileSlots::GetByteSlowly(std::size_t slot) {
  Slot* current = OpenSlot(slot);
  if (current == nullptr) {
    return 0;
  }
  SwitchToReading(*current);
  if (current->atEnd) {
    return 0;
  }
  const long long count = platform::ReadSome(current->handle, current->buffer.get(), BufferSize);
  if (count <= 0) {
    if (count < 0) {
      current->failed = true;
    }
    current->atEnd = true;
    return 0;
  }
  current->readIndex = 0;
  current->readEnd = static_cast<std::size_t>(count);
  return current->buffer[current->readIndex++];
}

void FileSlots::PutByteSlowly(std::size_t slot, int value) {
  Slot* current = OpenSlot(slot);
  if (current == nullptr) {
    return;
  }
  if (current->mode == Mode::Reading) {
    SwitchToWriting(*current);
  } else if (current->writeIndex >= current->writeLimit) {
    WritePending(*current);
  }
  current->buffer[current->writeIndex++] = static_cast<std::uint8_t>(value);
}

void FileSlots::GetBytes(std::size_t slot, std::uint8_t* data, std::size_t count) {
  while (count > 0) {
    if (slot < slots_.size()) {
      Slot& current = slots_[slot];
      const std::size_t ready = std::min(count, current.readEnd - current.readIndex);
      if (ready > 0) {
        std::memcpy(data, current.buffer.get() + current.readIndex, ready);
        current.readIndex += ready;
        data += ready;
        count -= ready;
        continue;
      }
    }
    Slot* current = OpenSlot(slot);
    if (current == nullptr || (current->mode == Mode::Reading && current->atEnd)) {
      // What GetByte gives here, byte after byte.
      std::memset(data, 0, count);
      return;
    }
    if (count < BufferSize) {
      *data++ = static_cast<std::uint8_t>(GetByteSlowly(slot));
      --count;
      continue;
    }
    // A request of a whole buffer or more bypasses the buffer, which is
    // empty by now.
    SwitchToReading(*current);
    const long long read = platform::ReadSome(current->handle, data, count);
    if (read <= 0) {
      current->failed = current->failed || read < 0;
      current->atEnd = true;
      continue;
    }
    data += read;
    count -= static_cast<std::size_t>(read);
  }
}

void FileSlots::PutBytes(std::size_t slot, const std::uint8_t* data, std::size_t count) {
  while (count > 0) {
    if (slot < slots_.size()) {
      Slot& current = slots_[slot];
      const std::size_t room = std::min(count, current.writeLimit - current.writeIndex);
      if (room > 0) {
        std::memcpy(current.buffer.get() + current.writeIndex, data, room);
        current.writeIndex += room;
        data += room;
        count -= room;
        continue;
      }
    }
    if (!IsOpen(slot)) {
      return;
    }
    PutByteSlowly(slot, *data++);
    --count;
  }
}

void FileSlots::SetPosition(std::size_t slot, std::int64_t offset) {
  Slot* current = OpenSlot(slot);
  if (current == nullptr) {
    return;
  }
  WritePending(*current);
  current->mode = Mode::Reading;
  current->writeLimit = 0;
  DropReadAhead(*current);
  current->atEnd = false;
  if (!platform::SeekTo(current->handle, offset)) {
    current->failed = true;
  }
}

void FileSlots::CloseSlot(std::size_t slot) {
  if (slot < slots_.size()) {
    ReleaseSlot(slots_[slot]);
  }
}

void FileSlots::CloseAllSlots() {
  for (Slot& slot : slots_) {
    ReleaseSlot(slot);
  }
}

bool FileSlots::IsOpen(std::size_t slot) const { return OpenSlot(slot) != nullptr; }

bool FileSlots::SlotFailed(std::size_t slot) const {
  const Slot* current = OpenSlot(slot);
  return current != nullptr && current->failed;
}

std::int64_t FileSlots::SlotLength(std::size_t slot) {
  Slot* current = OpenSlot(slot);
  if (current == nullptr) {
    return -1;
  }
  WritePending(*current);
  return platform::FileLength(current->handle);
}

// ---------------------------------------------------------------------------

FileBatch::FileBatch() = default;

FileBatch::~FileBatch() { Clear(); }

int FileBatch::Add(platform::StagedFile&& file) {
  if (committed_) {
    // A file staged after the commit would never be committed.
    Clear();
  }
  files_.push_back(std::move(file));
  return static_cast<int>(files_.size() - 1);
}

int FileBatch::StageCopy(const std::string& source, const std::string& target) {
  if (source.empty() || target.empty() || (!committed_ && files_.size() >= MaxFiles)) {
    return -1;
  }
  platform::StagedFile staged;
  staged.target = target;
  staged.copy = true;
  if (!platform::StageCopyFile(source, target, staged)) {
    return -1;
  }
  return Add(std::move(staged));
}

const std::string& FileBatch::StagedPath(int file) const { return files_.at(static_cast<std::size_t>(file)).file.path; }

bool FileBatch::Holds(const std::string& target) const {
  if (committed_) {
    return false;
  }
  return std::any_of(files_.begin(), files_.end(),
                     [&target](const platform::StagedFile& file) { return platform::SameTarget(file.target, target); });
}

std::size_t FileBatch::FileCount() const { return committed_ ? 0 : files_.size(); }

std::int64_t FileBatch::StagedBytes() const {
  std::int64_t bytes = 0;
  if (!committed_) {
    for (const platform::StagedFile& file : files_) {
      bytes += file.size;
    }
  }
  return bytes;
}

void FileBatch::Commit() {
  if (!committed_) {
    platform::CommitStagedFiles(files_);
    committed_ = true;
  }
}

bool FileBatch::InPlace(int file) const {
  return committed_ && file >= 0 && static_cast<std::size_t>(file) < files_.size() &&
         files_[static_cast<std::size_t>(file)].inPlace;
}

void FileBatch::Clear() {
  if (!committed_) {
    for (const platform::StagedFile& file : files_) {
      platform::DiscardReplacementFile(file.file);
    }
  }
  files_.clear();
  committed_ = false;
}

bool CopyWholeFile(const std::string& source, const std::string& target) {
  FileBatch batch;
  const int copy = batch.StageCopy(source, target);
  batch.Commit();
  return copy >= 0 && batch.InPlace(copy);
}

}  // namespace treebane
