// The configuration file: what a written file reads back as, which files are refused, and the
// import rules over what a PDU shows (layout, skipped keys, refused values, what differs).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/config_file.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

ConfigFile sample() {
    ConfigFile f;
    f.origin = {0x47C0, 0xDB98B4B2, 0x100A, 4, "4.2.0", 3, 18};
    f.items = {{"cLogInterval", "60"},
               {"cNetOptions", {{"AutoIP", false}, {"C", true}}},
               {"cMinTempLimit", "10.0"},
               {"cRecepControl", {{"1", true}, {"2", false}}},
               {"cRecepName2", "Lamp"}};
    return f;
}

TEST(ConfigFile, WrittenFilesReadBackAndOthersAreRefused) {
    const ConfigFile f = sample();
    const std::string text = WriteConfigFile(f);
    ConfigFile back;
    std::string error;
    ASSERT_TRUE(ReadConfigFile(text, back, error)) << error;
    EXPECT_EQ(back.origin.featureWord, 0x47C0);
    EXPECT_EQ(back.origin.attributeWord, 0xDB98B4B2u);
    EXPECT_EQ(back.origin.extensionWord, 0x100A);
    EXPECT_EQ(back.origin.generation, 4);
    EXPECT_EQ(back.origin.firmware, "4.2.0");
    EXPECT_EQ(back.origin.receptacles, 18);
    EXPECT_FALSE(back.passwords);
    EXPECT_EQ(back.items, f.items);
    EXPECT_EQ(Json::parse(text)["model"]["code"], "47C0:DB98B4B2:100A");

    const auto refused = [&text](const std::string& from, const std::string& to) {
        std::string edited = text;
        const std::size_t at = edited.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        edited.replace(at, from.size(), to);
        ConfigFile out;
        std::string why;
        EXPECT_FALSE(ReadConfigFile(edited, out, why)) << to;
        return why;
    };
    EXPECT_EQ(refused("\"format\": 1", "\"format\": 2"),
              "format 2 is not known (this program reads format 1)");
    EXPECT_EQ(refused("cLogInterval", "cLogIntervals"), "no configuration key cLogIntervals");
    EXPECT_EQ(refused("\"60\"", "60"), "cLogInterval: not a value of its kind");
    EXPECT_EQ(refused("\"AutoIP\"", "\"Turbo\""), "cNetOptions: not a value of its kind");
    EXPECT_EQ(refused("{\n      \"AutoIP\": false,\n      \"C\": true\n    }", "\"C\""),
              "cNetOptions: not a value of its kind");
    EXPECT_EQ(refused("\"2\": false", "\"49\": false"), "cRecepControl: not a value of its kind");
    EXPECT_EQ(refused("\"2\": false", "\"02\": false"), "cRecepControl: not a value of its kind");
    EXPECT_EQ(refused("\"1\": true", "\"1\": 1"), "cRecepControl: not a value of its kind");
    EXPECT_EQ(refused("47C0:", "47G0:"), "the model it was read from is missing or malformed");
    EXPECT_EQ(refused("\"cRecepName2\"", "\"cKovaPassword\""),
              "it says it holds no passwords but holds cKovaPassword");
    EXPECT_EQ(refused("\"passwords\": false", "\"passwords\": 0"),
              "it does not say whether it holds the passwords");
    EXPECT_EQ(refused("\"format\": 1", "\"formats\": 1"), "not a configuration file (no format)");
    EXPECT_EQ(refused("\"format\": 1", "\"format\": \"1\""),
              "not a configuration file (no format)");
    ConfigFile out;
    EXPECT_FALSE(ReadConfigFile("[1]", out, error));
    EXPECT_FALSE(ReadConfigFile("{\"format\": 1", out, error));
}

TEST(ConfigFile, PasswordsAreInAFileOnlyWhenAsked) {
    PduRecord record;
    record.featureWord = 0x47C0;
    record.generationNumber = 3;
    record.firmwareVersion[0] = 4;
    record.firmwareVersion[2] = 11;
    record.circuitVisible[1] = 1;
    record.receptacleInput[3] = 1;  // the one receptacle on the circuit shown
    const Json items{{"cDeviceName", "Rack7"},
                     {"cKovaName", "peer"},
                     {"cDevsPassword", "s3cret"},
                     {"cKovaPassword", "x"}};
    const ConfigFile plain = MakeConfigFile(record, items, false);
    EXPECT_EQ(plain.items, (Json{{"cDeviceName", "Rack7"}}));
    EXPECT_FALSE(plain.passwords);
    EXPECT_EQ(plain.origin.firmware, "4.0.11");
    EXPECT_EQ(plain.origin.generation, 3);
    EXPECT_EQ(plain.origin.circuits, 1);
    EXPECT_EQ(plain.origin.receptacles, 1);
    EXPECT_EQ(MakeConfigFile(record, items, true).items, items);
}

