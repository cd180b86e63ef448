// quorvelctl calibrate against the built-in simulator: both loads sampled, the values computed
// and written as JSON, for receptacles, voltage inputs and first-generation branches; channel
// names and item values; refusals and usage errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_test_support.h"
#include "support/cli_runner.h"

namespace quorvel::cli {
namespace {

using Result = test::CliJsonResult;
using test::quorvelctl;

TEST(CalibrateCli, AReceptacleAgainstTheDefaultLoads) {
    Result r = quorvelctl({"--simulate=v2", "calibrate", "Socket 5"});
    ASSERT_EQ(r.code, 0) << r.err;
    // 0.50 A and 12.00 A through the factory conversion: 0xFE and 0xFFF.
    test::ExpectFields(r.json, R"({"channel": "Socket 5", "item": "0x0305", "voltage": false,
        "lowRaw": 254, "highRaw": 4095, "scale": 1226, "offset": 86, "threshold": 66,
        "description": "Receptacle Socket 5 scale=1226, offset=86, threshold=0x42",
        "stored": true})");
}

TEST(CalibrateCli, VoltageInputsAndFirstGenerationBranches) {
    Result v = quorvelctl({"--simulate=v3", "calibrate", "branch y voltage", "--high", "120"});
    ASSERT_EQ(v.code, 0) << v.err;
    test::ExpectFields(v.json, R"({"voltage": true, "lowRaw": 0, "highRaw": 2048, "scale": 240,
        "offset": 0, "threshold": 9})");

    Result b = quorvelctl({"--simulate=v1", "calibrate", "0x100", "--low", "1", "--high", "10",
                           "--threshold", "0.3"});
    ASSERT_EQ(b.code, 0) << b.err;
    test::ExpectFields(b.json, R"({"channel": "Branch B", "scale": 1226, "threshold": 100,
        "description": "Circuit B scale=1226, offset=86, threshold=0x64"})");
}

TEST(CalibrateCli, RefusalsAndUsageErrors) {
    test::ExpectRefused({"--simulate=v2", "calibrate", "Socket 1", "--low", "5", "--high", "5.01"},
                        1, "ILLEGAL CALIBRATION VALUES: Receptacle Socket 1 scale=");
    test::ExpectRefused({"--simulate=v2", "calibrate", "Socket 99"}, 2,
                        "\"Circuit 1\", \"Circuit 2\", \"Socket 1\"");
    test::ExpectRefused({"--simulate=v3", "calibrate", "Branch X Voltage", "--low", "10"}, 2,
                        "--low must be 0");
    EXPECT_EQ(quorvelctl({"--simulate=nosuchprofile", "calibrate", "Socket 1"}).code, 2);
    EXPECT_EQ(quorvelctl({"--simulate", "calibrate"}).code, 2);
}

}  // namespace
}  // namespace quorvel::cli
