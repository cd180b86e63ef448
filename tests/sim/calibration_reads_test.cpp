// Raw calibration reads of the simulated unit: factory conversion, the calibration table the
// unit holds, reference loads on the bench, and the keys that tie a read to its table entry.
#include <gtest/gtest.h>

#include <string>

#include "sim/calibration_reads.h"
#include "sim/commands.h"

namespace quorvel::sim {
namespace {

using Kind = CommandResult::Kind;

class CalibrationReads : public testing::Test {
  protected:
    CalibrationReads() {
        Device& d = factory;
        d.generation = "V2";
        d.outletCount = 12;
        d.circuitCount = 2;
        d.branchOutlets = {6, 6, 0, 0, 0, 0};
        d.outletsOn = 0xFFF;
        d.voltages = {120, 121, 0, 0};
        d.circuitCurrents = {4.1, 3.0, 0, 0, 0, 0};
        for (int i = 0; i < 12; ++i)
            d.outletCurrents[static_cast<std::size_t>(i)] = 0.5 + i * 0.1;
        d.drift = false;
        device = factory;
    }

    unsigned rawOf(const std::string& line) {
        CommandResult r = runCommand(device, factory, line);
        EXPECT_EQ(r.kind, Kind::Text) << line << ": " << r.text;
        return static_cast<unsigned>(std::stoul(r.text, nullptr, 16));
    }
    void accept(const std::string& line) {
        EXPECT_EQ(runCommand(device, factory, line).kind, Kind::Accepted) << line;
    }

    Device factory;
    Device device;
};

TEST_F(CalibrationReads, UncalibratedChannelsUseTheFactoryConversion) {
    // 4.10 A: trunc(410 x 4095 / 1226) + 87 = 1456; 120 V: 120 x 4096 / 240 = 2048.
    EXPECT_EQ(rawOf("G I 1 0"), 1456U);
    EXPECT_EQ(rawOf("G I a 0"), 1456U);
    EXPECT_EQ(rawOf("G V 1 0"), 2048U);
    EXPECT_EQ(rawOf("G V a 0"), 2048U);
    // Outlet 3 (0.70 A) by its receptacle channel and, first generation, by branch A channel 3;
    // branch B channel 1 is outlet 7 (1.10 A).
    EXPECT_EQ(rawOf("G i 1 3"), static_cast<unsigned>(rawCurrent(0.7)));
    EXPECT_EQ(rawOf("G I a 3"), static_cast<unsigned>(rawCurrent(0.7)));
    EXPECT_EQ(rawOf("G I b 1"), static_cast<unsigned>(rawCurrent(1.1)));
    EXPECT_EQ(rawOf("G I b 9"), 87U);  // beyond the branch: no load
}

TEST_F(CalibrationReads, ReadsFollowTheTableTheUnitHolds) {
    // Receptacle 3: current table, row A, channel 3; scale 0x3e8 (1000), offset 0x20 (32).
    accept("K I A2 3 3e8");
    accept("K I A1 3 20");
    EXPECT_EQ(rawOf("G i 1 3"), 70U * 4095 / 1000 + 32);
    // Another channel of the same row keeps its factory values.
    EXPECT_EQ(rawOf("G i 1 4"), static_cast<unsigned>(rawCurrent(0.8)));
    // A negative offset is the 16-bit field's two's complement.
    accept("K I B2 0 3e8");
    accept("K I B1 0 fff6");
    EXPECT_EQ(rawOf("G I 1 1"), 300U * 4095 / 1000 - 10);
    // Voltage input 1: voltage table, row B, channel 0; scale 256 leaves offset 0 when unset.
    accept("K V B2 0 100");
    EXPECT_EQ(rawOf("G V 1 1"), 121U * 4096 / 256);
    // A scale of 0 is unusable: the factory conversion stays.
    accept("K I C2 0 0");
    EXPECT_EQ(channelCalibration(device, false, 2, 0).scale, kFactoryCurrentScale);
}

TEST_F(CalibrationReads, ReferenceLoadsReplaceTheLiveReadingOfTheirChannelOnly) {
    setReferenceLoad(device, false, 0, 2, 12.0);
    EXPECT_EQ(rawOf("G i 1 2"), 4095U);  // trunc(1200 x 4095 / 1226) + 87
    EXPECT_EQ(rawOf("G i 1 1"), static_cast<unsigned>(rawCurrent(0.5)));
    setReferenceLoad(device, true, 0, 0, 0.0);
    EXPECT_EQ(rawOf("G V 1 0"), 0U);
    EXPECT_EQ(rawOf("G V a 0"), 0U);  // the first generation's circuit A voltage: same entry
    clearReferenceLoads(device);
    EXPECT_EQ(rawOf("G i 1 2"), static_cast<unsigned>(rawCurrent(0.6)));
    EXPECT_EQ(calibrationChannelKey(false, 3, 12), "I D 12");
    EXPECT_EQ(rawReading(device, false, 0, 0, 1000.0), 0xFFFF);  // clamped
}

TEST_F(CalibrationReads, OtherMeasurementReadsAndBadSelectorsAreNotRaw) {
    EXPECT_EQ(runCommand(device, factory, "G I 0 0").text, "4.10 3.00 0.00 0.00 0.00 0.00");
    EXPECT_EQ(runCommand(device, factory, "G I A 0").text, "4.10");
    EXPECT_EQ(runCommand(device, factory, "G i 1 0").kind, Kind::Refused);
    EXPECT_EQ(runCommand(device, factory, "G i 1 31").kind, Kind::Refused);
    EXPECT_EQ(runCommand(device, factory, "G I 1 6").kind, Kind::Refused);
    EXPECT_EQ(runCommand(device, factory, "G V x 0").kind, Kind::Refused);
}

}  // namespace
}  // namespace quorvel::sim
