// quorvelctl config export and import: a configured PDU's items carried into a fresh one of the
// same model (what a dry run shows, what the import stores, nothing the second time), the
// passwords only with -d, a file of another layout refused unless forced, refused values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/cli_test_support.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/cli_runner.h"

namespace quorvel::cli {
namespace {

using Result = test::CliJsonResult;
using test::quorvelctl;

struct Pdu : test::ServedPdu {
    Result config(std::vector<std::string> args) { return ctl("config", std::move(args)); }
};

nlohmann::ordered_json readJson(const std::string& path) {
    std::ifstream in(path);
    return nlohmann::ordered_json::parse(in);
}

void writeJson(const std::string& path, const nlohmann::ordered_json& j) {
    std::ofstream(path) << j.dump(2);
}

TEST(ConfigFileCli, AConfiguredV4CarriesIntoAFreshOne) {
    const test::TempDir dir("cfgfile");
    Pdu configured, fresh;
    ASSERT_NO_FATAL_FAILURE(configured.serve("v4"));
    const Result set =
        configured.config({"set", "-d", "cDeviceName=Rack7", "cRecepName4=Lamp", "cRecepOnDelay4=9",
                           "cCircBMaxCurrent=12.5", "cNetOptions=C,WEB", "cMinTempLimit=-5",
                           "cRecepControl=1,2", "cDns1IP=10.0.0.9", "cDevsPassword=s3cret"});
    ASSERT_EQ(set.code, 0) << set.err;
    const std::string path = dir.file("v4.json");
    const Result exported = configured.config({"-d", "export", path});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const nlohmann::ordered_json file = readJson(path);
    EXPECT_EQ(file["format"], 1);
    EXPECT_EQ(file["model"], (nlohmann::ordered_json{{"code", "47C0:DB98B4B2:100A"},
                                                     {"generation", 4},
                                                     {"firmware", "4.2.0"},
                                                     {"circuits", 3},
                                                     {"receptacles", 18}}));
    EXPECT_EQ(file["passwords"], true);
    // Keyed and valued as config get shows them.
    const Result get = configured.config({"-d", "get"});
    EXPECT_EQ(nlohmann::json::parse(file["items"].dump()), get.json);

    ASSERT_NO_FATAL_FAILURE(fresh.serve("v4"));
    const sim::Device untouched = fresh.simulator.deviceSnapshot();
    const Result dry = fresh.config({"-d", "import", "--dry-run", path});
    ASSERT_EQ(dry.code, 0) << dry.err;
    const nlohmann::json& changes = dry.json["changes"];
    EXPECT_EQ(changes.size(), 9u) << changes.dump();
    EXPECT_EQ(changes["cDeviceName"], (nlohmann::json{{"from", "PDUName"}, {"to", "Rack7"}}));
    EXPECT_EQ(changes["cMinTempLimit"]["to"], "-5.0");  // in the unit the file's options give
    EXPECT_EQ(changes["cRecepControl"]["to"]["3"], false);
    EXPECT_TRUE(dry.json["skipped"].empty());
    EXPECT_EQ(test::DifferingElements(fresh.simulator.deviceSnapshot(), untouched), 0);

    const Result imported = fresh.config({"-d", "import", path});
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(imported.json["changes"], changes);
    EXPECT_EQ(imported.json["written"].size(), 9u);
    EXPECT_TRUE(imported.json["refused"].empty());
    // The fresh PDU now stores what the configured one does, element for element.
    const sim::Device copy = fresh.simulator.deviceSnapshot();
    EXPECT_EQ(test::DifferingElements(copy, configured.simulator.deviceSnapshot()), 0);
    EXPECT_EQ(copy.variableNumber(16, 0), 2300u);
    EXPECT_EQ(copy.variables.at(43).elements[0][0], 's');

    const Result again = fresh.config({"-d", "import", path});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_TRUE(again.json["changes"].empty());
    EXPECT_TRUE(again.json["written"].empty());

    // Without -d the passwords stay out of the file, and the file says so.
    const std::string plain = dir.file("v4-plain.json");
    ASSERT_EQ(configured.config({"export", plain}).code, 0);
    const nlohmann::ordered_json p = readJson(plain);
    EXPECT_EQ(p["passwords"], false);
    EXPECT_FALSE(p["items"].contains("cDevsPassword"));
    EXPECT_FALSE(p["items"].contains("cKovaName"));
}

TEST(ConfigFileCli, AFileOfAnotherLayoutOrWithRefusedValuesWritesNothing) {
    const test::TempDir dir("cfgfile");
    const std::string path = dir.file("v3.json");
    ASSERT_EQ(quorvelctl({"--simulate=v3", "config", "export", path}).code, 0);
    Pdu v4;
    ASSERT_NO_FATAL_FAILURE(v4.serve("v4"));
    const sim::Device before = v4.simulator.deviceSnapshot();
    const Result refused = v4.config({"import", path});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("3 circuit(s) and 24 receptacle(s), this one has 3 and 18"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(test::DifferingElements(v4.simulator.deviceSnapshot(), before), 0);

    const Result forced = v4.config({"import", "--force", path});
    ASSERT_EQ(forced.code, 0) << forced.err;
    // The v3's receptacles 19-24 and its voltage inputs are not on the v4.
    std::vector<std::string> skipped;
    for (const auto& [key, why] : forced.json["skipped"].items()) {
        EXPECT_EQ(why, "not on this PDU") << key;
        skipped.push_back(key);
    }
    EXPECT_EQ(skipped.size(), 6u * 3 + 4);  // name and delays of each; minimum and maximum
    EXPECT_NE(std::find(skipped.begin(), skipped.end(), "cRecepName19"), skipped.end());
    EXPECT_NE(std::find(skipped.begin(), skipped.end(), "cRecepResDelay24"), skipped.end());
    EXPECT_NE(std::find(skipped.begin(), skipped.end(), "cCirc2MaxVoltage"), skipped.end());
    EXPECT_GT(forced.json["written"].size(), 0u);
    // Every item the v4 has now shows what the file says.
    const nlohmann::ordered_json file = readJson(path);
    const Result get = v4.config({"get"});
    for (const auto& [key, value] : file["items"].items()) {
        if (key == "cMACAddr" || forced.json["skipped"].contains(key)) {
            continue;
        }
        if (value.is_object()) {
            for (const auto& [n, on] : get.json[key].items()) {
                EXPECT_EQ(on.dump(), value[n].dump()) << key << " " << n;
            }
        } else {
            EXPECT_EQ(get.json[key].dump(), value.dump()) << key;
        }
    }
    EXPECT_EQ(v4.simulator.deviceSnapshot().variableNumber(14, 0), 3000u);  // the v3's 30 A

    // A value outside its field is refused as config set refuses it; nothing is written.
    nlohmann::ordered_json edited = file;
    edited["items"]["cLogInterval"] = "20";
    edited["items"]["cDevConnLPort"] = "70000";
    writeJson(path, edited);
    const sim::Device now = v4.simulator.deviceSnapshot();
    const Result range = v4.config({"import", "--force", path});
    EXPECT_EQ(range.code, 1);
    EXPECT_NE(range.err.find("cDevConnLPort: 70000 is outside the accepted range 0 to 65535"),
              std::string::npos)
        << range.err;
    EXPECT_EQ(test::DifferingElements(v4.simulator.deviceSnapshot(), now), 0);
}

}  // namespace
}  // namespace quorvel::cli
