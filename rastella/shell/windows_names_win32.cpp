// UTF-8 names inside the program, UTF-16 names at the wide-character calls
// of Windows.

#include "shell/windows_names_win32.h"

#include <cstdint>
#include <vector>

namespace rastella::windows_names {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool IsSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

void AppendUtf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(std::wstring& wide, char32_t code) {
  if (code < 0x10000) {
    wide += static_cast<wchar_t>(code);
  } else {
    code -= 0x10000;
    wide += static_cast<wchar_t>(0xD800 + (code >> 10));
    wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
  }
}

// Decodes the character at `position` of strictly valid UTF-8 (no overlong
// form, no surrogate, nothing above U+10FFFF) and moves past it; false at
// anything else, `position` then unchanged.
bool DecodeUtf8(std::string_view text, std::size_t& position, char32_t& code) {
  const auto byte = [&](std::size_t index) { return static_cast<std::uint8_t>(text[index]); };
  const std::uint8_t lead = byte(position);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    ++position;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    minimum = 0x10000;
  } else {
    return false;
  }
  if (text.size() - position < length) {
    return false;
  }
  for (std::size_t index = 1; index < length; ++index) {
    const std::uint8_t next = byte(position + index);
    if ((next & 0xC0) != 0x80) {
      return false;
    }
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || IsSurrogate(code)) {
    return false;
  }
  position += length;
  return true;
}

// The part of a wide path up to its last separator, and the rest.
std::size_t LastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

}  // namespace

std::string NameFromWide(std::wstring_view wide) {
  std::string text;
  text.reserve(wide.size());
  for (std::size_t index = 0; index < wide.size(); ++index) {
    char32_t code = static_cast<char16_t>(wide[index]);
    if (code >= 0xD800 && code <= 0xDBFF && index + 1 < wide.size()) {
      const char32_t low = static_cast<char16_t>(wide[index + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++index;
      }
    }
    // An unpaired surrogate is written as if it were a character: the
    // three bytes that no strict decoder accepts.
    AppendUtf8(text, code);
  }
  return text;
}

bool WideFromUtf8(std::string_view text, std::wstring& wide) {
  wide.clear();
  wide.reserve(text.size());
  std::size_t position = 0;
  while (position < text.size()) {
    char32_t code = 0;
    if (!DecodeUtf8(text, position, code) || code == 0) {
      wide.clear();
      return false;
    }
    AppendUtf16(wide, code);
  }
  return true;
}

std::wstring WideForDisplay(std::string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  std::size_t position = 0;
  while (position < text.size()) {
    char32_t code = 0;
    if (!DecodeUtf8(text, position, code)) {
      code = ReplacementCharacter;
      ++position;
    }
    AppendUtf16(wide, code);
  }
  return wide;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide;
  if (path.empty() || !WideFromUtf8(path, wide)) {
    return std::wstring();
  }
  if (wide.rfind(L"\\\\?\\", 0) == 0) {
    return wide;
  }
  // The folder part is made absolute by the platform; the last component
  // is appended as it stands, because the platform's own clean-up drops
  // trailing dots and blanks from it, which would open another file (a
  // listed "a.tree.tga." would open "a.tree.tga").
  const std::size_t separator = LastSeparator(wide);
  std::wstring folder = separator == std::wstring::npos ? std::wstring(L".") : wide.substr(0, separator + 1);
  std::wstring name = separator == std::wstring::npos ? wide : wide.substr(separator + 1);
  if (name.empty() || name == L"." || name == L"..") {
    // A path that ends in a folder step ("C:\", "sub\..") is a folder,
    // which the platform resolves as a whole.
    folder = wide;
    name.clear();
  }
  const DWORD needed = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (needed == 0) {
    return std::wstring();
  }
  std::vector<wchar_t> full(needed + 1);
  const DWORD length = ::GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) {
    return std::wstring();
  }
  std::wstring absolute(full.data(), length);
  if (!name.empty()) {
    if (absolute.back() != L'\\') {
      absolute += L'\\';
    }
    absolute += name;
  }
  // Extended-length form: "\\?\C:\..." and "\\?\UNC\server\share\...".
  if (absolute.rfind(L"\\\\", 0) == 0) {
    if (absolute.rfind(L"\\\\.\\", 0) == 0) {
      return absolute;  // a device path is left as the platform made it
    }
    return L"\\\\?\\UNC\\" + absolute.substr(2);
  }
  return L"\\\\?\\" + absolute;
}

bool OpenedUnderExactName(HANDLE file, const std::string& path) {
  std::wstring wide;
  if (!WideFromUtf8(path, wide)) {
    return false;
  }
  const std::size_t separator = LastSeparator(wide);
  const std::wstring asked = separator == std::wstring::npos ? wide : wide.substr(separator + 1);

  std::vector<wchar_t> name(MAX_PATH);
  DWORD length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()), 0);
  if (length >= name.size()) {
    name.resize(length + 1);
    length = ::GetFinalPathNameByHandleW(file, name.data(), static_cast<DWORD>(name.size()), 0);
  }
  if (length == 0 || length >= name.size()) {
    // The platform cannot tell the name: nothing to hold against it.
    return true;
  }
  const std::wstring opened(name.data(), length);
  const std::size_t openedSeparator = LastSeparator(opened);
  const std::wstring found = openedSeparator == std::wstring::npos ? opened : opened.substr(openedSeparator + 1);
  // A name that differs altogether is the target of a symbolic link,
  // which the caller asked for by the link's name.
  const bool sameIgnoringCase = ::CompareStringOrdinal(found.c_str(), static_cast<int>(found.size()), asked.c_str(),
                                                       static_cast<int>(asked.size()), TRUE) == CSTR_EQUAL;
  return found == asked || !sameIgnoringCase;
}

bool NameTakenByAnother(const std::string& path) {
  std::wstring wide;
  if (!WideFromUtf8(path, wide)) {
    return false;
  }
  const std::size_t separator = LastSeparator(wide);
  const std::wstring asked = separator == std::wstring::npos ? wide : wide.substr(separator + 1);
  WIN32_FIND_DATAW entry{};
  const HANDLE listing = ::FindFirstFileW(WidePath(path).c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) {
    return false;
  }
  ::FindClose(listing);
  return asked != entry.cFileName;
}

}  // namespace rastella::windows_names
