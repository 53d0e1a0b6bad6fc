#include "shell/qt/folder_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "shell/folders.h"

namespace rastella {

namespace {

namespace fs = std::filesystem;

// The item's folder, byte for byte: a name that is not valid UTF-8 must
// still lead back to its folder.
constexpr int kPathRole = Qt::UserRole;

std::string PathOf(const QTreeWidgetItem* item) { return item->data(0, kPathRole).toByteArray().toStdString(); }

QTreeWidgetItem* MakeItem(const std::string& path, const std::string& label, const QIcon& icon) {
  auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(label)));
  item->setData(0, kPathRole, QByteArray::fromStdString(path));
  item->setIcon(0, icon);
  return item;
}

// Visible subfolders by name, letter case aside; hidden ones (a leading
// ".") are left out as file managers do.
std::vector<std::string> SubfolderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error), end;
       !error && entry != end; entry.increment(error)) {
    std::error_code typeError;
    const std::string name = entry->path().filename().string();
    if (!name.starts_with('.') && entry->is_directory(typeError)) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& left, const std::string& right) {
    const int order = QString::fromStdString(left).compare(QString::fromStdString(right), Qt::CaseInsensitive);
    return order != 0 ? order < 0 : left < right;
  });
  return names;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setIndentation(10);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void FolderList::SetFolder(const std::string& folder) {
  const std::string normal = NormalFolder(folder);
  const bool changed = normal != folder_;
  folder_ = normal;
  Populate();
  if (changed) {
    emit folderChanged();
  }
}

void FolderList::Reload() {
  std::string existing = folder_;
  std::error_code error;
  while (existing != "/" && !fs::is_directory(existing, error)) {
    existing = fs::path(existing).parent_path().string();
  }
  if (existing != folder_) {
    SetFolder(existing);
    return;
  }
  Populate();
}

void FolderList::Populate() {
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  clear();

  // The chain from the root down to the current folder, one level deeper
  // each.
  std::vector<std::string> chain;
  for (fs::path step = folder_; !step.empty(); step = step.parent_path()) {
    chain.push_back(step.string());
    if (step == step.root_path()) {
      break;
    }
  }
  std::reverse(chain.begin(), chain.end());

  QTreeWidgetItem* current = nullptr;
  for (const std::string& path : chain) {
    const std::string name = fs::path(path).filename().string();
    QTreeWidgetItem* item = MakeItem(path, name.empty() ? path : name, openIcon);
    if (current == nullptr) {
      addTopLevelItem(item);
    } else {
      current->addChild(item);
    }
    current = item;
  }
  for (const std::string& name : SubfolderNames(folder_)) {
    current->addChild(MakeItem((fs::path(folder_) / name).string(), name, closedIcon));
  }
  expandAll();
  setCurrentItem(current);
  scrollToItem(current);
}

void FolderList::Open(const QTreeWidgetItem* item) {
  if (item != nullptr) {
    SetFolder(PathOf(item));
  }
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Open(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void FolderList::mouseDoubleClickEvent(QMouseEvent* event) {
  // Not passed on: the list is rebuilt here, and the base class would go on
  // with the item that it had.
  if (event->button() == Qt::LeftButton) {
    Open(itemAt(event->position().toPoint()));
  }
}

}  // namespace rastella
