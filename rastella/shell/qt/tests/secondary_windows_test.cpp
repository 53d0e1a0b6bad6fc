// The About and Help windows: opened from the main window, one instance
// each, loaded on opening and unloaded by OK.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "shell/qt/about_window.h"
#include "shell/qt/form_window.h"
#include "shell/qt/help_window.h"
#include "shell/qt/main_window.h"

namespace rastella {
namespace {

int VisibleTopLevels(const QString& name) {
  int count = 0;
  for (const QWidget* widget : QApplication::topLevelWidgets()) {
    count += widget->objectName() == name && widget->isVisible() ? 1 : 0;
  }
  return count;
}

template <typename Child>
Child* Find(const QWidget* window, const char* name) {
  Child* child = window->findChild<Child*>(QString::fromLatin1(name));
  if (child == nullptr) {
    qFatal("no control %s", name);
  }
  return child;
}

}  // namespace

class SecondaryWindowsTest final : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(folder_.isValid());
    window_ = std::make_unique<MainWindow>(folder_.path().toStdString());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void cleanup() { window_.reset(); }

  void usageTextIsTwentySixLinesJoinedWithCrLf() {
    const QString text = UsageText();
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 26);
    QVERIFY(lines.front().isEmpty());
    QCOMPARE(lines.back(), QStringLiteral("    Maximum size of image is 1025x1024 pixels 32-bit RGBA."));
    // No bare CR or LF hides inside a line.
    for (const QString& line : lines) {
      QVERIFY(!line.contains('\r') && !line.contains('\n'));
    }
  }

  void helpOpenedTwiceShowsOneWindowWithItsTextOnce() {
    QTest::mouseClick(window_->Command6(), Qt::LeftButton);
    HelpWindow* help = window_->helpForm();
    QVERIFY(help != nullptr);
    QTest::mouseClick(window_->Command6(), Qt::LeftButton);
    QCOMPARE(window_->helpForm(), help);
    QCOMPARE(VisibleTopLevels("helpForm"), 1);
    QCOMPARE(help->windowTitle(), QStringLiteral("Form2"));
    // Modeless: nothing blocks the main window.
    QVERIFY(!help->isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    const QLabel* label = Find<QLabel>(help, "Label1");
    QCOMPARE(Caption(label), UsageText());
    QCOMPARE(label->text().count(QStringLiteral("Usage:")), 1);
    QCOMPARE(label->text().split('\n').size(), 26);

    // The whole text fits, and OK sits centred under it.
    const QPushButton* ok = Find<QPushButton>(help, "Command1");
    QVERIFY(label->width() >= label->sizeHint().width() && label->height() >= label->sizeHint().height());
    QVERIFY(ok->geometry().top() > label->geometry().bottom());
    QVERIFY(qAbs(ok->geometry().center().x() - label->geometry().center().x()) <= 1);
  }

  void helpClosedByOkLoadsAfreshOnReopening() {
    QTest::mouseClick(window_->Command6(), Qt::LeftButton);
    HelpWindow* help = window_->helpForm();
    QTest::mouseClick(Find<QPushButton>(help, "Command1"), Qt::LeftButton);
    QVERIFY(!help->isVisible());
    QVERIFY(!help->IsLoaded());
    QVERIFY(Find<QLabel>(help, "Label1")->text().isEmpty());

    QTest::mouseClick(window_->Command6(), Qt::LeftButton);
    QCOMPARE(window_->helpForm(), help);
    QVERIFY(help->isVisible());
    QCOMPARE(Caption(Find<QLabel>(help, "Label1")), UsageText());
  }

  void aboutShowsTheTwoLineVersionAfterReopening() {
    QTest::mouseClick(window_->Label1(), Qt::LeftButton);
    AboutWindow* about = window_->frmAbout();
    QVERIFY(about != nullptr);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About MyApp"));
    const QLabel* version = Find<QLabel>(about, "lblVersion");
    QCOMPARE(Caption(version), QStringLiteral("Version 1.0\r\nZTF algorithm ver 0.90"));
    QCOMPARE(version->text(), QStringLiteral("Version 1.0\nZTF algorithm ver 0.90"));
    QVERIFY(Find<QLabel>(about, "lblDisclaimer")->text().isEmpty());
    QCOMPARE(about->findChildren<QFrame*>(QStringLiteral("Line1")).size(), 2);

    QTest::mouseClick(Find<QPushButton>(about, "cmdOK"), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QCOMPARE(version->text(), QStringLiteral("Version 1.0"));

    QTest::mouseClick(window_->Label1(), Qt::LeftButton);
    QCOMPARE(window_->frmAbout(), about);
    QVERIFY(about->isVisible());
    QCOMPARE(version->text(), QStringLiteral("Version 1.0\nZTF algorithm ver 0.90"));
    QCOMPARE(VisibleTopLevels("frmAbout"), 1);
  }

  void openingAShownWindowDoesNotLoadItAgain() {
    QTest::mouseClick(window_->Label1(), Qt::LeftButton);
    AboutWindow* about = window_->frmAbout();
    auto* version = Find<QLabel>(about, "lblVersion");
    version->setText(QStringLiteral("left as it is"));
    QTest::mouseClick(window_->Label1(), Qt::LeftButton);
    QCOMPARE(version->text(), QStringLiteral("left as it is"));

    // Closing by the window manager unloads as OK does.
    about->close();
    QVERIFY(!about->IsLoaded());
    QTest::mouseClick(window_->Label1(), Qt::LeftButton);
    QCOMPARE(version->text(), QStringLiteral("Version 1.0\nZTF algorithm ver 0.90"));
  }

  void closingTheMainWindowClosesTheOthers() {
    QTest::mouseClick(window_->Command6(), Qt::LeftButton);
    QTest::mouseClick(window_->Label1(), Qt::LeftButton);
    window_->close();
    QCOMPARE(VisibleTopLevels("helpForm"), 0);
    QCOMPARE(VisibleTopLevels("frmAbout"), 0);
  }

 private:
  QTemporaryDir folder_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace rastella

QTEST_MAIN(rastella::SecondaryWindowsTest)
#include "secondary_windows_test.moc"
