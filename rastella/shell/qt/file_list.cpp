#include "shell/qt/file_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "shell/file_access.h"

namespace rastella {

namespace {

// The file's name, byte for byte: the shown text may have lost bytes that
// are not valid UTF-8.
constexpr int kNameRole = Qt::UserRole;

std::string NameOf(const QListWidgetItem* item) { return item->data(kNameRole).toByteArray().toStdString(); }

}  // namespace

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemClicked, this, &FileList::fileClicked);
}

void FileList::SetFolder(const std::string& folder) {
  folder_ = folder;
  Populate({});
  scrollToTop();
}

void FileList::Refresh() {
  const int scrolled = verticalScrollBar()->value();
  Populate(SelectedName());
  // The list keeps its place, then moves as little as it takes to show the
  // selected file, which entries new above it may have pushed out of sight.
  executeDelayedItemsLayout();
  verticalScrollBar()->setValue(scrolled);
  const QList<QListWidgetItem*> selected = selectedItems();
  if (!selected.isEmpty()) {
    scrollToItem(selected.front());
  }
}

void FileList::Populate(const std::string& keepSelected) {
  clear();
  for (const std::string& name : ListTgaFiles(folder_)) {
    auto* item = new QListWidgetItem(QString::fromStdString(name), this);
    item->setData(kNameRole, QByteArray::fromStdString(name));
  }
  if (!keepSelected.empty()) {
    Select(keepSelected);
  }
}

std::string FileList::SelectedName() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? std::string() : NameOf(selected.front());
}

bool FileList::Select(const std::string& name) {
  for (int row = 0; row < count(); ++row) {
    if (NameOf(item(row)) == name) {
      setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
      scrollToItem(item(row));
      return true;
    }
  }
  return false;
}

void FileList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (!selectedItems().isEmpty()) {
      emit viewRequested();
    }
    return;
  }
  const std::string before = SelectedName();
  QListWidget::keyPressEvent(event);
  const std::string after = SelectedName();
  if (!after.empty() && after != before) {
    emit fileClicked();
  }
}

void FileList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press and release before the double-click have selected the file and
  // clicked it already.
  if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr) {
    emit viewRequested();
  }
}

}  // namespace rastella
