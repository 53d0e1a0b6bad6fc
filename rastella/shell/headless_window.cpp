#include "shell/headless_window.h"

#include <algorithm>

#include "shell/file_access.h"

namespace rastella {

HeadlessWindow::HeadlessWindow(std::string folder)
    : directoryFolder_(folder),
      fileListFolder_(std::move(folder)),
      surface_(static_cast<std::size_t>(kPictureSize) * kPictureSize, kStartBackground) {
  fileNames_ = ListTgaFiles(fileListFolder_);
}

void HeadlessWindow::SetStatusText(const std::string& text) {
  status_ = text;
  statusHistory_.push_back(status_);
}

void HeadlessWindow::AppendStatusText(const std::string& text) {
  status_ += text;
  statusHistory_.push_back(status_);
}

void HeadlessWindow::SetFileListFolder(const std::string& folder) {
  fileListFolder_ = folder;
  selectedName_.clear();
  fileNames_ = ListTgaFiles(fileListFolder_);
}

void HeadlessWindow::RefreshFileList() {
  fileNames_ = ListTgaFiles(fileListFolder_);
  // A list box keeps its selection over a refresh while the entry is still
  // there.
  if (std::find(fileNames_.begin(), fileNames_.end(), selectedName_) == fileNames_.end()) {
    selectedName_.clear();
  }
}

void HeadlessWindow::ClearPicture() { std::fill(surface_.begin(), surface_.end(), background_); }

void HeadlessWindow::SetPictureBackground(ColorValue color) {
  background_ = color;
  ClearPicture();
}

void HeadlessWindow::SetPixel(int x, int y, ColorValue color) {
  if (x < 0 || y < 0 || x >= kPictureSize || y >= kPictureSize) {
    return;
  }
  surface_[static_cast<std::size_t>(y) * kPictureSize + static_cast<std::size_t>(x)] = color;
}

void HeadlessWindow::SetPixelRow(int x, int y, std::span<const ColorValue> colors) {
  if (y < 0 || y >= kPictureSize) {
    return;
  }
  // The part of [x, x + n) inside the drawing area.
  const long long first = std::max<long long>(x, 0);
  const long long end = std::min<long long>(static_cast<long long>(x) + static_cast<long long>(colors.size()),
                                            kPictureSize);
  if (first >= end) {
    return;
  }
  std::copy(colors.begin() + (first - x), colors.begin() + (end - x),
            surface_.begin() + static_cast<std::ptrdiff_t>(y) * kPictureSize + first);
}

bool HeadlessWindow::SelectFile(const std::string& name) {
  if (std::find(fileNames_.begin(), fileNames_.end(), name) == fileNames_.end()) {
    return false;
  }
  selectedName_ = name;
  return true;
}

std::vector<std::string> HeadlessWindow::TakeStatusHistory() {
  std::vector<std::string> history;
  history.swap(statusHistory_);
  return history;
}

std::string HeadlessWindow::SurfaceAsPpm() const {
  std::string ppm = "P6\n" + std::to_string(kPictureSize) + " " + std::to_string(kPictureSize) + "\n255\n";
  ppm.reserve(ppm.size() + surface_.size() * 3);
  for (const ColorValue color : surface_) {
    ppm.push_back(static_cast<char>(RedOf(color)));
    ppm.push_back(static_cast<char>(GreenOf(color)));
    ppm.push_back(static_cast<char>(BlueOf(color)));
  }
  return ppm;
}

}  // namespace rastella
