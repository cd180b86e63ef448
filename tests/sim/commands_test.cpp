// The command set on the device side: reply texts, item counts and encodings, and the effect of
// settings on the device model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/commands.h"
#include "sim/encoding.h"
#include "sim/sim_test_support.h"

namespace quorvel::sim {
namespace {

using Kind = CommandResult::Kind;

class Commands : public testing::Test {
  protected:
    Commands() {
        Device& d = factory;
        d.identity = {0x0720, 0x02104A31, 0x0200, {}, 4};
        d.identity.kvbMap[0] = 0xAB;
        d.identity.kvbMap[57] = 0x01;
        d.layout[63] = 0x5C;
        d.version = "02.03.01";
        d.generation = "V2";
        d.modules = {"DISP=HOJ-1", "TLD0=TLD-0", "S2=NONE", "S3=NONE",
                     "S4=NONE",    "ENV0=ENV-0", "S6=NONE", "NET=ZOLT"};
        d.outletCount = 24;
        d.outletsOn = 0xFFFFFF;
        d.voltages = {230, 229, 0, 0};
        d.circuitCurrents = {4.1, 3.75, 0, 0, 0, 0};
        for (int i = 0; i < 24; ++i)
            d.outletCurrents[static_cast<std::size_t>(i)] = 0.5;
        d.sensors = 1;
        d.temperature = {23.5, 0};
        d.humidity = {41.25, 0};
        d.variables[5] = {kVarIp, {{192, 168, 123, 123}}};
        d.variables[6] = {kVarMac, {{0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}}};
        d.variables[7] = {kVarBytes, {{1}, {2}, {3}, {4}, {5}, {6}}};
        d.variables[8] = {kVarByte, {{3}, {4}, {0x1F}}};
        d.variables[14] = {kVarNumber, {numberBytes(1600), numberBytes(0xFFFF)}};
        d.variables[17] = {kVarText, {textBytes("PDUName")}};
        device = factory;
    }

    CommandResult run(const std::string& line) { return runCommand(device, factory, line); }
    std::string text(const std::string& line) {
        CommandResult r = run(line);
        EXPECT_EQ(r.kind, Kind::Text) << line << ": " << r.text;
        return r.text;
    }
    void accepted(const std::string& line) {
        CommandResult r = run(line);
        EXPECT_EQ(r.kind, Kind::Accepted) << line << ": " << r.text;
    }
    void refused(const std::string& line, std::string_view error) {
        CommandResult r = run(line);
        EXPECT_EQ(r.kind, Kind::Refused) << line;
        EXPECT_EQ(r.text, error) << line;
    }

