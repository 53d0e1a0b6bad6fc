// Feeds arbitrary text to rastella-script's command parser, confined to a
// scratch folder that holds a few real images to click, view and save.  The
// viewer stays open from one script to the next, as the view target's does.

#include <cstdint>
#include <fstream>
#include <sstream>

#include "scratch_folder.h"
#include "shell/script_runner.h"

namespace {

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A 2 x 2 TGA of 32 bits and a 1 x 1 ZTF, as bytes.
std::string SmallTga() {
  std::string file(18, '\0');
  file[2] = 2, file[12] = 2, file[14] = 2, file[16] = 32, file[17] = 0x28;
  return file + std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16);
}
std::string SmallZtf() {
  return std::string(
      "ZTF\x1a"
      "10\0\0\x01\0\x01\0\x01\x05\x06\x07",
      16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzzing::ScratchFolder();
  fuzzing::EmptyScratchFolder();
  WriteFile(folder + "/a.tga", SmallTga());
  WriteFile(folder + "/b.tga", SmallZtf());
  std::filesystem::create_directory(folder + "/sub");
  WriteFile(folder + "/sub/c.tga", SmallTga());

  // One runner for the whole run, restarted for each script: a fresh one
  // would allocate and clear the viewer's whole image state every time.
  static std::ostringstream& out = *new std::ostringstream;
  static std::ostringstream& err = *new std::ostringstream;
  static rastella::ScriptRunner& runner = [&]() -> rastella::ScriptRunner& {
    auto* created = new rastella::ScriptRunner(folder, out, err);
    created->ConfineToStartFolder();
    return *created;
  }();
  runner.Restart();
  out.str("");
  err.str("");
  std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
  runner.Run(script);
  return 0;
}
