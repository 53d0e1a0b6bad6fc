#include "services/console.h"
#include "services/file_slots.h"

#include "standard_input_from.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace treebane {
namespace {

using testing::FolderEntries;
using testing::ReadBytes;
using testing::StandardInputFrom;
using testing::TemporaryFolder;
using testing::WriteBytes;

// A pseudo-terminal whose subordinate side serves as standard input.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    main_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (main_ < 0 || ::grantpt(main_) != 0 || ::unlockpt(main_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    subordinate_ = ::open(::ptsname(main_), O_RDWR | O_NOCTTY);
    if (subordinate_ < 0) {
      throw std::runtime_error("cannot open the pseudo-terminal");
    }
  }
  ~PseudoTerminal() {
    ::close(subordinate_);
    ::close(main_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  void Type(const std::string& keys) const {
    if (::write(main_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
      throw std::runtime_error("cannot type");
    }
  }
  int Subordinate() const { return subordinate_; }

 private:
  int main_ = -1;
  int subordinate_ = -1;
};

TEST(ReadLine, TerminalGivesOneLineAtATime) {
  PseudoTerminal terminal;
  StandardInputFrom redirect(terminal.Subordinate());
  terminal.Type("first line\rsecond\n\n");  // Enter sends a carriage return
  EXPECT_EQ(ReadLine(), "first line");
  EXPECT_EQ(ReadLine(), "second");
  EXPECT_EQ(ReadLine(), "");
}

TEST(ReadLine, TerminalInSingleKeyModeIsReadLineWiseAndThenRestored) {
  PseudoTerminal terminal;
  termios raw{};
  ASSERT_EQ(::tcgetattr(terminal.Subordinate(), &raw), 0);
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  ASSERT_EQ(::tcsetattr(terminal.Subordinate(), TCSANOW, &raw), 0);

  StandardInputFrom redirect(terminal.Subordinate());
  // The keys come while ReadLine waits, as a user would type them.
  std::thread typist([&terminal] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    terminal.Type("a");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    terminal.Type("bc\r");
  });
  const std::string line = ReadLine();
  typist.join();
  EXPECT_EQ(line, "abc") << "one line, not the first key alone";

  termios after{};
  ASSERT_EQ(::tcgetattr(terminal.Subordinate(), &after), 0);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), 0u) << "the terminal's own mode comes back";
}

// What the console does with the signals that end the process: the
// unfinished replacement and copy vanish, the targets stay as they were,
// and the process ends by the signal itself.
TEST(InitConsole, EndingSignalsRemoveUnfinishedFiles) {
  for (const int signalNumber : {SIGHUP, SIGINT, SIGTERM, SIGQUIT}) {
    TemporaryFolder folder;
    const std::string target = folder / "texture";
    WriteBytes(target, "original");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);

    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ready[0]);
      InitConsole();
      FileSlots slots;
      if (!slots.CreateReplacement(2, target)) {
        ::_exit(1);
      }
      for (int index = 0; index < 50000; ++index) {
        slots.PutByte(2, index);
      }
      ::write(ready[1], "r", 1);
      for (;;) {
        ::pause();
      }
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "signal " << signalNumber;
    ::close(ready[0]);
    // The replacement exists now, and only it.
    ASSERT_EQ(FolderEntries(folder.Path()).size(), 2u);
    ::kill(child, signalNumber);
    int status = 0;
    ::waitpid(child, &status, 0);

    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "signal " << signalNumber;
    EXPECT_EQ(ReadBytes(target), "original");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"texture"}) << "signal " << signalNumber;
  }
}

}  // namespace
}  // namespace treebane
