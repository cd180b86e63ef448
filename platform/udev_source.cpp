#include "platform/udev_source.h"

#include <libudev.h>

#include <cstring>
#include <memory>

namespace quorvel::platform {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string text(const char* s) {
    return s ? std::string(s) : std::string{};
}

void fillFromUsbDevice(udev_device* dev, TtyRecord& r) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
    if (usb == nullptr) {
        return;
    }
    const std::pair<const char*, const char*> attrs[] = {{"ID_VENDOR", "manufacturer"},
                                                         {"ID_MODEL", "product"},
                                                         {"ID_SERIAL_SHORT", "serial"},
                                                         {"ID_VENDOR_ID", "idVendor"},
                                                         {"ID_MODEL_ID", "idProduct"}};
    for (const auto& [key, attr] : attrs) {
        if (r.props.count(key) == 0) {
            if (const char* v = udev_device_get_sysattr_value(usb, attr)) {
                r.props[key] = v;
            }
        }
    }
    r.props.emplace("ID_BUS", "usb");
}

}  // namespace

std::vector<TtyRecord> EnumerateUdevTty() {
    std::unique_ptr<udev, UdevDeleter> u(udev_new());
    if (!u) {
        return {};
    }
    std::unique_ptr<udev_enumerate, UdevDeleter> e(udev_enumerate_new(u.get()));
    if (!e || udev_enumerate_add_match_subsystem(e.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(e.get()) < 0) {
        return {};
    }
    std::vector<TtyRecord> out;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        std::unique_ptr<udev_device, UdevDeleter> dev(
            udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        if (!dev) {
            continue;
        }
        TtyRecord r;
        r.sysname = text(udev_device_get_sysname(dev.get()));
        r.devnode = text(udev_device_get_devnode(dev.get()));
        udev_list_entry* l = nullptr;
        udev_list_entry_foreach(l, udev_device_get_devlinks_list_entry(dev.get())) {
            r.links.push_back(text(udev_list_entry_get_name(l)));
        }
        udev_list_entry_foreach(l, udev_device_get_properties_list_entry(dev.get())) {
            r.props[text(udev_list_entry_get_name(l))] = text(udev_list_entry_get_value(l));
        }
        udev_device* parent = udev_device_get_parent(dev.get());
        r.hasParent = parent != nullptr;
        // The serial core's own port and controller devices ("serial-base") stand between a
        // UART and the driver that found it.
        for (udev_device* p = parent; p != nullptr; p = udev_device_get_parent(p)) {
            const char* subsystem = udev_device_get_subsystem(p);
            if (subsystem != nullptr && std::strcmp(subsystem, "serial-base") == 0) {
                continue;
            }
            if (const char* driver = udev_device_get_driver(p)) {
                r.driver = driver;
                break;
            }
        }
        r.uartType = text(udev_device_get_sysattr_value(dev.get(), "type"));
        fillFromUsbDevice(dev.get(), r);
        out.push_back(std::move(r));
    }
    return out;
}

UdevMonitor::UdevMonitor() : udev_(udev_new()) {
    if (udev_ == nullptr) {
        return;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ != nullptr &&
        (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
         udev_monitor_enable_receiving(monitor_) < 0)) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

UdevMonitor::~UdevMonitor() {
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

int UdevMonitor::fd() const {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

bool UdevMonitor::drain() {
    bool changed = false;
    if (monitor_ == nullptr) {
        return false;
    }
    // The monitor's socket is non-blocking: receive returns null once nothing waits.
    while (udev_device* d = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(d);
        if (action != nullptr &&
            (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
            changed = true;
        }
        udev_device_unref(d);
    }
    return changed;
}

}  // namespace quorvel::platform
