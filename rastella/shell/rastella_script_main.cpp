// rastella-script [SCRIPT]: runs the viewer without a window on the commands
// of SCRIPT, or of standard input without one.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "shell/script_runner.h"
#include "shell/utf8_path.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: rastella-script [SCRIPT]\n";
    return rastella::ScriptRunner::kUsageError;
  }
  std::error_code error;
  std::string currentFolder;
  try {
    currentFolder = rastella::Utf8FromPath(std::filesystem::current_path(error));
  } catch (const std::exception&) {
    error = std::make_error_code(std::errc::illegal_byte_sequence);  // no UTF-8 form
  }
  if (error) {
    std::cerr << "rastella-script: cannot read the current folder\n";
    return rastella::ScriptRunner::kUsageError;
  }

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
