// rastella's operations, in-process, on the corpus: the readers from a file
// into the planes, the savers into a scratch folder (through the same safe
// write as the program, fsync included), the codecs in memory, and the
// display into the headless surface.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>

#include "common.h"
#include "corpus.h"
#include "shell/file_access.h"
#include "shell/headless_window.h"
#include "shell/main_form.h"
#include "tga/tga_header.h"
#include "tga/tga_reader.h"
#include "tga/tga_writer.h"
#include "ztf/ztf_decoder.h"
#include "ztf/ztf_encoder.h"
#include "ztf/ztf_format.h"

namespace bench {
namespace {

using rastella::ImageState;

// The viewer without a window, with one file of the corpus viewed: the
// file lies in a scratch folder of its own, where the savers write.
struct ViewedFile {
  ScratchFolder folder{"viewer"};
  std::unique_ptr<rastella::HeadlessWindow> window;
  std::unique_ptr<rastella::MainForm> form;

  explicit ViewedFile(const std::vector<std::uint8_t>& bytes, const std::string& name = "subject.tga") {
    WriteFile(folder.Path() / name, bytes);
    window = std::make_unique<rastella::HeadlessWindow>(folder.Path().string());
    form = std::make_unique<rastella::MainForm>(*window);
    form->Form_Load();
    window->SelectFile(name);
    form->File1_Click();
    form->Command1_Click();
  }
  bool Loaded() const { return form->State().ImageLoaded; }
};

template <std::size_t kSize>
std::array<std::uint8_t, kSize> Leading(std::span<const std::uint8_t> bytes) {
  std::array<std::uint8_t, kSize> header{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), header.begin());
  return header;
}

// Reads the file at `path` whole and decodes it with `decode`, as the View
// command's readers do, once per iteration.
template <typename Decode>
void ReadAndDecode(benchmark::State& run, const std::string& path, std::size_t fileBytes, Decode decode) {
  auto state = std::make_unique<ImageState>();
  rastella::ByteBuffer file;
  file.reserve(rastella::kMaxImageFileBytes);
  std::vector<std::uint8_t> scratch;
  for (auto _ : run) {
    if (!rastella::ReadImageFile(path, file)) {
      run.SkipWithError(("cannot read " + path).c_str());
      break;
    }
    decode(file, *state, scratch);
    benchmark::ClobberMemory();
  }
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * fileBytes));
}

// What GetTGA does: the file read whole, then its pixels into the planes.
void GetTGA(benchmark::State& run, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  ReadAndDecode(run, Corpus::Get().PathOf(subject.tgaName).string(), subject.tga.size(),
                [](std::span<const std::uint8_t> file, ImageState& state, std::vector<std::uint8_t>& scratch) {
                  rastella::DecodeTgaPixels(file, rastella::ParseTgaHeader(Leading<18>(file)), state, scratch);
                });
}

// The TGA decoder alone, on the file in memory.
void DecodeTGA(benchmark::State& run, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  auto state = std::make_unique<ImageState>();
  std::vector<std::uint8_t> scratch;
  const rastella::TgaHeaderFields fields = rastella::ParseTgaHeader(Leading<18>(subject.tga));
  for (auto _ : run) {
    rastella::DecodeTgaPixels(subject.tga, fields, *state, scratch);
    benchmark::ClobberMemory();
  }
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * subject.tga.size()));
}

// What GetZTF does, from a file of the encoder or an all-Paeth file.
void GetZTF(benchmark::State& run, const std::string& key, bool allPaeth) {
  const Subject& subject = Corpus::Get().Of(key);
  ReadAndDecode(run, Corpus::Get().PathOf(key + (allPaeth ? ".paeth.tga" : ".ztf.tga")).string(), subject.ztf.size(),
                [](std::span<const std::uint8_t> file, ImageState& state, std::vector<std::uint8_t>& scratch) {
                  rastella::DecodeZtfPlanes(file, rastella::ParseZtfHeader(Leading<12>(file)), state, scratch);
                });
}

// The decoder alone, on a file in memory: the counterpart of libpng
// undoing the same filters.
void DecodeZTF(benchmark::State& run, const std::string& key, bool allPaeth) {
  const Subject& subject = Corpus::Get().Of(key);
  const std::vector<std::uint8_t>& file = allPaeth ? subject.ztfAllPaeth : subject.ztf;
  auto state = std::make_unique<ImageState>();
  std::vector<std::uint8_t> scratch;
  const rastella::ZtfHeaderFields fields = rastella::ParseZtfHeader(Leading<12>(file));
  for (auto _ : run) {
    rastella::DecodeZtfPlanes(file, fields, *state, scratch);
    benchmark::ClobberMemory();
  }
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * file.size()));
}

// The encoder alone, into memory: every row's four candidates, the choice
// and the file, into a buffer kept from one run to the next (as the peers
// keep theirs).
void EncodeZTF(benchmark::State& run, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  auto state = std::make_unique<ImageState>();
  LoadIntoState(subject.image, subject.bitsPerPixel, *state);
  rastella::ByteBuffer file;
  for (auto _ : run) {
    rastella::EncodeZtf(*state, subject.image.width, subject.image.height,
                        static_cast<std::uint8_t>(subject.bitsPerPixel), {}, file);
    benchmark::DoNotOptimize(file.data());
    benchmark::ClobberMemory();
  }
  if (!std::ranges::equal(file, subject.ztf)) run.SkipWithError("the encoder wrote other bytes than the corpus holds");
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * subject.ztf.size()));
}

