#pragma once

// The console of treebane: line output, line input and the end of the
// process on a close event.

#include <string>
#include <string_view>

namespace treebane {

// Prepares the console once, before any output and before any file is
// opened. Closing the terminal or the console window, an interrupt or a
// termination request from then on end the process, after removing the
// temporary files of unfinished replacements and copies, so no half-written
// file is left behind.
//
// POSIX: file size limits make writes fail instead of ending the process,
// and standard input, output or error that are closed at start are opened on
// /dev/null, so that no file the program opens later takes their place.
//
// Windows: a console of the program's own is asked for first; standard
// handles that the program was started with (redirected ones) are kept, and
// handles that are not usable are never written to or read from.
void InitConsole();

// Writes the text followed by carriage return and line feed to standard
// output, as one write. Text that cannot be written (standard output closed,
// or a reader of a pipe that has gone away) is dropped and the program goes
// on: the text only reports the work, and leaving the work half done
// because nobody reads the report would serve no one.
void WriteLine(std::string_view text);

// Writes the text to standard output without a line end.
void WriteText(std::string_view text);

// Waits for one line of input and returns it without its line end.
// From a terminal: one line as the terminal's line editing delivers it.
// From redirected input: the text up to the next carriage return or line
// feed (a carriage return directly followed by a line feed is one line
// end); what follows is kept for the next call. At the end of the input,
// or when reading fails, whatever is left is returned at once, which is
// the empty text when nothing is left.
std::string ReadLine();

// Ends the process with exit status 0.
[[noreturn]] void EndProcess();

}  // namespace treebane
