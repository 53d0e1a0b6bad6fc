#include "corpus.h"

#include <memory>

#include "ztf/ztf_encoder.h"

namespace bench {

namespace {

Subject MakeSubject(const PackedImage& image, int bitsPerPixel, bool topLeft, const std::string& key) {
  Subject subject;
  subject.image = image;
  subject.bitsPerPixel = bitsPerPixel;
  subject.tgaName = key + ".tga";
  subject.tga = TgaFile(image, bitsPerPixel, topLeft);
  if (bitsPerPixel != 8) {
    auto state = std::make_unique<rastella::ImageState>();
    LoadIntoState(image, bitsPerPixel, *state);
    subject.ztf = rastella::EncodeZtf(*state, image.width, image.height, static_cast<std::uint8_t>(bitsPerPixel), {});
    subject.ztfAllPaeth = ZtfFileWithFilter(image, bitsPerPixel == 32, rastella::kFilterPaeth);
  }
  return subject;
}

}  // namespace

Corpus& Corpus::Get() {
  static Corpus corpus;
  return corpus;
}

Corpus::Corpus() {
  const PackedImage natural = MakeImage(1024, 1024, Content::Natural, 1);
  const PackedImage noise = MakeImage(1024, 1024, Content::Noise, 2);
  const PackedImage gray = MakeImage(512, 512, Content::Natural, 3);
  const auto add = [&](const std::string& key, const PackedImage& image, int bitsPerPixel, bool topLeft) {
    Subject subject = MakeSubject(image, bitsPerPixel, topLeft, key);
    WriteFile(PathOf(subject.tgaName), subject.tga);
    if (!subject.ztf.empty()) {
      WriteFile(PathOf(key + ".ztf.tga"), subject.ztf);
      WriteFile(PathOf(key + ".paeth.tga"), subject.ztfAllPaeth);
    }
    subjects_.emplace(key, std::move(subject));
  };
  add("natural-32-bottom-left", natural, 32, false);
  add("natural-32-top-left", natural, 32, true);
  add("natural-24-bottom-left", natural, 24, false);
  add("natural-24-top-left", natural, 24, true);
  add("noise-32-bottom-left", noise, 32, false);
  add("natural-8-gray", gray, 8, true);
}

}  // namespace bench
