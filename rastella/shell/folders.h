#pragma once
// The folders that the viewer steps through: the one form that the folder
// and file lists keep a folder in, whether a path is a folder, and the
// subfolders of a folder.  On Windows the last two go through the
// wide-character calls with extended-length paths, so folder names in any
// language and folders deeper than 260 characters work.

#include <string>
#include <vector>

namespace rastella {

// `folder` (UTF-8) as the folder lists keep it: lexically normal ("." and
// ".." steps resolved), without trailing separators except at a root.  On
// POSIX systems a relative path is taken from the current folder first, and
// the root is "/" (also for an empty path).  On Windows a drive's root is
// "C:\" (also for "C:"), both "\" and "/" separate, and a name without a
// UTF-8 form is left as it is.
std::string NormalFolder(const std::string& folder);

// True when `path` (UTF-8) names a folder.
bool IsFolder(const std::string& path);

// The full paths of the subfolders of `folder`, sorted by byte order; empty
// when the folder cannot be read.
std::vector<std::string> ListSubfolders(const std::string& folder);

}  // namespace rastella
