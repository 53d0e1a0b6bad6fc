#include "shell/headless_window.h"

#include <algorithm>

#include "shell/file_access.h"

namespace rastella {

HeadlessWindow::HeadlessWindow(std::string folder) : directoryFolder_(folder), fileListFolder_(std::move(folder)) {
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

}  // namespace rastella
