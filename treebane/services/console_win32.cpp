// Console on Windows: the program's own console or redirected standard
// handles, and the console's control events.

#include "console.h"

#include "console_platform.h"
#include "console_win32.h"
#include "file_slots.h"
#include "line_splitter.h"
#include "windows_names.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace treebane {

using windows_names::WideForDisplay;

namespace {

// The input mode for reading a line: processed, line-wise input with echo.
constexpr DWORD LineInputMode = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;

HANDLE standardInput = INVALID_HANDLE_VALUE;
HANDLE standardOutput = INVALID_HANDLE_VALUE;

// Guards the redirected input read beyond the last line returned.
CRITICAL_SECTION lineReaderLock;
bool lineReaderLockReady = false;
LineSplitter redirectedInput;

// A handle value that refers to nothing open now could later be handed out
// for a file the program opens, and the console text would land inside it;
// so such a value is never used.
bool Usable(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  ::SetLastError(NO_ERROR);
  return ::GetFileType(handle) != FILE_TYPE_UNKNOWN || ::GetLastError() == NO_ERROR;
}

HANDLE TakeStandardHandle(DWORD which, HANDLE startedWith) {
  if (Usable(startedWith)) {
    return startedWith;
  }
  const HANDLE handle = ::GetStdHandle(which);
  return Usable(handle) ? handle : INVALID_HANDLE_VALUE;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

namespace {

// Writes all of `size` units from `data` with `write`, which reports how many
// it took; false when it fails or takes none.
template <typename Unit, typename Write>
bool WriteAllUnits(const Unit* data, std::size_t size, Write write) {
  while (size > 0) {
    DWORD written = 0;
    if (!write(data, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20)), written) || written == 0) {
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

// The text in the console's output code page, for output that is not a
// console (a file, a pipe): what the console would show is what the file
// holds. A character that the code page lacks becomes "?", a character no
// file name can hold, so it never passes for another name; the look-alikes
// that best-fit mapping would offer ("\\" for U+FF3C) are never used.
std::string InConsoleCodePage(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    return std::string(text);
  }
  UINT codePage = ::GetConsoleOutputCP();
  if (codePage == 0) {
    codePage = ::GetOEMCP();
  }
  const std::wstring wide = WideForDisplay(text);
  const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
  const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = utf ? nullptr : "?";
  const int size = static_cast<int>(wide.size());
  const int needed = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
  std::string converted(static_cast<std::size_t>(std::max(needed, 0)), '\0');
  if (needed <= 0 || ::WideCharToMultiByte(codePage, flags, wide.data(), size, converted.data(), needed, fallback,
                                           nullptr) != needed) {
    return std::string(text);
  }
  return converted;
}

}  // namespace

void WriteToStandardOutput(std::string_view bytes) {
  if (standardOutput == INVALID_HANDLE_VALUE || bytes.empty()) {
    return;
  }
  // A console takes the text as UTF-16 through WriteConsoleW, so every
  // name shows as it is, whatever the console's code page; anything else
  // (a file, a pipe) refuses that and gets the bytes of the console's code
  // page through WriteFile.
  if (IsConsole(standardOutput)) {
    const std::wstring wide = WideForDisplay(bytes);
    WriteAllUnits(wide.data(), wide.size(), [](const wchar_t* data, DWORD size, DWORD& done) {
      return ::WriteConsoleW(standardOutput, data, size, &done, nullptr) != 0;
    });
    return;
  }
  const std::string converted = InConsoleCodePage(bytes);
  WriteAllUnits(converted.data(), converted.size(), [](const char* data, DWORD size, DWORD& done) {
    return ::WriteFile(standardOutput, data, size, &done, nullptr) != 0;
  });
}

namespace {

std::string ReadConsoleLine() {
  DWORD previousMode = 0;
  ::GetConsoleMode(standardInput, &previousMode);
  ::SetConsoleMode(standardInput, LineInputMode);
  char buffer[LineSplitter::ReadChunkSize];
  DWORD count = 0;
  if (::ReadConsoleA(standardInput, buffer, sizeof buffer, &count, nullptr) == 0) {
    count = 0;
  }
  ::SetConsoleMode(standardInput, previousMode);

  std::string line(buffer, std::min<DWORD>(count, sizeof buffer));
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.pop_back();
  }
  return line;
}

std::string ReadRedirectedLine() {
  if (standardInput == INVALID_HANDLE_VALUE) {
    return std::string();
  }
  ::EnterCriticalSection(&lineReaderLock);
  std::string line = redirectedInput.NextLine([](char* data, std::size_t size) -> long long {
    DWORD count = 0;
    // The end of a pipe shows as a failure, the end of a file as 0.
    if (::ReadFile(standardInput, data, static_cast<DWORD>(size), &count, nullptr) == 0) {
      return -1;
    }
    return count;
  });
  ::LeaveCriticalSection(&lineReaderLock);
  return line;
}

}  // namespace

BOOL WINAPI ConsoleEventHandler(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The run goes on meanwhile on its own thread; what it writes is
      // only ever a temporary file until a commit, and from here on no
      // commit happens. The slots are not flushed: they hold nothing that
      // should outlive an interrupted run.
      RemovePendingTemporaryFiles();
      break;
    default:
      break;
  }
  // Not handled: the default handling ends the process.
  return FALSE;
}

void InitConsole() {
  // A program started with redirected handles keeps them even if the
  // console that it asks for would offer its own.
  const HANDLE inputAtStart = ::GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE outputAtStart = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ::AllocConsole();  // fails when the program has a console already
  standardInput = TakeStandardHandle(STD_INPUT_HANDLE, inputAtStart);
  standardOutput = TakeStandardHandle(STD_OUTPUT_HANDLE, outputAtStart);

  if (!lineReaderLockReady) {
    ::InitializeCriticalSection(&lineReaderLock);
    lineReaderLockReady = true;
  }
  // Registered once, even when the console is prepared again.
  ::SetConsoleCtrlHandler(ConsoleEventHandler, FALSE);
  ::SetConsoleCtrlHandler(ConsoleEventHandler, TRUE);
}

std::string ReadLine() { return IsConsole(standardInput) ? ReadConsoleLine() : ReadRedirectedLine(); }

void EndProcess() { ::ExitProcess(0); }

}  // namespace treebane
