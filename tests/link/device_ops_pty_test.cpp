// Device operations against the simulated PDU over a real pseudo-terminal where the device's
// own records matter: stamped models and map records, the catalogue's configuration items,
// switching and the reboot; the exact line the device received and what it did with it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "common/config_catalogue.h"
#include "link/console_lease.h"
#include "link/device_ops.h"
#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

constexpr int kPort = 9;

class DeviceOpsPty : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { start(GetParam()); }
    void start(const char* profileName) {
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, kPort, test::LoadedProfile(profileName)));
    }
    void TearDown() override { test::Unserve(kPort); }
    std::string lastLine() {
        std::string line;
        simulator.withConsole([&line](sim::Console& c) {
            if (!c.receivedLines().empty()) {
                line = c.receivedLines().back();
            }
        });
        return line;
    }
    sim::Device device() { return simulator.deviceSnapshot(); }

    sim::PtySimulator simulator;
    PDUIfce ifce;
};

TEST_P(DeviceOpsPty, StampedModelsReadBack) {
    ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini"));
    // The extended series, stamped as a fourth-generation unit would be.
    const ModelCode code{0x47C0, 0xDB98B4B2, 0x100A};
    ASSERT_TRUE(StampModel(code.feature, code.attribute, code.extension, 0));
    EXPECT_EQ(lastLine(), "s 47C0 DB98B4B2 47310862");
    ASSERT_TRUE(StampModel(code.feature, code.attribute, code.extension, 1));
    ASSERT_TRUE(StampModel(code.feature, code.attribute, code.extension, 2));
    EXPECT_THAT(lastLine(), ::testing::StartsWith("Q "));

    std::uint16_t f = 0, e = 0;
    std::uint32_t a = 0;
    ReadIdentity(&f, &a, &e, nullptr);
    EXPECT_EQ(f, code.feature);
    EXPECT_EQ(a, code.attribute);
    std::uint8_t layout[kLayoutRecordSize] = {};
    ReadLayoutRecord(layout);
    LayoutRecord expectedLayout;
    ASSERT_TRUE(Attributes().layoutRecord(code, &expectedLayout, false));
    EXPECT_EQ(std::memcmp(layout, &expectedLayout, sizeof layout), 0);
}

// The map record a stamp leaves on the device is the series' own, byte for byte: its current-
// input map one value per byte, whether the series keeps the map packed or in the direct form.
TEST_P(DeviceOpsPty, AStampedMapRecordIsTheSeriesOwnByteForByte) {
    constexpr SeriesIndex kPacked = 17000;
    constexpr SeriesIndex kDirect = 17001;
    const std::vector<std::uint16_t> currentAddresses{0x30, 0x31, 0x32};
    std::vector<std::uint16_t> receptacles(36, 0);
    for (std::size_t c = 0; c < receptacles.size(); c += 7) {
        receptacles[c] = static_cast<std::uint16_t>(0x3F - c);
    }
    AttributeTables& tables = Attributes();
    ASSERT_EQ(tables.storeValues(kDirect, kTabExtModel, std::vector<std::uint16_t>{0x1000}), 1u);
    for (SeriesIndex series : {kPacked, kDirect}) {
        ASSERT_TRUE(tables.storeValue(series, kTabVSampleMap, 0, 0x03));
        ASSERT_EQ(tables.storeValues(series, kTabIAddMap, currentAddresses), 3u);
        ASSERT_EQ(tables.storeValues(series, kTabRecepIMap, receptacles), 36u);
    }
    std::array<std::uint8_t, kKvbMapRecordSize> expected{};
    expected[0] = 0x03;
    std::copy(currentAddresses.begin(), currentAddresses.end(), expected.begin() + 10);
    std::copy(receptacles.begin(), receptacles.end(), expected.begin() + 22);

    const auto words = [](SeriesIndex s, std::uint16_t marker) {
        return ModelCode{0x0380, (s & 0x3Fu) << 18 | ((s & 0x40u) != 0 ? 0x80u : 0u),
                         static_cast<std::uint16_t>(s >> 7 | marker)};
    };
    // A code from a part number never has the marker; a fourth-generation stamp does.
    for (const ModelCode& code : {words(kPacked, 0), words(kDirect, 0), words(kDirect, 0x1000)}) {
        ASSERT_TRUE(StampModel(code.feature, code.attribute, code.extension, 1));
        EXPECT_EQ(device().identity.kvbMap, expected) << std::hex << code.extension;
    }
}

