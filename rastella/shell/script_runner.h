#pragma once
// rastella-script: the viewer after start, driven by commands, one per line.
//
//   folder PATH      change the folder list to PATH and the file list with it
//   click NAME       select NAME in the file list and click it
//   view, save-tga, save-alpha, save-ztf
//                    the "View", "Save TGA", "Save ALPHA", "Save ZTF" buttons
//   picture-click    a click on the picture box
//   status           print the status line
//   texts            print every status text since the last `texts`
//   state            print the image state's fields as Name=value lines
//   pixel X Y        print ColorBuffer(X, Y, 0..2) and AlphaBuffer(X, Y)
//   dump PATH        write the drawing area as a binary PPM
//   list             print the names that the file list shows
//
// Blank lines and lines starting with "#" are skipped.  `folder`, `click` and
// `dump` take the rest of the line as their argument.

#include <istream>
#include <ostream>
#include <string>

#include "shell/headless_window.h"
#include "shell/main_form.h"

namespace rastella {

class ScriptRunner {
 public:
  // Exit statuses besides 0: the output could not be written, and a bad
  // command or argument.
  static constexpr int kOutputError = 1;
  static constexpr int kUsageError = 2;

  // Starts like the program: the lists on `startFolder` (absolute), then
  // Form_Load.
  ScriptRunner(const std::string& startFolder, std::ostream& out, std::ostream& err);

  // From now on `folder` and `dump` accept only paths inside the start
  // folder, so that scripts from an untrusted source (a fuzzer) cannot
  // reach the rest of the file system.
  void ConfineToStartFolder() { confined_ = true; }

  // Starts over as a new run would, on the start folder with Form_Load,
  // but keeps the viewer's image state, as a window kept open does.  The
  // fuzz target runs one script after another this way, without paying for
  // a fresh image state each time.
  void Restart();

  // Runs one line.  False, with a message on the error stream, for an
  // unknown command or a bad argument.
  bool RunLine(const std::string& line);

  // Runs every line of `input`; the process's exit status: 0, kUsageError
  // at the first bad line, or kOutputError as soon as a write to the output
  // stream (or its final flush) fails, with one line on the error stream.
  int Run(std::istream& input);

  const HeadlessWindow& Window() const { return window_; }
  const MainForm& Form() const { return form_; }

 private:
  bool Fail(const std::string& message);
  // False, with a message on the error stream, when the output stream has
  // failed.
  bool OutputWritten();
  bool ChangeFolder(const std::string& argument);
  bool Click(const std::string& name);
  bool PrintPixel(const std::string& arguments);
  bool Dump(const std::string& path);
  void PrintState();
  // `path` made absolute against the start folder and normalised, without a
  // trailing "/"; empty when the runner is confined and the path leaves the
  // start folder.
  std::string ResolvePath(const std::string& path) const;

  HeadlessWindow window_;
  MainForm form_;
  std::ostream& out_;
  std::ostream& err_;
  std::string startFolder_;
  int lineNumber_ = 0;
  bool confined_ = false;
};

}  // namespace rastella
