// rastella: the TGA/ZTF viewer and converter.  It starts on the current
// folder and reads no command line.

#include <QApplication>
#include <filesystem>

#include "shell/qt/main_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("rastella"));
  QApplication::setDesktopFileName(QStringLiteral("rastella"));

  rastella::MainWindow window(std::filesystem::current_path().string());
  window.show();
  return QApplication::exec();
}
