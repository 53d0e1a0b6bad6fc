#include "shell/qt/main_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

#include "shell/folders.h"
#include "shell/qt/about_window.h"
#include "shell/qt/drive_list.h"
#include "shell/qt/file_list.h"
#include "shell/qt/folder_list.h"
#include "shell/qt/help_window.h"
#include "shell/qt/mount_watcher.h"
#include "shell/window_design.h"
#include "shell/qt/picture_box.h"
#include "shell/qt/viewer_font.h"

namespace rastella {

namespace {

QRect Geometry(const design::Rect& rect) { return QRect(rect.left, rect.top, rect.width, rect.height); }

QColor ToQColor(ColorValue color) { return QColor(RedOf(color), GreenOf(color), BlueOf(color)); }

void SetBaseColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, color);
  widget->setPalette(palette);
}

QPushButton* MakeButton(const char* name, const QString& text, const QRect& geometry, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setFont(ViewerFont(true));
  return button;
}

}  // namespace

MainWindow::MainWindow(const std::string& startFolder)
    : Picture1_(new PictureBox(this)),
      Command1_(MakeButton("Command1", QStringLiteral("View"), Geometry(design::kCommand1), this)),
      Command2_(MakeButton("Command2", QStringLiteral("Exit"), Geometry(design::kCommand2), this)),
      Drive1_(new DriveList(this)),
      Dir1_(new FolderList(this)),
      File1_(new FileList(this)),
      Text1_(new QLineEdit(this)),
      Command3_(MakeButton("Command3", QStringLiteral("Save TGA"), Geometry(design::kCommand3), this)),
      Command4_(MakeButton("Command4", QStringLiteral("Save ZTF"), Geometry(design::kCommand4), this)),
      Command5_(MakeButton("Command5", QStringLiteral("Save ALPHA"), Geometry(design::kCommand5), this)),
      Command6_(MakeButton("Command6", QStringLiteral("Help"), Geometry(design::kCommand6), this)),
      Label1_(new QLabel(QStringLiteral("Ver 1.0"), this)),
      mounts_(new MountWatcher(this)),
      form_(*this) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(design::kMainCaption));
  setFixedSize(design::kClientWidth, design::kClientHeight);
  setAcceptDrops(true);
  CreateControls();

  const std::string folder = NormalFolder(startFolder);
  Drive1_->ShowVolumeOf(folder);
  Dir1_->SetFolder(folder);
  File1_->SetFolder(folder);
  WatchFolders();

  SetTabOrder();
  ConnectEvents();
  form_.Form_Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::CreateControls() {
  Picture1_->setObjectName(QStringLiteral("Picture1"));
  Picture1_->setGeometry(Geometry(design::kPicture1));

  Drive1_->setObjectName(QStringLiteral("Drive1"));
  Drive1_->setGeometry(Geometry(design::kDrive1));
  // A closed combo box draws its face in the button colour.
  QPalette drivePalette = Drive1_->palette();
  drivePalette.setColor(QPalette::Base, ToQColor(design::kDriveListColor));
  drivePalette.setColor(QPalette::Button, ToQColor(design::kDriveListColor));
  Drive1_->setPalette(drivePalette);

  Dir1_->setObjectName(QStringLiteral("Dir1"));
  Dir1_->setGeometry(Geometry(design::kDir1));
  SetBaseColor(Dir1_, ToQColor(design::kFolderListColor));

  File1_->setObjectName(QStringLiteral("File1"));
  File1_->setGeometry(Geometry(design::kFile1));
  SetBaseColor(File1_, ToQColor(design::kFileListColor));

  Text1_->setObjectName(QStringLiteral("Text1"));
  Text1_->setGeometry(Geometry(design::kText1));
  Text1_->setReadOnly(true);
  // Drops go to the window, which opens them.
  Text1_->setAcceptDrops(false);
  Text1_->setFont(ViewerFont(false));
  SetBaseColor(Text1_, palette().color(QPalette::Button));

  Label1_->setObjectName(QStringLiteral("Label1"));
  Label1_->setGeometry(Geometry(design::kLabel1));
  Label1_->setFont(ViewerFont(true));
  Label1_->setCursor(Qt::PointingHandCursor);
  Label1_->installEventFilter(this);
}

void MainWindow::SetTabOrder() {
  // Label1 closes the order but takes no focus, as labels never do.
  QWidget* const order[] = {Picture1_, Command1_, Command2_, Drive1_,   Dir1_,    File1_,
                            Text1_,    Command3_, Command4_, Command5_, Command6_};
  for (std::size_t index = 1; index < std::size(order); ++index) {
    setTabOrder(order[index - 1], order[index]);
  }
}

void MainWindow::ConnectEvents() {
  connect(Drive1_, &QComboBox::currentIndexChanged, this, [this] { form_.Drive1_Change(); });
  connect(Dir1_, &FolderList::folderChanged, this, [this] {
    form_.Dir1_Change();
    WatchFolders();
  });
  connect(File1_, &FileList::fileClicked, this, [this] { form_.File1_Click(); });
  connect(File1_, &FileList::viewRequested, this, [this] { form_.Command1_Click(); });
  connect(Picture1_, &PictureBox::clicked, this, [this] { form_.Picture1_Click(); });
  connect(Command1_, &QPushButton::clicked, this, [this] { form_.Command1_Click(); });
  connect(Command2_, &QPushButton::clicked, this, [this] { form_.Command2_Click(); });
  connect(Command3_, &QPushButton::clicked, this, [this] { form_.Command3_Click(); });
  connect(Command4_, &QPushButton::clicked, this, [this] { form_.Command4_Click(); });
  connect(Command5_, &QPushButton::clicked, this, [this] { form_.Command5_Click(); });
  connect(Command6_, &QPushButton::clicked, this, [this] { form_.Command6_Click(); });
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &MainWindow::OnFolderChangedOnDisk);
  connect(mounts_, &MountWatcher::mountsChanged, this, &MainWindow::FollowVolumes);
}

