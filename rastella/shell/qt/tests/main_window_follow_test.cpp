// What the main window keeps in sight while things change around it: the
// verdict at the start of a long status line, the selected file after the
// file list is refreshed, the mounted volumes in the drive list; and the
// paths it is given to open, on its command line or by a drop.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>
#include <sched.h>
#include <sys/mount.h>

#include "shell/headless_window.h"
#include "shell/qt/drive_list.h"
#include "shell/qt/file_list.h"
#include "shell/qt/folder_list.h"
#include "shell/qt/main_window.h"
#include "shell/qt/picture_box.h"
#include "tests/test_images.h"

namespace rastella {
namespace {

// A window on a folder of the test's making, shown and ready for input.
struct Fixture {
  QTemporaryDir folder;
  std::unique_ptr<MainWindow> window;

  bool Start() {
    window = std::make_unique<MainWindow>(Folder());
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
  }
  std::string Folder() const { return folder.path().toStdString(); }
  QString Path(const QString& name) const { return folder.filePath(name); }
};

QListWidgetItem* FindFile(const QListWidget* list, const QString& name) {
  const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.front();
}

bool ShowsWhole(const QListWidget* list, const QListWidgetItem* item) {
  return item != nullptr && list->viewport()->rect().contains(list->visualItemRect(item));
}

// The left part of the line, as wide as `start` is drawn, against the line
// showing nothing but `start`.
bool ShowsItsStart(QLineEdit* line, const QString& start) {
  const QString whole = line->text();
  const QImage shown = line->grab().toImage();
  line->setText(start);
  const QImage alone = line->grab().toImage();
  line->setText(whole);
  const QRect left(0, 0, line->fontMetrics().horizontalAdvance(start), line->height());
  return shown.copy(left) == alone.copy(left);
}

int DifferingPixels(const QImage& shown, const HeadlessWindow& headless) {
  int differing = 0;
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      const ColorValue expected = headless.PixelAt(x, y);
      differing += shown.pixel(x, y) != qRgb(RedOf(expected), GreenOf(expected), BlueOf(expected)) ? 1 : 0;
    }
  }
  return differing;
}

// Drags `data` onto the window and drops it, as the window system delivers
// it; true when the window accepted the drag.
bool DragAndDrop(MainWindow& window, const QMimeData& data) {
  const QPoint at(300, 300);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) {
    return false;
  }
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return true;
}

}  // namespace

class MainWindowFollowTest final : public QObject {
  Q_OBJECT

 private slots:
  void aLongStatusLineShowsItsVerdict() {
    Fixture fixture;
    // A save that must fail: its target name is taken by a folder.
    const QString name = QString(120, 'M') + ".tga";
    QVERIFY(testing::WriteTestTga(fixture.Path(name), 2, 32, 0x28, 6, 5));
    QVERIFY(QDir(fixture.folder.path()).mkdir("ZTF-" + name));
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;

    QVERIFY(window.SelectFile(name.toStdString()));
    emit window.File1()->fileClicked();
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    QTest::mouseClick(window.Command4(), Qt::LeftButton);
    const QString failure = "ERROR  :  Cannot write ZTF-" + name;
    QCOMPARE(window.Text1()->text(), failure);
    QCOMPARE(window.Text1()->toolTip(), failure);
    QVERIFY(window.Text1()->fontMetrics().horizontalAdvance(failure) > window.Text1()->width());
    QVERIFY(ShowsItsStart(window.Text1(), "ERROR  :  Cannot write ZTF-"));

    // Progress marks appended to a long line leave its start in view too.
    window.SetStatusText("SAVING  :  ZTF-" + name.toStdString() + "   >");
    for (int mark = 0; mark < 40; ++mark) {
      window.AppendStatusText(">");
    }
    QVERIFY(ShowsItsStart(window.Text1(), "SAVING  :  ZTF-"));
    QCOMPARE(window.Text1()->toolTip(), window.Text1()->text());

    // A short line is shown whole, as before.
    window.SetStatusText("TGA  :  6 x 5 - 32BPP");
    QVERIFY(ShowsItsStart(window.Text1(), "TGA  :  6 x 5 - 32BPP"));
  }

