#pragma once
// The viewer's main window on Windows: "Form1" with its controls, built on
// USER32 and GDI32 only, implementing the window operations that the core's
// MainForm runs against.

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "display/picture_surface.h"
#include "shell/main_form.h"
#include "shell/win32/secondary_windows.h"
#include "shell/window_operations.h"

namespace rastella::win32 {

class MainWindow final : public SurfaceWindowOperations {
 public:
  MainWindow(HINSTANCE instance, const std::string& startFolder);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Runs the message loop until the window is closed; the process's exit
  // status.
  int Run();

  // Opens a file or a folder as "Open with" does: what the program does
  // with the path on its command line, and with a file dropped on it.
  void OpenPath(const std::string& path);

  void SetStatusText(const std::string& text) override;
  std::string StatusText() const override;
  void AppendStatusText(const std::string& text) override;
  void RepaintStatus() override;
  std::string CurrentDrive() const override;
  void SelectDriveOf(const std::string& folder) override;
  std::string DirectoryFolder() const override { return directoryFolder_; }
  void SetDirectoryFolder(const std::string& folder) override;
  std::string FileListFolder() const override { return fileListFolder_; }
  void SetFileListFolder(const std::string& folder) override;
  std::string SelectedFileName() const override;
  bool SelectFile(const std::string& name) override;
  void RefreshFileList() override;
  void ShowPicture() override;
  void SetPictureLineWidth(int) override {}
  void OpenAboutWindow() override { about_.Open(); }
  void OpenHelpWindow() override { help_.Open(); }
  void EndProgram() override;

 private:
  static LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFormMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCommand(int control, int notification);
  void CreateControls();
  void CreateStatusTip();
  // Lists the drives again.  The selected drive stays selected while it is
  // there; when it is gone, the system's drive is selected with the change
  // event that a user's choice gives.  An unchanged list is left alone.
  void RefreshDriveList();
  void FillFolderList();
  void PaintPicture(HDC device);
  // Shows what the drawing operations changed.
  void FlushPicture();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND picture_ = nullptr;
  HWND drive_ = nullptr;
  HWND folders_ = nullptr;
  HWND files_ = nullptr;
  HWND status_ = nullptr;
  HWND label_ = nullptr;
  // The tooltip of Text1, which shows the whole status line.
  HWND statusTip_ = nullptr;
  std::wstring statusTipText_;
  HFONT boldFont_ = nullptr;
  HFONT regularFont_ = nullptr;
  HBRUSH driveBrush_ = nullptr;
  HBRUSH folderBrush_ = nullptr;
  HBRUSH fileBrush_ = nullptr;

  std::string directoryFolder_;
  std::string fileListFolder_;
  // The folder that each row of the folder list stands for.
  std::vector<std::string> folderRows_;
  std::vector<std::string> fileNames_;
  std::vector<std::string> driveNames_;

  // The drawing area, shown as a top-down 32-bit device-independent bitmap.

  AboutWindow about_;
  HelpWindow help_;
  MainForm form_;
};

}  // namespace rastella::win32
