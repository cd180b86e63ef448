// The tty devices as libudev knows them, and a monitor that tells when one comes or goes.
#pragma once

#include <vector>

#include "platform/serial_ports.h"

struct udev;
struct udev_monitor;

namespace quorvel::platform {

// Every device of the tty subsystem. A USB device whose database entry is missing (no udev
// daemon ran) is described from its sysfs attributes instead.
std::vector<TtyRecord> EnumerateUdevTty();

// Hot-plug events of the tty subsystem. fd() is -1 when the monitor could not be set up (no
// netlink socket in this environment); the caller then simply gets no events.
class UdevMonitor {
  public:
    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int fd() const;
    // Takes every event waiting (never blocks); true when a device was added or removed.
    bool drain();

  private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

}  // namespace quorvel::platform
