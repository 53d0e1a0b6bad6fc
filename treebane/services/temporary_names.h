#pragma once

// The names of treebane's temporary files: ".treebane-<process id>-<number>.tmp".
//
// The process id makes a name the program's own: two runs never pick the
// same name, and a file left behind by a run that was killed tells which
// process made it, so a later run can remove it once that process is gone.
// The number tells a process's temporary files apart. A name is at most 45
// bytes long, whatever the name of the file it stands in for, and never
// matches "*.tree.tga".

#include <cstdint>
#include <string>
#include <string_view>

namespace treebane {

std::string TemporaryFileName(std::uint32_t processId, std::uint64_t number);

// True when `name` has exactly the form that TemporaryFileName gives (plain
// decimal numbers without leading zeros); `processId` is then its process id.
bool TemporaryFileOwner(std::string_view name, std::uint32_t& processId);

}  // namespace treebane
