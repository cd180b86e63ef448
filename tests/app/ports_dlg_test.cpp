// The Ports... button and dialog through QTest, over a fake device database: a device picked
// from the list is kept in [Ports] by its persistent name, a typed path is checked, a device
// that comes or goes shows in the open dialog and in the COM list's tooltips, and the button
// is there only while no session runs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>

#include "app/ports_dlg.h"
#include "app/quorvel_dlg.h"
#include "platform/port_map.h"
#include "support/gui_session.h"
#include "support/scripted_prompter.h"
#include "support/widget_child.h"

namespace quorvel::app {
namespace {

using gui_test::kConnectBoundMs;
const std::string kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
const std::string kTwinPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0";

platform::TtyRecord Adapter(const std::string& name, std::vector<std::string> links,
                            const std::string& model, const std::string& serial) {
    return {name,
            "/dev/" + name,
            std::move(links),
            {{"ID_BUS", "usb"},
             {"ID_VENDOR_ENC", model == "FT232R" ? "FTDI" : "QinHeng"},
             {"ID_VENDOR_ID", model == "FT232R" ? "0403" : "1a86"},
             {"ID_MODEL_ENC", model == "FT232R" ? "FT232R\\x20USB\\x20UART" : "USB\\x20Serial"},
             {"ID_SERIAL_SHORT", serial}},
            model == "FT232R" ? "ftdi_sio" : "ch341-uart",
            "",
            true};
}

std::vector<platform::TtyRecord> Adapters() {
    const std::string twinId = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0";
    return {
        Adapter("ttyUSB0", {kFtdiById, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"},
                "FT232R", "A1B2C3"),
        Adapter("ttyUSB1", {twinId, kTwinPath}, "CH340", ""),
        Adapter("ttyUSB2", {twinId, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:4:1.0-port0"},
                "CH340", "")};
}

using test_support::Child;

QString Tooltip(QWidget& window, int index) {
    return Child<QComboBox>(window, "portList")->itemData(index, Qt::ToolTipRole).toString();
}

void SelectDevice(CPortsDlg& dlg, const QString& node) {
    auto* list = Child<QTreeWidget>(dlg, "deviceList");
    const auto found = list->findItems(node, Qt::MatchExactly, 0);
    ASSERT_EQ(found.size(), 1) << node.toStdString();
    list->setCurrentItem(found.front());
}

class PortsDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        test_support::IsolateSettings();
        QSettings("TEVRA", "Quorvel").remove("Ports");
        QSettings("TEVRA", "Quorvel").remove("MRU");
        platform::SetTtySource([] { return Adapters(); });
    }
    void TearDown() override {
        platform::SetTtySource(nullptr);
        QSettings("TEVRA", "Quorvel").remove("Ports");
    }
    test_support::ScriptedPrompter prompter_{Answer::Ok};
};

TEST_F(PortsDialog, KeepsThePickedDeviceByItsPersistentNameAndFollowsHotPlug) {
    CQuorvelDlg window(false, prompter_, nullptr);
    window.show();
    Child<QComboBox>(window, "portList")->setCurrentIndex(2);  // COM3
    auto* button = Child<QPushButton>(window, "portsButton");
    ASSERT_TRUE(button->isEnabled());

    gui_test::WithModal(
        &window, [&] { QTest::mouseClick(button, Qt::LeftButton); },
        [&](QWidget& shown) {
            auto* dlg = qobject_cast<CPortsDlg*>(&shown);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->comPort(), 3);
            EXPECT_EQ(Child<QTreeWidget>(*dlg, "deviceList")->topLevelItemCount(), 3);
            auto* path = Child<QLineEdit>(*dlg, "pathEdit");
            auto* assign = Child<QPushButton>(*dlg, "assignButton");

            // The FTDI adapter is kept by its by-id name.
            SelectDevice(*dlg, "/dev/ttyUSB0");
            EXPECT_EQ(path->text().toStdString(), kFtdiById);
            QTest::mouseClick(assign, Qt::LeftButton);
            EXPECT_EQ(platform::resolvePortPath(3), kFtdiById);
            EXPECT_EQ(Child<QLabel>(*dlg, "mappingText")->text().toStdString(),
                      "COM3 uses " + kFtdiById + " (from the settings)");
            auto* list = Child<QTreeWidget>(*dlg, "deviceList");
            EXPECT_EQ(list->findItems("/dev/ttyUSB0", Qt::MatchExactly, 0).front()->text(5),
                      "COM3");

            // One of two identical adapters is kept by its place on the bus, for COM4.
            Child<QComboBox>(*dlg, "comPortList")->setCurrentIndex(3);
            SelectDevice(*dlg, "/dev/ttyUSB1");
            EXPECT_EQ(path->text().toStdString(), kTwinPath);
            QTest::mouseClick(assign, Qt::LeftButton);
            EXPECT_EQ(platform::resolvePortPath(4), kTwinPath);

            // A typed path: refused unless absolute, then kept as typed.
            Child<QComboBox>(*dlg, "comPortList")->setCurrentIndex(4);
            path->clear();
            QTest::keyClicks(path, "ttyACM0");
            QTest::mouseClick(assign, Qt::LeftButton);
            ASSERT_FALSE(prompter_.shown.empty());
            EXPECT_EQ(prompter_.shown.back().kind, "warning");
            EXPECT_TRUE(prompter_.shown.back().text.startsWith("Device path:"));
            EXPECT_EQ(platform::resolvePortPath(5), "/dev/ttyS4");
            path->clear();
            QTest::keyClicks(path, "/dev/ttyACM0");
            QTest::mouseClick(assign, Qt::LeftButton);
            EXPECT_EQ(platform::resolvePortPath(5), "/dev/ttyACM0");
            QTest::mouseClick(Child<QPushButton>(*dlg, "defaultButton"), Qt::LeftButton);
            EXPECT_EQ(platform::resolvePortPath(5), "/dev/ttyS4");

            // An adapter plugged in while the dialog is open joins the list.
            platform::SetTtySource([] {
                auto more = Adapters();
                more.push_back(Adapter("ttyUSB3", {}, "FT232R", "Z9"));
                return more;
            });
            window.refreshPorts();
            EXPECT_EQ(list->topLevelItemCount(), 4);
            dlg->accept();
        });

