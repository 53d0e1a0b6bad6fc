// The peers on the same bytes: stb_image reading the same TGA files,
// stb_image_write writing the same image as TGA, libpng undoing the same
// filters (each ZTF plane stored as a level-0 PNG with the same filter
// bytes), and libpng and stb_image_write choosing filters for the same
// planes.

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "common.h"
#include "corpus.h"
#include "peers/png_peers.h"
#include "peers/stb_peers.h"

namespace bench {
namespace {

void StbLoadTga(benchmark::State& run, const StbPeer& stb, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  const std::string path = Corpus::Get().PathOf(subject.tgaName).string();
  for (auto _ : run) {
    if (!stb.loadFile(path.c_str())) {
      run.SkipWithError("stb_image cannot read the TGA file");
      break;
    }
  }
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * subject.tga.size()));
}

void StbLoadTgaFromMemory(benchmark::State& run, const StbPeer& stb, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  for (auto _ : run) {
    if (!stb.loadMemory(subject.tga)) {
      run.SkipWithError("stb_image cannot read the TGA file");
      break;
    }
  }
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * subject.tga.size()));
}

void StbWriteTga(benchmark::State& run, const StbPeer& stb, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  const int channels = subject.bitsPerPixel == 32 ? 4 : 3;
  const std::vector<std::uint8_t> pixels = channels == 4 ? InterleavedRgba(subject.image) : subject.image.rgb;
  std::vector<std::uint8_t> out;
  out.reserve(18 + pixels.size() + 64);
  for (auto _ : run) {
    stb.writeTga(pixels.data(), subject.image.width, subject.image.height, channels, out);
    benchmark::ClobberMemory();
  }
}

// The planes of a ZTF file as PNG files, and a buffer for each plane's
// decoded pixels.
struct PngPlanes {
  std::vector<std::vector<std::uint8_t>> files;
  std::vector<std::vector<std::uint8_t>> pixels;

  explicit PngPlanes(const std::vector<std::uint8_t>& ztf) {
    for (const ZtfPlane& plane : PlanesOf(ztf)) {
      files.push_back(PngOfPlane(plane));
    }
    pixels.resize(files.size());
  }
};

void PngUnfilter(benchmark::State& run, const std::string& key, bool allPaeth) {
  const Subject& subject = Corpus::Get().Of(key);
  PngPlanes planes(allPaeth ? subject.ztfAllPaeth : subject.ztf);
  for (auto _ : run) {
    for (std::size_t i = 0; i < planes.files.size(); ++i) {
      if (!png::Decode(planes.files[i], planes.pixels[i])) {
        run.SkipWithError("libpng refused the file");
        return;
      }
    }
    benchmark::ClobberMemory();
  }
}

void PngChooseFilters(benchmark::State& run, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  const PackedImage& image = subject.image;
  std::vector<std::uint8_t> out;
  out.reserve(subject.ztf.size() * 2);
  for (auto _ : run) {
    png::EncodeWithAllFilters(image.rgb.data(), image.width, image.height, 3, out);
    if (subject.bitsPerPixel == 32) {
      png::EncodeWithAllFilters(image.alpha.data(), image.width, image.height, 1, out);
    }
    benchmark::ClobberMemory();
  }
}

void StbChooseFilters(benchmark::State& run, const StbPeer& stb, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  const PackedImage& image = subject.image;
  std::vector<std::uint8_t> out;
  for (auto _ : run) {
    stb.chooseFilters(image.rgb.data(), image.width, image.height, 3, out);
    if (subject.bitsPerPixel == 32) {
      stb.chooseFilters(image.alpha.data(), image.width, image.height, 1, out);
    }
    benchmark::ClobberMemory();
  }
}

const bool registered = [] {
  // stb as Debian builds it, and with the flags of this build.
  const std::pair<const char*, const StbPeer*> stbBuilds[] = {{"debian-flags", &kStbWithDebianFlags},
                                                              {"build-flags", &kStbWithProjectFlags}};
  for (const auto& [flags, stb] : stbBuilds) {
    const std::string suffix = std::string("/") + flags + "/";
    const StbPeer* peer = stb;
    for (const char* key : kTgaSubjects) {
      Register("Peer/stb_image/LoadTGA" + suffix + key,
               [peer, key](benchmark::State& run) { StbLoadTga(run, *peer, key); });
      Register("Peer/stb_image/LoadTGAFromMemory" + suffix + key,
               [peer, key](benchmark::State& run) { StbLoadTgaFromMemory(run, *peer, key); });
    }
    for (const char* key : kColorSubjects) {
      Register("Peer/stb_image_write/EncodeTGA" + suffix + key,
               [peer, key](benchmark::State& run) { StbWriteTga(run, *peer, key); });
      Register("Peer/stb_image_write/ChooseFilters" + suffix + key,
               [peer, key](benchmark::State& run) { StbChooseFilters(run, *peer, key); });
    }
  }
  for (const char* key : kColorSubjects) {
    const std::string name = key;
    Register("Peer/libpng/Unfilter/mixed/" + name, [key](benchmark::State& run) { PngUnfilter(run, key, false); });
    Register("Peer/libpng/Unfilter/all-paeth/" + name, [key](benchmark::State& run) { PngUnfilter(run, key, true); });
    Register("Peer/libpng/ChooseFilters/" + name, [key](benchmark::State& run) { PngChooseFilters(run, key); });
  }
  return true;
}();

}  // namespace
}  // namespace bench
