// The smallest C++ program: it starts, links the C++ runtime and ends.  The
// whole-process comparisons measure how far above it rastella-script's own
// start-up lies.

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  // One use of the C++ library, so that the runtime is loaded as it is for
  // any C++ program, and nothing else.
  const std::string name = argc > 0 ? argv[0] : "";
  return name.empty() ? 1 : 0;
}
