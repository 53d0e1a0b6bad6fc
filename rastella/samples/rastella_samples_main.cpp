// rastella-samples OUTPUT_FOLDER: writes the sample images for the viewer
// into OUTPUT_FOLDER and a folder of tree textures with their mask for
// treebane into OUTPUT_FOLDER/trees.  Both folders are made when missing;
// files of the same names are replaced.

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "samples/sample_images.h"
#include "shell/file_access.h"

namespace {

namespace fs = std::filesystem;

bool WriteAll(const fs::path& folder, const std::vector<rastella::samples::SampleFile>& files) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    std::cerr << "rastella-samples: cannot make the folder " << folder.string() << ": " << error.message() << "\n";
    return false;
  }
  for (const rastella::samples::SampleFile& file : files) {
    const fs::path path = folder / file.name;
    if (!rastella::WriteFileAtomically(path.string(), file.bytes)) {
      std::cerr << "rastella-samples: cannot write " << path.string() << "\n";
      return false;
    }
    std::cout << path.string() << "\n";
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: rastella-samples OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path output(argv[1]);
  if (!WriteAll(output, rastella::samples::ViewerSamples()) ||
      !WriteAll(output / "trees", rastella::samples::TreeSamples())) {
    return 1;
  }
  return 0;
}
