#pragma once
// Dir1: the folder list.  It shows the current folder under its ancestors,
// from the root down, and the subfolders of the current folder below it; a
// double-click or Enter on an entry makes that entry the current folder.

#include <QTreeWidget>
#include <string>

namespace rastella {

class FolderList final : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  const std::string& Folder() const { return folder_; }
  // Shows `folder` (absolute) and emits folderChanged when it is another
  // folder than before.
  void SetFolder(const std::string& folder);
  // Lists the subfolders again after a change on disk.  When the current
  // folder is gone, its nearest existing ancestor becomes current.
  void Reload();

 signals:
  void folderChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // No expand arrows: every level is always open, and the indentation alone
  // shows the depth.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void Populate();
  void Open(const QTreeWidgetItem* item);

  std::string folder_;
};

}  // namespace rastella
