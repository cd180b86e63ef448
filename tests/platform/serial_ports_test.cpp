// The serial devices offered to the operator, from a fake device database modelled on what udev
// reports for real adapters: which devices count, their names and makes, which persistent name
// is kept for them, and the COM ports and tooltips that follow links.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

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
             {"ID_VENDOR_ENC", "FTDI"},
             {"ID_VENDOR_ID", "0403"},
             {"ID_VENDOR_FROM_DATABASE", "Future Technology Devices International, Ltd"},
             {"ID_MODEL", "FT232R_USB_UART"},
             {"ID_MODEL_ENC", "FT232R\\x20USB\\x20UART"},
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
    EXPECT_EQ(ftdi.product, "FT232R USB UART");
    EXPECT_EQ(ftdi.serial, "A1B2C3");
    EXPECT_EQ(ftdi.driver, "ftdi_sio");
    EXPECT_EQ(ftdi.byId, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    EXPECT_EQ(ftdi.byPath, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    EXPECT_FALSE(ftdi.identical);
    EXPECT_EQ(ftdi.storeName(), ftdi.byId);
    EXPECT_EQ(DescribePort(ftdi), "FTDI FT232R USB UART, serial A1B2C3 (ftdi_sio)");

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

    const SerialPortInfo& uart = ports[1];
    EXPECT_EQ(uart.storeName(), "/dev/ttyS0");
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
        return n == 2 ? link : n == 7 ? node : "/dev/ttyS" + std::to_string(n - 1);
    };
    EXPECT_EQ(ComPortsOf(node, resolve), (std::vector<int>{2, 7}));
    EXPECT_EQ(ComPortsOf(link, resolve), (std::vector<int>{2, 7}));

    SerialPortInfo p;
    p.devnode = node;
    p.byId = link;
    p.vendor = "FTDI";
    p.driver = "ftdi_sio";
    const std::vector<SerialPortInfo> ports{p};
    EXPECT_EQ(FindPort(ports, link), &ports[0]);
    EXPECT_EQ(FindPort(ports, node), &ports[0]);
    EXPECT_EQ(FindPort(ports, (dir / "ttyUSB1").string()), nullptr);
    EXPECT_EQ(ComPortTooltip(2, link, {p}), "COM2: " + link + " = " + node + ", FTDI (ftdi_sio)");
    EXPECT_EQ(ComPortTooltip(7, node, {p}), "COM7: " + node + ", FTDI (ftdi_sio)");
    const std::string gone = (dir / "ttyUSB9").string();
    EXPECT_EQ(ComPortTooltip(9, gone, {p}), "COM9: " + gone + " (not present)");
    std::filesystem::remove_all(dir);
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
