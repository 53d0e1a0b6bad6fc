#pragma once

// Splits redirected standard input into lines, for the consoles of every
// platform: a line ends at a carriage return or a line feed, and a carriage
// return directly followed by a line feed is one line end, even when the two
// arrive in different reads.

#include <cstddef>
#include <string>

namespace treebane {

class LineSplitter {
 public:
  static constexpr std::size_t ReadChunkSize = 4096;

  // The next line without its line end. `read(buffer, size)` fills up to
  // `size` bytes and returns how many it gave; 0 or less means the end of
  // the input or a failure. Then whatever is left is returned at once,
  // which is the empty text when nothing is left, so a caller never waits
  // on input that has ended.
  template <typename ReadChunk>
  std::string NextLine(ReadChunk&& read) {
    std::string line;
    while (!TakeBufferedLine(line)) {
      char buffer[ReadChunkSize];
      const long long count = read(buffer, sizeof buffer);
      if (count <= 0) {
        return TakeRest();
      }
      pending_.append(buffer, static_cast<std::size_t>(count));
    }
    return line;
  }

 private:
  // True, with the line, when the text read so far holds a whole line.
  bool TakeBufferedLine(std::string& line);
  std::string TakeRest();

  // Input read beyond the last line returned.
  std::string pending_;
  // The last line returned ended in a carriage return, so a line feed
  // that follows belongs to the same line end.
  bool skipLineFeed_ = false;
};

}  // namespace treebane
