// Field texts of model codes, circuit and receptacle labels, socket type names and the count of
// unmanaged receptacles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_description.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

ModelCode decoded(const char* text) {
    std::string s = text;
    ModelCode c;
    EXPECT_TRUE(decodeModelCode(s, c)) << text;
    return c;
}

std::u16string describe(const ModelCode& c, ModelDescriptionField f, const AttributeTables& t) {
    return DescribeModelField(c, static_cast<int>(f), t);
}

TEST(DescribeModelField, TextsOfADecodedCode) {
    AttributeTables tables;
    ASSERT_TRUE(LoadPDUAttributesFromText(tables,
                                          "RecepTypeDescrQB=Example series\n"
                                          "InplugTypeDescrD=Inlet D\n"
                                          "InplugTypeDescrBD=Inlet BD\n"));
    // Q..B series, vertical, voltage code 2, three phase, 2 breakers, current code 7, 4 meters,
    // socket control, both sensors, inlet D with extension B, 5 TLD modules.
    const ModelCode c = decoded("SQV332AA433BD-5B");
    using F = ModelDescriptionField;
    EXPECT_EQ(describe(c, F::Prefix, tables), u"Prefix");
    EXPECT_EQ(describe(c, F::FormFactor, tables), u"Vertical");
    EXPECT_EQ(describe(c, F::Voltage, tables), u"120/120/240 V");
    EXPECT_EQ(describe(c, F::Phase, tables), u"3 Phase");
    EXPECT_EQ(describe(c, F::Breakers, tables), u"2");
    EXPECT_EQ(describe(c, F::Current, tables), u"20/20/30 A");
    EXPECT_EQ(describe(c, F::Meters, tables), u"4");
    EXPECT_EQ(describe(c, F::Features, tables), u"???");
    EXPECT_EQ(describe(c, F::Sensors, tables), u"3");
    EXPECT_EQ(describe(c, F::Series, tables), u"Example series");
    EXPECT_EQ(describe(c, F::Inlet, tables), u"Inlet D");  // the extension bit is not applied
    EXPECT_EQ(describe(c, F::TldCount, tables), u"5");
    EXPECT_EQ(describe(c, F::InletExt, tables), u"RtypeExt");
    EXPECT_EQ(DescribeModelField(c, 13, tables), u"Invalid");
    EXPECT_EQ(DescribeModelField(c, -1, tables), u"Invalid");

    // Sensors: none, the environment sensor alone; the second-sensor bit alone counts for nothing.
    ModelCode s = c;
    s.feature &= static_cast<std::uint16_t>(~kFeatEnvSensor);
    EXPECT_EQ(describe(s, F::Sensors, tables), u"0");
    s.extension = 0;
    s.feature |= kFeatEnvSensor;
    EXPECT_EQ(describe(s, F::Sensors, tables), u"1");

    // A series that is not in the tables, and one whose index is out of range, have no text.
    ModelCode other = c;
    other.attribute ^= 1u << 18;
    EXPECT_EQ(describe(other, F::Series, tables), u"");
    other.extension = 0xFF;  // series index above 17575
    EXPECT_EQ(describe(other, F::Series, tables), u"");
}

// Every text of the form factor, voltage, phase and current fields, each code in its place in
// the words, and the sentinel's empty texts.
TEST(DescribeModelField, EveryTextOfTheCodedFields) {
    AttributeTables tables;
    using F = ModelDescriptionField;
    const auto texts = [&](F field, unsigned codes, auto place) {
        std::vector<std::u16string> out;
        for (unsigned v = 0; v < codes; ++v) {
            ModelCode c{0, 0, 0};
            place(c, v);
            out.push_back(describe(c, field, tables));
        }
        return out;
    };
    EXPECT_THAT(texts(F::FormFactor, 8, [](ModelCode& c, unsigned v) { c.attribute = v; }),
                ElementsAre(u"1U-Horizontal", u"2U-Horizontal", u"Vertical", u"Dual", u"Wedge",
                            u"Scope", u"Wedge2U", u"Invalid"));
    EXPECT_THAT(texts(F::Voltage, 8, [](ModelCode& c, unsigned v) { c.attribute = v << 4; }),
                ElementsAre(u"120 V", u"208 V", u"120/120/240 V", u"208/120 V", u"Invalid",
                            u"Invalid", u"Invalid", u"Invalid"));
    EXPECT_THAT(texts(F::Phase, 4, [](ModelCode& c, unsigned v) { c.feature = v << 14; }),
                ElementsAre(u"1 Phase", u"3 Phase", u"Invalid", u"Invalid"));
    const std::vector<std::u16string> currents{u"10 A",    u"15 A",    u"20 A",    u"30 A",
                                               u"40 A",    u"50 A",    u"16 A",    u"20/20/30 A",
                                               u"32 A",    u"Invalid", u"Invalid", u"Invalid",
                                               u"Invalid", u"Invalid", u"Invalid", u"Invalid"};
    EXPECT_EQ(texts(F::Current, 16, [](ModelCode& c, unsigned v) { c.attribute = v << 8; }),
              currents);
    for (int f = 0; f <= 13; ++f)
        EXPECT_EQ(DescribeModelField(kNoModel, f, tables), u"") << f;
}

