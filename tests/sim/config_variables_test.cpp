// The simulated PDU's configuration variables: every profile holds each variable the
// configuration dialog reads, with the type and element count its generation calls for;
// "H" changes exactly one element (the byte string all at once), write protection refuses,
// and "I" brings back the profile's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/commands.h"
#include "sim/encoding.h"
#include "sim/profile.h"

namespace quorvel::sim {
namespace {

using Kind = CommandResult::Kind;

struct Expected {
    int id;
    int type;
    int minElements;  // at least; 0: by the generation (see below)
};

// The variables the dialog's catalogue names, as the console types them (0, 1 and 5 are all
// 16-bit numbers on the console).
const Expected kCatalogue[] = {
    {1, 1, 2},  {2, 5, 1},  {3, 1, 4},  {4, 2, 1},  {5, 2, 1},  {6, 3, 1},  {7, 7, 0},  {8, 6, 0},
    {9, 6, 0},  {10, 2, 1}, {11, 2, 1}, {12, 1, 1}, {13, 2, 3}, {14, 5, 0}, {15, 5, 0}, {16, 5, 4},
    {17, 4, 1}, {42, 4, 1}, {43, 4, 1}, {44, 4, 1}, {45, 1, 0}, {46, 1, 0},
};

bool numberType(int type) {
    return type == 0 || type == 1 || type == 5;
}

// Elements the host asks for on a PDU of this generation and ExtensionWord.
int elementsFor(int id, int generation, bool large) {
    switch (id) {
        case 7:
            return generation <= 1 ? 4 : generation >= 3 && large ? 8 : 6;
        case 8:
        case 9:
            return generation <= 1 ? 24 : generation >= 3 && large ? 48 : 36;
        case 14:
        case 15:
            return generation < 2 ? 3 : 6;
        default:  // 45, 46
            return generation <= 1 ? 0 : generation >= 3 && large ? 4 : 2;
    }
}

class ConfigVariables : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(loadProfile(GetParam(), profile, error)) << error;
        device = profile.device;
    }
    CommandResult run(const std::string& line) { return runCommand(device, profile.device, line); }
    Profile profile;
    Device device;
};

TEST_P(ConfigVariables, EveryCatalogueVariableIsThereWithItsType) {
    const int g = device.generationNumber();
    for (const Expected& e : kCatalogue) {
        const auto it = device.variables.find(e.id);
        ASSERT_NE(it, device.variables.end()) << "variable " << e.id;
        const ConfigVar& var = it->second;
        EXPECT_TRUE(var.type == e.type || (numberType(var.type) && numberType(e.type)))
            << "variable " << e.id;
        const int needed =
            e.minElements > 0 ? e.minElements : elementsFor(e.id, g, device.largeSets());
        if (e.id == 7) {
            // The host writes the whole byte string: its length must be exactly that.
            EXPECT_EQ(static_cast<int>(var.elements.size()), needed) << GetParam();
        } else {
            EXPECT_GE(static_cast<int>(var.elements.size()), needed) << "variable " << e.id;
        }
        // The "h" reply carries one item per element.
        char line[16];
        std::snprintf(line, sizeof line, "h %x", static_cast<unsigned>(e.id));
        const CommandResult r = run(line);
        ASSERT_EQ(r.kind, Kind::Text) << e.id;
        EXPECT_EQ(static_cast<std::size_t>(std::count(r.text.begin(), r.text.end(), ' ')) + 1,
                  var.elements.size());
    }
    // The 48 receptacle names: items 18-41, 47-58 and 99-110, texts of 64 bytes.
    for (int n = 1; n <= 48; ++n) {
        const int id = n <= 24 ? n + 17 : n <= 36 ? n + 22 : n + 62;
        const auto it = device.variables.find(id);
        ASSERT_NE(it, device.variables.end()) << "name " << n;
        EXPECT_EQ(it->second.type, kVarText);
        EXPECT_EQ(it->second.elements.at(0).size(), kTextSize);
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
