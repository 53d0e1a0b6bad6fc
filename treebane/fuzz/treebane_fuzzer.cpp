// Feeds arbitrary bytes to treebane's line reader, as redirected standard
// input, and uses them as the names of a folder's entries for the texture
// scan.  Both are checked against plain reference rules.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "services/console.h"
#include "services/directory_scan.h"

namespace {

// The lines of `input`: each ends at a carriage return or a line feed, a
// carriage return directly followed by a line feed being one line end; an
// unterminated last line counts too.
std::vector<std::string> ReferenceLines(const std::string& input) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (input[i] == '\r' || input[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') ++i;
    } else {
      line.push_back(input[i]);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void CheckLineReader(const std::string& input) {
  const std::filesystem::path file = std::filesystem::path(fuzzing::ScratchFolder()) / "input";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << input;
  const int descriptor = ::open(file.c_str(), O_RDONLY);
  if (descriptor < 0 || ::dup2(descriptor, STDIN_FILENO) < 0) std::abort();
  ::close(descriptor);
  for (const std::string& expected : ReferenceLines(input)) {
    if (treebane::ReadLine() != expected) std::abort();
  }
  // At the end of the input the reader answers at once with the empty text.
  if (!treebane::ReadLine().empty() || !treebane::ReadLine().empty()) std::abort();
}

bool IsTextureName(const std::string& name) {
  static const std::string kSuffix = ".tree.tga";
  if (name.size() < kSuffix.size()) return false;
  std::string tail = name.substr(name.size() - kSuffix.size());
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return tail == kSuffix;
}

void CheckScan(const std::string& input) {
  const std::filesystem::path folder = std::filesystem::path(fuzzing::ScratchFolder()) / "scan";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  std::vector<std::string> expected;
  for (const std::string& name : ReferenceLines(input)) {
    if (name.empty() || name == "." || name == ".." || name.size() > 200 ||
        name.find_first_of(std::string("/\0", 2)) != std::string::npos || std::filesystem::exists(folder / name)) {
      continue;
    }
    // Names starting with an odd byte become folders, which the scan skips.
    if ((static_cast<unsigned char>(name[0]) & 1) != 0) {
      std::filesystem::create_directory(folder / name);
    } else {
      std::ofstream(folder / name) << "x";
      if (IsTextureName(name)) expected.push_back(name);
    }
  }
  std::sort(expected.begin(), expected.end());

  std::vector<std::string> found;
  treebane::ScanHandle scan = treebane::BeginScan(folder.string() + "/", "*.tree.tga");
  while (treebane::NextMatch(scan.get())) found.push_back(treebane::MatchName(scan.get()));
  treebane::EndScan(scan);
  if (found != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckLineReader(input);
  CheckScan(input);
  return 0;
}
