// quorvelctl calibrate against the built-in simulator: both loads sampled, the values computed
// and written as JSON, for receptacles, voltage inputs and first-generation branches; channel
// names and item values; refusals and usage errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/cli_runner.h"

namespace quorvel::cli {
namespace {

using Result = test::CliJsonResult;
using test::quorvelctl;

TEST(CalibrateCli, AReceptacleAgainstTheDefaultLoads) {
    Result r = quorvelctl({"--simulate=v2", "calibrate", "Socket 5"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.json["channel"], "Socket 5");
    EXPECT_EQ(r.json["item"], "0x0305");
    EXPECT_EQ(r.json["voltage"], false);
    // 0.50 A and 12.00 A through the factory conversion: 0xFE and 0xFFF.
    EXPECT_EQ(r.json["lowRaw"], 254);
    EXPECT_EQ(r.json["highRaw"], 4095);
    EXPECT_EQ(r.json["scale"], 1226);
    EXPECT_EQ(r.json["offset"], 86);
    EXPECT_EQ(r.json["threshold"], 66);
    EXPECT_EQ(r.json["description"], "Receptacle Socket 5 scale=1226, offset=86, threshold=0x42");
    EXPECT_EQ(r.json["stored"], true);
}

TEST(CalibrateCli, VoltageInputsAndFirstGenerationBranches) {
    Result v = quorvelctl({"--simulate=v3", "calibrate", "branch y voltage", "--high", "120"});
    ASSERT_EQ(v.code, 0) << v.err;
    EXPECT_EQ(v.json["voltage"], true);
    EXPECT_EQ(v.json["lowRaw"], 0);
    EXPECT_EQ(v.json["highRaw"], 0x800);
    EXPECT_EQ(v.json["scale"], 240);
    EXPECT_EQ(v.json["offset"], 0);
    EXPECT_EQ(v.json["threshold"], 9);

    Result b = quorvelctl({"--simulate=v1", "calibrate", "0x100", "--low", "1", "--high", "10",
                           "--threshold", "0.3"});
    ASSERT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(b.json["channel"], "Branch B");
    EXPECT_EQ(b.json["scale"], 1226);
    EXPECT_EQ(b.json["threshold"], 100);
    EXPECT_EQ(b.json["description"], "Circuit B scale=1226, offset=86, threshold=0x64");
}

TEST(CalibrateCli, RefusalsAndUsageErrors) {
    Result illegal =
        quorvelctl({"--simulate=v2", "calibrate", "Socket 1", "--low", "5", "--high", "5.01"});
    EXPECT_EQ(illegal.code, 1);
    EXPECT_TRUE(illegal.json.is_null());
    EXPECT_NE(illegal.err.find("ILLEGAL CALIBRATION VALUES: Receptacle Socket 1 scale="),
              std::string::npos)
        << illegal.err;

    Result unknown = quorvelctl({"--simulate=v2", "calibrate", "Socket 99"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("\"Circuit 1\", \"Circuit 2\", \"Socket 1\""), std::string::npos)
        << unknown.err;

    Result low = quorvelctl({"--simulate=v3", "calibrate", "Branch X Voltage", "--low", "10"});
    EXPECT_EQ(low.code, 2);
    EXPECT_NE(low.err.find("--low must be 0"), std::string::npos) << low.err;

    EXPECT_EQ(quorvelctl({"--simulate=nosuchprofile", "calibrate", "Socket 1"}).code, 2);
    EXPECT_EQ(quorvelctl({"--simulate", "calibrate"}).code, 2);
}

}  // namespace
}  // namespace quorvel::cli
