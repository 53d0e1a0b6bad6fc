#pragma once
// The scratch folder of one fuzzing process, on a memory file system where
// there is one (a flush to disk there costs nothing).  libFuzzer may end the
// process without running exit handlers, so each process names its folder
// after its id and removes the folders of processes that are gone.

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzing {

inline const std::string& ScratchFolder() {
  // Never destroyed, so that it outlives every other static.
  static const std::string& folder = *new std::string([] {
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    const std::string prefix = "texture-tools-fuzz-";
    for (const auto& entry : std::filesystem::directory_iterator(base)) {
      const std::string name = entry.path().filename();
      if (name.rfind(prefix, 0) != 0) continue;
      const long owner = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
      if (owner > 0 && ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) {
        std::filesystem::remove_all(entry.path());
      }
    }
    const std::filesystem::path own = base / (prefix + std::to_string(::getpid()));
    std::filesystem::create_directories(own);
    return own.string();
  }());
  return folder;
}

// Removes everything in the folder.
inline void EmptyScratchFolder() {
  for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder())) {
    std::filesystem::remove_all(entry.path());
  }
}

}  // namespace fuzzing
