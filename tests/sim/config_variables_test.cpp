// The simulated PDU's configuration variables: every profile holds each variable of the
// configuration catalogue, with the type and element count Open sets for its generation;
// "H" changes exactly one element (the byte string all at once), write protection refuses,
// and "I" brings back the profile's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/config_catalogue.h"
#include "sim/commands.h"
#include "sim/encoding.h"
#include "sim/profile.h"
#include "sim/sim_test_support.h"

namespace quorvel::sim {
namespace {

using Kind = CommandResult::Kind;

bool numberType(int type) {
    return type == 0 || type == 1 || type == 5;
}

class ConfigVariables : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Load(GetParam(), profile));
        device = profile.device;
    }
    CommandResult run(const std::string& line) { return runCommand(device, profile.device, line); }
    Profile profile;
    Device device;
};

// Every item of the configuration catalogue, with the element counts Open sets for the unit.
TEST_P(ConfigVariables, EveryCatalogueVariableIsThereWithItsType) {
    ConfigCatalogue catalogue;
    LowerConfigCounts(catalogue.table(kCircuitItems), device.generationNumber(),
                      device.identity.extension);
    for (int t = 0; t < kConfigItemTables; ++t) {
        for (int i = 0, n = ConfigTableEntries(catalogue.table(t)); i < n; ++i) {
            const ConfigItemDescriptor& e = catalogue.table(t)[i];
            const int needed = ConfigItemCount(catalogue.table(t), i);
            if (e.elementIndex != 0 || needed == 0) {
                continue;
            }
            const auto it = device.variables.find(e.code);
            ASSERT_NE(it, device.variables.end()) << e.keyName;
            const ConfigVar& var = it->second;
            EXPECT_TRUE(var.type == e.kind || (numberType(var.type) && numberType(e.kind)))
                << e.keyName;
            EXPECT_EQ(var.elements.at(0).size(), std::size_t{e.size}) << e.keyName;
            if (e.code == kItemRecepControl) {
                // The host writes the whole byte string: its length must be exactly that.
                EXPECT_EQ(static_cast<int>(var.elements.size()), needed) << GetParam();
            } else {
                EXPECT_GE(static_cast<int>(var.elements.size()), needed) << e.keyName;
            }
            // The "h" reply carries one item per element.
            const CommandResult r = run(ReadLine(e.code));
            ASSERT_EQ(r.kind, Kind::Text) << e.keyName;
            EXPECT_EQ(ReplyItems(r.text).size(), var.elements.size()) << e.keyName;
        }
    }
}

TEST_P(ConfigVariables, WritesChangeOneElementAndFormatRestoresTheProfile) {
    EXPECT_EQ(run("H 8 2a 1").kind, Kind::Accepted);
    EXPECT_EQ(device.variables.at(8).elements[1][0], 0x2A);
    EXPECT_EQ(device.variables.at(8).elements[0], profile.device.variables.at(8).elements[0]);
    EXPECT_EQ(run("H e 4e2 0").kind, Kind::Accepted);
    EXPECT_EQ(device.variableNumber(14, 0), 1250u);
    // The power-on groups: all of them in one value, last first, the sub-id ignored.
    const std::size_t groups = device.variables.at(7).elements.size();
    std::string value;
    for (std::size_t i = groups; i-- > 0;) {
        value += i == 0 ? "01" : "3f";
    }
    EXPECT_EQ(run("H 7 " + value + " 0").kind, Kind::Accepted);
    EXPECT_EQ(device.variables.at(7).elements[0][0], 1);
    EXPECT_EQ(run("H 7 3f 0").kind, Kind::Refused);  // the wrong length

    device.writeProtected.insert(17);
    const CommandResult refused = run("H 11 5200 0");
    EXPECT_EQ(refused.kind, Kind::Refused);
    EXPECT_EQ(refused.text, kErrWriteProtected);
    EXPECT_EQ(device.variables.at(17).elements, profile.device.variables.at(17).elements);

    EXPECT_EQ(run("I 47310862").kind, Kind::Accepted);
    EXPECT_EQ(device.variables.at(8).elements, profile.device.variables.at(8).elements);
    EXPECT_EQ(device.variables.at(14).elements, profile.device.variables.at(14).elements);
    EXPECT_EQ(device.variables.at(7).elements, profile.device.variables.at(7).elements);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ConfigVariables,
                         ::testing::Values("v1", "v2", "v3", "v4", "v2-loggedin", "v2-alarm"));

}  // namespace
}  // namespace quorvel::sim
