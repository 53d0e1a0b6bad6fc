#include "shell/script_runner.h"

#include <charconv>
#include <filesystem>
#include <fstream>

#include "shell/file_access.h"
#include "shell/folders.h"
#include "shell/utf8_path.h"

namespace rastella {

namespace {

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// A decimal number of 0 to kMaxDimension - 1, digits only.
bool ParseCoordinate(std::string_view text, int& value) {
  if (text.empty() || text.size() > 4) {
    return false;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size() && value >= 0 && value < kMaxDimension;
}

}  // namespace

ScriptRunner::ScriptRunner(const std::string& startFolder, std::ostream& out, std::ostream& err)
    : window_(startFolder), form_(window_), out_(out), err_(err), startFolder_(startFolder) {
  form_.Form_Load();
}

void ScriptRunner::Restart() {
  window_.SetDirectoryFolder(startFolder_);
  form_.Dir1_Change();
  form_.Form_Load();
  window_.TakeStatusHistory();
  lineNumber_ = 0;
}

bool ScriptRunner::Fail(const std::string& message) {
  err_ << "rastella-script: line " << lineNumber_ << ": " << message << "\n";
  return false;
}

bool ScriptRunner::OutputWritten() {
  if (out_) {
    return true;
  }
  err_ << "rastella-script: cannot write the output\n";
  return false;
}

int ScriptRunner::Run(std::istream& input) {
  std::string line;
  while (std::getline(input, line)) {
    if (!RunLine(line)) {
      out_.flush();
      return kUsageError;
    }
    // A write that failed stops the run: nothing after it would be seen.
    if (!OutputWritten()) {
      return kOutputError;
    }
  }
  out_.flush();
  return OutputWritten() ? 0 : kOutputError;
}

bool ScriptRunner::RunLine(const std::string& rawLine) {
  ++lineNumber_;
  std::string line = rawLine;
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  if (IsBlank(line) || line.front() == '#') {
    return true;
  }
  const std::size_t space = line.find(' ');
  const std::string command = line.substr(0, space);
  const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);

  if (command == "folder") {
    return ChangeFolder(argument);
  }
  if (command == "click") {
    return Click(argument);
  }
  if (command == "pixel") {
    return PrintPixel(argument);
  }
  if (command == "dump") {
    return Dump(argument);
  }
  if (!IsBlank(argument)) {
    return Fail("\"" + command + "\" takes no argument");
  }
  if (command == "view") {
    form_.Command1_Click();
  } else if (command == "save-tga") {
    form_.Command3_Click();
  } else if (command == "save-alpha") {
    form_.Command5_Click();
  } else if (command == "save-ztf") {
    form_.Command4_Click();
  } else if (command == "picture-click") {
    form_.Picture1_Click();
  } else if (command == "status") {
    out_ << window_.StatusText() << "\n";
  } else if (command == "texts") {
    for (const std::string& text : window_.TakeStatusHistory()) {
      out_ << text << "\n";
    }
  } else if (command == "state") {
    PrintState();
  } else if (command == "list") {
    for (const std::string& name : window_.FileNames()) {
      out_ << name << "\n";
    }
  } else {
    return Fail("unknown command \"" + command + "\"");
  }
  return true;
}

bool ScriptRunner::ChangeFolder(const std::string& argument) {
  if (argument.empty()) {
    return Fail("folder needs a path");
  }
  const std::string normal = ResolvePath(argument);
  if (normal.empty() || !IsFolder(normal)) {
    return Fail("not a folder: " + argument);
  }
  window_.SetDirectoryFolder(normal);
  form_.Dir1_Change();
  return true;
}

bool ScriptRunner::Click(const std::string& name) {
  if (!window_.SelectFile(name)) {
    return Fail("the file list does not show \"" + name + "\"");
  }
  form_.File1_Click();
  return true;
}

bool ScriptRunner::PrintPixel(const std::string& arguments) {
  const std::size_t space = arguments.find(' ');
  int x = 0;
  int y = 0;
  if (space == std::string::npos || !ParseCoordinate(std::string_view(arguments).substr(0, space), x) ||
      !ParseCoordinate(std::string_view(arguments).substr(space + 1), y)) {
    return Fail("pixel needs two coordinates from 0 to 1023");
  }
  const ImageState& state = form_.State();
  const std::uint8_t* color = state.ColorAt(x, y);
  out_ << int{color[0]} << " " << int{color[1]} << " " << int{color[2]} << " " << int{state.AlphaAt(x, y)} << "\n";
  return true;
}

bool ScriptRunner::Dump(const std::string& path) {
  if (path.empty()) {
    return Fail("dump needs a path");
  }
  const std::string target = ResolvePath(path);
  if (target.empty()) {
    return Fail("cannot write " + path);
  }
  std::ofstream file(PathFromUtf8(target), std::ios::binary | std::ios::trunc);
  const std::string ppm = window_.SurfaceAsPpm();
  file.write(ppm.data(), static_cast<std::streamsize>(ppm.size()));
  file.close();
  if (!file) {
    return Fail("cannot write " + path);
  }
  return true;
}

std::string ScriptRunner::ResolvePath(const std::string& path) const {
  std::filesystem::path resolved;
  std::string normal;
  try {
    resolved = PathFromUtf8(path);
    if (resolved.is_relative()) {
      resolved = PathFromUtf8(startFolder_) / resolved;
    }
    normal = Utf8FromPath(resolved.lexically_normal());
  } catch (const std::exception&) {
    return {};  // text that names no path
  }
  while (normal.size() > 1 && normal.back() == '/') {
    normal.pop_back();
  }
  if (confined_ && normal != startFolder_ && normal.rfind(JoinPath(startFolder_, ""), 0) != 0) {
    return {};
  }
  return normal;
}

void ScriptRunner::PrintState() {
  const ImageState& state = form_.State();
  out_ << "ImageWidth=" << state.ImageWidth << "\n"
       << "ImageHeight=" << state.ImageHeight << "\n"
       << "BitsPerPixel=" << int{state.BitsPerPixel} << "\n"
       << "DataStart=" << state.DataStart << "\n"
       << "ImageType=" << int{state.ImageType} << "\n"
       << "ImageOrigin=" << int{state.ImageOrigin} << "\n"
       << "AlphaBits=" << int{state.AlphaBits} << "\n"
       << "BackgroundIndex=" << int{state.BackgroundIndex} << "\n"
       << "ImageLoaded=" << (state.ImageLoaded ? "true" : "false") << "\n"
       << "SelectedPath=" << state.SelectedPath << "\n";
}

}  // namespace rastella
