#pragma once
// The file services of the viewer: the listing of the file list, reading the
// image input file and writing a saved file safely.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/fresh_pages.h"
#include "image/planes.h"
#include "ztf/ztf_format.h"

namespace rastella {

// The largest file that either format can address: a ZTF file of
// 1024 x 1024 pixels with alpha (a TGA file tops out 1787 bytes lower, with
// a 255-byte image ID).  Reading stops there; the readers never look further.
inline constexpr std::size_t kMaxImageFileBytes = ZtfLayoutOf(kMaxDimension, kMaxDimension, true).fileSize;

// Names of the regular files in `folder` whose names end in ".tga" in any
// letter case, sorted by byte order.  Empty when the folder cannot be read.
std::vector<std::string> ListTgaFiles(const std::string& folder);

// The separator that JoinPath puts between a folder and a name; "/" is
// accepted as a separator on every platform.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// `folder`, the separator and `name`, without doubling a separator at the
// end of `folder`.
std::string JoinPath(const std::string& folder, const std::string& name);

// The last component of a path, and everything before its separator ("."
// for a bare name, the root for a name in the root).
std::string FileNameOf(const std::string& path);
std::string FolderOf(const std::string& path);

// Reads up to kMaxImageFileBytes of the regular file at `path` into
// `bytes`.  False when the file cannot be opened or read, or is not a
// regular file (a folder, a FIFO or a device is never read, so nothing can
// block or run on without end).
bool ReadImageFile(const std::string& path, ByteBuffer& bytes);

// Writes `bytes` as the whole file `path`, all or nothing: the bytes go to a
// temporary file in the same folder, which is flushed to disk and then
// renamed over `path`.  An existing file is replaced whole and keeps its
// permission bits.  When `path` is a symbolic link the file that it names is
// replaced, in that file's folder, and the link stays; a link that leads
// nowhere or to anything but a regular file is refused.  The temporary
// name is short whatever the length of `path`'s name, and a file of that
// name that this call did not create is never removed.  On failure the
// temporary file is removed, an earlier file at `path` is left as it was,
// and the result is false.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace rastella
