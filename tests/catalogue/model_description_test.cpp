// Field texts of model codes, circuit and receptacle labels, socket type names and the count of
// unmanaged receptacles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/model_description.h"
#include "generators/generator_test_support.h"

namespace quorvel {
namespace {

using testing::decodedCode;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

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
    const ModelCode c = decodedCode("SQV332AA433BD-5B");
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
    const ModelCode c = decodedCode("SQV21230410BA-0");
    char16_t buf[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(DescribeModelField(c.feature, c.attribute, c.extension, 1, buf, 4, tables), 3u);
    EXPECT_EQ(std::u16string(buf), u"Ver");
    EXPECT_EQ(buf[4], u'x');  // nothing written past the capacity
    EXPECT_EQ(DescribeModelField(c.feature, c.attribute, c.extension, 1, nullptr, 8, tables), 0u);
}

// A row of six labels, "|" between them.
std::u16string Row(const std::function<std::u16string(unsigned)>& label) {
    std::u16string row;
    for (unsigned i = 0; i < 6; ++i) {
        row += (i > 0 ? u"|" : u"") + label(i);
    }
    return row;
}

// Both label tables whole, by layout type and label style, and the circuit words.
TEST(CircuitLabel, TheLabelTablesAndTheCircuitWords) {
    const std::u16string circuitRows[] = {u"|||||",
                                          u"1|2|3|4|5|6",
                                          u"A|B|C|D|E|F",
                                          u"X|Y|Z|N|G|W",
                                          u"XY|YZ|ZX|UV|VW|WU",
                                          u"X1|Y1|Z1|X2|Y2|Z2",
                                          u"XY1|YZ1|ZX1|XY2|YZ2|ZX2",
                                          u"X|Y|Z|G|N|W"};
    for (unsigned type = 0; type < 256; ++type) {
        const auto t = static_cast<std::uint8_t>(type);
        EXPECT_EQ(Row([t](unsigned i) { return CircuitLabel(t, true, i); }),
                  (type & 15) < 8 ? circuitRows[type & 15] : u"|||||")
            << type;
        EXPECT_EQ(CircuitLabel(t, true, 6), u"");
        EXPECT_EQ(CircuitLabel(t, false, 9), type >> 4 == 1   ? u"Circuit "
                                             : type >> 4 == 2 ? u"Branch "
                                                              : u"");
    }
    const std::u16string wordRows[] = {circuitRows[0],
                                       circuitRows[2],
                                       circuitRows[3],
                                       circuitRows[4],
                                       Row([](unsigned) { return u"Socket "; }),
                                       Row([](unsigned) { return u"Receptacle "; }),
                                       Row([](unsigned) { return u"Port "; }),
                                       Row([](unsigned) { return u"Recep"; }),
                                       u"X|Y|Z|G|N|W"};
    for (unsigned style = 0; style < 256; ++style) {
        const auto s = static_cast<std::uint8_t>(style);
        if (style >> 4 < 9) {
            EXPECT_EQ(Row([s](unsigned i) { return ReceptacleLabel(s, false, i, 0); }),
                      wordRows[style >> 4])
                << style;
            EXPECT_EQ(ReceptacleLabel(s, false, 6, 0), u"");
        } else {  // one flat list of the nine rows, by label index alone
            for (unsigned k = 0; k < 60; k += 6) {
                EXPECT_EQ(Row([s, k](unsigned i) { return ReceptacleLabel(s, false, k + i, 0); }),
                          k < 54 ? wordRows[k / 6] : u"|||||")
                    << style << " " << k;
            }
            EXPECT_EQ(ReceptacleLabel(s, false, 1000, 0), u"");
        }
        const std::u16string shortLabel = ReceptacleLabel(s, true, 0, 3);
        EXPECT_EQ(shortLabel, (style & 15) == 1 ? u"3" : (style & 15) == 2 ? u"C" : u"") << style;
    }
    EXPECT_EQ(ReceptacleLabel(0x41, true, 0, 48), u"48");
    EXPECT_EQ(ReceptacleLabel(0x52, true, 0, 1), u"A");

    char16_t buf[4];
    EXPECT_EQ(CircuitLabel(0x16, true, 4, buf, 3), 2u);
    EXPECT_EQ(std::u16string(buf), u"YZ");
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
