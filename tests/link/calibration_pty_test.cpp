// Calibration against the simulated units over a pseudo-terminal: raw samples at two reference
// loads give valid values that agree with the unit's calibration table, and the values written
// and stored land in that table.
#include <gtest/gtest.h>

#include <string>

#include "link/calibration_channels.h"
#include "link/calibration_math.h"
#include "link/calibration_ops.h"
#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "sim/calibration_reads.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

constexpr int kPort = 11;

class CalibrationPty : public ::testing::Test {
  protected:
    void start(const char* profileName) {
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, kPort, test::LoadedProfile(profileName)));
        FillCalibrationOps(ops, 1);
        block.ops = &ops;
        block.record = &record;
        ops.Open(&block);
        block.generation = record.generationNumber;
        const sim::Device d = simulator.deviceSnapshot();
        block.featureWord = d.identity.feature;
        block.extensionWord = d.identity.extension;
    }
    void TearDown() override { test::Unserve(kPort); }
    void load(bool voltage, int row, int channel, double value) {
        simulator.withConsole([&](sim::Console& c) {
            sim::setReferenceLoad(c.device(), voltage, row, channel, value);
        });
    }
    std::uint16_t sample(std::uint8_t code) {
        EXPECT_TRUE(ops.Action(0, code, &block)) << ifce.ErrorTextNarrow();
        return code == kCalSampleLow ? block.lowSample.load() : block.highSample.load();
    }
    // Samples the selected current channel at 0.50 A and 12.00 A and computes its values.
    CalibrationResult calibrateCurrent(std::uint8_t kind, std::uint8_t index) {
        block.kind = kind;
        block.index = index;
        const CalibrationTarget t =
            CalibrationWriteTarget(block.generation, block.featureWord, kind, index);
        load(t.voltage, t.row, t.channel, 0.5);
        const std::uint16_t low = sample(kCalSampleLow);
        load(t.voltage, t.row, t.channel, 12.0);
        const std::uint16_t high = sample(kCalSampleHigh);
        return ComputeCurrentCalibration(
            low, high,
            {ReadCurrentReference("0.50"), ReadCurrentReference("12.00"),
             ReadCurrentReference("0.20")});
    }
    void writeAndStore(const CalibrationResult& r) {
        block.scale = static_cast<std::uint16_t>(r.scale);
        block.offset = static_cast<std::uint16_t>(r.offset);
        block.threshold = static_cast<std::uint16_t>(r.threshold);
        EXPECT_TRUE(ops.Action(0, kCalWrite, &block)) << ifce.ErrorTextNarrow();
        EXPECT_TRUE(ops.Action(0, kCalStore, &block)) << ifce.ErrorTextNarrow();
    }

    sim::PtySimulator simulator;
    PDUIfce ifce;
    CalibrationOps ops;
    CalibrationWorkerBlock block;
    PduRecord record;
};

TEST_F(CalibrationPty, ReceptacleChannelOfASecondGenerationUnit) {
    start("v2");
    EXPECT_EQ(record.generationNumber, 2);
    EXPECT_TRUE(simulator.deviceSnapshot().calibrationMode);
    // Factory calibration: the two loads give it back.
    const CalibrationResult r = calibrateCurrent(kChannelReceptacle, 5);
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.scale, 1226, 2);
    EXPECT_NEAR(r.offset, 87, 2);
    EXPECT_NEAR(r.threshold, 66, 1);
    writeAndStore(r);
    sim::Device d = simulator.deviceSnapshot();
    EXPECT_EQ(d.calibration["K I A2"][5], r.scale);
    EXPECT_EQ(d.calibration["K I A9"][5], r.scale);
    EXPECT_EQ(d.calibration["K I A1"][5], r.offset);
    EXPECT_EQ(d.calibration["K I A0"][5], r.threshold);
    EXPECT_EQ(d.calibrationStores, 1);
}

TEST_F(CalibrationPty, ReadsFollowTheTableSoACalibrationRecoversIt) {
    start("v3");
    // Circuit 2 holds scale 1100 and offset -20: a calibration against two loads finds them.
    simulator.withConsole([](sim::Console& c) {
        c.device().calibration["K I C2"][0] = 1100;
        c.device().calibration["K I C1"][0] = static_cast<std::uint16_t>(-20);
    });
    const CalibrationResult r = calibrateCurrent(kChannelCircuit, 2);
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.scale, 1100, 2);
    EXPECT_NEAR(r.offset, -20, 2);
    writeAndStore(r);
    EXPECT_EQ(static_cast<std::int16_t>(simulator.deviceSnapshot().calibration["K I C1"][0]),
              r.offset);
}

TEST_F(CalibrationPty, VoltageInputAtOneHundredTwentyVolts) {
    start("v3");
    ASSERT_TRUE(block.featureWord & kFeatureVoltageInputs);
    block.kind = kChannelVoltage;
    block.index = 1;
    load(true, 1, 0, 120);
    const std::uint16_t high = sample(kCalSampleHigh);
    EXPECT_EQ(high, 0x800);
    const CalibrationResult r = ComputeVoltageCalibration(0, high, VoltageReferences{0, 120, 9});
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.scale, 240);
    EXPECT_EQ(r.offset, 0);
    writeAndStore(r);
    EXPECT_EQ(simulator.deviceSnapshot().calibration["K V B2"][0], 240);
}

TEST_F(CalibrationPty, FirstGenerationCircuitTotal) {
    start("v1");
    EXPECT_EQ(record.generationNumber, 1);
    const CalibrationResult r = calibrateCurrent(1, 0);  // branch B total: "G I b 0"
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.scale, 1226, 2);
    writeAndStore(r);
    EXPECT_EQ(simulator.deviceSnapshot().calibration["K I B2"][0], r.scale);
}

}  // namespace
}  // namespace quorvel
