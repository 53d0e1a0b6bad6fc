// The main window on the offscreen platform: its controls reach the
// viewer's logic, and what it shows agrees with the headless window.

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <memory>

#include "shell/headless_window.h"
#include "shell/main_form.h"
#include "shell/qt/about_window.h"
#include "shell/qt/drive_list.h"
#include "shell/qt/file_list.h"
#include "shell/qt/folder_list.h"
#include "shell/qt/help_window.h"
#include "shell/qt/main_window.h"
#include "shell/qt/picture_box.h"
#include "tests/test_images.h"

namespace rastella {
namespace {

// A window on its own folder of test images, shown and ready for input.
struct WindowFixture {
  QTemporaryDir folder;
  std::unique_ptr<MainWindow> window;

  bool Start() {
    if (!folder.isValid() || !testing::FillImageFolder(folder.path())) {
      return false;
    }
    window = std::make_unique<MainWindow>(folder.path().toStdString());
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
  }
  std::string Folder() const { return folder.path().toStdString(); }
};

QStringList ListedFiles(const QListWidget* list) {
  QStringList names;
  for (int row = 0; row < list->count(); ++row) {
    names.append(list->item(row)->text());
  }
  return names;
}

QListWidgetItem* FindFile(const QListWidget* list, const QString& name) {
  const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.front();
}

QTreeWidgetItem* FindFolder(QTreeWidget* tree, const QString& name) {
  for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
    if ((*it)->text(0) == name) {
      return *it;
    }
  }
  return nullptr;
}

void ClickFile(FileList* list, const QString& name) {
  QListWidgetItem* item = FindFile(list, name);
  QVERIFY2(item != nullptr, qPrintable(name));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// What a double-click delivers: a press and a release, then the second
// press as a double-click, and its release.
void DoubleClick(QWidget* viewport, QPoint position) {
  QTest::mouseClick(viewport, Qt::LeftButton, {}, position);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, position);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, position);
}

// Pixels of the shown picture that differ from the headless surface.
int DifferingPixels(const QImage& shown, const HeadlessWindow& headless) {
  int differing = 0;
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      const ColorValue expected = headless.PixelAt(x, y);
      if (shown.pixel(x, y) != qRgb(RedOf(expected), GreenOf(expected), BlueOf(expected))) {
        ++differing;
      }
    }
  }
  return differing;
}

bool FilledWith(const QImage& image, ColorValue color) {
  QImage filled(image.size(), image.format());
  filled.fill(qRgb(RedOf(color), GreenOf(color), BlueOf(color)));
  return image == filled;
}

// Records the text that Text1 held whenever it was painted.
class PaintedTexts final : public QObject {
 public:
  explicit PaintedTexts(QLineEdit* line) : line_(line) { line->installEventFilter(this); }
  QStringList texts;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == line_ && event->type() == QEvent::Paint) {
      texts.append(line_->text());
    }
    return false;
  }

 private:
  QLineEdit* line_;
};

}  // namespace

class MainWindowTest final : public QObject {
  Q_OBJECT

 private slots:
  void startsOnItsFolderWithControlsApart() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;

