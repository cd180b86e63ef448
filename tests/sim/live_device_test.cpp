// The simulated PDU over time, driven by an explicit clock: power resets that end after their
// delay, alarm and lock bits latched from the configured limits and cleared by "N", and seeded,
// bounded drift of the readings.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "sim/commands.h"
#include "sim/console.h"
#include "sim/encoding.h"
#include "sim/profile.h"
#include "sim/sim_test_support.h"

namespace quorvel::sim {
namespace {

ConfigVar numbers(std::initializer_list<int> values) {
    ConfigVar v{kVarNumber, {}};
    for (int n : values)
        v.elements.push_back(numberBytes(static_cast<std::uint16_t>(n)));
    return v;
}

class LiveDevice : public testing::Test {
  protected:
    LiveDevice() {
        Device& d = device;
        d.identity = {0x07C0, 0, 0, {}, 4};
        d.generation = "V2";
        d.outletCount = 8;
        d.circuitCount = 2;
        d.branchOutlets = {4, 4, 0, 0, 0, 0};
        d.outletsOn = 0xFF;
        d.voltages = {120, 121, 0, 0};
        d.circuitCurrents = {3.0, 2.0, 0, 0, 0, 0};
        d.outletCurrents.fill(0.5);
        d.sensors = 1;
        d.temperature = {74.3, 0};
        d.humidity = {41.0, 0};
        d.drift = false;
        d.variables[kVarResetDelays] = {kVarByte, {{3}, {0}, {1}, {1}, {1}, {1}, {1}, {1}}};
        d.variables[kVarMaxCurrents] = numbers({400, 2000, 2000, 2000, 2000, 2000});
        d.variables[kVarLockCurrents] = numbers({500, 0, 0, 0, 0, 0});
        d.variables[kVarEnvironmentLimits] = numbers({5000, 9500, 1000, 8000});
        d.variables[kVarMinVoltages] = numbers({108, 108});
        d.variables[kVarMaxVoltages] = numbers({132, 132});
    }

    std::string run(const std::string& line) { return runCommand(device, device, line).text; }
    void advance(unsigned ms) { device.advance(ms, random); }

