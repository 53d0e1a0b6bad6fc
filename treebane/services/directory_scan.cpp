// The walk through a scan's names, the same on every platform. Listing the
// folder is the platform's directory_scan_*.cpp.

#include "directory_scan.h"

#include "directory_scan_platform.h"

#include <algorithm>
#include <utility>

namespace treebane {

struct DirectoryScan {
  std::vector<std::string> names;
  // Index of the current entry plus one: 0 before the first NextMatch.
  std::size_t position = 0;
};

void DirectoryScanDeleter::operator()(DirectoryScan* scan) const noexcept { delete scan; }

ScanHandle ScanOf(std::vector<std::string> names) {
  ScanHandle scan(new DirectoryScan);
  scan->names = std::move(names);
  // std::string compares its characters as unsigned bytes.
  std::sort(scan->names.begin(), scan->names.end());
  return scan;
}

bool NextMatch(DirectoryScan* scan) {
  if (scan == nullptr || scan->position > scan->names.size()) {
    return false;
  }
  ++scan->position;
  return scan->position <= scan->names.size();
}

std::string MatchName(const DirectoryScan* scan) {
  if (scan == nullptr || scan->position == 0 || scan->position > scan->names.size()) {
    return std::string();
  }
  return scan->names[scan->position - 1];
}

void EndScan(ScanHandle& scan) { scan.reset(); }

}  // namespace treebane
