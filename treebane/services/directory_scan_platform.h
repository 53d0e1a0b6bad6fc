#pragma once

// What the platform's directory_scan_*.cpp hands to directory_scan.cpp: the
// names it has listed and filtered.

#include "directory_scan.h"

#include <string>
#include <vector>

namespace treebane {

// A scan of `names`, the regular files of one folder that match the
// pattern, in whatever order the platform listed them; the scan walks them
// in byte order.
ScanHandle ScanOf(std::vector<std::string> names);

}  // namespace treebane
