#include "shell/main_form.h"

#include <algorithm>
#include <array>

#include "shell/show_image.h"
#include "shell/file_access.h"
#include "shell/open_path.h"
#include "tga/tga_header.h"
#include "tga/tga_reader.h"
#include "tga/tga_writer.h"
#include "ztf/ztf_decoder.h"
#include "ztf/ztf_encoder.h"
#include "ztf/ztf_format.h"

namespace rastella {

namespace {

// Background colours of the picture box by BackgroundIndex.
constexpr std::array<ColorValue, 3> kBackgroundCycle = {
    MakeColor(0, 0, 0),
    MakeColor(128, 128, 128),
    MakeColor(255, 255, 255),
};

template <std::size_t kSize>
std::array<std::uint8_t, kSize> LeadingBytes(std::span<const std::uint8_t> file) {
  std::array<std::uint8_t, kSize> bytes{};
  std::copy_n(file.begin(), std::min(file.size(), kSize), bytes.begin());
  return bytes;
}

}  // namespace

MainForm::MainForm(WindowOperations& window) : window_(window) { fileBuffer_.reserve(kMaxImageFileBytes); }

void MainForm::Form_Load() {
  window_.ShowPicture();
  window_.SetStatusText("Select a file from green list");
  state_.BackgroundIndex = 0;
}

void MainForm::Drive1_Change() { window_.SetDirectoryFolder(window_.CurrentDrive()); }

void MainForm::Dir1_Change() { window_.SetFileListFolder(window_.DirectoryFolder()); }

void MainForm::File1_Click() { state_.SelectedPath = JoinPath(window_.FileListFolder(), window_.SelectedFileName()); }

void MainForm::Command1_Click() {
  window_.SetPictureLineWidth(1);
  window_.ClearPicture();
  window_.ShowPicture();
  state_.ImageLoaded = false;
  if (state_.SelectedPath.empty()) {
    return;
  }
  if (!ReadImageFile(state_.SelectedPath, fileBuffer_)) {
    window_.SetStatusText("");
    return;
  }
  state_.ImageLoaded = true;
  const auto magic = LeadingBytes<3>(fileBuffer_);
  state_.FileMagic.assign(magic.begin(), magic.end());
  window_.SetStatusText("READING  :  " + window_.SelectedFileName());
  window_.RepaintStatus();
  // The readers refuse a header that does not fit the image state by
  // clearing ImageLoaded; nothing is drawn then.
  if (state_.FileMagic == "ZTF") {
    GetZTF();
    if (state_.ImageLoaded) {
      ShowZTF();
    }
  } else {
    GetTGA();
    if (state_.ImageLoaded) {
      ShowTGA();
    }
  }
  fileBuffer_.clear();
}

void MainForm::Command2_Click() { window_.EndProgram(); }
void MainForm::Command3_Click() { SaveTGA(); }
void MainForm::Command4_Click() { SaveZTF(); }
void MainForm::Command5_Click() { SaveALPHA(); }
void MainForm::Command6_Click() { window_.OpenHelpWindow(); }
void MainForm::Label1_Click() { window_.OpenAboutWindow(); }

void MainForm::Picture1_Click() {
  state_.BackgroundIndex = static_cast<std::uint8_t>((state_.BackgroundIndex + 1) % 3);
  window_.SetPictureBackground(kBackgroundCycle[state_.BackgroundIndex]);
}

void MainForm::OpenPath(const std::string& path) {
  const OpenTarget target = ResolveOpenPath(path);
  if (target.kind == OpenTarget::Kind::Refused) {
    window_.SetStatusText(target.status);
    return;
  }
  // The steps of the user: the drive, the folder (which the folder list
  // passes on to the file list), the file, View.
  window_.SelectDriveOf(target.folder);
  window_.SetDirectoryFolder(target.folder);
  Dir1_Change();
  if (!target.status.empty()) {
    window_.SetStatusText(target.status);
  }
  if (target.kind == OpenTarget::Kind::Folder) {
    return;
  }
  if (!window_.SelectFile(target.fileName)) {
    // Gone between the look and the listing.
    window_.SetStatusText("WARNING  :  Cannot find " + path);
    return;
  }
  File1_Click();
  Command1_Click();
}

void MainForm::GetTGAHeader() {
  state_.TgaHeaderBytes = LeadingBytes<18>(fileBuffer_);
  static_cast<TgaHeaderFields&>(state_) = ParseTgaHeader(state_.TgaHeaderBytes);
}

void MainForm::MakeALPHAHeader() { state_.AlphaHeaderBytes = BuildAlphaHeader(state_.ImageWidth, state_.ImageHeight); }

void MainForm::GetZTFHeader() {
  state_.ZtfHeaderBytes = LeadingBytes<kZtfHeaderBytes>(fileBuffer_);
  const ZtfHeaderFields fields = ParseZtfHeader(state_.ZtfHeaderBytes);
  state_.ImageWidth = fields.ImageWidth;
  state_.ImageHeight = fields.ImageHeight;
  state_.BitsPerPixel = fields.BitsPerPixel;
  state_.DataStart = kZtfDataStart;
}

void MainForm::MakeZTFHeader() {
  state_.ZtfHeaderBytes = BuildZtfHeader(state_.ImageWidth, state_.ImageHeight, state_.BitsPerPixel);
  state_.DataStart = kZtfDataStart;
}

bool MainForm::FitsOrRefuse(std::int16_t width, std::int16_t height, const std::string& format) {
  if (FitsPlanes(width, height)) {
    return true;
  }
  window_.SetStatusText(format + "  :  UNSUPPORTED SIZE");
  state_.ImageLoaded = false;
  return false;
}

void MainForm::GetTGA() {
  const TgaHeaderFields fields = ParseTgaHeader(LeadingBytes<18>(fileBuffer_));
  if (!FitsOrRefuse(fields.ImageWidth, fields.ImageHeight, "TGA")) {
    return;
  }
  GetTGAHeader();
  DecodeTgaPixels(fileBuffer_, fields, state_, scratch_);
  state_.LoadedFrom = ImageSource::Tga;
}

void MainForm::GetZTF() {
  const ZtfHeaderFields fields = ParseZtfHeader(LeadingBytes<kZtfHeaderBytes>(fileBuffer_));
  if (!FitsOrRefuse(fields.ImageWidth, fields.ImageHeight, "ZTF")) {
    return;
  }
  GetZTFHeader();
  DecodeZtfPlanes(fileBuffer_, fields, state_, scratch_);
  state_.LoadedFrom = ImageSource::Ztf;
}

void MainForm::ShowTGA() { rastella::ShowTGA(state_, window_, window_); }

void MainForm::ShowZTF() { rastella::ShowZTF(state_, window_, window_); }

std::string MainForm::SavingText(const std::string& prefix) const {
  return "SAVING  :  " + prefix + window_.SelectedFileName();
}

void MainForm::FinishSave(const std::string& prefix, std::span<const std::uint8_t> bytes) {
  const std::string outputName = prefix + window_.SelectedFileName();
  if (!WriteFileAtomically(JoinPath(window_.FileListFolder(), outputName), bytes)) {
    window_.SetStatusText("ERROR  :  Cannot write " + outputName);
    window_.RepaintStatus();
    return;
  }
  window_.SetStatusText("SAVED AS  :  " + outputName);
  window_.RefreshFileList();
}

void MainForm::SaveTGA() {
  if (!state_.ImageLoaded) {
    window_.SetStatusText("WARNING  :  No file selected");
    return;
  }
  window_.SetStatusText(SavingText("TGA-"));
  window_.RepaintStatus();
  const int width = state_.ImageWidth;
  const int height = state_.ImageHeight;
  if (state_.LoadedFrom == ImageSource::Tga && state_.ImageType == 3) {
    // A grayscale image keeps its values in the alpha plane; it is written as
    // the grayscale file it came from.
    state_.TgaHeaderBytes = BuildAlphaHeader(width, height);
    EncodeAlphaTga(state_.TgaHeaderBytes, state_, width, height, fileBuffer_);
    FinishSave("TGA-", fileBuffer_);
    return;
  }
  // Every colour image holds three colour bytes per pixel, whatever depth
  // its file declared, so anything but 32 bits is written as 24 bits.
  const bool withAlpha = state_.BitsPerPixel == 32;
  state_.TgaHeaderBytes = BuildTgaHeader(width, height, withAlpha ? 32 : 24);
  EncodeColorTga(state_.TgaHeaderBytes, state_, width, height, withAlpha, fileBuffer_);
  FinishSave("TGA-", fileBuffer_);
}

void MainForm::SaveALPHA() {
  if (!state_.ImageLoaded) {
    window_.SetStatusText("WARNING  :  No file selected");
    return;
  }
  if (state_.BitsPerPixel != 32) {
    window_.SetStatusText("WARNING  :  No alpha channel present");
    return;
  }
  window_.SetStatusText(SavingText("ALPHA-"));
  window_.RepaintStatus();
  MakeALPHAHeader();
  EncodeAlphaTga(state_.AlphaHeaderBytes, state_, state_.ImageWidth, state_.ImageHeight, fileBuffer_);
  FinishSave("ALPHA-", fileBuffer_);
}

void MainForm::SaveZTF() {
  if (!state_.ImageLoaded) {
    window_.SetStatusText("WARNING  :  No file selected");
    return;
  }
  if (state_.LoadedFrom == ImageSource::Tga && state_.ImageType != 2) {
    window_.SetStatusText("WARNING  :  This file cannot be converted to ZTF");
    return;
  }
  const std::string savingLine = SavingText("ZTF-") + "   >";
  window_.SetStatusText(savingLine);
  window_.RepaintStatus();
  MakeZTFHeader();
  ZtfEncodeProgress progress;
  progress.alphaPlaneStarted = [&] {
    window_.SetStatusText(savingLine);
    window_.RepaintStatus();
  };
  progress.rowMark = [&] { window_.AppendStatusText(">"); };
  EncodeZtf(state_, state_.ImageWidth, state_.ImageHeight, state_.BitsPerPixel, progress, fileBuffer_);
  FinishSave("ZTF-", fileBuffer_);
}

}  // namespace rastella