  void theSelectedFileStaysInViewWhenTheListIsRefreshed() {
    Fixture fixture;
    for (int index = 0; index < 30; ++index) {
      QVERIFY(testing::WriteTestTga(fixture.Path(QStringLiteral("f%1.tga").arg(index, 2, 10, QChar('0'))), 2, 24, 0x20,
                                    4, 4));
    }
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    FileList* list = window.File1();

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/f29.tga");
    QVERIFY(ShowsWhole(list, FindFile(list, "f29.tga")));
    QVERIFY2(!ShowsWhole(list, FindFile(list, "f00.tga")), "the list must be too short for 30 files");

    // "TGA-f29.tga" sorts before every "f" name and pushes the rest down.
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    QTest::mouseClick(window.Command3(), Qt::LeftButton);
    QCOMPARE(window.Text1()->text(), QStringLiteral("SAVED AS  :  TGA-f29.tga"));
    QCOMPARE(list->count(), 31);
    QCOMPARE(window.SelectedFileName(), std::string("f29.tga"));
    QVERIFY(ShowsWhole(list, FindFile(list, "f29.tga")));

    // So do files that appear on disk.
    for (const QString name : {"A1.tga", "A2.tga", "A3.tga"}) {
      QVERIFY(testing::WriteTestTga(fixture.Path(name), 2, 24, 0x20, 4, 4));
    }
    QTRY_COMPARE(list->count(), 34);
    QCOMPARE(window.SelectedFileName(), std::string("f29.tga"));
    QVERIFY(ShowsWhole(list, FindFile(list, "f29.tga")));

    // The save of a file in the middle scrolls no further than it must.
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    QTest::mouseClick(window.Command3(), Qt::LeftButton);
    QCOMPARE(window.Text1()->text(), QStringLiteral("SAVED AS  :  TGA-A2.tga"));
    QVERIFY(ShowsWhole(list, FindFile(list, "A2.tga")));
  }

  void theDriveListFollowsVolumesThatComeAndGo() {
    Fixture fixture;
    QVERIFY(QDir(fixture.folder.path()).mkpath("stick/photos"));
    QVERIFY(testing::WriteTestTga(fixture.Path("stick/photos/boat.tga"), 2, 24, 0x20, 4, 4));
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    DriveList* drives = window.Drive1();
    const std::string startDrive = window.CurrentDrive();
    const std::string stick = fixture.Folder() + "/stick";
    std::vector<Volume> volumes = {{"/", true}, {startDrive, true}, {"/proc", false}};
    drives->SetVolumeSource([&volumes] { return volumes; });

    // A volume arrives: it is listed, and the user's place is kept.
    volumes.push_back({stick, true});
    window.FollowVolumes();
    QVERIFY(drives->findText(QString::fromStdString(stick)) >= 0);
    QVERIFY(drives->findText("/proc") < 0);
    QCOMPARE(window.CurrentDrive(), startDrive);
    QCOMPARE(window.Dir1()->Folder(), fixture.Folder());

    // The user picks it and goes into a folder of it.
    drives->setCurrentIndex(drives->findText(QString::fromStdString(stick)));
    QCOMPARE(window.Dir1()->Folder(), stick);
    window.Dir1()->SetFolder(stick + "/photos");
    QCOMPARE(window.File1()->Folder(), stick + "/photos");
    QVERIFY(FindFile(window.File1(), "boat.tga") != nullptr);

    // Another look at unchanged volumes moves nothing.
    QSignalSpy changes(drives, &QComboBox::currentIndexChanged);
    window.FollowVolumes();
    QCOMPARE(changes.count(), 0);
    QCOMPARE(window.Dir1()->Folder(), stick + "/photos");

    // The selected volume goes: both lists move to the root volume.
    volumes.pop_back();
    window.FollowVolumes();
    QVERIFY(drives->findText(QString::fromStdString(stick)) < 0);
    QCOMPARE(window.CurrentDrive(), std::string("/"));
    QCOMPARE(window.Dir1()->Folder(), std::string("/"));
    QCOMPARE(window.File1()->Folder(), std::string("/"));
  }

