#pragma once
// The window operations that the viewer's logic relies on.  The Qt window
// implements them with real controls; HeadlessWindow implements them with a
// string, a folder listing and an in-memory pixel surface.

#include <span>
#include <string>

#include "shell/image_state.h"

namespace rastella {

// The drawing area of the picture box, in pixels.
inline constexpr int kPictureSize = 518;
inline constexpr ColorValue kStartBackground = MakeColor(64, 64, 64);

class WindowOperations {
 public:
  virtual ~WindowOperations() = default;

  // Text1, the status line.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual std::string StatusText() const = 0;
  virtual void AppendStatusText(const std::string& text) = 0;
  // Makes the current status text visible before the work that follows
  // blocks the window.
  virtual void RepaintStatus() = 0;

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

  // Picture1.  Setting the background colour also clears the drawing area.
  virtual void ClearPicture() = 0;
  virtual ColorValue PictureBackground() const = 0;
  virtual void SetPictureBackground(ColorValue color) = 0;
  // Pixels outside the drawing area are clipped.
  virtual void SetPixel(int x, int y, ColorValue color) = 0;
  // Sets the pixels (x, y) to (x + n - 1, y) to the n `colors`, with the
  // same clipping: the display draws a row of a panel at a time.  This
  // default sets them one by one with SetPixel; a window that can copy a
  // whole row at once overrides it.
  virtual void SetPixelRow(int x, int y, std::span<const ColorValue> colors) {
    for (const ColorValue color : colors) {
      SetPixel(x++, y, color);
    }
  }
  virtual void ShowPicture() = 0;
  virtual void SetPictureLineWidth(int width) = 0;

  virtual void OpenAboutWindow() = 0;
  virtual void OpenHelpWindow() = 0;
  virtual void EndProgram() = 0;
};

}  // namespace rastella
