// The serial devices offered to the operator, from a fake device database modelled on what udev
// reports for real adapters: which devices count, their names and makes, which persistent name
// is kept for them, and the COM ports and tooltips that follow links.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/serial_ports.h"

namespace quorvel::platform {
namespace {

TtyRecord Usb(const std::string& name, std::vector<std::string> links,
              std::map<std::string, std::string> props, const std::string& driver) {
    props.emplace("ID_BUS", "usb");
    return TtyRecord{name, "/dev/" + name, std::move(links), std::move(props), driver, "", true};
}

std::vector<TtyRecord> FakeTree() {
    return {
        {"tty1", "/dev/tty1", {}, {}, "", "", false},
        {"ptmx", "/dev/ptmx", {}, {}, "", "", false},
        {"ttyS0", "/dev/ttyS0", {}, {}, "serial", "4", true},  // a 16550A answers
        {"ttyS1", "/dev/ttyS1", {}, {}, "serial8250", "0", true},
        {"ttyS2", "/dev/ttyS2", {}, {}, "serial8250", "", true},
        Usb("ttyUSB2",
            {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:4:1.0-port0",
             "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"},
            {{"ID_VENDOR", "1a86"},
             {"ID_VENDOR_ENC", "1a86"},
             {"ID_VENDOR_ID", "1a86"},
             {"ID_VENDOR_FROM_DATABASE", "QinHeng Electronics"},
             {"ID_MODEL", "USB_Serial"},
             {"ID_MODEL_ENC", "USB\\x20Serial"},
             {"ID_MODEL_ID", "7523"}},
            "ch341-uart"),
        Usb("ttyUSB0",
            {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
             "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"},
            {{"ID_VENDOR", "FTDI"},
             {"ID_VENDOR_ENC", "FTD\\x49"},
             {"ID_VENDOR_ID", "0403"},
             {"ID_VENDOR_FROM_DATABASE", "Future Technology Devices International, Ltd"},
             {"ID_MODEL", "FT232R_USB_UART"},
             {"ID_MODEL_ENC", "FT232R\\x20USB\\x2dUART\\x2F1\\x5a\\xZ1\\x2"},
             {"ID_MODEL_ID", "6001"},
             {"ID_SERIAL_SHORT", "A1B2C3"}},
            "ftdi_sio"),
        // The twin of ttyUSB2 in the next socket: udev gives both the same by-id name.
        Usb("ttyUSB1",
            {"/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0",
             "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0"},
            {{"ID_VENDOR", "1a86"},
             {"ID_VENDOR_ID", "1a86"},
             {"ID_VENDOR_FROM_DATABASE", "QinHeng Electronics"},
             {"ID_MODEL", "USB_Serial"},
             {"ID_MODEL_ENC", "USB\\x20Serial"},
             {"ID_MODEL_ID", "7523"}},
            "ch341-uart"),
        // Only the hardware database names it; the driver is known from the interface only.
        Usb("ttyACM0", {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:5:1.0"},
            {{"ID_VENDOR_ID", "2341"},
             {"ID_VENDOR_FROM_DATABASE", "Arduino SA"},
             {"ID_MODEL_ID", "0043"},
             {"ID_MODEL_FROM_DATABASE", "Uno R3 (CDC ACM)"},
             {"ID_USB_DRIVER", "cdc_acm"}},
            ""),
    };
}

TEST(SerialPortsFromUdev, ListsSerialDevicesByNameAndKeepsTheirPersistentName) {
    const std::vector<SerialPortInfo> ports = SerialPortsFrom(FakeTree());
    std::vector<std::string> nodes;
    for (const auto& p : ports) {
        nodes.push_back(p.devnode);
    }
    // No terminals, no 8250 port without a UART behind it.
    ASSERT_EQ(nodes, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0",
                                               "/dev/ttyUSB1", "/dev/ttyUSB2"}));

