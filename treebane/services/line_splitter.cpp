#include "line_splitter.h"

namespace treebane {

bool LineSplitter::TakeBufferedLine(std::string& line) {
  if (skipLineFeed_ && !pending_.empty()) {
    if (pending_.front() == '\n') {
      pending_.erase(0, 1);
    }
    skipLineFeed_ = false;
  }
  const std::size_t end = pending_.find_first_of("\r\n");
  if (end == std::string::npos) {
    return false;
  }
  line = pending_.substr(0, end);
  skipLineFeed_ = pending_[end] == '\r';
  pending_.erase(0, end + 1);
  return true;
}

std::string LineSplitter::TakeRest() {
  std::string rest;
  rest.swap(pending_);
  skipLineFeed_ = false;
  return rest;
}

}  // namespace treebane