// The catalogue's own descriptors: what the device stores, and what a read brings back.
TEST_P(DeviceOpsPty, ConfigurationItemsWriteAndReadBack) {
    const ConfigCatalogue catalogue;
    const ConfigItemDescriptor* tables[] = {catalogue.table(0), catalogue.table(1),
                                            catalogue.table(2)};
    const auto item = [&tables](std::string_view key) {
        int t = -1, i = -1;
        EXPECT_TRUE(FindConfigKey(tables, key, t, i)) << key;
        return tables[t][i];
    };
    const ConfigItemDescriptor ip = item("cDeviceIP"), name = item("cDeviceName"),
                               alarm = item("cAlarmInterval");  // element 1, by its sub-id
    std::uint8_t image[kConfigImageSize] = {};
    const std::uint8_t address[4] = {10, 20, 30, 40};
    std::memcpy(image + ip.offset, address, 4);
    const char16_t text[] = u"Rack 7 \u00c5";
    std::memcpy(image + name.offset, text, sizeof text);
    const std::uint16_t seconds = 900;
    std::memcpy(image + alarm.offset, &seconds, 2);
    ASSERT_TRUE(WriteConfigItem(ip, image));
    EXPECT_EQ(lastLine(), "H 5 10.20.30.40 0");
    ASSERT_TRUE(WriteConfigItem(name, image));
    ASSERT_TRUE(WriteConfigItem(alarm, image));
    EXPECT_EQ(lastLine(), "H 1 384 1");
    EXPECT_EQ(device().variableNumber(1, 1), 900u);

    std::uint8_t back[kConfigImageSize] = {};
    ASSERT_TRUE(ReadConfigItem(ip, back));
    EXPECT_EQ(lastLine(), "h 5");
    ASSERT_TRUE(ReadConfigItem(name, back));
    ASSERT_TRUE(ReadConfigItem(item("cLogInterval"), back));  // the whole item, both elements
    EXPECT_EQ(std::memcmp(back + ip.offset, address, 4), 0);
    EXPECT_EQ(std::memcmp(back + name.offset, text, sizeof text), 0);
    EXPECT_EQ(std::memcmp(back + alarm.offset, &seconds, 2), 0);
}

TEST_P(DeviceOpsPty, OutletsSwitchAndRebootLogsTheConsoleOut) {
    sim::Device before = device();
    PduRecord record;
    record.featureWord = before.identity.feature;
    record.extensionWord = before.identity.extension;
    record.generationNumber = static_cast<std::uint8_t>(before.generationNumber());
    record.receptaclesPerCircuit[0] = static_cast<std::uint8_t>(before.branchOutlets[0]);
    record.receptaclesPerCircuit[1] = static_cast<std::uint8_t>(before.branchOutlets[1]);
    ASSERT_TRUE(SwitchOutlets(record, 0, 0, 0, 1u << 0 | 1u << 2));
    EXPECT_EQ(lastLine(), record.generationNumber >= 2 ? "R 3 0" : "R A 3 0");
    sim::Device after = device();
    EXPECT_FALSE(after.outletOn(0));
    EXPECT_FALSE(after.outletOn(2));
    EXPECT_EQ(after.outletOn(1), before.outletOn(1));

    EXPECT_TRUE(RebootPdu());
    EXPECT_EQ(lastLine(), "x 47310862");
    EXPECT_EQ(device().reboots, 1);
    // The console comes back logged out, wanting its password again.
    bool loggedIn = true;
    simulator.withConsole([&loggedIn](sim::Console& c) { loggedIn = c.loggedIn(); });
    EXPECT_FALSE(loggedIn);
}

INSTANTIATE_TEST_SUITE_P(Generations, DeviceOpsPty, ::testing::Values("v1", "v2", "v4"));

}  // namespace
}  // namespace quorvel
