#include "shell/qt/mount_watcher.h"

#include <fcntl.h>
#include <unistd.h>

namespace rastella {

MountWatcher::MountWatcher(QObject* parent) : QObject(parent) {
  descriptor_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (descriptor_ < 0) {
    return;
  }
  // The mark is cleared by the poll that reports it: nothing needs reading.
  notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Exception);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &MountWatcher::mountsChanged);
}

MountWatcher::~MountWatcher() {
  notifier_.reset();
  if (descriptor_ >= 0) {
    ::close(descriptor_);
  }
}

}  // namespace rastella
