// quorvelctl config get and config set: the items a PDU shows, values as the dialog shows them,
// what a set writes to the simulated PDU (and only that), refusals and usage errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_test_support.h"
#include "sim/pty_simulator.h"
#include "support/cli_runner.h"
#include "support/sim_console.h"

namespace quorvel::cli {
namespace {

using Result = test::CliJsonResult;
using test::quorvelctl;

TEST(ConfigCli, GetShowsTheItemsOfAFirstGenerationPdu) {
    const Result r = quorvelctl({"--simulate=v1", "config", "get"});
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json& j = r.json;
    // The model's rows 1-6 and 9-14; four power-on groups hold all of them.
    test::ExpectFields(j, R"({"cLogInterval": "60", "cDeviceIP": "192.168.123.123",
        "cMACAddr": "00:1A:2B:3C:4D:5E", "cDevsPassword": "**********", "cMinTempLimit": "50.0",
        "cNetOptions": {"WEB": true, "SWU": true}, "cCircAMaxCurrent": "30.0",
        "cCircBLockCurrent": "29.5", "cRecepName9": "RecepName9", "cRecepOnDelay3": "5",
        "cRecepControl": {"14": true}})");
    EXPECT_FALSE(j.contains("cCircCMaxCurrent"));  // two branches
    EXPECT_FALSE(j.contains("cCirc1MinVoltage"));  // no voltage inputs
    EXPECT_FALSE(j.contains("cRecepName7"));
    EXPECT_EQ(j["cRecepControl"].size(), 12u);

    const Result some =
        quorvelctl({"--simulate=v1", "config", "get", "-d", "cDevsPassword", "cLogDiff"});
    ASSERT_EQ(some.code, 0) << some.err;
    EXPECT_EQ(some.json, (nlohmann::json{{"cDevsPassword", ""}, {"cLogDiff", "0.0"}}));
    EXPECT_EQ(quorvelctl({"--simulate=v1", "config", "get", "cNoSuchKey"}).code, 2);
    EXPECT_EQ(quorvelctl({"--simulate=v1", "config", "get", "cCirc1MinVoltage"}).code, 1);
}

class ConfigCliDevice : public ::testing::Test, protected test::ServedPdu {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(serve("v3")); }
    Result config(std::vector<std::string> args) { return ctl("config", std::move(args)); }
};

TEST_F(ConfigCliDevice, SetWritesExactlyWhatChanged) {
    const sim::Device before = simulator.deviceSnapshot();
    const Result r = config({"set", "cRecepName3=Lamp", "cRecepOnDelay3=9", "cCircAMaxCurrent=12.5",
                             "cMinTempLimit=-5", "cNetOptions=C,WEB", "cRecepControl=1,2",
                             "cCirc1MinVoltage=187"});  // the value it already has
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.json["written"].size(), 6u);
    // cMinTempLimit in degrees C: the options now say so.
    test::ExpectFields(r.json["written"], R"({"cRecepName3": "Lamp", "cMinTempLimit": "-5.0",
        "cNetOptions": {"C": true, "SWU": false}, "cRecepControl": {"2": true, "3": false}})");
    EXPECT_TRUE(r.json["refused"].empty());

    const sim::Device d = simulator.deviceSnapshot();
    EXPECT_EQ(d.variables.at(20).elements[0][0], 'L');
    EXPECT_EQ(d.variables.at(8).elements[2][0], 9);
    EXPECT_EQ(d.variableNumber(14, 0), 1250u);
    EXPECT_EQ(d.variableNumber(16, 0), 2300u);
    EXPECT_EQ(d.variableNumber(12, 0), (before.variables.at(12).elements[0][0] | 0x60u));
    EXPECT_EQ(d.variables.at(7).elements[0][0], 0x03);
    // Nothing else changed: five single elements and power-on groups 0..3 of 6.
    EXPECT_EQ(test::DifferingElements(d, before), 5 + 4);

    const Result again = config({"set", "cRecepName3=Lamp"});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_TRUE(again.json["written"].empty());
    const Result read = config({"get", "cMinTempLimit", "cRecepName3"});
    EXPECT_EQ(read.json, (nlohmann::json{{"cMinTempLimit", "-5.0"}, {"cRecepName3", "Lamp"}}));
}

TEST_F(ConfigCliDevice, RefusalsAndUsageErrors) {
    simulator.withConsole([](sim::Console& c) { c.device().writeProtected.insert(17); });
    const Result refused = config({"set", "cDeviceName=Rack7", "cLogInterval=15"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.json["written"], (nlohmann::json{{"cLogInterval", "15"}}));
    EXPECT_EQ(refused.json["refused"], nlohmann::json::array({"cDeviceName"}));
    EXPECT_NE(refused.err.find("refused 1 item"), std::string::npos) << refused.err;

    // The password only with --developer.
    for (const char* bad :
         {"cDevsPassword=x", "cMACAddr=00:00:00:00:00:01", "cLogInterval=ten", "cDeviceIP=10.0.0",
          "cNetOptions=Turbo", "cRecepControl=30", "cLogInterval"}) {
        EXPECT_EQ(config({"set", bad}).code, 2) << bad;
    }
    EXPECT_EQ(simulator.deviceSnapshot().variableNumber(1, 0), 15u);

    // A number outside its field is refused with exit 1, by field, value and range, and the
    // command writes nothing at all.
    const sim::Device before = simulator.deviceSnapshot();
    const struct {
        const char* assignment;
        const char* refusal;
    } outOfRange[] = {
        {"cMinTempLimit=1000",
         "cMinTempLimit (F): 1000 is outside the accepted range 0.00 to 655.35"},
        {"cDevConnLPort=70000", "cDevConnLPort: 70000 is outside the accepted range 0 to 65535"},
        {"cRecepOnDelay3=300", "cRecepOnDelay3: 300 is outside the accepted range 0 to 255"},
        {"cCircAMaxCurrent=-1",
         "cCircAMaxCurrent: -1 is outside the accepted range 0.00 to 655.35"},
    };
    for (const auto& c : outOfRange) {
        const Result r = config({"set", "cLogInterval=20", c.assignment});
        EXPECT_EQ(r.code, 1) << c.assignment;
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
    }
    EXPECT_EQ(test::DifferingElements(simulator.deviceSnapshot(), before), 0);

    const Result dev = config({"set", "-d", "cDevsPassword=s3cret"});
    ASSERT_EQ(dev.code, 0) << dev.err;
    EXPECT_EQ(dev.json["written"]["cDevsPassword"], "s3cret");
}

}  // namespace
}  // namespace quorvel::cli