    Device factory;
    Device device;
};

TEST_F(Commands, IdentityHasWordsMapAndExtension) {
    auto v = ReplyItems(text("v"));
    ASSERT_EQ(v.size(), 4U);
    EXPECT_EQ(v[0], "720");
    EXPECT_EQ(v[1], "2104A31");
    ASSERT_EQ(v[2].size(), 116U);
    EXPECT_TRUE(v[2].starts_with("AB00"));
    EXPECT_TRUE(v[2].ends_with("0001"));
    EXPECT_EQ(v[3], "200");
    device.identity.items = 3;
    EXPECT_EQ(ReplyItems(text("v")).size(), 3U);
    device.identity.items = 2;
    EXPECT_EQ(text("v"), "720 2104A31");
}

TEST_F(Commands, VersionModulesAndLayout) {
    EXPECT_EQ(text("u"), "02.03.01 V2");
    device.generation.clear();
    EXPECT_EQ(text("u"), "02.03.01");
    EXPECT_EQ(text("V"),
              "DISP=HOJ-1 TLD0=TLD-0 S2=NONE S3=NONE S4=NONE ENV0=ENV-0 S6=NONE NET=ZOLT");
    std::string q = text("q");
    ASSERT_EQ(q.size(), 128U);
    EXPECT_TRUE(q.ends_with("5C"));
    refused("v 1", kErrBadArguments);
}

TEST_F(Commands, StampsNeedTheAccessCodeAndChangeTheIdentity) {
    refused("s 1A 2F00 00000000", kErrAccessDenied);
    refused("Q " + std::string(128, '1') + " 47310861", kErrAccessDenied);
    refused("s 001A", kErrBadArguments);
    refused("s 001A 00002F00 1234 47310862", kErrBadArguments);  // map of the wrong length
    EXPECT_EQ(device.identity.feature, 0x0720);

    accepted("s 001A 00002F00 47310862");
    EXPECT_EQ(text("v").substr(0, 8), "1A 2F00 ");
    EXPECT_EQ(device.identity.kvbMap[0], 0xAB);  // the short form keeps the map

    accepted("s 001B 00002F01 " + std::string(114, '0') + "7F 47310862");
    EXPECT_EQ(device.identity.kvbMap[0], 0);
    EXPECT_EQ(device.identity.kvbMap[57], 0x7F);

    accepted("Q " + std::string(126, '0') + "EE 47310862");
    EXPECT_TRUE(text("q").ends_with("00EE"));
}

TEST_F(Commands, MaintenanceCommandsCheckTheAccessCode) {
    for (const char* k : {"I", "X", "x"}) {
        refused(std::string(k) + " 00000000", kErrAccessDenied);
        refused(k, kErrBadArguments);
    }
    accepted("X 47310862");
    device.calibrationMode = true;
    accepted("x 47310862");
    EXPECT_EQ(device.networkRestarts, 1);
    EXPECT_EQ(device.reboots, 1);
    EXPECT_FALSE(device.calibrationMode);  // a reboot leaves calibration
    EXPECT_EQ(device.databaseFormats, 0);
    // Formatting restores the factory variables.
    accepted("H 5 10.0.0.7 0");
    accepted("I 47310862");
    EXPECT_EQ(text("h 5"), "192.168.123.123");
    EXPECT_EQ(device.databaseFormats, 1);
}

TEST_F(Commands, ReadVariablesInTheirConsoleEncodings) {
    EXPECT_EQ(text("h 5"), "192.168.123.123");
    EXPECT_EQ(text("h 6"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(text("h 7"), "1 2 3 4 5 6");
    EXPECT_EQ(text("h 8"), "3 4 1f");
    EXPECT_EQ(text("h e"), "640 ffff");
    std::string name = text("h 11");
    ASSERT_EQ(name.size(), 128U);
    EXPECT_TRUE(
        name.starts_with("500044005500"
                         "4E0061006D0065000000"));
    refused("h 99", kErrUnknownVariable);
    refused("h", kErrBadArguments);
    refused("h zz", kErrBadArguments);
}

TEST_F(Commands, WriteVariablesElementBySubId) {
    accepted("H 5 10.0.0.7 0");
    EXPECT_EQ(text("h 5"), "10.0.0.7");
    accepted("H 6 01-02-03-0A-0B-FF 0");
    EXPECT_EQ(text("h 6"), "01:02:03:0A:0B:FF");
    accepted("H 8 2a 2");
    EXPECT_EQ(text("h 8"), "3 4 2a");
    accepted("H e fff6 1");
    EXPECT_EQ(text("h e"), "640 fff6");
    // Byte strings come last byte first and replace the whole string.
    accepted("H 7 060504030201 0");
    EXPECT_EQ(text("h 7"), "1 2 3 4 5 6");
    accepted("H 7 3f3e3d3c3b3a 0");
    EXPECT_EQ(text("h 7"), "3a 3b 3c 3d 3e 3f");
    // Texts: 32 groups of four digits, low byte first.
    std::string groups = "41004200";
    groups += std::string(128 - groups.size(), '0');
    accepted("H 11 " + groups + " 0");
    EXPECT_EQ(device.variables[17].elements[0], textBytes("AB"));
}

TEST_F(Commands, MalformedWritesAreRefusedAndChangeNothing) {
    refused("H 99 1 0", kErrUnknownVariable);
    // "H 8 1 3": a sub-id beyond the elements.
    for (const char* line :
         {"H 5 10.0.0 0", "H 5 10.0.0.256 0", "H 6 01:02:03:04:05 0", "H 8 100 0", "H 8 1 3",
          "H e 10000 0", "H e 12g 0", "H 7 0605040302 0", "H 11 410 0"}) {
        refused(line, kErrBadValue);
    }
    refused("H 5 10.0.0.7", kErrBadArguments);
    for (const auto& [id, var] : device.variables) {
        EXPECT_EQ(var.elements, factory.variables[id].elements) << "variable " << id;
    }
}

TEST_F(Commands, SwitchingOutletsAndGroups) {
    accepted("R 1 0");
    accepted("R 18 0");  // hexadecimal: outlet 24
    EXPECT_EQ(text("P ff"), "00007FFFFE");
    accepted("R 21 1");  // group 0
    accepted("R 24 1");  // group 3
    EXPECT_EQ(device.groupsOn, 0x9);
    refused("R 25 1", kErrBadArguments);  // only 4 groups
    // With 48 outlets and 16 groups, 33..48 still name groups, never outlets.
    device.outletCount = 48;
    device.groupCount = 16;
    device.outletsOn = 0xFFFFFFFFFFFF;
    device.groupsOn = 0xFFFF;
    accepted("R 20 0");
    accepted("R 30 0");
    EXPECT_EQ(device.outletsOn, 0xFFFF7FFFFFFFU);
    EXPECT_EQ(device.groupsOn, 0x7FFF);
    device.outletCount = 24;
    refused("R 19 1", kErrBadArguments);  // no outlet 25
    refused("R 1 2", kErrBadArguments);
    device.identity.feature = 0x0620;
    refused("R 1 1", kErrNotSwitched);
}

TEST_F(Commands, LargeSetsReportTwelveDigitBitmapsBeyond32Outlets) {
    device.identity.extension = 0x1000;
    device.outletCount = 48;
    device.outletsOn = 0x800000000001;
    device.resetBlocked = 0x000100000000;
    EXPECT_EQ(text("P ff"), "800000000001");
    EXPECT_EQ(text("p ff"), "000100000000");
    device.outletCount = 18;  // large sets, but the outlets fit the ten-digit form
    device.outletsOn = 0x3FFFF;
    EXPECT_EQ(text("P ff"), "000003FFFF");
}

TEST_F(Commands, PowerResetRespectsTheBlockedOutlets) {
    device.outletsOn = 0x1;
    device.resetBlocked = 0x2;
    accepted("o 1 1");  // off and blocked until its reset delay has run out
    EXPECT_FALSE(device.outletOn(0));
    EXPECT_EQ(text("p ff"), "0000000003");
    refused("o 1 1", kErrResetBlocked);  // already in a reset
    refused("o 2 1", kErrResetBlocked);
    refused("o 1 0", kErrBadArguments);
    EXPECT_EQ(device.outletResets, 1);
    accepted("R 1 1");  // switching by hand ends the reset
    EXPECT_EQ(text("p ff"), "0000000002");
    EXPECT_EQ(text("P ff"), "0000000001");
}

TEST_F(Commands, FirstGenerationBranches) {
    device.branchOutlets = {8, 8, 8};
    accepted("R B 1 0");
    accepted("R C 8 0");
    EXPECT_EQ(text("P A ff"), "FF");
    EXPECT_EQ(text("P B ff"), "FE");
    EXPECT_EQ(text("P C ff"), "7F");
    EXPECT_FALSE(device.outletOn(8));
    EXPECT_FALSE(device.outletOn(23));
    refused("R A 9 1", kErrBadArguments);
    auto c = ReplyItems(text("G I B ff"));
    ASSERT_EQ(c.size(), 9U);  // circuit current and its eight outlets
    EXPECT_EQ(c[0], "3.25");  // 3.75 A less the 0.50 A of the outlet switched off
    EXPECT_EQ(c[1], "0.00");
    EXPECT_EQ(c[2], "0.50");
    EXPECT_EQ(ReplyItems(text("G I A 0")).size(), 1U);
    EXPECT_EQ(text("G V A 0"), "589");  // 230 V: 589 * 100 / 256 = 230
}

TEST_F(Commands, MeasurementReads) {
    auto b = ReplyItems(text("G B 0 ff"));
    ASSERT_EQ(b.size(), 8U);
    EXPECT_EQ(b[0], "230");
    EXPECT_EQ(b[2], "4.10");
    device.identity.extension = 0x1000;
    EXPECT_EQ(ReplyItems(text("G B 0 ff")).size(), 10U);

    device.outletsOn &= ~std::uint64_t{1};
    auto set0 = ReplyItems(text("G i 0 f0"));
    ASSERT_EQ(set0.size(), 12U);
    EXPECT_EQ(set0[0], "0.00");
    EXPECT_EQ(set0[1], "0.50");
    auto set3 = ReplyItems(text("G i 0 f3"));
    ASSERT_EQ(set3.size(), 12U);
    EXPECT_EQ(set3[0], "0.00");  // beyond the 24 outlets
    refused("G i 0 f4", kErrBadArguments);
    refused("G x 0 ff", kErrBadArguments);
}

TEST_F(Commands, RawReadsAreHexadecimal) {
    EXPECT_EQ(text("G V 1 0"), "F55");  // 230 V: 230 * 4096 / 240 = 3925
    EXPECT_EQ(text("G V 1 1"), "F44");  // 229 V
    EXPECT_EQ(text("G I 1 0"), "5B0");  // 4.10 A: 410 * 4095 / 1226 + 87 = 1456
    EXPECT_EQ(text("G i 1 2"), "FE");   // outlet 2, 0.50 A: 167 + 87
    EXPECT_EQ(text("G I a 0"), "5B0");
    EXPECT_EQ(text("G V b 0"), "F44");
    EXPECT_EQ(rawCurrent(12.0), 0xFFF);
    EXPECT_EQ(rawVoltage(120), 0x800);
}

TEST_F(Commands, EnvironmentAndAlarms) {
    EXPECT_EQ(text("J"), "Temperature=23.50 Humidity=41.25");
    device.sensors = 2;
    EXPECT_EQ(ReplyItems(text("J")).size(), 4U);
    device.sensors = 0;
    EXPECT_EQ(text("J"), "Temperature=* Humidity=*");
    device.alarmWord = 0x12;
    device.lockWord = 0x3;
    EXPECT_EQ(text("n"), "12 3");
    accepted("N");
    EXPECT_EQ(text("n"), "0 0");
}

TEST_F(Commands, CalibrationModeWritesAndStore) {
    accepted("C 1");
    EXPECT_TRUE(device.calibrationMode);
    refused("C 2", kErrBadArguments);
    accepted("K I A0 0 42");
    accepted("K I D9 5 4cc");
    accepted("K V C2 0 f0");
    refused("K V D0 0 1", kErrBadArguments);  // no voltage row D
    refused("K I A 0 1", kErrBadArguments);
    EXPECT_EQ(device.calibration["K I A0"][0], 0x42);
    EXPECT_EQ(device.calibration["K I D9"][5], 0x4CC);
    EXPECT_EQ(device.calibration["K V C2"][0], 0xF0);
    refused("W A ff 12345678", kErrAccessDenied);
    accepted("W A ff 47310862");
    EXPECT_EQ(device.calibrationStores, 1);
    accepted("C 0");
    EXPECT_FALSE(device.calibrationMode);
}

TEST_F(Commands, UnknownKeywords) {
    refused("Z", kErrUnknownCommand);
    refused("vv", kErrUnknownCommand);
}

}  // namespace
}  // namespace quorvel::sim
