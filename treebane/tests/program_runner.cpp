#include "program_runner.h"

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace treebane::testing {

namespace {

void MakePipe(int ends[2]) {
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot create a pipe");
  }
}

}  // namespace

TreebaneProcess::TreebaneProcess(const std::filesystem::path& folder, const ProgramOptions& options) {
  // A write to the input of a program that has ended must fail, not end
  // the test.
  std::signal(SIGPIPE, SIG_IGN);

  int inputEnds[2];
  int outputEnds[2];
  MakePipe(inputEnds);
  MakePipe(outputEnds);
  if (options.output == OutputTo::BrokenPipe) {
    ::close(outputEnds[0]);
    outputEnds[0] = -1;
  }

  // Everything the child needs is prepared before the fork.
  const std::string directory = folder.string();
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    environment.emplace_back(*entry);
  }
  environment.insert(environment.end(), options.environment.begin(), options.environment.end());
  std::vector<char*> environmentPointers;
  for (std::string& entry : environment) {
    environmentPointers.push_back(entry.data());
  }
  environmentPointers.push_back(nullptr);
  std::vector<std::string> command = options.launcher;
  command.emplace_back(TREEBANE_PROGRAM);
  std::vector<char*> arguments;
  for (std::string& argument : command) {
    arguments.push_back(argument.data());
  }
  arguments.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) {
    throw std::runtime_error("cannot fork");
  }
  if (pid_ == 0) {
    switch (options.input) {
      case InputFrom::TestPipe:
        ::dup2(inputEnds[0], STDIN_FILENO);
        break;
      case InputFrom::Closed:
        ::close(STDIN_FILENO);
        break;
      case InputFrom::DevNull: {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::close(null);
        break;
      }
    }
    if (options.output == OutputTo::Closed) {
      ::close(STDOUT_FILENO);
    } else {
      ::dup2(outputEnds[1], STDOUT_FILENO);
    }
    std::signal(SIGPIPE, SIG_DFL);
    if (options.fileSizeLimit != RLIM_INFINITY) {
      const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (::chdir(directory.c_str()) != 0) {
      ::_exit(126);
    }
    ::execvpe(arguments[0], arguments.data(), environmentPointers.data());
    ::_exit(127);
  }
  ::close(inputEnds[0]);
  ::close(outputEnds[1]);
  input_ = inputEnds[1];
  output_pipe_ = outputEnds[0];
  if (options.input != InputFrom::TestPipe) {
    CloseInput();
  }
  if (options.output == OutputTo::Closed) {
    ::close(output_pipe_);
    output_pipe_ = -1;
  }
}

TreebaneProcess::~TreebaneProcess() {
  if (!ended_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
  }
  CloseInput();
  if (output_pipe_ >= 0) {
    ::close(output_pipe_);
  }
}

void TreebaneProcess::Type(std::string_view input) {
  while (!input.empty() && input_ >= 0) {
    const ssize_t written = ::write(input_, input.data(), input.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;  // the program no longer reads
    }
    input.remove_prefix(static_cast<std::size_t>(written));
  }
}

void TreebaneProcess::CloseInput() {
  if (input_ >= 0) {
    ::close(input_);
    input_ = -1;
  }
}

void TreebaneProcess::Signal(int signalNumber) {
  if (!ended_) {
    ::kill(pid_, signalNumber);
  }
}

bool TreebaneProcess::Collect(std::chrono::milliseconds timeout) {
  if (output_pipe_ < 0) {
    return false;
  }
  pollfd request{output_pipe_, POLLIN, 0};
  const int ready = ::poll(&request, 1, static_cast<int>(timeout.count()));
  if (ready <= 0) {
    return true;
  }
  char buffer[65536];
  const ssize_t count = ::read(output_pipe_, buffer, sizeof buffer);
  if (count < 0 && errno == EINTR) {
    return true;
  }
  if (count <= 0) {
    ::close(output_pipe_);
    output_pipe_ = -1;
    return false;
  }
  output_.append(buffer, static_cast<std::size_t>(count));
  return true;
}

bool TreebaneProcess::WaitForOutput(std::string_view text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (output_.find(text) == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !Collect(left)) {
      return output_.find(text) != std::string::npos;
    }
  }
  return true;
}

int TreebaneProcess::Wait(std::chrono::milliseconds timeout) {
  if (ended_) {
    return status_;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut_ = true;
      ::kill(pid_, SIGKILL);
      break;
    }
    if (output_pipe_ >= 0) {
      Collect(left);
    } else if (StillRunning()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } else {
      return status_;
    }
  }
  ::waitpid(pid_, &status_, 0);
  ended_ = true;
  return status_;
}

bool TreebaneProcess::StillRunning() {
  if (ended_) {
    return false;
  }
  const pid_t result = ::waitpid(pid_, &status_, WNOHANG);
  if (result == pid_) {
    ended_ = true;
  }
  return !ended_;
}

RunResult RunTreebane(const std::filesystem::path& folder, std::string_view input, const ProgramOptions& options) {
  TreebaneProcess process(folder, options);
  process.Type(input);
  process.CloseInput();
  RunResult result;
  result.status = process.Wait();
  if (process.TimedOut()) {
    throw std::runtime_error("treebane did not end in time");
  }
  result.output = process.Output();
  return result;
}

}  // namespace treebane::testing
