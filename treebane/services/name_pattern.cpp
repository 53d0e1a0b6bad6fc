#include "name_pattern.h"

namespace treebane {

namespace {

char FoldCase(char character) {
  return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

}  // namespace

// Greedy with backtracking to the most recent "*", which is linear for
// patterns with a single star and never worse than quadratic.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) {
    return true;
  }
  std::size_t nameIndex = 0;
  std::size_t patternIndex = 0;
  std::size_t starIndex = std::string_view::npos;
  std::size_t nameAfterStar = 0;
  while (nameIndex < name.size()) {
    if (patternIndex < pattern.size() && pattern[patternIndex] == '*') {
      starIndex = patternIndex++;
      nameAfterStar = nameIndex;
    } else if (patternIndex < pattern.size() &&
               (pattern[patternIndex] == '?' || FoldCase(pattern[patternIndex]) == FoldCase(name[nameIndex]))) {
      ++patternIndex;
      ++nameIndex;
    } else if (starIndex != std::string_view::npos) {
      patternIndex = starIndex + 1;
      nameIndex = ++nameAfterStar;
    } else {
      return false;
    }
  }
  while (patternIndex < pattern.size() && pattern[patternIndex] == '*') {
    ++patternIndex;
  }
  return patternIndex == pattern.size();
}

}  // namespace treebane
