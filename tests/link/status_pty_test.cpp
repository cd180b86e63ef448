// Status frames read from the simulated PDU over a pseudo-terminal, checked byte for byte
// against a frame built here from the simulator's own device state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "common/state_ops.h"
#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "link/status_reader.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

constexpr int kPort = 13;

struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& b(unsigned x) {
        v.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    Bytes& w(unsigned x) { return b(x >> 8 & 0xFF).b(x & 0xFF); }
};

unsigned hundredths(double x) {
    return static_cast<unsigned>(std::lround(x * 100)) & 0xFFFF;
}

// The frame this device state must give, following the frame layout for its generation.
std::vector<std::uint8_t> expectedFrame(const sim::Device& d, const PduRecord& rec) {
    Bytes e;
    e.b(0xAA).b(0x55);
    const bool metered = rec.featureWord & kFeatureReceptacleMeters;
    const bool switched = rec.featureWord & kFeatureSwitched;
    const bool sensor = rec.featureWord & kFeatureEnvironment;
    if (d.generationNumber() >= 2) {
        const int v = d.largeSets() ? 4 : 2;
        e.b(static_cast<unsigned>(v));
        for (int i = 0; i < v; ++i) {
            e.w(static_cast<unsigned>(d.voltage(i)));
        }
        e.b(6);
        for (int j = 0; j < 6; ++j) {
            e.w(hundredths(d.circuitCurrent(j)));
        }
        e.b(0);
        const int g = rec.receptacleGroups;
        const int r = !metered || g == 0        ? 0
                      : g >= 7 && d.largeSets() ? 48
                      : g >= 5                  ? 36
                      : g >= 3                  ? 24
                                                : 12;
        e.b(static_cast<unsigned>(r));
        for (int k = 0; k < r; ++k) {
            e.w(hundredths(d.outletCurrent(k)));
        }
        if (switched && g != 0) {
            for (std::uint64_t bits : {d.outletsOn, d.blockedOutlets()}) {
                e.b(5).b(static_cast<unsigned>(bits >> 32) & (bits == d.outletsOn ? 0xFF : 0x0F));
                e.w(static_cast<unsigned>(bits >> 16) & 0xFFFF)
                    .w(static_cast<unsigned>(bits) & 0xFFFF);
            }
        } else {
            e.b(0).b(0);
        }
        const int sensors = sensor ? d.sensors : 0;
        e.b(static_cast<unsigned>(sensors));
        for (int s = 0; s < sensors; ++s) {
            e.w(hundredths(d.temperatureReading(s)));
        }
        e.b(static_cast<unsigned>(sensors));
        for (int s = 0; s < sensors; ++s) {
            e.w(hundredths(d.humidityReading(s)));
        }
        e.b(2).w(d.alarmWord).w(d.lockWord);
        return e.v;
    }
    e.b(2);
    for (int i = 0; i < 2; ++i) {
        // The first generation reports raw counts of 1/256 volt per hundredth.
        e.w(rec.featureWord & kFeatureVoltageInputs ? static_cast<unsigned>(d.voltage(i)) : 0);
    }
    e.b(6);
    for (int j = 0; j < 6; ++j) {
        e.w(j < rec.circuitCount && j < 3 ? hundredths(d.circuitCurrent(j)) : 0);
    }
    e.b(0);
    int total = 0;
    for (int c = 0; c < rec.circuitCount && c < 3; ++c) {
        total += rec.receptaclesPerCircuit[c];
    }
    e.b(static_cast<unsigned>(total));
    for (int k = 0; k < total; ++k) {
        e.w(metered ? hundredths(d.outletCurrent(k)) : 0);
    }
    const std::uint32_t state =
        switched ? static_cast<std::uint32_t>(d.outletsOn) & ((1u << total) - 1) : 0;
    e.b(3).b(state >> 16 & 0xFF).b(state >> 8 & 0xFF).b(state & 0xFF);
    e.b(0);
    e.b(1).w(sensor ? hundredths(d.temperatureReading(0)) : 0);
    e.b(1).w(sensor ? hundredths(d.humidityReading(0)) : 0);
    e.b(0);
    return e.v;
}

class StatusPty : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini"));
        sim::Profile profile = test::LoadedProfile(GetParam());
        profile.device.drift = false;
        ASSERT_NO_FATAL_FAILURE(test::ServeAndLogIn(simulator, ifce, kPort, profile));
        const sim::Device d = simulator.deviceSnapshot();
        ASSERT_TRUE(BuildModelProfile(d.identity.feature, d.identity.attribute,
                                      d.identity.extension, &record));
        record.generationNumber = static_cast<std::uint8_t>(d.generationNumber());
    }
    void TearDown() override { test::Unserve(kPort); }
    sim::PtySimulator simulator;
    PDUIfce ifce;
    PduRecord record;
};

TEST_P(StatusPty, FrameMatchesTheDeviceState) {
    std::vector<std::uint8_t> frame(kStatusFrameSize);
    ASSERT_TRUE(ReadStatusFrame(record, frame));
    const auto expected = expectedFrame(simulator.deviceSnapshot(), record);
    frame.resize(expected.size());
    EXPECT_EQ(frame, expected);
}

INSTANTIATE_TEST_SUITE_P(Profiles, StatusPty,
                         ::testing::Values("v1", "v2", "v3", "v4", "v2-alarm"));

}  // namespace
}  // namespace quorvel
