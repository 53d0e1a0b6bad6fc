#pragma once

// The current directory and a wildcard scan of a folder.
//
// A scan lists the regular files of one folder whose names match a
// pattern, in byte order of their names. The whole list is taken when the
// scan begins, so files that the caller creates, renames or removes while
// it walks the list change nothing in it.

#include <memory>
#include <string>

namespace treebane {

// The process's current directory ending in a path separator; empty text
// when the platform gives none.
std::string WorkingDirectory();

// Empty when the run may work in the current directory; otherwise the line
// that tells why not. Windows: a process that is started in a folder whose
// path is too long for a current directory (260 characters) is placed in
// the Windows folder instead, which is never a texture folder.
std::string WorkingDirectoryRefusal();

struct DirectoryScan;
struct DirectoryScanDeleter {
  void operator()(DirectoryScan* scan) const noexcept;
};
using ScanHandle = std::unique_ptr<DirectoryScan, DirectoryScanDeleter>;

// Lists the regular files in `directory` whose names match `pattern`:
// "*" stands for any run of characters, "?" for one character, letter case
// is ignored; an empty pattern matches every name (MatchesPattern). Folders
// and every other kind of entry, symbolic links and other reparse points
// included, are left out, and so are names that the platform matches only
// through another name of the entry, such as an 8.3 short name on Windows.
// A folder without a match gives a valid scan without entries; a folder
// that cannot be read gives no scan (an empty handle).
ScanHandle BeginScan(const std::string& directory, const std::string& pattern);

// Moves to the next entry: true while there is one. False for no scan.
bool NextMatch(DirectoryScan* scan);

// The current entry's name, without directory. Empty before the first
// NextMatch, after the last one and for no scan.
std::string MatchName(const DirectoryScan* scan);

// Releases the scan. Nothing for no scan.
void EndScan(ScanHandle& scan);

// True when something, of any kind, exists under `path`: a broken symbolic
// link exists, a file inside a missing folder does not. When that cannot be
// told (a folder on the way may not be searched), the answer is true, so
// that a caller never takes an unreachable file for a missing one.
bool PathExists(const std::string& path);

}  // namespace treebane
