// Console on POSIX: standard output, standard input and signals.

#include "console.h"

#include "console_platform.h"
#include "file_slots.h"
#include "line_splitter.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace treebane {

namespace {

// The signals that end the process the way closing the console window ends
// it on other platforms: the terminal closed, Ctrl+C, Ctrl+\ and a
// termination request.
constexpr int EndingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// Terminal settings to put back if a signal ends the process while ReadLine
// has switched the terminal to line-wise input with echo.
struct termios savedTerminal;
volatile std::sig_atomic_t terminalChanged = 0;

LineSplitter redirectedInput;

extern "C" void EndOnSignal(int signalNumber) {
  // Only async-signal-safe calls from here on. Slots are not flushed: the
  // signal may have interrupted a slot operation halfway, and the only
  // files the program writes are replacements and copies, which are
  // meant to vanish when they are unfinished.
  RemovePendingTemporaryFiles();
  if (terminalChanged != 0) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  }
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  ::sigaction(signalNumber, &defaultAction, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signalNumber);
  ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  ::raise(signalNumber);
  ::_exit(128 + signalNumber);
}

}  // namespace

void WriteToStandardOutput(std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t size = bytes.size();
  while (size > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;  // nowhere left to tell about it
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

namespace {

ssize_t ReadStandardInput(char* data, std::size_t size) {
  ssize_t count;
  do {
    count = ::read(STDIN_FILENO, data, size);
  } while (count < 0 && errno == EINTR);
  return count;
}

std::string ReadTerminalLine() {
  struct termios current;
  const bool haveSettings = ::tcgetattr(STDIN_FILENO, &current) == 0;
  const tcflag_t lineWiseWithEcho = ICANON | ECHO | ISIG;
  if (haveSettings && (current.c_lflag & lineWiseWithEcho) != lineWiseWithEcho) {
    savedTerminal = current;
    terminalChanged = 1;
    struct termios lineWise = current;
    lineWise.c_lflag |= lineWiseWithEcho;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &lineWise);
  }

  char buffer[LineSplitter::ReadChunkSize];
  const ssize_t count = ReadStandardInput(buffer, sizeof buffer);
  std::string line(buffer, count > 0 ? static_cast<std::size_t>(count) : 0);

  if (terminalChanged != 0) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    terminalChanged = 0;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.pop_back();
  }
  return line;
}

std::string ReadRedirectedLine() {
  return redirectedInput.NextLine(
      [](char* data, std::size_t size) -> long long { return ReadStandardInput(data, size); });
}

// A standard descriptor that is closed when the program starts would be
// handed out by the next open, and the console text written to it would
// land in whatever file that is: the mask, a backup being made or a texture
// being rewritten. So each closed one is taken at once, by /dev/null, or by
// the root folder, which refuses reads and writes alike, where there is no
// /dev/null. Standard input, output and error are checked in this order, so
// the lowest free descriptor, which open returns, is always the one to fill.
void OccupyClosedStandardDescriptors() {
  for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    if (::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY) < 0) {
      ::open("/", O_RDONLY | O_DIRECTORY);
    }
  }
}

}  // namespace

void InitConsole() {
  OccupyClosedStandardDescriptors();

  struct sigaction ending {};
  ending.sa_handler = EndOnSignal;
  sigemptyset(&ending.sa_mask);
  for (const int signalNumber : EndingSignals) {
    sigaddset(&ending.sa_mask, signalNumber);
  }
  for (const int signalNumber : EndingSignals) {
    ::sigaction(signalNumber, &ending, nullptr);
  }

  // A file size limit makes the write fail instead, and so does a reader
  // of the output that has gone away.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
  ::sigaction(SIGPIPE, &ignore, nullptr);
}

std::string ReadLine() { return ::isatty(STDIN_FILENO) != 0 ? ReadTerminalLine() : ReadRedirectedLine(); }

void EndProcess() { std::exit(0); }

}  // namespace treebane
