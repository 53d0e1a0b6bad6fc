#pragma once
// "Open with": the path that the viewer is started with, or that is dropped
// on its window, told apart into what the drive, folder and file lists must
// show.

#include <string>

namespace rastella {

struct OpenTarget {
  enum class Kind {
    File,     // select `folder` and the file `fileName` in it, then view it
    Folder,   // select `folder`
    Refused,  // change no list
  };
  Kind kind = Kind::Refused;
  // File and Folder: an absolute, normal folder path, without a trailing
  // separator except at a root.
  std::string folder;
  std::string fileName;
  // The status line that tells why the path is not opened as asked; empty
  // when it is.  A Folder target with a status is a file that the file list
  // cannot show: its folder is selected instead.
  std::string status;
};

// What opening `path` (absolute, or relative to the current folder) shows.
// A file that is readable and whose name ends in ".tga" in any letter case
// is a File target; a readable folder a Folder target.  A path that does not
// exist, cannot be read, or is neither a regular file nor a folder (a device
// or a FIFO is never opened) is refused.
OpenTarget ResolveOpenPath(const std::string& path);

}  // namespace rastella