void MainWindow::OpenPath(const std::string& path) { form_.OpenPath(path); }

void MainWindow::FollowVolumes() { Drive1_->Reload(); }

void MainWindow::changeEvent(QEvent* event) {
  // Where the mount table cannot be watched, coming back to the window is
  // the moment to look again.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    FollowVolumes();
  }
  QWidget::changeEvent(event);
}

namespace {

// The local file of a drag, as the bytes of its path; empty for anything
// else (text, remote URLs).
std::string DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty() || !data->urls().front().isLocalFile()) {
    return {};
  }
  return QFile::encodeName(data->urls().front().toLocalFile()).toStdString();
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPath(event->mimeData()).empty()) {
    event->acceptProposedAction();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::string path = DroppedPath(event->mimeData());
  if (path.empty()) {
    return;
  }
  event->acceptProposedAction();
  activateWindow();
  form_.OpenPath(path);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label1_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      Label1_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    form_.Label1_Click();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::WatchFolders() {
  if (!watcher_.directories().isEmpty()) {
    watcher_.removePaths(watcher_.directories());
  }
  QStringList folders = {QString::fromStdString(Dir1_->Folder())};
  if (File1_->Folder() != Dir1_->Folder()) {
    folders.append(QString::fromStdString(File1_->Folder()));
  }
  // A folder that cannot be watched (gone, unreadable) is only not followed.
  watcher_.addPaths(folders);
}

void MainWindow::OnFolderChangedOnDisk(const QString& folder) {
  const std::string changed = folder.toStdString();
  if (changed == File1_->Folder()) {
    File1_->Refresh();
  }
  if (changed == Dir1_->Folder()) {
    // A vanished folder moves Dir1 up, which lists File1 anew.
    Dir1_->Reload();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The secondary windows end with the main window; without this they would
  // keep the program running.
  if (frmAbout_) {
    frmAbout_->close();
  }
  if (helpForm_) {
    helpForm_->close();
  }
  event->accept();
}

namespace {

// The line starts with the word that tells the outcome; a line edit puts
// its cursor, and so its view, at the end of new text, which would hide
// that word behind a long file name.  The whole line is the tooltip.
void ShowStatusLine(QLineEdit* line, const QString& text) {
  line->setText(text);
  line->setCursorPosition(0);
  line->setToolTip(text);
}

}  // namespace

void MainWindow::SetStatusText(const std::string& text) { ShowStatusLine(Text1_, QString::fromStdString(text)); }

std::string MainWindow::StatusText() const { return Text1_->text().toStdString(); }

void MainWindow::AppendStatusText(const std::string& text) {
  ShowStatusLine(Text1_, Text1_->text() + QString::fromStdString(text));
}

void MainWindow::RepaintStatus() { Text1_->repaint(); }

std::string MainWindow::CurrentDrive() const { return Drive1_->CurrentDrive(); }

void MainWindow::SelectDriveOf(const std::string& folder) { Drive1_->ShowVolumeOf(folder); }

std::string MainWindow::DirectoryFolder() const { return Dir1_->Folder(); }

void MainWindow::SetDirectoryFolder(const std::string& folder) { Dir1_->SetFolder(folder); }

std::string MainWindow::FileListFolder() const { return File1_->Folder(); }

void MainWindow::SetFileListFolder(const std::string& folder) {
  File1_->SetFolder(folder);
  WatchFolders();
}

std::string MainWindow::SelectedFileName() const { return File1_->SelectedName(); }

bool MainWindow::SelectFile(const std::string& name) { return File1_->Select(name); }

void MainWindow::RefreshFileList() { File1_->Refresh(); }

void MainWindow::ClearPicture() { Picture1_->Clear(); }

ColorValue MainWindow::PictureBackground() const { return Picture1_->Background(); }

void MainWindow::SetPictureBackground(ColorValue color) { Picture1_->SetBackground(color); }

void MainWindow::SetPixel(int x, int y, ColorValue color) { Picture1_->SetPixel(x, y, color); }

void MainWindow::SetPixelRow(int x, int y, std::span<const ColorValue> colors) { Picture1_->SetPixelRow(x, y, colors); }

void MainWindow::ShowPicture() { Picture1_->show(); }

// Pixels are set singly or a row at a time; no drawing here uses lines.
void MainWindow::SetPictureLineWidth(int) {}

void MainWindow::OpenAboutWindow() {
  if (!frmAbout_) {
    frmAbout_ = std::make_unique<AboutWindow>();
  }
  frmAbout_->Open();
}

void MainWindow::OpenHelpWindow() {
  if (!helpForm_) {
    helpForm_ = std::make_unique<HelpWindow>();
  }
  helpForm_->Open();
}

void MainWindow::EndProgram() {
  close();
  QCoreApplication::quit();
}

}  // namespace rastella
