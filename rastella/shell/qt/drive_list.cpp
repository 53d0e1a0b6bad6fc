#include "shell/qt/drive_list.h"

#include <QSignalBlocker>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

namespace rastella {

namespace {

constexpr char kRootVolume[] = "/";

// Kernel and virtual file systems: nothing a user keeps images on.
bool IsPseudoFileSystem(const QByteArray& type) {
  static const std::set<std::string_view> kPseudoTypes = {
      "autofs", "binfmt_misc", "bpf",        "cgroup",     "cgroup2",   "configfs", "debugfs",
      "devpts", "devtmpfs",    "efivarfs",   "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
      "proc",   "pstore",      "rpc_pipefs", "securityfs", "squashfs",  "sysfs",    "tracefs",
  };
  return kPseudoTypes.contains(std::string_view(type.constData(), static_cast<std::size_t>(type.size())));
}

// `path` is `folder` or lies below it.
bool IsInside(const std::string& path, std::string_view folder) {
  if (path == folder) {
    return true;
  }
  return path.starts_with(folder) &&
         (folder.ends_with('/') || (path.size() > folder.size() && path[folder.size()] == '/'));
}

// The run-time trees of the system, which hold small tmpfs mounts by the
// dozen.  Removable media that udisks mounts under /run/media are the
// user's.
bool IsUnderSystemTree(const std::string& root) {
  if (IsInside(root, "/run/media/")) {
    return false;
  }
  return std::ranges::any_of(std::initializer_list<std::string_view>{"/proc", "/sys", "/dev", "/run"},
                             [&root](std::string_view tree) { return IsInside(root, tree); });
}

// The roots that the list shows, in order: the root volume, every volume of
// a listed kind, and `also`.
std::vector<std::string> RootsToList(const std::vector<Volume>& volumes, const std::string& also) {
  std::vector<std::string> roots = {kRootVolume, also};
  for (const Volume& volume : volumes) {
    if (volume.listed) {
      roots.push_back(volume.root);
    }
  }
  std::sort(roots.begin(), roots.end());
  roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
  return roots;
}

}  // namespace

std::vector<Volume> MountedVolumes() {
  std::vector<Volume> volumes;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const std::string root = volume.rootPath().toStdString();
    std::error_code error;
    // Containers bind-mount single files such as /etc/hosts.
    const bool listed = volume.isValid() && !IsPseudoFileSystem(volume.fileSystemType()) && !IsUnderSystemTree(root) &&
                        std::filesystem::is_directory(root, error);
    volumes.push_back({root, listed});
  }
  return volumes;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent), source_(MountedVolumes) {}

void DriveList::SetVolumeSource(VolumeSource source) { source_ = std::move(source); }

std::vector<std::string> DriveList::ListedRoots() const {
  std::vector<std::string> roots;
  for (int row = 0; row < count(); ++row) {
    roots.push_back(itemData(row).toByteArray().toStdString());
  }
  return roots;
}

void DriveList::Fill(const std::vector<std::string>& roots, const std::string& selected) {
  const QSignalBlocker blocker(this);
  clear();
  for (const std::string& root : roots) {
    addItem(QString::fromStdString(root), QByteArray::fromStdString(root));
  }
  setCurrentIndex(findData(QByteArray::fromStdString(selected)));
}

void DriveList::ShowVolumeOf(const std::string& folder) {
  std::error_code error;
  std::string real = std::filesystem::weakly_canonical(folder, error).string();
  if (error || real.empty()) {
    real = folder;
  }
  // The volume of the folder is the one mounted deepest on its path; it is
  // listed even when it is not one of the listed kinds, so that the list
  // can show where the user is.
  const std::vector<Volume> volumes = source_();
  std::string holder = kRootVolume;
  for (const Volume& volume : volumes) {
    if (IsInside(real, volume.root) && volume.root.size() > holder.size()) {
      holder = volume.root;
    }
  }
  Fill(RootsToList(volumes, holder), holder);
}

void DriveList::Reload() {
  const std::string selected = CurrentDrive();
  const std::vector<Volume> volumes = source_();
  const bool selectedMounted =
      selected == kRootVolume ||
      std::ranges::any_of(volumes, [&selected](const Volume& volume) { return volume.root == selected; });
  const std::vector<std::string> roots = RootsToList(volumes, selectedMounted ? selected : kRootVolume);
  if (roots == ListedRoots()) {
    return;
  }
  if (selectedMounted) {
    Fill(roots, selected);
    return;
  }
  // The selected volume is gone: nothing is selected for a moment, so that
  // selecting the root volume is a change, as a user's choice would be.
  Fill(roots, std::string());
  setCurrentIndex(findData(QByteArray(kRootVolume)));
}

std::string DriveList::CurrentDrive() const {
  const QVariant root = currentData();
  return root.isValid() ? root.toByteArray().toStdString() : std::string(kRootVolume);
}

}  // namespace rastella
