#pragma once

// A POSIX test helper shared by the console tests: standard input taken
// from another descriptor for a while.

#include <unistd.h>

namespace treebane::testing {

// Puts `descriptor` in place of standard input for the lifetime of the
// object.
class StandardInputFrom {
 public:
  explicit StandardInputFrom(int descriptor) : saved_(::dup(STDIN_FILENO)) { ::dup2(descriptor, STDIN_FILENO); }
  ~StandardInputFrom() {
    ::dup2(saved_, STDIN_FILENO);
    ::close(saved_);
  }
  StandardInputFrom(const StandardInputFrom&) = delete;
  StandardInputFrom& operator=(const StandardInputFrom&) = delete;

 private:
  int saved_;
};

}  // namespace treebane::testing