    QCOMPARE(window.windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(window.size(), QSize(808, 618));
    QCOMPARE(window.Text1()->text(), QStringLiteral("Select a file from green list"));
    QVERIFY(window.Text1()->isReadOnly());
    // Only regular files ending in ".tga", any case; not notes.txt, not the
    // folder nested.tga.
    QCOMPARE(ListedFiles(window.File1()), QStringList({"gray.tga", "rgb-bottom.TGA", "rgba.tga"}));
    QCOMPARE(window.Dir1()->Folder(), fixture.Folder());
    QCOMPARE(window.File1()->Folder(), fixture.Folder());
    QCOMPARE(QString::fromStdString(window.CurrentDrive()), QStorageInfo(fixture.folder.path()).rootPath());
    QCOMPARE(window.Picture1()->size(), QSize(kPictureSize, kPictureSize));
    QVERIFY(FilledWith(window.Picture1()->Surface(), MakeColor(64, 64, 64)));

    // Every control lies inside the window and clear of every other.
    const QList<QWidget*> controls = {window.Picture1(), window.Command1(), window.Command2(), window.Drive1(),
                                      window.Dir1(),     window.File1(),    window.Text1(),    window.Command3(),
                                      window.Command4(), window.Command5(), window.Command6(), window.Label1()};
    for (int i = 0; i < controls.size(); ++i) {
      QVERIFY2(window.rect().contains(controls[i]->geometry()), qPrintable(controls[i]->objectName()));
      for (int j = i + 1; j < controls.size(); ++j) {
        QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                 qPrintable(controls[i]->objectName() + " / " + controls[j]->objectName()));
      }
    }
  }

  void viewDrawsWhatTheHeadlessWindowDraws_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pictureClicks");
    QTest::addColumn<QString>("status");
    QTest::newRow("32 bits, top row first") << "rgba.tga" << 0 << "TGA  :  40 x 30 - 32BPP";
    QTest::newRow("32 bits over gray") << "rgba.tga" << 1 << "TGA  :  40 x 30 - 32BPP";
    QTest::newRow("32 bits over black") << "rgba.tga" << 3 << "TGA  :  40 x 30 - 32BPP";
    QTest::newRow("24 bits, bottom row first") << "rgb-bottom.TGA" << 0 << "TGA  :  33 x 20 - 24BPP";
    QTest::newRow("grayscale") << "gray.tga" << 2 << "TGA  :  16 x 16 - GRAYSCALE";
  }

  void viewDrawsWhatTheHeadlessWindowDraws() {
    QFETCH(QString, name);
    QFETCH(int, pictureClicks);
    QFETCH(QString, status);
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    HeadlessWindow headless(fixture.Folder());
    MainForm headlessForm(headless);
    headlessForm.Form_Load();

    for (int click = 0; click < pictureClicks; ++click) {
      QTest::mouseClick(window.Picture1(), Qt::LeftButton, {}, QPoint(100, 100));
      headlessForm.Picture1_Click();
    }
    ClickFile(window.File1(), name);
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    QVERIFY(headless.SelectFile(name.toStdString()));
    headlessForm.File1_Click();
    headlessForm.Command1_Click();

    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/" + name.toStdString());
    QCOMPARE(window.Text1()->text(), status);
    QCOMPARE(window.StatusText(), headless.StatusText());
    QCOMPARE(DifferingPixels(window.Picture1()->Surface(), headless), 0);
    // The drawing shows on screen, not only in the off-screen image.
    QVERIFY(window.Picture1()->grab().toImage().convertToFormat(QImage::Format_RGB32) == window.Picture1()->Surface());
  }

  void viewPaintsTheReadingStatusBeforeTheWork() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    ClickFile(window.File1(), "rgba.tga");
    PaintedTexts painted(window.Text1());
    // No event is processed between the click and the check: whatever was
    // painted was painted inside the View command.
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    QVERIFY2(painted.texts.contains("READING  :  rgba.tga"), qPrintable(painted.texts.join(" | ")));
  }

  void fileListWorksFromTheKeyboardAndByDoubleClick() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    FileList* list = window.File1();

    ClickFile(list, "gray.tga");
    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/gray.tga");
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/rgb-bottom.TGA");
    QCOMPARE(window.Text1()->text(), QStringLiteral("Select a file from green list"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(window.Text1()->text(), QStringLiteral("TGA  :  33 x 20 - 24BPP"));

    // Down at the last entry moves nothing and clicks nothing.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/rgba.tga");

    QListWidgetItem* gray = FindFile(list, "gray.tga");
    DoubleClick(list->viewport(), list->visualItemRect(gray).center());
    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/gray.tga");
    QCOMPARE(window.Text1()->text(), QStringLiteral("TGA  :  16 x 16 - GRAYSCALE"));
  }

  void saveButtonsWriteFilesThatViewBack() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    ClickFile(window.File1(), "rgba.tga");
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    const QImage original = window.Picture1()->Surface().copy();

    // Each save refreshes the list; the selection must survive it, or the
    // next save would have no name to write under.
    const QList<std::pair<QPushButton*, QString>> saves = {{window.Command3(), "TGA-rgba.tga"},
                                                           {window.Command5(), "ALPHA-rgba.tga"},
                                                           {window.Command4(), "ZTF-rgba.tga"}};
    for (const auto& [button, written] : saves) {
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(window.Text1()->text(), "SAVED AS  :  " + written);
      QVERIFY2(QFile::exists(fixture.folder.filePath(written)), qPrintable(written));
      QVERIFY2(FindFile(window.File1(), written) != nullptr, qPrintable(written));
      QCOMPARE(window.SelectedFileName(), std::string("rgba.tga"));
    }

    ClickFile(window.File1(), "ZTF-rgba.tga");
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    QCOMPARE(window.Text1()->text(), QStringLiteral("ZTF  :  40 x 30 - 32BPP"));
    QVERIFY(window.Picture1()->Surface() == original);
  }

  void backgroundCycleRunsGrayWhiteBlack() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    PictureBox* picture = fixture.window->Picture1();
    const QList<ColorValue> expected = {MakeColor(128, 128, 128), MakeColor(255, 255, 255), MakeColor(0, 0, 0),
                                        MakeColor(128, 128, 128), MakeColor(255, 255, 255)};
    for (const ColorValue color : expected) {
      QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(300, 20));
      QCOMPARE(fixture.window->PictureBackground(), color);
      QVERIFY(FilledWith(picture->Surface(), color));
    }
    // A press that ends outside the picture is no click.
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(-5, 10));
    QCOMPARE(fixture.window->PictureBackground(), expected.back());
  }

  void folderListGoesIntoAndOutOfSubfolders() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    FolderList* folders = window.Dir1();
    ClickFile(window.File1(), "rgba.tga");

    QTreeWidgetItem* nested = FindFolder(folders, "nested.tga");
    QVERIFY(nested != nullptr);
    DoubleClick(folders->viewport(), folders->visualItemRect(nested).center());
    const std::string nestedPath = fixture.Folder() + "/nested.tga";
    QCOMPARE(folders->Folder(), nestedPath);
    QCOMPARE(window.File1()->Folder(), nestedPath);
    QCOMPARE(ListedFiles(window.File1()), QStringList({"inner.tga"}));
    // The file clicked before the change is still the one that View reads.
    QCOMPARE(window.Form().State().SelectedPath, fixture.Folder() + "/rgba.tga");

    // Up again with Enter on the parent, the entry above the current one.
    QTreeWidgetItem* parent = folders->currentItem()->parent();
    QVERIFY(parent != nullptr);
    folders->setCurrentItem(parent);
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(folders->Folder(), fixture.Folder());
    QCOMPARE(ListedFiles(window.File1()), QStringList({"gray.tga", "rgb-bottom.TGA", "rgba.tga"}));
  }

  void listsFollowChangesOnDisk() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    ClickFile(window.File1(), "rgba.tga");

    QVERIFY(testing::WriteTestTga(fixture.folder.filePath("late.tga"), 2, 24, 0x20, 4, 4));
    QTRY_VERIFY(FindFile(window.File1(), "late.tga") != nullptr);
    QCOMPARE(window.SelectedFileName(), std::string("rgba.tga"));
    QVERIFY(QDir(fixture.folder.path()).mkdir("fresh"));
    QTRY_VERIFY(FindFolder(window.Dir1(), "fresh") != nullptr);
    QVERIFY(QFile::remove(fixture.folder.filePath("late.tga")));
    QTRY_VERIFY(FindFile(window.File1(), "late.tga") == nullptr);

    // A folder that vanishes leaves both lists on its parent.
    QTreeWidgetItem* fresh = FindFolder(window.Dir1(), "fresh");
    DoubleClick(window.Dir1()->viewport(), window.Dir1()->visualItemRect(fresh).center());
    QCOMPARE(window.File1()->Folder(), fixture.Folder() + "/fresh");
    QVERIFY(QDir(fixture.folder.path()).rmdir("fresh"));
    QTRY_COMPARE(window.Dir1()->Folder(), fixture.Folder());
    QCOMPARE(window.File1()->Folder(), fixture.Folder());
  }

  // Last: it runs the event loop to its end.
  void exitEndsTheProgramWithItsWindows() {
    WindowFixture fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    QTest::mouseClick(window.Command6(), Qt::LeftButton);
    QTest::mouseClick(window.Label1(), Qt::LeftButton);
    QVERIFY(window.helpForm()->isVisible());
    QVERIFY(window.frmAbout()->isVisible());

    QTimer::singleShot(0, window.Command2(), [&window] { QTest::mouseClick(window.Command2(), Qt::LeftButton); });
    // Should Exit fail to end the loop, this ends it with a failure code.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    guard.stop();
    QVERIFY(!window.isVisible());
    QVERIFY(!window.helpForm()->isVisible());
    QVERIFY(!window.frmAbout()->isVisible());
  }
};

}  // namespace rastella

QTEST_MAIN(rastella::MainWindowTest)
#include "main_window_test.moc"
