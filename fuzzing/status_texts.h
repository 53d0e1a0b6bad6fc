#pragma once
// The status texts that the viewer's View command may end with, for the
// fuzz targets and the damaged-file sweeps to hold every result against.

#include <string_view>

namespace fuzzing {

// A plain decimal number without leading zeros, at the start of `text`,
// which is advanced past it.
inline bool TakeNumber(std::string_view& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 5 || (digits > 1 && text[0] == '0')) return false;
  text.remove_prefix(digits);
  return true;
}

inline bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// True for the texts that View leaves behind after reading a file:
// "TGA  :  W x H - 24BPP" (or GRAYSCALE or ALPHA), "ZTF  :  W x H - 32BPP",
// "TGA  :  UNSUPPORTED FORMAT" and either format's "UNSUPPORTED SIZE".
inline bool IsViewResult(std::string_view text) {
  const bool tga = TakePrefix(text, "TGA  :  ");
  if (!tga && !TakePrefix(text, "ZTF  :  ")) return false;
  if (text == "UNSUPPORTED SIZE" || (tga && text == "UNSUPPORTED FORMAT")) return true;
  if (!TakeNumber(text) || !TakePrefix(text, " x ") || !TakeNumber(text) || !TakePrefix(text, " - ")) return false;
  if (tga && (text == "GRAYSCALE" || text == "ALPHA")) return true;
  return TakeNumber(text) && text == "BPP";
}

// True for every text that View and the savers show on the way, for a file
// named `name` in a folder that can be written: a failed save is not among
// them.
inline bool IsKnownStatus(std::string_view text, std::string_view name) {
  if (IsViewResult(text) || text == "Processing file, please wait" || text == "WARNING  :  No file selected" ||
      text == "WARNING  :  No alpha channel present" || text == "WARNING  :  This file cannot be converted to ZTF") {
    return true;
  }
  for (const std::string_view word : {"READING  :  ", "SAVING  :  ", "SAVED AS  :  "}) {
    std::string_view rest = text;
    if (!TakePrefix(rest, word)) continue;
    if (word == "READING  :  ") return rest == name;
    const bool ztf = TakePrefix(rest, "ZTF-");
    if (!ztf && !TakePrefix(rest, "TGA-") && !TakePrefix(rest, "ALPHA-")) return false;
    if (!TakePrefix(rest, name)) return false;
    if (!ztf || word != "SAVING  :  ") return rest.empty();
    // The ZTF encoder's progress: three blanks and one ">" or more.
    if (!TakePrefix(rest, "   >")) return false;
    return rest.find_first_not_of('>') == std::string_view::npos;
  }
  return false;
}

}  // namespace fuzzing
