#pragma once
// The files that the benchmarks read, made once per process in a scratch
// folder: the same bytes for our code and for the peers.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_images.h"

namespace bench {

// One source image in the forms that the benchmarks need.
struct Subject {
  PackedImage image;
  int bitsPerPixel = 32;
  // The TGA files of the image, by name ("32-bottom-left" and so on) as
  // they lie in the scratch folder.
  std::string tgaName;
  std::vector<std::uint8_t> tga;
  // The encoder's own ZTF file of the image, and one whose rows are all
  // Paeth.
  std::vector<std::uint8_t> ztf;
  std::vector<std::uint8_t> ztfAllPaeth;
};

class Corpus {
 public:
  static Corpus& Get();

  const std::filesystem::path& Folder() const { return folder_.Path(); }
  std::filesystem::path PathOf(const std::string& name) const { return folder_.Path() / name; }

  // 1024 x 1024 images: "natural-32-bottom-left", "natural-32-top-left",
  // "natural-24-bottom-left", "natural-24-top-left", "noise-32-bottom-left";
  // 512 x 512 grayscale: "natural-8-gray".
  const Subject& Of(const std::string& key) const { return subjects_.at(key); }
  const std::map<std::string, Subject>& All() const { return subjects_; }

 private:
  Corpus();
  ScratchFolder folder_{"corpus"};
  std::map<std::string, Subject> subjects_;
};

// Names of the subjects for each family of benchmarks.
inline constexpr std::array<const char*, 6> kTgaSubjects = {"natural-32-bottom-left", "natural-32-top-left",
                                                            "natural-24-bottom-left", "natural-24-top-left",
                                                            "noise-32-bottom-left",   "natural-8-gray"};
inline constexpr std::array<const char*, 3> kColorSubjects = {"natural-32-bottom-left", "natural-24-bottom-left",
                                                              "noise-32-bottom-left"};

}  // namespace bench