    EXPECT_EQ(Tooltip(window, 2).toStdString(),
              "COM3: " + kFtdiById +
                  " = /dev/ttyUSB0, FTDI FT232R USB UART, serial A1B2C3 "
                  "(ftdi_sio)");
    EXPECT_EQ(Child<QComboBox>(window, "portList")->toolTip(), Tooltip(window, 2));
    // The adapter pulled: the port keeps its name, and the tooltip says it is not there.
    platform::SetTtySource([] { return std::vector<platform::TtyRecord>{}; });
    window.refreshPorts();
    EXPECT_EQ(Tooltip(window, 2).toStdString(), "COM3: " + kFtdiById + " (not present)");
}

TEST_F(PortsDialog, TheButtonIsEnabledOnlyWhileDisconnected) {
    gui_test::MainWindow main(prompter_);
    ASSERT_NO_FATAL_FAILURE(main.open("v2", false));
    CQuorvelDlg& window = main.window();
    auto* button = Child<QPushButton>(window, "portsButton");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(Tooltip(window, 0).contains("simulated PDU"));
    window.onConnect();
    EXPECT_FALSE(button->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.sessionReady(); }, kConnectBoundMs));
    EXPECT_FALSE(button->isEnabled());
    ASSERT_NO_FATAL_FAILURE(main.disconnect());
    EXPECT_TRUE(QTest::qWaitFor([&] { return button->isEnabled(); }, kConnectBoundMs));
}

}  // namespace
}  // namespace quorvel::app
