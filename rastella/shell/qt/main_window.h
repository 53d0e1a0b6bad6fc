#pragma once
// Form1, the main window of rastella: the controls, laid out as designed, and
// the window operations on them.  Every control event goes to the viewer's
// logic (MainForm) unchanged; the window decides nothing itself.

#include <QFileSystemWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <memory>
#include <string>

#include "shell/main_form.h"
#include "shell/window_operations.h"

namespace rastella {

class AboutWindow;
class DriveList;
class FileList;
class FolderList;
class HelpWindow;
class PictureBox;

class MountWatcher;

class MainWindow final : public QWidget, public WindowOperations {
  Q_OBJECT

 public:
  // The lists start on `startFolder`; then the form loads.
  explicit MainWindow(const std::string& startFolder);
  ~MainWindow() override;

  // The controls by their names; tests drive the window through them.
  PictureBox* Picture1() const { return Picture1_; }
  QPushButton* Command1() const { return Command1_; }
  QPushButton* Command2() const { return Command2_; }
  DriveList* Drive1() const { return Drive1_; }
  FolderList* Dir1() const { return Dir1_; }
  FileList* File1() const { return File1_; }
  QLineEdit* Text1() const { return Text1_; }
  QPushButton* Command3() const { return Command3_; }
  QPushButton* Command4() const { return Command4_; }
  QPushButton* Command5() const { return Command5_; }
  QPushButton* Command6() const { return Command6_; }
  QLabel* Label1() const { return Label1_; }
  // Null until first opened.
  AboutWindow* frmAbout() const { return frmAbout_.get(); }
  HelpWindow* helpForm() const { return helpForm_.get(); }

  const MainForm& Form() const { return form_; }

  // Opens a file or a folder as "Open with" does: what the program does
  // with the path it is started with, and with a file dropped on it.
  void OpenPath(const std::string& path);
  // Lists the mounted volumes again; a vanished selected volume leaves the
  // folder list on the root volume.  Runs whenever the mount table changes
  // and when the window becomes active.
  void FollowVolumes();

  // WindowOperations.
  void SetStatusText(const std::string& text) override;
  std::string StatusText() const override;
  void AppendStatusText(const std::string& text) override;
  void RepaintStatus() override;
  std::string CurrentDrive() const override;
  void SelectDriveOf(const std::string& folder) override;
  std::string DirectoryFolder() const override;
  void SetDirectoryFolder(const std::string& folder) override;
  std::string FileListFolder() const override;
  void SetFileListFolder(const std::string& folder) override;
  std::string SelectedFileName() const override;
  bool SelectFile(const std::string& name) override;
  void RefreshFileList() override;
  void ClearPicture() override;
  ColorValue PictureBackground() const override;
  void SetPictureBackground(ColorValue color) override;
  void SetPixel(int x, int y, ColorValue color) override;
  void SetPixelRow(int x, int y, std::span<const ColorValue> colors) override;
  void ShowPicture() override;
  void SetPictureLineWidth(int width) override;
  void OpenAboutWindow() override;
  void OpenHelpWindow() override;
  // Closes every window of the program and leaves the event loop.
  void EndProgram() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateControls();
  void SetTabOrder();
  void ConnectEvents();
  // Watches the folders of Dir1 and File1 for entries that come and go.
  void WatchFolders();
  void OnFolderChangedOnDisk(const QString& folder);

  PictureBox* Picture1_;
  QPushButton* Command1_;
  QPushButton* Command2_;
  DriveList* Drive1_;
  FolderList* Dir1_;
  FileList* File1_;
  QLineEdit* Text1_;
  QPushButton* Command3_;
  QPushButton* Command4_;
  QPushButton* Command5_;
  QPushButton* Command6_;
  QLabel* Label1_;
  // The secondary windows have no owner window; the main window keeps them
  // from their first opening to its own end.
  std::unique_ptr<AboutWindow> frmAbout_;
  std::unique_ptr<HelpWindow> helpForm_;
  QFileSystemWatcher watcher_;
  MountWatcher* mounts_;
  MainForm form_;
};

}  // namespace rastella
