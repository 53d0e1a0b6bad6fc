#pragma once
// Drive1: the mounted volumes by their root folders, the stand-in for a
// list of drive letters.  The list follows volumes that are mounted and
// unmounted while the program runs (Reload).

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

namespace rastella {

// A mounted volume by the folder it is mounted on.  `listed` is false for
// the volumes that no user keeps images on (kernel file systems, the
// system's run-time trees); they are listed only while the user is on one.
struct Volume {
  std::string root;
  bool listed = true;
};

// Where the drive list learns the mounted volumes.
using VolumeSource = std::function<std::vector<Volume>()>;

// The volumes mounted on this system now.
std::vector<Volume> MountedVolumes();

class DriveList final : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  // Takes the volumes from `source` from now on instead of from the system.
  void SetVolumeSource(VolumeSource source);

  // Lists the volumes again and selects the one that holds `folder`, with
  // no change event.
  void ShowVolumeOf(const std::string& folder);

  // Lists the volumes again after a mount or an unmount.  The selected
  // volume stays selected while it is mounted; when it is gone, the root
  // volume "/" is selected with the change event that a user's choice
  // gives.  An unchanged list is left alone.
  void Reload();

  // The root folder of the selected volume.
  std::string CurrentDrive() const;

 private:
  // Shows `roots` and selects `selected` without a change event.
  void Fill(const std::vector<std::string>& roots, const std::string& selected);
  std::vector<std::string> ListedRoots() const;

  VolumeSource source_;
};

}  // namespace rastella