    const SerialPortInfo& ftdi = ports[2];
    EXPECT_EQ(ftdi.vendor, "FTDI");
    EXPECT_EQ(ftdi.product, "FT232R USB-UART/1Z\\xZ1\\x2");  // no escapes: \\xZ1, one cut short
    EXPECT_EQ(ftdi.serial, "A1B2C3");
    EXPECT_EQ(ftdi.driver, "ftdi_sio");
    EXPECT_EQ(ftdi.byId, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    EXPECT_EQ(ftdi.byPath, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    EXPECT_FALSE(ftdi.identical);
    EXPECT_EQ(ftdi.storeName(), ftdi.byId);
    EXPECT_EQ(DescribePort(ftdi), "FTDI FT232R USB-UART/1Z\\xZ1\\x2, serial A1B2C3 (ftdi_sio)");

    // Identical adapters are told apart by their place on the bus.
    for (const SerialPortInfo* twin : {&ports[3], &ports[4]}) {
        EXPECT_TRUE(twin->identical) << twin->devnode;
        EXPECT_EQ(twin->vendor, "QinHeng Electronics");  // its own "name" is only its id
        EXPECT_EQ(twin->product, "USB Serial");
        EXPECT_EQ(twin->storeName(), twin->byPath);
    }
    EXPECT_NE(ports[3].storeName(), ports[4].storeName());

    const SerialPortInfo& acm = ports[0];
    EXPECT_EQ(acm.vendor, "Arduino SA");
    EXPECT_EQ(acm.product, "Uno R3 (CDC ACM)");
    EXPECT_EQ(acm.driver, "cdc_acm");
    EXPECT_EQ(acm.storeName(), acm.byPath);  // no by-id link
    EXPECT_FALSE(acm.identical);

    const SerialPortInfo& uart = ports[1];
    EXPECT_EQ(uart.storeName(), "/dev/ttyS0");
    EXPECT_FALSE(uart.identical);
    EXPECT_EQ(DescribePort(uart), "(serial)");

    // The source a test installs is the one the program asks.
    SetTtySource([] { return FakeTree(); });
    EXPECT_EQ(DetectSerialPorts().size(), 5u);
    SetTtySource(nullptr);
}

TEST(SerialPortsFromUdev, ComPortsAndTooltipsFollowLinksToTheDevice) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quorvel-ports-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "by-id");
    std::ofstream(dir / "ttyUSB0").put('\n');
    std::filesystem::create_symlink("../ttyUSB0", dir / "by-id" / "usb-FTDI");
    const std::string node = (dir / "ttyUSB0").string();
    const std::string link = (dir / "by-id" / "usb-FTDI").string();

    auto resolve = [&](int n) {
        return n == 1 ? link : n == 7 ? node : "/dev/ttyS" + std::to_string(n - 1);
    };
    EXPECT_EQ(ComPortsOf(node, resolve), (std::vector<int>{1, 7}));
    EXPECT_EQ(ComPortsOf(link, resolve), (std::vector<int>{1, 7}));
    // A device that is not plugged in is still the one its persistent names are kept for.
    SerialPortInfo away;
    away.devnode = (dir / "ttyUSB5").string();
    away.byId = (dir / "by-id" / "usb-gone").string();
    away.byPath = (dir / "by-path" / "pci-gone").string();
    auto names = [&](int n) {
        return n == 4 ? away.byPath : n == 1 || n == 20 ? away.byId : n == 6 ? link : node;
    };
    EXPECT_EQ(ComPortsOf(away, names), (std::vector<int>{1, 4, 20}));

    SerialPortInfo p;
    p.devnode = node;
    p.byId = link;
    p.vendor = "FTDI";
    p.driver = "ftdi_sio";
    const std::vector<SerialPortInfo> ports{p};
    EXPECT_EQ(FindPort(ports, link), &ports[0]);
    EXPECT_EQ(FindPort(ports, node), &ports[0]);
    EXPECT_EQ(FindPort(ports, (dir / "ttyUSB1").string()), nullptr);
    EXPECT_EQ(ComPortTooltip(1, link, {p}), "COM1: " + link + " = " + node + ", FTDI (ftdi_sio)");
    EXPECT_EQ(ComPortTooltip(7, node, {p}), "COM7: " + node + ", FTDI (ftdi_sio)");
    const std::string gone = (dir / "ttyUSB9").string();
    EXPECT_EQ(ComPortTooltip(9, gone, {p}), "COM9: " + gone + " (not present)");
    std::filesystem::remove_all(dir);
}

// Runs fn in a child process as the user nobody and returns what it wrote.
std::string AsNobody(const std::function<std::string()>& fn) {
    int out[2];
    if (::pipe(out) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        std::string r = dropped ? fn() : "no setuid";
        ssize_t w = ::write(out[1], r.data(), r.size());
        ::_exit(w < 0 ? 1 : 0);
    }
    ::close(out[1]);
    std::string got;
    char buf[256];
    for (ssize_t k; (k = ::read(out[0], buf, sizeof buf)) > 0;) {
        got.append(buf, static_cast<std::size_t>(k));
    }
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    return got;
}

class PortFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("quorvel-hold-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        device_ = (dir_ / ("qvtty" + std::to_string(::getpid()))).string();
        std::ofstream(device_).put('\n');
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
    std::string device_;
};

TEST_F(PortFiles, AccessNamesTheGroupToJoin) {
    EXPECT_FALSE(CheckAccess((dir_ / "none").string()).exists);
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to make a device of another owner";
    }
    // A device of root's group that its group may use: nobody may not open it, but may join.
    ::chmod(device_.c_str(), 0660);
    ASSERT_EQ(::chown(device_.c_str(), 0, 0), 0);
    const PortAccess mine = CheckAccess(device_);
    EXPECT_TRUE(mine.exists);
    EXPECT_TRUE(mine.mayOpen);
    EXPECT_EQ(mine.joinGroup, "");
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    auto report = [this] {
        const PortAccess a = CheckAccess(device_);
        return std::to_string(a.exists) + std::to_string(a.mayOpen) + " " + a.group + " " +
               a.joinGroup;
    };
    const std::string group = mine.group;
    EXPECT_EQ(AsNobody(report), "10 " + group + " " + group);
    // Only its owner may open it: no group helps.
    ::chmod(device_.c_str(), 0600);
    EXPECT_EQ(AsNobody(report), "10 " + group + " ");
}

