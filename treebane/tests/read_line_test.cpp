// ReadLine from redirected standard input: a pipe that is fed the whole
// input and then reaches its end.

#include "services/console.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <thread>
#else
#include "standard_input_from.h"

#include <unistd.h>
#endif

namespace treebane {
namespace {

using Lines = std::vector<std::string>;

#ifdef _WIN32

// The console takes its standard handles in InitConsole, so the pipe is put
// in place and the console prepared again; both are put back afterwards.
Lines ReadLinesFrom(const std::string& input, int calls) {
  HANDLE readingEnd = nullptr;
  HANDLE writingEnd = nullptr;
  if (::CreatePipe(&readingEnd, &writingEnd, nullptr, 0) == 0) {
    throw std::runtime_error("no pipe");
  }
  // A pipe may hold less than the input, so a writer of its own feeds it,
  // in pieces that end at arbitrary bytes.
  std::thread writer([&input, writingEnd] {
    std::size_t offset = 0;
    while (offset < input.size()) {
      const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(input.size() - offset, 3000));
      DWORD written = 0;
      if (::WriteFile(writingEnd, input.data() + offset, piece, &written, nullptr) == 0) {
        break;
      }
      offset += written;
    }
    ::CloseHandle(writingEnd);
  });
  const HANDLE savedInput = ::GetStdHandle(STD_INPUT_HANDLE);
  ::SetStdHandle(STD_INPUT_HANDLE, readingEnd);
  InitConsole();
  Lines lines;
  for (int call = 0; call < calls; ++call) {
    lines.push_back(ReadLine());
  }
  ::SetStdHandle(STD_INPUT_HANDLE, savedInput);
  InitConsole();
  writer.join();
  ::CloseHandle(readingEnd);
  return lines;
}

#else

using testing::StandardInputFrom;

Lines ReadLinesFrom(const std::string& input, int calls) {
  int ends[2];
  if (::pipe(ends) != 0) {
    throw std::runtime_error("no pipe");
  }
  // The inputs are far smaller than a pipe's capacity.
  if (::write(ends[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    throw std::runtime_error("short write to the pipe");
  }
  ::close(ends[1]);
  Lines lines;
  {
    StandardInputFrom redirect(ends[0]);
    for (int call = 0; call < calls; ++call) {
      lines.push_back(ReadLine());
    }
  }
  ::close(ends[0]);
  return lines;
}

#endif

// Every call list below ends with a call at the end of the input, which also
// leaves the line reader without left-over text for the next test.

TEST(ReadLine, RedirectedInputEndsLinesAtCarriageReturnOrLineFeed) {
  EXPECT_EQ(ReadLinesFrom("one\ntwo\n", 3), (Lines{"one", "two", ""}));
  EXPECT_EQ(ReadLinesFrom("one\rtwo\r", 3), (Lines{"one", "two", ""}));
  EXPECT_EQ(ReadLinesFrom("one\r\ntwo\r\n", 3), (Lines{"one", "two", ""})) << "CR LF is one line end";
  EXPECT_EQ(ReadLinesFrom("one\n\rtwo\r\r\n", 5), (Lines{"one", "", "two", "", ""})) << "LF CR is two";
  EXPECT_EQ(ReadLinesFrom("\n", 2), (Lines{"", ""})) << "Enter on an empty line";
}

TEST(ReadLine, UnterminatedLastLineAndEndOfInput) {
  EXPECT_EQ(ReadLinesFrom("first\nlast", 4), (Lines{"first", "last", "", ""}));
  EXPECT_EQ(ReadLinesFrom("", 3), (Lines{"", "", ""}));
  EXPECT_EQ(ReadLinesFrom("ends in CR\r", 2), (Lines{"ends in CR", ""}));
}

TEST(ReadLine, LongLinesAndLineEndsAcrossReads) {
  const std::string longLine(10000, 'x');  // longer than one read
  EXPECT_EQ(ReadLinesFrom(longLine + "\r\nafter\n", 3), (Lines{longLine, "after", ""}));
  // A carriage return as the last byte of one read and its line feed as
  // the first of the next still make one line end.
  const std::string filler(4095, 'y');
  EXPECT_EQ(ReadLinesFrom(filler + "\r\nnext\n", 3), (Lines{filler, "next", ""}));
}

}  // namespace
}  // namespace treebane
