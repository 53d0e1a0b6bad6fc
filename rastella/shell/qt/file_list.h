#pragma once
// File1, the "green list": the regular files of one folder whose names end
// in ".tga" in any letter case.  A click, or a move of the selection by the
// keyboard, is a click on a file; a double-click or Enter asks to view it.

#include <QListWidget>
#include <string>

namespace rastella {

class FileList final : public QListWidget {
  Q_OBJECT

 public:
  explicit FileList(QWidget* parent = nullptr);

  const std::string& Folder() const { return folder_; }
  // Lists `folder` with nothing selected.
  void SetFolder(const std::string& folder);
  // Lists the folder again; the selection stays while its file is listed,
  // and stays in view.
  void Refresh();
  // Empty when nothing is selected.
  std::string SelectedName() const;
  // Selects `name` and scrolls it into view; false when the list does not
  // show it.  Emits nothing.
  bool Select(const std::string& name);

 signals:
  void fileClicked();
  void viewRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Populate(const std::string& keepSelected);

  std::string folder_;
};

}  // namespace rastella
