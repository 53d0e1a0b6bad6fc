#pragma once

// Runs the built treebane program in a folder, with standard input and
// standard output connected to pipes of the test, or left closed, or
// connected elsewhere.

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace treebane::testing {

enum class InputFrom {
  TestPipe,  // Type and CloseInput feed it
  Closed,    // descriptor 0 is not open
  DevNull,
};

enum class OutputTo {
  TestPipe,    // Output and WaitForOutput collect it
  Closed,      // descriptor 1 is not open
  BrokenPipe,  // a pipe whose reading end is closed before the start
};

struct ProgramOptions {
  std::vector<std::string> environment;  // "NAME=value" added to the test's own
  rlim_t fileSizeLimit = RLIM_INFINITY;
  InputFrom input = InputFrom::TestPipe;
  OutputTo output = OutputTo::TestPipe;
  // A command, looked up in PATH, that is given the program's path as its
  // last argument and starts it, such as one that changes the user.
  std::vector<std::string> launcher;
};

class TreebaneProcess {
 public:
  // Starts the program with `folder` as its current directory.
  explicit TreebaneProcess(const std::filesystem::path& folder, const ProgramOptions& options = {});
  ~TreebaneProcess();  // kills the program if it still runs
  TreebaneProcess(const TreebaneProcess&) = delete;
  TreebaneProcess& operator=(const TreebaneProcess&) = delete;

  void Type(std::string_view input);
  void CloseInput();
  void Signal(int signalNumber);

  // Collects output until it contains `text`; false if the time runs out
  // or the output ends first.
  bool WaitForOutput(std::string_view text, std::chrono::milliseconds timeout);

  // Collects the rest of the output and waits for the program to end,
  // killing it when the time runs out. The result is a waitpid status.
  // Without an output pipe, or once it has ended, the program is polled
  // until the time runs out.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));

  bool StillRunning();
  bool TimedOut() const { return timedOut_; }
  const std::string& Output() const { return output_; }

 private:
  // Reads what is available within `timeout`; false at the end of output.
  bool Collect(std::chrono::milliseconds timeout);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_pipe_ = -1;
  bool ended_ = false;
  int status_ = 0;
  bool timedOut_ = false;
  std::string output_;
};

struct RunResult {
  std::string output;
  int status = 0;  // waitpid status
};

// Runs the program to its end with `input` on standard input.
RunResult RunTreebane(const std::filesystem::path& folder, std::string_view input = "\n",
                      const ProgramOptions& options = {});

}  // namespace treebane::testing