TEST(DescribeModelField, CutsToTheCapacity) {
    AttributeTables tables;
    const ModelCode c = decoded("SQV21230410BA-0");
    char16_t buf[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(DescribeModelField(c.feature, c.attribute, c.extension, 1, buf, 4, tables), 3u);
    EXPECT_EQ(std::u16string(buf), u"Ver");
    EXPECT_EQ(buf[4], u'x');  // nothing written past the capacity
    EXPECT_EQ(DescribeModelField(c.feature, c.attribute, c.extension, 1, nullptr, 8, tables), 0u);
}

TEST(CircuitLabel, ShortLabelsAndCircuitWords) {
    EXPECT_EQ(CircuitLabel(0x11, true, 0), u"1");
    EXPECT_EQ(CircuitLabel(0x03, true, 3), u"N");
    EXPECT_EQ(CircuitLabel(0x04, true, 5), u"WU");
    EXPECT_EQ(CircuitLabel(0x26, true, 2), u"ZX1");
    EXPECT_EQ(CircuitLabel(0x07, true, 3), u"G");
    EXPECT_EQ(CircuitLabel(0x10, true, 0), u"");
    EXPECT_EQ(CircuitLabel(0x18, true, 0), u"");  // styles 8 and up have no short labels
    EXPECT_EQ(CircuitLabel(0x1F, true, 1), u"");
    EXPECT_EQ(CircuitLabel(0x11, true, 6), u"");

    EXPECT_EQ(CircuitLabel(0x17, false, 0), u"Circuit ");
    EXPECT_EQ(CircuitLabel(0x21, false, 9), u"Branch ");
    EXPECT_EQ(CircuitLabel(0x01, false, 0), u"");
    EXPECT_EQ(CircuitLabel(0x31, false, 0), u"");

    char16_t buf[4];
    EXPECT_EQ(CircuitLabel(0x16, true, 4, buf, 3), 2u);
    EXPECT_EQ(std::u16string(buf), u"YZ");
}

TEST(ReceptacleLabel, NumberingAndWords) {
    EXPECT_EQ(ReceptacleLabel(0x52, true, 0, 3), u"C");
    EXPECT_EQ(ReceptacleLabel(0x52, true, 0, 1), u"A");
    EXPECT_EQ(ReceptacleLabel(0x41, true, 0, 3), u"3");
    EXPECT_EQ(ReceptacleLabel(0x41, true, 0, 48), u"48");
    EXPECT_EQ(ReceptacleLabel(0x40, true, 0, 3), u"");
    EXPECT_EQ(ReceptacleLabel(0x43, true, 0, 3), u"");
    for (unsigned t = 0; t < 6; ++t) {
        EXPECT_EQ(ReceptacleLabel(0x52, false, t, 0), u"Receptacle ");
        EXPECT_EQ(ReceptacleLabel(0x41, false, t, 0), u"Socket ");
    }
    EXPECT_EQ(ReceptacleLabel(0x61, false, 4, 0), u"Port ");
    EXPECT_EQ(ReceptacleLabel(0x71, false, 1, 0), u"Recep");
    EXPECT_EQ(ReceptacleLabel(0x31, false, 5, 0), u"WU");
    EXPECT_EQ(ReceptacleLabel(0x81, false, 3, 0), u"G");
    EXPECT_EQ(ReceptacleLabel(0x11, false, 2, 0), u"C");
    EXPECT_EQ(ReceptacleLabel(0x41, false, 6, 0), u"");
}

TEST(ReceptacleLabel, WordStylesPastTheTableReadItFlat) {
    EXPECT_EQ(ReceptacleLabel(0x91, false, 0, 0), u"");
    EXPECT_EQ(ReceptacleLabel(0xF1, false, 5, 0), u"");
    EXPECT_EQ(ReceptacleLabel(0x91, false, 6, 0), u"A");  // row 1, column 0
    EXPECT_EQ(ReceptacleLabel(0xA1, false, 25, 0), u"Socket ");
    EXPECT_EQ(ReceptacleLabel(0x92, false, 53, 0), u"W");
    EXPECT_EQ(ReceptacleLabel(0x92, false, 54, 0), u"");
    EXPECT_EQ(ReceptacleLabel(0x92, false, 1000, 0), u"");
}

TEST(SocketTypeName, CodesOneToThirteen) {
    std::vector<std::u16string> names;
    for (unsigned code = 0; code <= 15; ++code) {
        names.push_back(SocketTypeName(code));
    }
    EXPECT_THAT(names,
                ElementsAreArray<std::u16string>(
                    {u"", u"IEC C13", u"IEC C19", u"NEMA 5-15R", u"NEMA 5-20R", u"NEMA L5-15R",
                     u"NEMA L5-20R", u"NEMA L5-30R", u"NEMA 6-20R", u"NEMA L6-15R", u"NEMA L6-16R",
                     u"NEMA L6-20R", u"NEMA L6-30R", u"SCHUKO", u"", u""}));
    EXPECT_EQ(std::u16string(SocketTypeName(0x81)), u"");
}

TEST(CountTypedReceptacles, CountsPresentUnmanagedAmongTheFirst36) {
    std::uint8_t codes[48] = {};
    codes[0] = 0x01;
    codes[5] = 0x7F;
    codes[6] = 0x80;   // managed
    codes[7] = 0x93;   // managed
    codes[35] = 0x13;  // last one counted
    codes[36] = 0x01;  // beyond the first 36
    EXPECT_EQ(CountTypedReceptacles(codes), 3u);
    EXPECT_EQ(CountTypedReceptacles(nullptr), 0u);
}

}  // namespace
}  // namespace quorvel
