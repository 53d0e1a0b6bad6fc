// rastella: the TGA/ZTF viewer and converter.  It starts on the current
// folder.  "rastella PATH" (what a file manager runs for "Open with") starts
// with PATH's file viewed, or its folder selected.

#include <QApplication>
#include <filesystem>

#include "shell/qt/main_window.h"

int main(int argc, char** argv) {
  // Takes Qt's own options out of argc and argv.
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("rastella"));
  QApplication::setDesktopFileName(QStringLiteral("rastella"));

  rastella::MainWindow window(std::filesystem::current_path().string());
  window.show();
  if (argc > 1) {
    // The path's bytes as given: a file name need not be valid UTF-8.
    window.OpenPath(argv[1]);
  }
  return QApplication::exec();
}
