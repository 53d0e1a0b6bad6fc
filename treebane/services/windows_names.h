#pragma once

// File names between the program and the wide-character calls of Windows.
//
// Names and paths are UTF-8 inside the program, as on every other platform,
// and UTF-16 at the operating system: every name reaches the file system
// exactly as the directory listing gave it, whatever the ANSI code page is,
// and nothing is ever mapped to a look-alike ("best fit").
//
// A listed name that has no exact UTF-8 form (an unpaired surrogate, which
// NTFS allows) is kept for showing, with each unpaired surrogate in the
// three-byte form that UTF-8 forbids; WidePath refuses such text, so the
// file is shown but never opened, and no other file is opened in its place.

#include <windows.h>

#include <string>
#include <string_view>

namespace treebane::windows_names {

// The UTF-8 form of a name the platform gave, unpaired surrogates kept as
// described above.
std::string NameFromWide(std::wstring_view wide);

// The UTF-16 form of strictly valid UTF-8 text without a zero character;
// false, and `wide` empty, for anything else.
bool WideFromUtf8(std::string_view text, std::wstring& wide);

// The UTF-16 text of UTF-8 text for showing it: what WideFromUtf8 refuses
// shows as U+FFFD.
std::wstring WideForDisplay(std::string_view text);

// The path to hand to a wide-character call: absolute, with the "\\?\"
// extended-length prefix, so that no 260-character limit applies and the
// last component reaches the file system unchanged (the platform's clean-up
// of a plain path would drop its trailing dots and blanks). Empty when the
// path is not valid UTF-8: every call then fails, as for a missing file.
std::wstring WidePath(const std::string& path);

// False when the last component of the name of the open `file` differs
// from the last component of `path` in letter case only. On a file system
// that looks names up regardless of letter case, "a.tree.tga_org" can open
// "A.tree.tga_org": the file then belongs to another name.
bool OpenedUnderExactName(HANDLE file, const std::string& path);

}  // namespace treebane::windows_names
