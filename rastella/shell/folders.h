#pragma once
// The folders that the viewer steps through: whether a path is a folder, and
// the subfolders of a folder.  On Windows both go through the wide-character
// calls with extended-length paths, so folder names in any language and
// folders deeper than 260 characters work.

#include <string>
#include <vector>

namespace rastella {

// True when `path` (UTF-8) names a folder.
bool IsFolder(const std::string& path);

// The full paths of the subfolders of `folder`, sorted by byte order; empty
// when the folder cannot be read.
std::vector<std::string> ListSubfolders(const std::string& folder);

}  // namespace rastella