class ConfigImport : public ::testing::Test {
  protected:
    ConfigCatalogue catalogue;
    const ConfigItemDescriptor* tables[kConfigItemTables] = {catalogue.table(0), catalogue.table(1),
                                                             catalogue.table(2)};
    ConfigFileOrigin pdu{0x47C0, 0xDB98B4B2, 0x100A, 4, "4.2.0", 3, 18};
    // What the PDU shows: Fahrenheit, receptacles 1 and 2.
    Json shown{{"cLogInterval", "60"},
               {"cMACAddr", "00:1A:2B:3C:4D:5E"},
               {"cNetOptions", {{"AutoIP", true}, {"Hosts", false}, {"C", false}}},
               {"cDevsPassword", "**********"},
               {"cMinTempLimit", "50.0"},
               {"cMaxTempLimit", "95.0"},
               {"cMinHumidLimit", "10.0"},
               {"cRecepName2", "RecepName2"},
               {"cRecepControl", {{"1", true}, {"2", true}}}};
};

TEST_F(ConfigImport, OnlyWhatDiffersIsAppliedTheOptionsFirst) {
    ConfigFile f = sample();
    f.items["cMACAddr"] = "00:00:00:00:00:01";  // never written
    f.items["cMaxTempLimit"] = "95.0";          // the same digits, but now in Celsius
    const ConfigImportPlan p = PlanConfigImport(f, pdu, shown, tables, false);
    EXPECT_EQ(p.otherLayout, "");
    EXPECT_TRUE(p.skipped.empty());
    EXPECT_TRUE(p.refused.empty());
    EXPECT_EQ(p.apply, (std::vector<std::string>{"cNetOptions", "cMinTempLimit", "cMaxTempLimit",
                                                 "cRecepName2", "cRecepControl"}));
    // In the PDU's own unit, equal digits are no change.
    f.items["cNetOptions"]["C"] = false;
    f.items["cNetOptions"]["AutoIP"] = true;
    f.items["cMinTempLimit"] = "50.0";
    f.items["cRecepControl"]["2"] = true;
    EXPECT_EQ(PlanConfigImport(f, pdu, shown, tables, false).apply,
              (std::vector<std::string>{"cRecepName2"}));

    // Boxes the file does not name keep their state.
    EXPECT_EQ(ConfigEntryText("cNetOptions", Json{{"Hosts", true}}, shown["cNetOptions"]),
              "AutoIP,Hosts");
    EXPECT_EQ(
        ConfigEntryText("cRecepControl", Json{{"1", false}, {"7", true}}, shown["cRecepControl"]),
        "2");
    EXPECT_EQ(ConfigEntryText("cRecepName2", Json("Lamp"), shown["cRecepName2"]), "Lamp");
}

TEST_F(ConfigImport, LayoutPasswordsAndRefusedValues) {
    ConfigFile f = sample();
    f.passwords = true;
    f.items["cDevsPassword"] = "s3cret";
    f.items["cRecepName19"] = "Far";
    f.origin.receptacles = 24;
    ConfigImportPlan p = PlanConfigImport(f, pdu, shown, tables, false);
    EXPECT_EQ(p.otherLayout,
              "it was read from a PDU with 3 circuit(s) and 24 receptacle(s), this one has 3 and "
              "18");
    EXPECT_EQ(p.skipped,
              (std::vector<std::pair<std::string, std::string>>{
                  {"cDevsPassword", "written only with -d"}, {"cRecepName19", "not on this PDU"}}));
    EXPECT_EQ(std::count(p.apply.begin(), p.apply.end(), "cDevsPassword"), 0);
    f.origin.receptacles = 18;
    EXPECT_EQ(PlanConfigImport(f, pdu, shown, tables, true).otherLayout,
              "it holds 1 item(s) this PDU does not have");
    const std::vector<std::string> apply = PlanConfigImport(f, pdu, shown, tables, true).apply;
    EXPECT_EQ(std::count(apply.begin(), apply.end(), "cDevsPassword"), 1);
    f.items.erase("cRecepName19");
    f.origin.circuits = 2;
    EXPECT_NE(PlanConfigImport(f, pdu, shown, tables, true).otherLayout, "");

    // Values a field would not take, as config set names them; limits in the file's unit.
    f.origin.circuits = 3;
    f.items["cLogInterval"] = "70000";
    f.items["cMinTempLimit"] = "400";   // Celsius: beyond 346.31
    f.items["cMinHumidLimit"] = "700";  // a humidity, not a temperature
    f.items["cRecepName2"] = std::string(33, 'n');
    p = PlanConfigImport(f, pdu, shown, tables, true);
    EXPECT_EQ(p.refused,
              (std::vector<std::string>{
                  "cLogInterval: 70000 is outside the accepted range 0 to 65535",
                  "cMinTempLimit (C): 400 is outside the accepted range -17.78 to 346.31",
                  "cMinHumidLimit: 700 is outside the accepted range 0.00 to 655.35",
                  "cRecepName2: at most 32 characters"}));
    f.items["cLogInterval"] = "ten";
    f.items["cMinTempLimit"] = "warm";
    f.items.erase("cRecepName2");
    f.items.erase("cMinHumidLimit");
    EXPECT_EQ(PlanConfigImport(f, pdu, shown, tables, true).refused,
              (std::vector<std::string>{"cLogInterval: expected an integer 0 to 65535",
                                        "cMinTempLimit: expected a temperature in degrees C"}));
}

}  // namespace
}  // namespace quorvel
