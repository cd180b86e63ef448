// quorvelctl profile, run in-process against the shipped catalogue and a small attribute file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "cli/context.h"
#include "support/cli_runner.h"

namespace {

using Result = quorvel::test::CliResult;
using quorvel::test::runCtl;

const std::string kShipped =
    (std::filesystem::path(QUORVEL_SOURCE_DIR) / "data/pduattribs.ini").string();

TEST(ProfileCli, PrintsEveryFieldOfThePackedSeries) {
    Result r = runCtl({"profile", "sqv11220241bb-3"});  // beside the program: the shipped file
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    const std::string names =
        "valid model words featureWord attributeWord extensionWord generationNumber "
        "firmwareVersion receptacleTotal mappedReceptacles phaseCount nominalVoltage "
        "currentRating meterCount breakerCount receptacleGroups circuitCount voltageMapLow "
        "voltageMapHigh circuitLabelIndex circuitSelectsVoltage receptaclesPerCircuit circuitWord "
        "circuitShortLabel receptacleMap receptaclePresent receptacleType receptacleInput "
        "circuitVisible circuitLayoutType circuitLayoutHigh circuitLayoutLow receptacleLayout "
        "receptacleLabelStyle receptacleWord receptacleLabel receptacleColumns "
        "receptacleMaxColumns";
    std::istringstream list(names);
    std::size_t count = 0;
    for (std::string n; list >> n; ++count)
        EXPECT_TRUE(j.contains(n)) << n;
    EXPECT_EQ(j.size(), count);
    quorvel::test::ExpectFields(j, R"({"valid": true, "model": "SQV11220241BB-3",
        "mappedReceptacles": 16, "circuitWord": "Circuit "})");
    EXPECT_EQ(j["receptacleWord"][0], "Socket ");
    EXPECT_EQ(j["receptacleLabel"].size(), 48u);
    EXPECT_EQ(j["receptacleLabel"][15], "16");
    EXPECT_EQ(j["receptacleInput"].size(), 48u);
    EXPECT_EQ(j["receptacleInput"][8], 1);
    EXPECT_EQ(j["receptacleInput"][16], 255);
    EXPECT_EQ(j["receptaclePresent"][47], 255);
}

TEST(ProfileCli, ExtendedSeriesByWords) {
    for (const char* words : {"47C0:DB98B4B2:100A", "47C0:DB98B4B2:000A"}) {
        Result r = runCtl({"--attribs", kShipped, "profile", words});
        ASSERT_EQ(r.code, 0) << r.err;
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["words"], words);
        quorvel::test::ExpectFields(j, R"({"receptacleGroups": 3, "mappedReceptacles": 18,
            "receptaclesPerCircuit": [6, 6, 6, 0, 0, 0]})");
        EXPECT_EQ(j["receptacleInput"][17], 2);
    }
}

TEST(ProfileCli, InvalidFieldsPrintTheProfileMarkedInvalid) {
    // The packed QB code with breaker count 7.
    Result r = runCtl({"--attribs", kShipped, "profile", "0080:3C6C0312:0000"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    quorvel::test::ExpectFields(j, R"({"valid": false, "breakerCount": 0, "meterCount": 4})");
}

TEST(ProfileCli, RefusesCodesThatNameNoProfile) {
    const quorvel::test::TempDir dir("cli_prof");
    const std::string file = dir.file("one.ini");
    std::ofstream(file) << "RecepTypeDescrQB=only\n";

    struct Case {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{"--attribs", file, "profile", "SQV21230410BA-"}, "not a valid model code"},
        {{"--attribs", file, "profile", "47C0:DB98B4B2"}, "not a valid model code"},
        {{"--attribs", file, "profile", "FFFF:FFFFFFFF:0000"}, "no-model"},
        {{"--attribs", file, "profile", "SQV21230410CA-0"}, "not in the attribute file"},
        {{"--attribs", dir.file("missing.ini"), "profile", "SQV21230410BA-0"}, "could not load"},
    };
    for (const Case& c : cases) {
        quorvel::test::ExpectRefused(c.args, 1, c.reason);
    }
    Result r = runCtl({"--attribs", file, "profile", "SQV21230410BA-0"});
    EXPECT_EQ(r.code, 0) << r.err;  // (the process-wide tables keep what earlier loads stored)
    EXPECT_EQ(nlohmann::json::parse(r.out)["valid"], true);
}

}  // namespace
