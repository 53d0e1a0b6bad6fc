#pragma once
// The window operations that the viewer's logic relies on, in the roles
// that its callers use: the status line, the drive, folder and file lists,
// the picture box (display/picture.h) and the secondary windows.  The Qt and
// Win32 windows implement them with real controls; HeadlessWindow implements
// them with a string, a folder listing and an in-memory pixel surface.

#include <string>

#include "display/picture.h"
#include "display/picture_surface.h"

namespace rastella {

class StatusLineOperations {
 public:
  virtual ~StatusLineOperations() = default;

  // Text1, the status line.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual std::string StatusText() const = 0;
  virtual void AppendStatusText(const std::string& text) = 0;
  // Makes the current status text visible before the work that follows
  // blocks the window.
  virtual void RepaintStatus() = 0;
};

class ListOperations {
 public:
  virtual ~ListOperations() = default;

  // Drive1: a path that the folder list accepts.
  virtual std::string CurrentDrive() const = 0;
  // Selects the drive that holds `folder` without a change event, as the
  // drive list shows the drive of the folder that the program starts on.
  virtual void SelectDriveOf(const std::string& folder) = 0;

  // Dir1: setting the folder lists the folders of that path.
  virtual std::string DirectoryFolder() const = 0;
  virtual void SetDirectoryFolder(const std::string& folder) = 0;

  // File1: the regular files of its folder whose names end in ".tga" in any
  // letter case.  The folder is an absolute path without a trailing "/"
  // (except the root "/"); the selected name is empty when nothing is
  // selected.
  virtual std::string FileListFolder() const = 0;
  virtual void SetFileListFolder(const std::string& folder) = 0;
  virtual std::string SelectedFileName() const = 0;
  // Selects `name` as a click would, without the click event, and scrolls
  // it into view; false when the list does not show it.
  virtual bool SelectFile(const std::string& name) = 0;
  virtual void RefreshFileList() = 0;
};

// The About and Help windows, and the end of the program with its windows.
class SecondaryWindowOperations {
 public:
  virtual ~SecondaryWindowOperations() = default;

  virtual void OpenAboutWindow() = 0;
  virtual void OpenHelpWindow() = 0;
  virtual void EndProgram() = 0;
};

class WindowOperations : public StatusLineOperations,
                         public ListOperations,
                         public PictureOperations,
                         public SecondaryWindowOperations {};

// Window operations whose picture box draws into a PictureSurface, which
// the window then shows its own way (ShowPicture).
class SurfaceWindowOperations : public WindowOperations {
 public:
  void ClearPicture() override { surface_.ClearPicture(); }
  ColorValue PictureBackground() const override { return surface_.PictureBackground(); }
  void SetPictureBackground(ColorValue color) override { surface_.SetPictureBackground(color); }
  void SetPixel(int x, int y, ColorValue color) override { surface_.SetPixel(x, y, color); }
  void SetPixelRow(int x, int y, std::span<const ColorValue> colors) override { surface_.SetPixelRow(x, y, colors); }

 protected:
  PictureSurface surface_;
};

}  // namespace rastella
