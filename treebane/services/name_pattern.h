#pragma once

#include <string_view>

namespace treebane {

// Wildcard match of a whole name: "*" stands for any run of characters, "?"
// for one character, ASCII letter case is ignored; an empty pattern matches
// every name. The scans of every platform filter their listings with it, so
// that they all take the same names whatever the platform's own wildcard
// rules are.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace treebane
