#include "shell/qt/drive_list.h"

#include <QSignalBlocker>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

namespace rastella {

namespace {

// Kernel and virtual file systems: nothing a user keeps images on.
bool IsPseudoFileSystem(const QByteArray& type) {
  static const std::set<std::string_view> kPseudoTypes = {
      "autofs",  "binfmt_misc", "bpf",       "cgroup",    "cgroup2", "configfs", "debugfs",
      "devpts",  "devtmpfs",    "efivarfs",  "fusectl",   "hugetlbfs", "mqueue", "nsfs",
      "proc",    "pstore",      "rpc_pipefs", "securityfs", "squashfs", "sysfs", "tracefs",
  };
  return kPseudoTypes.contains(std::string_view(type.constData(), static_cast<std::size_t>(type.size())));
}

// The run-time trees of the system, which hold small tmpfs mounts by the
// dozen.
bool IsUnderSystemTree(const std::string& root) {
  for (const std::string_view tree : {"/proc", "/sys", "/dev", "/run"}) {
    if (root == tree || (root.starts_with(tree) && root.size() > tree.size() && root[tree.size()] == '/')) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> UserVolumeRoots() {
  std::vector<std::string> roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const std::string root = volume.rootPath().toStdString();
    std::error_code error;
    // Containers bind-mount single files such as /etc/hosts.
    if (!volume.isValid() || IsPseudoFileSystem(volume.fileSystemType()) || IsUnderSystemTree(root) ||
        !std::filesystem::is_directory(root, error)) {
      continue;
    }
    roots.push_back(root);
  }
  return roots;
}

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {}

void DriveList::ShowVolumeOf(const std::string& folder) {
  const QSignalBlocker blocker(this);
  std::vector<std::string> roots = UserVolumeRoots();
  // The volume of the folder is listed even when the filter above would hide
  // it, so that the list can show where the user is.
  const std::string holder = QStorageInfo(QString::fromStdString(folder)).rootPath().toStdString();
  const std::string current = holder.empty() ? std::string("/") : holder;
  roots.push_back(current);
  std::sort(roots.begin(), roots.end());
  roots.erase(std::unique(roots.begin(), roots.end()), roots.end());

  clear();
  for (const std::string& root : roots) {
    addItem(QString::fromStdString(root), QByteArray::fromStdString(root));
  }
  setCurrentIndex(findData(QByteArray::fromStdString(current)));
}

std::string DriveList::CurrentDrive() const {
  const QVariant root = currentData();
  return root.isValid() ? root.toByteArray().toStdString() : std::string("/");
}

}  // namespace rastella
