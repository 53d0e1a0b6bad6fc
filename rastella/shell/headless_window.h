#pragma once
// The window operations without a window: a status string with the history
// of its texts, a folder and a file list read from disk, and a 518 x 518
// pixel surface.

#include <string>
#include <vector>

#include "display/picture_surface.h"
#include "shell/window_operations.h"

namespace rastella {

class HeadlessWindow final : public SurfaceWindowOperations {
 public:
  // Starts with the folder list and the file list on `folder` (absolute).
  explicit HeadlessWindow(std::string folder);

  void SetStatusText(const std::string& text) override;
  std::string StatusText() const override { return status_; }
  void AppendStatusText(const std::string& text) override;
  void RepaintStatus() override { ++statusRepaints_; }

  std::string CurrentDrive() const override { return "/"; }
  // One drive, always selected.
  void SelectDriveOf(const std::string&) override {}
  std::string DirectoryFolder() const override { return directoryFolder_; }
  void SetDirectoryFolder(const std::string& folder) override { directoryFolder_ = folder; }

  std::string FileListFolder() const override { return fileListFolder_; }
  void SetFileListFolder(const std::string& folder) override;
  std::string SelectedFileName() const override { return selectedName_; }
  void RefreshFileList() override;

  void ShowPicture() override {}
  void SetPictureLineWidth(int) override {}

  // Without a screen there are no secondary windows and nothing to close.
  void OpenAboutWindow() override {}
  void OpenHelpWindow() override {}
  void EndProgram() override {}

  bool SelectFile(const std::string& name) override;
  const std::vector<std::string>& FileNames() const { return fileNames_; }

  // Every text that the status line held after each change since the last
  // call, oldest first.
  std::vector<std::string> TakeStatusHistory();
  int StatusRepaints() const { return statusRepaints_; }

  // The drawing area.
  const PictureSurface& Surface() const { return surface_; }
  // Pixel (x, y) of the drawing area, 0 <= x, y < kPictureSize.
  ColorValue PixelAt(int x, int y) const { return surface_.PixelAt(x, y); }
  // The drawing area as a binary PPM (P6, maxval 255).
  std::string SurfaceAsPpm() const { return surface_.AsPpm(); }

 private:
  std::string status_;
  std::vector<std::string> statusHistory_;
  int statusRepaints_ = 0;
  std::string directoryFolder_;
  std::string fileListFolder_;
  std::string selectedName_;
  std::vector<std::string> fileNames_;
};

}  // namespace rastella
