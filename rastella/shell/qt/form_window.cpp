#include "shell/qt/form_window.h"

#include <QCloseEvent>

namespace rastella {

namespace {

constexpr char kCaptionProperty[] = "caption";

}  // namespace

FormWindow::FormWindow() : QWidget(nullptr, Qt::Window) {}

void FormWindow::Open() {
  if (!loaded_) {
    Form_Load();
    loaded_ = true;
  }
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void FormWindow::closeEvent(QCloseEvent* event) {
  ResetControls();
  loaded_ = false;
  event->accept();
}

void SetCaption(QLabel* label, const QString& caption) {
  label->setProperty(kCaptionProperty, caption);
  QString shown = caption;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  label->setText(shown);
}

QString Caption(const QLabel* label) { return label->property(kCaptionProperty).toString(); }

}  // namespace rastella
