// Console output, the same on every platform over the platform's
// WriteToStandardOutput.

#include "console.h"

#include "console_platform.h"

#include <string>

namespace treebane {

void WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  WriteToStandardOutput(line);
}

void WriteText(std::string_view text) { WriteToStandardOutput(text); }

}  // namespace treebane
