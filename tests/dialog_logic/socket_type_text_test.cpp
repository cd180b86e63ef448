// The socket type information text over made-up series records: the title, the numbering and
// display lines per form factor and layout bits, receptacles by socket type, management and
// circuit with a line feed after every 16th number, meters, circuits, and missing slots.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "dialogs/logic/socket_type_text.h"
#include "model_test_ops.h"

namespace quorvel::dialogs {
namespace {

using testing::FakeCatalogue;
using testing::FakeModelOps;
using testing::FakeSeries;

constexpr int kQB = 27;  // rotated Q is 1, B is 1

class SocketTypeText : public ::testing::Test {
  protected:
    void SetUp() override { FakeCatalogue() = {}; }

    FakeSeries& series(int index, std::u16string text = u"Example series") {
        FakeSeries& s = FakeCatalogue().series[index];
        s.text = std::move(text);
        return s;
    }

    static bool Contains(const std::vector<std::u16string>& lines, const std::u16string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    ModelOps ops_ = FakeModelOps();
};

TEST_F(SocketTypeText, EmptySeriesHasNoReceptacleLines) {
    series(kQB, u"Vertical 1-phase switched and metered");
    const SocketTypeDescription d = DescribeSocketType(ops_, kQB);
    EXPECT_EQ(d.title, u"Description for Chassis Type QB: Vertical 1-phase switched and metered");
    // The records are read in their stored form for the series' own index.
    EXPECT_EQ(FakeCatalogue().lastRecordSeries, kQB);
    EXPECT_TRUE(FakeCatalogue().lastRaw);
    const std::vector<std::u16string> expected{
        u"Intended for 1 Phase and 1U-Horizontal form factor",
        u"Numbering of receptacles are from Right to Left Ascending",
        u"Receptacles displayed are sorted in Physical order",
        u"Receptacles displayed have columns filled on the Right side first",
        u"There are no receptacles",
        u"There are no meters",
        u"There are no circuits"};
    EXPECT_EQ(d.lines, expected);

    // A series without any records reads the same, under an empty series text.
    const SocketTypeDescription none = DescribeSocketType(ops_, 1);
    EXPECT_EQ(none.title, u"Description for Chassis Type PB: ");
    EXPECT_EQ(none.lines, expected);
}

TEST_F(SocketTypeText, TwentyFourManagedReceptaclesOfOneType) {
    FakeSeries& s = series(kQB);
    s.ext[0] = 1;  // three phase
    s.ext[1] = 2;  // vertical
    for (int k = 0; k < 24; ++k) {
        s.ext[static_cast<std::size_t>(4 + k)] = 0x83;  // NEMA 5-15R, circuit 0, managed
    }
    for (int i = 0; i < 3; ++i) {
        s.kvb[static_cast<std::size_t>(22 + i)] = 0xFF;  // 24 mapped receptacles
    }
    s.layout[49] = 0x1 | 0x4 | 0x8;  // top-down, logical order, left side first
    const SocketTypeDescription d = DescribeSocketType(ops_, kQB);
    const std::u16string numbers =
        u"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,\n17,18,19,20,21,22,23,24,";
    const std::vector<std::u16string> expected{
        u"Intended for 3 Phase and Vertical form factor",
        u"Numbering of receptacles are Top-Down Ascending",
        u"Receptacles displayed are sorted in Logical order",
        u"Receptacles displayed have columns filled on the Left side first",
        u"All 24 receptacles are managed",
        u"24 receptacles are NEMA 5-15R",
        u"NEMA 5-15R Receptacles: \n" + numbers,
        u"Managed Receptacles: \n" + numbers,
        u"First Circuit Receptacles: \n" + numbers,
        u"There are no meters",
        u"There are no circuits"};
    EXPECT_EQ(d.lines, expected);
}

TEST_F(SocketTypeText, MixedTypesManagementAndCircuits) {
    FakeSeries& s = series(kQB);
    // Receptacles 1-2 IEC C13 managed on circuit 0, 3 IEC C19 unmanaged on circuit 1, 5 NEMA
    // 5-20R unmanaged on circuit 5; 4 is absent.
    const std::uint8_t codes[] = {0x81, 0x81, 0x12, 0x00, 0x54};
    std::copy(std::begin(codes), std::end(codes), s.ext.begin() + 4);
    s.kvb[22] = 0xC0;  // 2 mapped
    const SocketTypeDescription d = DescribeSocketType(ops_, kQB);
    const std::vector<std::u16string> tail(d.lines.begin() + 4, d.lines.end() - 2);
    const std::vector<std::u16string> expected{u"There are 2 managed and 2 unmanaged receptacles",
                                               u"2 receptacles are IEC C13",
                                               u"1 receptacles are IEC C19",
                                               u"1 receptacles are NEMA 5-20R",
                                               u"IEC C13 Receptacles: \n1,2,",
                                               u"IEC C19 Receptacles: \n3,",
                                               u"NEMA 5-20R Receptacles: \n5,",
                                               u"Managed Receptacles: \n1,2,",
                                               u"Unmanaged Receptacles: \n3,5,",
                                               u"First Circuit Receptacles: \n1,2,",
                                               u"Second Circuit Receptacles: \n3,",
                                               u"Sixth Circuit Receptacles: \n5,"};
    EXPECT_EQ(tail, expected);
}

TEST_F(SocketTypeText, NumberingByFormFactorAndLayout) {
    FakeSeries& s = series(kQB);
    struct Case {
        std::uint8_t form, layout;
        std::u16string text;
    };
    const Case cases[] = {
        {2, 0x0, u"Bottom-Up Ascending"},
        {3, 0x3, u"Top-Down Ascending from Left PDU column"},
        {3, 0x1, u"Top-Down Ascending from Right PDU column"},
        {3, 0x2, u"Bottom-Up Ascending from Left PDU column"},
        {3, 0x0, u"Bottom-Up Ascending from Right PDU column"},
        {0, 0x2, u"from Left to Right Ascending"},
        {1, 0x0, u"from Right to Left Ascending"},
        {4, 0x3, u"from Left to Right Ascending"},
        {5, 0x3, u"not defined for the Scope form factor"},
    };
    for (const Case& c : cases) {
        s.ext[1] = c.form;
        s.layout[49] = c.layout;
        EXPECT_EQ(DescribeSocketType(ops_, kQB).lines[1], u"Numbering of receptacles are " + c.text)
            << int(c.form) << " " << int(c.layout);
    }
}

TEST_F(SocketTypeText, MetersAndCircuits) {
    FakeSeries& s = series(kQB);
    s.kvb[2] = 0x10;
    s.kvb[10] = 1;
    s.kvb[11] = 2;
    s.layout[42] = 0x12;  // "Circuit " with the letters
    s.layout[38] = 0x81;  // circuit 0: label 0 with the voltage-select bit; circuit 1: label 1
    std::vector<std::u16string> lines = DescribeSocketType(ops_, kQB).lines;
    EXPECT_EQ(lines[lines.size() - 2], u"There can be up to 1 meter");
    EXPECT_EQ(lines.back(), u"There are 2 circuits: \nCircuit A, Circuit B");

    s.kvb[3] = 0x11;
    s.kvb[7] = 0x15;
    s.kvb[11] = 0;
    lines = DescribeSocketType(ops_, kQB).lines;
    EXPECT_EQ(lines[lines.size() - 2], u"There can be up to 3 meters");
    EXPECT_EQ(lines.back(), u"There is 1 circuit: Circuit A");

    s.kvb[11] = 2;
    s.layout[42] = 0x00;  // no circuit word or labels
    EXPECT_EQ(DescribeSocketType(ops_, kQB).lines.back(),
              u"There are 2 circuits: \nno circuit labels");
}

TEST_F(SocketTypeText, MissingSlotsLeaveTheirPartOut) {
    FakeSeries& s = series(kQB);
    s.ext[4] = 0x83;
    s.kvb[22] = 0x80;
    s.kvb[10] = 1;
    s.layout[42] = 0x12;
    ModelOps ops = ops_;
    ops.DescribeField = nullptr;
    ops.GetSocketTypeName = nullptr;
    ops.GetCircuitLabel = nullptr;
    ops.GetSeriesLetters = nullptr;
    const SocketTypeDescription d = DescribeSocketType(ops, kQB);
    EXPECT_EQ(d.title, u"Description for Chassis Type ??: Example series");
    EXPECT_EQ(d.lines[0], u"Intended for ");
    EXPECT_EQ(d.lines[1], u"Numbering of receptacles are from Right to Left Ascending");
    EXPECT_TRUE(Contains(d.lines, u"1 receptacles are ")) << d.lines.size();
    EXPECT_EQ(d.lines.back(), u"There is 1 circuit: no circuit labels");

    // Without the counts nothing counts as a receptacle; without the records all reads zero.
    ops = ModelOps{};
    const SocketTypeDescription bare = DescribeSocketType(ops, kQB);
    EXPECT_EQ(bare.title, u"Description for Chassis Type ??: ");
    EXPECT_TRUE(Contains(bare.lines, u"There are no receptacles"));
    EXPECT_EQ(bare.lines.back(), u"There are no circuits");
}

TEST(ReceptacleNumbers, LineFeedAfterEverySixteenth) {
    std::vector<int> numbers(16);
    std::iota(numbers.begin(), numbers.end(), 1);
    EXPECT_EQ(ReceptacleNumbersLine(u"X", numbers),
              u"X Receptacles: \n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,\n");
    numbers.resize(33);
    std::iota(numbers.begin() + 16, numbers.end(), 17);
    const std::u16string line = ReceptacleNumbersLine(u"X", numbers);
    EXPECT_EQ(std::count(line.begin(), line.end(), u'\n'), 3);
    EXPECT_TRUE(line.ends_with(u"32,\n33,"));
    EXPECT_EQ(ReceptacleNumbersLine(u"Managed", {}), u"Managed Receptacles: \n");
}

}  // namespace
}  // namespace quorvel::dialogs
