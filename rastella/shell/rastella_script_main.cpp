// rastella-script [SCRIPT]: runs the viewer without a window on the commands
// of SCRIPT, or of standard input without one.

#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

#include "shell/script_runner.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: rastella-script [SCRIPT]\n";
    return rastella::ScriptRunner::kUsageError;
  }
  std::string currentFolder(4096, '\0');
  if (::getcwd(currentFolder.data(), currentFolder.size()) == nullptr) {
    std::cerr << "rastella-script: cannot read the current folder\n";
    return rastella::ScriptRunner::kUsageError;
  }
  currentFolder.resize(currentFolder.find('\0'));

  rastella::ScriptRunner runner(currentFolder, std::cout, std::cerr);
  if (argc == 2) {
    std::ifstream script(argv[1]);
    if (!script) {
      std::cerr << "rastella-script: cannot read " << argv[1] << "\n";
      return rastella::ScriptRunner::kUsageError;
    }
    return runner.Run(script);
  }
  return runner.Run(std::cin);
}