TEST_F(PortFiles, HeldByALockFileAnotherProcessOrAnExclusiveLock) {
    PortHold free = CheckHeld(device_);
    EXPECT_FALSE(free.held);
    EXPECT_TRUE(free.openBy.empty());

    // Another process has it open: it is named, but it holds no lock.
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(device_.c_str(), O_RDWR);
        char c = fd >= 0 ? '1' : '0';
        ssize_t w = ::write(ready[1], &c, 1);
        ssize_t r = ::read(done[0], &c, 1);  // until the parent is done
        ::_exit(w == 1 && r >= 0 ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');
    PortHold shared = CheckHeld(device_);
    EXPECT_FALSE(shared.held);
    ASSERT_EQ(shared.openBy.size(), 1u);
    EXPECT_EQ(shared.openBy[0].pid, child);
    EXPECT_EQ(shared.openBy[0].program,
              std::filesystem::path(program_invocation_name).filename().string().substr(0, 15));
    c = 'x';
    EXPECT_EQ(::write(done[1], &c, 1), 1);
    ::waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) {
        ::close(fd);
    }

    // This program holds it as it holds a serial port (an exclusive lock on its own open).
    const int mine = ::open(device_.c_str(), O_RDWR);
    ASSERT_EQ(::flock(mine, LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(CheckHeld(device_).held);
    EXPECT_TRUE(CheckHeld(device_).openBy.empty());  // this process is not another program
    // A user who cannot see this process's open files still finds the lock.
    if (::getuid() == 0) {
        ::chmod(device_.c_str(), 0666);
        std::filesystem::permissions(dir_, std::filesystem::perms::all);
        EXPECT_EQ(AsNobody([this, mine] {
                      ::close(mine);  // the lock stays with this process's open
                      return std::to_string(CheckHeld(device_).held);
                  }),
                  "1");
    }
    ::close(mine);
    EXPECT_FALSE(CheckHeld(device_).held);

    // A lock file of a live process, as minicom leaves one.
    const std::string lock = "/run/lock/LCK.." + std::filesystem::path(device_).filename().string();
    if (!std::ofstream(lock).write("         1\n", 11)) {
        GTEST_SKIP() << "no /run/lock to write to";
    }
    PortHold locked = CheckHeld(device_);
    std::filesystem::remove(lock);
    EXPECT_TRUE(locked.held);
    ASSERT_EQ(locked.openBy.size(), 1u);
    EXPECT_EQ(locked.openBy[0].pid, 1);
}

TEST(SerialPortsFromUdev, ATypedPathMustBeAbsoluteAndPlain) {
    EXPECT_EQ(TypedPathError("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"), "");
    EXPECT_NE(TypedPathError("").find("Device path"), std::string::npos);
    EXPECT_EQ(TypedPathError("ttyUSB0"),
              "Device path: an absolute path is needed (one that begins with /), not 'ttyUSB0'");
    EXPECT_NE(TypedPathError("/dev/ttyUSB0\n[MRU]").find("control characters"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::platform
