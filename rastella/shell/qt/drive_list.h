#pragma once
// Drive1: the mounted volumes by their root folders, the stand-in for a
// list of drive letters.

#include <QComboBox>
#include <string>

namespace rastella {

class DriveList final : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  // Lists the volumes again and selects the one that holds `folder`.
  void ShowVolumeOf(const std::string& folder);

  // The root folder of the selected volume.
  std::string CurrentDrive() const;
};

}  // namespace rastella
