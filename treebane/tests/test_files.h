#pragma once

// Helpers shared by the treebane tests: a temporary folder that removes
// itself, whole-file reads and writes, and a byte comparison that reports
// the first difference instead of printing whole files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace treebane::testing {

class TemporaryFolder {
 public:
  TemporaryFolder() {
#ifdef _WIN32
    // No mkdtemp: new names until one can be created.
    std::random_device seed;
    std::mt19937 generator(seed());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate =
          std::filesystem::path(::testing::TempDir()) / ("treebane-test-" + std::to_string(generator()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate;
      }
    }
    if (path_.empty()) {
      throw std::runtime_error("cannot create a temporary folder");
    }
#else
    std::string pattern = ::testing::TempDir() + "treebane-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
#endif
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  std::string bytes(static_cast<std::size_t>(file.tellg()), '\0');
  file.seekg(0);
  if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw std::runtime_error("cannot read " + path);
  }
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
}

// The names in a folder, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  const auto difference = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  const auto offset = static_cast<std::size_t>(difference.first - actual.begin());
  auto result = ::testing::AssertionFailure();
  result << "sizes " << actual.size() << " and " << expected.size() << ", first difference at offset " << offset;
  if (offset < actual.size() && offset < expected.size()) {
    result << ": " << static_cast<unsigned>(static_cast<unsigned char>(actual[offset])) << " instead of "
           << static_cast<unsigned>(static_cast<unsigned char>(expected[offset]));
  }
  return result;
}

}  // namespace treebane::testing