    Device device;
    std::mt19937 random{7};
};

TEST_F(LiveDevice, PowerResetKeepsTheOutletOffAndBlockedForItsDelay) {
    run("o 1 1");  // reset delay 3 s
    EXPECT_FALSE(device.outletOn(0));
    EXPECT_EQ(run("p ff"), "0000000001");
    EXPECT_EQ(run("G I A ff"), "2.50 0.00 0.50 0.50 0.50");  // the circuit loses its load
    advance(2000);
    advance(999);
    EXPECT_FALSE(device.outletOn(0));
    EXPECT_EQ(run("o 1 1"), kErrResetBlocked);
    advance(1);
    EXPECT_TRUE(device.outletOn(0));
    EXPECT_EQ(run("p ff"), "0000000000");
    EXPECT_EQ(run("G I A ff"), "3.00 0.50 0.50 0.50 0.50");
    EXPECT_EQ(device.outletResets, 1);

    run("o 2 1");  // no delay: back at the next clock step
    EXPECT_EQ(run("P ff"), "00000000FD");
    advance(0);
    EXPECT_EQ(run("P ff"), "00000000FF");

    run("o 3 1");
    run("R 3 0");  // switched off by hand during the reset: stays off, no longer blocked
    advance(5000);
    EXPECT_FALSE(device.outletOn(2));
    EXPECT_EQ(device.blockedOutlets(), 0U);
}

TEST_F(LiveDevice, AlarmsLatchUntilClearedAndReturnWhileBeyondALimit) {
    advance(0);
    EXPECT_EQ(run("n"), "0 0");  // 3.00 A against 4.00 A, readings inside their limits

    device.circuitCurrents[0] = 5.0;  // over the maximum and at the lock current
    advance(100);
    EXPECT_EQ(run("n"), "1 1");
    device.circuitCurrents[0] = 3.0;
    advance(100);
    EXPECT_EQ(run("n"), "1 1");  // latched after the reading came back
    run("N");
    EXPECT_EQ(run("n"), "0 0");
    advance(100);
    EXPECT_EQ(run("n"), "0 0");

    device.circuitCurrents[0] = 4.0;  // exactly at the maximum: no alarm
    advance(100);
    EXPECT_EQ(device.alarmWord, 0);
    device.circuitCurrents[0] = 4.01;
    advance(100);
    EXPECT_EQ(device.alarmWord, 0x1);
    EXPECT_EQ(device.lockWord, 0);
    run("N");
    advance(100);
    EXPECT_EQ(device.alarmWord, 0x1);  // still beyond: raised again at the next check
}

TEST_F(LiveDevice, AlarmBitsOfEnvironmentVoltagesAndCircuits) {
    struct Case {
        const char* what;
        void (*change)(Device&);
        std::uint16_t alarm;
    } cases[] = {
        {"cold", [](Device& d) { d.temperature[0] = 49.0; }, kAlarmTemperatureLow},
        {"hot", [](Device& d) { d.temperature[0] = 96.0; }, kAlarmTemperatureHigh},
        {"dry", [](Device& d) { d.humidity[0] = 9.0; }, kAlarmHumidityLow},
        {"damp", [](Device& d) { d.humidity[0] = 81.0; }, kAlarmHumidityHigh},
        {"second sensor hot",
         [](Device& d) {
             d.sensors = 2;
             d.temperature[1] = 99.0;
             d.humidity[1] = 40.0;
         },
         kAlarmTemperatureHigh},
        {"no sensor, no readings", [](Device& d) { d.sensors = 0; }, 0},
        {"input 1 sagged", [](Device& d) { d.voltages[0] = 100; }, kAlarmVoltageLow},
        {"input 2 sagged", [](Device& d) { d.voltages[1] = 100; }, kAlarmVoltageLow << 1},
        {"input 2 exceeded", [](Device& d) { d.voltages[1] = 140; }, kAlarmVoltageHigh << 1},
        {"circuit 2 over", [](Device& d) { d.circuitCurrents[1] = 20.5; }, 0x2},
        {"circuit beyond the count",
         [](Device& d) {
             d.circuitCurrents[2] = 30.0;
             d.variables[kVarMaxCurrents] = numbers({400, 2000, 100});
         },
         0},
        {"limits of 0 are ignored",
         [](Device& d) {
             d.variables[kVarMinVoltages] = numbers({0, 0});
             d.voltages[0] = 10;
         },
         0},
    };
    for (const auto& c : cases) {
        Device d = device;
        c.change(d);
        d.advance(0, random);
        EXPECT_EQ(d.alarmWord, c.alarm) << c.what;
        EXPECT_EQ(d.lockWord, 0) << c.what;
    }
}

TEST_F(LiveDevice, DriftIsSmallSeededAndIndependentOfTheStepSizes) {
    device.drift = true;
    const Device start = device;
    Device stepped = device;
    std::mt19937 randomA{42};
    std::mt19937 randomB{42};
    for (int i = 0; i < 240; ++i)
        stepped.advance(250, randomA);  // one minute in quarter seconds
    Device jumped = start;
    jumped.advance(59'999, randomB);
    jumped.advance(1, randomB);
    const char* queries[] = {"G B 0 ff", "G i 0 f0", "J", "G I A ff"};
    for (const char* q : queries) {
        EXPECT_EQ(runCommand(stepped, stepped, q).text, runCommand(jumped, jumped, q).text) << q;
    }

    bool moved = false;
    for (int i = 0; i < 2; ++i) {
        double v = stepped.voltage(i);
        EXPECT_LE(std::abs(v - start.voltages[static_cast<std::size_t>(i)]),
                  start.voltages[static_cast<std::size_t>(i)] * kDriftLimit + 0.5);
        moved = moved || stepped.circuitCurrent(i) != start.circuitCurrent(i);
    }
    for (int i = 0; i < 8; ++i) {
        double a = stepped.outletCurrent(i);
        EXPECT_LE(std::abs(a - 0.5), 0.5 * kDriftLimit + 0.005) << i;
        moved = moved || a != 0.5;
    }
    EXPECT_NEAR(stepped.temperatureReading(0), 74.3, 74.3 * kDriftLimit + 0.005);
    EXPECT_TRUE(moved);

    Device otherSeed = start;
    std::mt19937 randomC{43};
    otherSeed.advance(60'000, randomC);
    EXPECT_NE(runCommand(otherSeed, otherSeed, "G i 0 f0").text,
              runCommand(stepped, stepped, "G i 0 f0").text);

    Device frozen = start;
    frozen.drift = false;
    frozen.advance(600'000, randomC);
    EXPECT_EQ(runCommand(frozen, frozen, "G B 0 ff").text, "120 121 3.00 2.00 0.00 0.00 0.00 0.00");
    EXPECT_EQ(runCommand(frozen, frozen, "J").text, "Temperature=74.30 Humidity=41.00");
}

TEST(LiveConsole, SameSeedSameReadingsAndPeekChangesNothing) {
    Profile profile;
    ASSERT_NO_FATAL_FAILURE(Load("v3", profile));
    profile.seed = 5;
    Console a(profile);
    Console b(profile);
    for (unsigned ms : {700U, 1300U, 20'000U}) {
        a.advance(ms);
        b.advance(ms);
        EXPECT_EQ(a.peek("G B 0 ff").text, b.peek("G B 0 ff").text);
        EXPECT_EQ(a.peek("G i 0 f1").text, b.peek("G i 0 f1").text);
    }

    EXPECT_EQ(a.peek("o 1 1").kind, CommandResult::Kind::Accepted);
    EXPECT_TRUE(a.device().outletOn(0));
    EXPECT_EQ(a.device().outletResets, 0);
    EXPECT_EQ(a.peek("o 1 0").text, kErrBadArguments);
    a.feed("\rKel Voran\r");
    const std::string expected = a.peek("G i 0 f0").text;
    EXPECT_EQ(a.feed("G i 0 f0\r"), "G i 0 f0\r\r\n" + expected + "\r\n?");
}

TEST(LiveConsole, AlarmProfileStartsTrippedAndClearsOnlyWhileInsideItsLimits) {
    Profile profile;
    ASSERT_NO_FATAL_FAILURE(Load("v2-alarm", profile));
    Console console(profile);
    // Circuit 1 over its maximum and lock currents, the sensor over its maximum temperature.
    EXPECT_EQ(console.peek("n").text, "81 1");
    console.feed("\rKel Voran\r");
    EXPECT_EQ(console.feed("N\r"), "N\r\r\n?");
    EXPECT_EQ(console.peek("n").text, "0 0");
    console.advance(100);
    EXPECT_EQ(console.peek("n").text, "81 1");

    // Lift circuit 1's maximum and lock currents (variables 14 and 15): the temperature stays.
    EXPECT_EQ(console.feed("H e 0 0\r"), "H e 0 0\r\r\n?");
    EXPECT_EQ(console.feed("H f 0 0\r"), "H f 0 0\r\r\n?");
    console.feed("N\r");
    console.advance(100);
    EXPECT_EQ(console.peek("n").text, "80 0");
    console.feed("H 10 2AF8 1\r");  // maximum temperature 110.00 F
    console.feed("N\r");
    console.advance(100);
    EXPECT_EQ(console.peek("n").text, "0 0");
}

}  // namespace
}  // namespace quorvel::sim