// The TGA writer alone, into memory, into a buffer kept from one run to the
// next.
void EncodeTGA(benchmark::State& run, const std::string& key) {
  const Subject& subject = Corpus::Get().Of(key);
  auto state = std::make_unique<ImageState>();
  LoadIntoState(subject.image, subject.bitsPerPixel, *state);
  const bool withAlpha = subject.bitsPerPixel == 32;
  const rastella::TgaHeader header =
      rastella::BuildTgaHeader(subject.image.width, subject.image.height, withAlpha ? 32 : 24);
  rastella::ByteBuffer file;
  for (auto _ : run) {
    rastella::EncodeColorTga(header, *state, subject.image.width, subject.image.height, withAlpha, file);
    benchmark::DoNotOptimize(file.data());
    benchmark::ClobberMemory();
  }
  run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * subject.tga.size()));
}

// A saver of the main window, on a viewed file, into its scratch folder.
void Save(benchmark::State& run, const std::string& key, void (rastella::MainForm::*saver)(),
          const std::string& prefix) {
  ViewedFile viewed(Corpus::Get().Of(key).tga);
  if (!viewed.Loaded()) {
    run.SkipWithError("the viewer refused the file");
    return;
  }
  for (auto _ : run) {
    (viewed.form.get()->*saver)();
  }
  if (viewed.window->StatusText() != "SAVED AS  :  " + prefix + "subject.tga") {
    run.SkipWithError(("the save failed: " + viewed.window->StatusText()).c_str());
  }
}

// A display operation of the main window, on a viewed file.
void Show(benchmark::State& run, const std::vector<std::uint8_t>& bytes, void (rastella::MainForm::*show)()) {
  ViewedFile viewed(bytes);
  if (!viewed.Loaded()) {
    run.SkipWithError("the viewer refused the file");
    return;
  }
  for (auto _ : run) {
    (viewed.form.get()->*show)();
    benchmark::ClobberMemory();
  }
}

// The View button: read, decode and draw.
void View(benchmark::State& run, const std::vector<std::uint8_t>& bytes) {
  ViewedFile viewed(bytes);
  for (auto _ : run) {
    viewed.form->Command1_Click();
    benchmark::ClobberMemory();
  }
  if (!viewed.Loaded()) run.SkipWithError("the viewer refused the file");
}

const bool registered = [] {
  for (const char* key : kTgaSubjects) {
    Register(std::string("GetTGA/") + key, [key](benchmark::State& run) { GetTGA(run, key); });
    Register(std::string("DecodeTGA/") + key, [key](benchmark::State& run) { DecodeTGA(run, key); });
  }
  for (const char* key : kColorSubjects) {
    const std::string name = key;
    Register("GetZTF/mixed/" + name, [key](benchmark::State& run) { GetZTF(run, key, false); });
    Register("GetZTF/all-paeth/" + name, [key](benchmark::State& run) { GetZTF(run, key, true); });
    Register("DecodeZTF/mixed/" + name, [key](benchmark::State& run) { DecodeZTF(run, key, false); });
    Register("DecodeZTF/all-paeth/" + name, [key](benchmark::State& run) { DecodeZTF(run, key, true); });
    Register("EncodeZTF/" + name, [key](benchmark::State& run) { EncodeZTF(run, key); });
    Register("EncodeTGA/" + name, [key](benchmark::State& run) { EncodeTGA(run, key); });
    Register("SaveTGA/" + name, [key](benchmark::State& run) { Save(run, key, &rastella::MainForm::SaveTGA, "TGA-"); });
    Register("SaveZTF/" + name, [key](benchmark::State& run) { Save(run, key, &rastella::MainForm::SaveZTF, "ZTF-"); });
  }
  Register("SaveALPHA/natural-32-bottom-left", [](benchmark::State& run) {
    Save(run, "natural-32-bottom-left", &rastella::MainForm::SaveALPHA, "ALPHA-");
  });
  Register("ShowTGA/natural-32-bottom-left", [](benchmark::State& run) {
    Show(run, Corpus::Get().Of("natural-32-bottom-left").tga, &rastella::MainForm::ShowTGA);
  });
  Register("ShowTGA/natural-8-gray", [](benchmark::State& run) {
    Show(run, Corpus::Get().Of("natural-8-gray").tga, &rastella::MainForm::ShowTGA);
  });
  Register("ShowZTF/natural-32-bottom-left", [](benchmark::State& run) {
    Show(run, Corpus::Get().Of("natural-32-bottom-left").ztf, &rastella::MainForm::ShowZTF);
  });
  Register("ShowZTF/natural-24-bottom-left", [](benchmark::State& run) {
    Show(run, Corpus::Get().Of("natural-24-bottom-left").ztf, &rastella::MainForm::ShowZTF);
  });
  Register("View/TGA/natural-32-bottom-left",
           [](benchmark::State& run) { View(run, Corpus::Get().Of("natural-32-bottom-left").tga); });
  Register("View/ZTF/natural-32-bottom-left",
           [](benchmark::State& run) { View(run, Corpus::Get().Of("natural-32-bottom-left").ztf); });
  return true;
}();

}  // namespace
}  // namespace bench
