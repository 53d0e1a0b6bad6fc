#pragma once
// Tells when a volume is mounted or unmounted.  Qt has no signal for it; the
// kernel marks /proc/self/mountinfo with POLLPRI whenever the mount table of
// the process changes, which a socket notifier of the Exception kind sees.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace rastella {

class MountWatcher final : public QObject {
  Q_OBJECT

 public:
  explicit MountWatcher(QObject* parent = nullptr);
  ~MountWatcher() override;

  // False where the mount table cannot be watched (no /proc): then no
  // change is ever reported.
  bool IsWatching() const { return notifier_ != nullptr; }

 signals:
  void mountsChanged();

 private:
  int descriptor_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace rastella
