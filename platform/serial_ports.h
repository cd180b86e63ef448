// The serial devices of this machine as the operator knows them: by their persistent names
// (/dev/serial/by-id, by-path), vendor, product and serial number. The device database (udev)
// is reached through TtySource, so the rules below run on a fake tree in tests.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/port_map.h"

namespace quorvel::platform {

// What the device database says about one tty device.
struct TtyRecord {
    std::string sysname;                       // "ttyUSB0"
    std::string devnode;                       // "/dev/ttyUSB0"
    std::vector<std::string> links;            // every symbolic link to it
    std::map<std::string, std::string> props;  // ID_VENDOR, ID_MODEL_ENC, ID_SERIAL_SHORT ...
    std::string driver;                        // the first driver up the device's parents
    std::string uartType;                      // the "type" attribute of a UART port, "" if none
    bool hasParent = false;                    // false for virtual terminals (tty1, ptmx)
};

class TtySource {
  public:
    virtual ~TtySource() = default;
    // Every device of the tty subsystem; empty when the database cannot be read.
    virtual std::vector<TtyRecord> enumerate() = 0;
};

// A serial device worth offering to the operator.
struct SerialPortInfo {
    std::string devnode;
    std::string byId;    // first /dev/serial/by-id link, "" if none
    std::string byPath;  // first /dev/serial/by-path link, "" if none
    std::string vendor, product, serial, driver;
    std::string vendorId, productId;  // hexadecimal, USB devices only
    std::string bus;                  // "usb", "pci", ... or ""
    bool identical = false;           // another listed device has the same identity
    // The name to keep in [Ports]: the by-id link, the by-path link for identical adapters
    // (their by-id links collide) or when there is no by-id link, else the device node.
    std::string storeName() const;
};

// The serial devices among records: every tty device with a parent device, a ttyS port only
// when a real UART is behind it (its type attribute is present and not 0, "unknown"). Sorted by
// device node; identical adapters marked.
std::vector<SerialPortInfo> SerialPortsFrom(const std::vector<TtyRecord>& records);

// The process's source of records: libudev unless a test installed another (null restores it).
std::vector<SerialPortInfo> DetectSerialPorts();
void SetTtySource(std::function<std::vector<TtyRecord>()> source);

// The COM ports (1..20) whose device, as resolve gives it, is path (links followed).
std::vector<int> ComPortsOf(const std::string& path,
                            const std::function<std::string(int)>& resolve);

// The COM ports whose device is port: its node, or one of its links even where that link does
// not lead there now.
std::vector<int> ComPortsOf(const SerialPortInfo& port,
                            const std::function<std::string(int)>& resolve);

// The detected device that path names (the device node or any link to it), or null.
const SerialPortInfo* FindPort(const std::vector<SerialPortInfo>& ports, const std::string& path);

// "FTDI FT232R USB UART, serial A1B2C3 (ftdi_sio)": what a device is, in one line.
std::string DescribePort(const SerialPortInfo& port);

// The tooltip line of COM port n whose device is path: the path, the device node behind a link
// and what the device is; "not present" when nothing is there.
std::string ComPortTooltip(int n, const std::string& path,
                           const std::vector<SerialPortInfo>& ports);

// Why a device path typed by the operator cannot be used ("" when it can): it must be absolute
// and hold no control characters.
std::string TypedPathError(const std::string& path);

// Where COM port n's device comes from, in words: "COM3 uses /dev/ttyS2 (the default)".
std::string MappingText(int n, const std::string& path, PortSource source);

// May this user open path for reading and writing, and if not, the group to join.
struct PortAccess {
    bool exists = false;
    bool mayOpen = false;
    std::string group;             // the group that owns the device
    std::string joinGroup;         // the group to join to open it ("" when none would help)
    bool joinedNotActive = false;  // the user is in joinGroup, but this login is not yet
};
PortAccess CheckAccess(const std::string& path);

// Another program that holds the device.
struct PortHolder {
    int pid = 0;
    std::string program;
};
struct PortHold {
    bool held = false;               // in exclusive use elsewhere: opening it would fail
    std::vector<PortHolder> openBy;  // other processes that have it open (those we can see)
};
// Looks at lock files (LCK..NAME), at the open files of other processes, and, where someone has
// it open or not every process can be seen, opens the device for a moment to try its lock.
PortHold CheckHeld(const std::string& path);

}  // namespace quorvel::platform