  void openingAPathShowsWhatTheUserWouldHavePickedAndViewed() {
    Fixture fixture;
    QVERIFY(testing::FillImageFolder(fixture.folder.path()));
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    HeadlessWindow headless(fixture.Folder());
    MainForm headlessForm(headless);
    headlessForm.Form_Load();

    window.OpenPath(fixture.Folder() + "/nested.tga/inner.tga");
    QCOMPARE(window.Dir1()->Folder(), fixture.Folder() + "/nested.tga");
    QCOMPARE(window.File1()->Folder(), fixture.Folder() + "/nested.tga");
    QCOMPARE(window.SelectedFileName(), std::string("inner.tga"));
    QCOMPARE(window.Text1()->text(), QStringLiteral("TGA  :  8 x 8 - 24BPP"));

    // A dropped file is opened the same way, and drawn as the headless
    // window draws it.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(fixture.Path("rgba.tga"))});
    QVERIFY(DragAndDrop(window, dropped));
    QCOMPARE(window.Dir1()->Folder(), fixture.Folder());
    QCOMPARE(window.SelectedFileName(), std::string("rgba.tga"));
    QCOMPARE(window.Text1()->text(), QStringLiteral("TGA  :  40 x 30 - 32BPP"));
    QVERIFY(headless.SelectFile("rgba.tga"));
    headlessForm.File1_Click();
    headlessForm.Command1_Click();
    QCOMPARE(DifferingPixels(window.Picture1()->Surface(), headless), 0);

    // Text is no file; a path that is not there changes nothing but the
    // status line.
    QMimeData text;
    text.setText("rgba.tga");
    QVERIFY(!DragAndDrop(window, text));
    const QString missing = fixture.Path("gone.tga");
    dropped.setUrls({QUrl::fromLocalFile(missing)});
    QVERIFY(DragAndDrop(window, dropped));
    QCOMPARE(window.Text1()->text(), "WARNING  :  Cannot find " + missing);
    QCOMPARE(window.Dir1()->Folder(), fixture.Folder());
    QCOMPARE(window.SelectedFileName(), std::string("rgba.tga"));
    QCOMPARE(DifferingPixels(window.Picture1()->Surface(), headless), 0);
  }

  // Last: it leaves the test process in a mount namespace of its own.
  void aRealMountAndUnmountReachTheDriveList() {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      QSKIP("mounting needs a mount namespace of the test's own");
    }
    Fixture fixture;
    QVERIFY(QDir(fixture.folder.path()).mkdir("stick"));
    const std::string stick = fixture.Folder() + "/stick";
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    DriveList* drives = window.Drive1();
    if (::mount("rastella-test", stick.c_str(), "tmpfs", 0, "size=1m") != 0) {
      QSKIP("tmpfs cannot be mounted here");
    }
    // Nothing but the kernel's mark on the mount table tells the window.
    QTRY_VERIFY(drives->findText(QString::fromStdString(stick)) >= 0);
    drives->setCurrentIndex(drives->findText(QString::fromStdString(stick)));
    QCOMPARE(window.Dir1()->Folder(), stick);

    QCOMPARE(::umount(stick.c_str()), 0);
    QTRY_COMPARE(window.CurrentDrive(), std::string("/"));
    QVERIFY(drives->findText(QString::fromStdString(stick)) < 0);
    QCOMPARE(window.Dir1()->Folder(), std::string("/"));
  }
};

}  // namespace rastella

QTEST_MAIN(rastella::MainWindowFollowTest)
#include "main_window_follow_test.moc"
