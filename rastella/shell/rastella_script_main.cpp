// rastella-script [SCRIPT]: runs the viewer without a window on the commands
// of SCRIPT, or of standard input without one.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "shell/script_runner.h"
#include "shell/utf8_path.h"

namespace {

constexpr std::string_view kUsage =
    "usage: rastella-script [SCRIPT]\n"
    "       rastella-script --help | --version\n"
    "\n"
    "Runs the rastella viewer without a window, in the current folder, on the\n"
    "commands of SCRIPT or of standard input, one command a line:\n"
    "\n"
    "  folder PATH      change the folder (relative to the current one)\n"
    "  click NAME       select NAME in the file list\n"
    "  view             the View button\n"
    "  save-tga         the Save TGA button; also save-alpha, save-ztf\n"
    "  picture-click    a click on the picture box\n"
    "  status           print the status line\n"
    "  texts            print every status text since the last texts\n"
    "  state            print the image state\n"
    "  pixel X Y        print one pixel: red, green, blue, alpha\n"
    "  dump PATH        write the drawing area as a PPM image\n"
    "  list             print the file list\n"
    "\n"
    "Blank lines and lines starting with # are skipped.  Exit status: 0 done,\n"
    "1 the output could not be written, 2 a bad command or argument.\n";

// Prints `text` on standard output; the exit status.
int PrintAndExit(std::string_view text) {
  std::cout << text;
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0) {
    std::cerr << "rastella-script: cannot write the output\n";
    return rastella::ScriptRunner::kOutputError;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    return PrintAndExit(kUsage);
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    return PrintAndExit("rastella-script " RASTELLA_VERSION "\n");
  }
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
