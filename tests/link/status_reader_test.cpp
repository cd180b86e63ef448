// The status frame byte for byte, against a scripted console: both generations, the item-count
// rules, and failures part way through.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "link/status_reader.h"
#include "support/published_console.h"

namespace quorvel {
namespace {

using test::queryAnswer;

// The expected frame, written out value by value.
struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes() { b(0xAA).b(0x55); }
    Bytes& b(unsigned x) {
        v.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    Bytes& w(unsigned x) { return b(x >> 8 & 0xFF).b(x & 0xFF); }
    Bytes& cut(std::size_t n) {
        v.resize(n);
        return *this;
    }
};

class StatusReaderTest : public test::PublishedConsole {
  protected:
    void SetUp() override {
        PublishedConsole::SetUp();
        frame.assign(256, 0xEE);
    }
    std::vector<std::uint8_t> written(std::size_t n) const {
        return {frame.begin(), frame.begin() + static_cast<long>(n)};
    }
    // A later-generation unit with every option and two receptacle sets.
    PduRecord laterRecord() const {
        PduRecord r;
        r.generationNumber = 2;
        r.featureWord = 0x0720;  // voltages, switched, metered, sensor
        r.receptacleGroups = 2;
        return r;
    }

    std::vector<std::uint8_t> frame;
};

TEST_F(StatusReaderTest, LaterGenerationFrameWithEveryOption) {
    answer("G B 0 ff", "230 229 1.5 2.25 0 0 0 0.014 99");  // 9 items: the last is ignored
    answer("G i 0 f0", "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0 1.1 12.345");
    answer("P ff", "12345678");
    answer("p ff", "ABCDEF012");
    answer("J", "Temperature=23.456 Humidity=45 Temperature2=*");
    answer("n", "81 3");
    ASSERT_TRUE(ReadStatusFrame(laterRecord(), frame));
    Bytes e;
    e.b(2).w(230).w(229);
    e.b(6).w(150).w(225).w(0).w(0).w(0).w(1);
    e.b(0);
    e.b(12);
    for (unsigned x : {10u, 20u, 30u, 40u, 50u, 60u, 70u, 80u, 90u, 100u, 110u, 1234u}) {
        e.w(x);
    }
    e.b(5).b(0x00).w(0x1234).w(0x5678);  // "P": no digits before the last eight
    e.b(5).b(0x0A & 0x0F).w(0xBCDE).w(0xF012);
    e.b(1).w(2345).b(1).w(4500);  // three items: one sensor
    e.b(2).w(0x81).w(0x3);
    EXPECT_EQ(written(e.v.size()), e.v);
    EXPECT_EQ(frame[e.v.size()], 0);  // the cleared part after the frame
    // The buffer must hold the largest frame there is (151 bytes), whatever this one needs.
    std::vector<std::uint8_t> least(kMinStatusFrameSize);
    EXPECT_TRUE(ReadStatusFrame(laterRecord(), least));
    std::vector<std::uint8_t> small(kMinStatusFrameSize - 1);
    EXPECT_FALSE(ReadStatusFrame(laterRecord(), small));

    // A temperature item the reader does not know reads as 0.
    answer("J", "Temp=23 Humidity=45");
    ASSERT_TRUE(ReadStatusFrame(laterRecord(), frame));
    const std::size_t env = e.v.size() - 5 - 6;
    EXPECT_EQ(written(e.v.size() - 5), (Bytes(e).cut(env).b(1).w(0).b(1).w(4500).v));
}

TEST_F(StatusReaderTest, ShortReceptacleRepliesGiveZerosAndLargeSetsGiveSixByteBitmaps) {
    PduRecord r = laterRecord();
    r.receptacleGroups = 7;
    r.extensionWord = 0x1000;
    r.featureWord = 0x0320;  // no sensor
    answer("G B 0 ff", "230 231 232 233 1 2 3 4 5 6");
    for (const char* sel : {"f0", "f1", "f2", "f3"}) {
        answer(std::string("G i 0 ") + sel, "1 1 1 1 1 1 1 1 1 1 1 1");
    }
    answer("G i 0 f1", "1 1 1 1 1 1 1 1 1 1 1");  // 11 items
    answer("P ff", "A1B2C3D4E5F6");
    answer("p ff", "FFFF00000001");
    answer("n", "7");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    Bytes e;
    e.b(4).w(230).w(231).w(232).w(233);
    e.b(6).w(100).w(200).w(300).w(400).w(500).w(600).b(0);
    e.b(48);
    for (int set = 0; set < 4; ++set) {
        for (int i = 0; i < 12; ++i) {
            e.w(set == 1 ? 0 : 100);
        }
    }
    e.b(6).b(0xA1).b(0xB2).w(0xC3D4).w(0xE5F6);
    e.b(6).b(0xFF).b(0x0F).w(0x0000).w(0x0001);
    e.b(0).b(0);
    e.b(2).w(0).w(0);  // one alarm item: both words stay 0
    EXPECT_EQ(written(e.v.size()), e.v);

    r.extensionWord = 0x0FFF;  // the same twelve digits now give five bytes, 36 receptacles
    answer("G B 0 ff", "230 231 1 2 3 4 5 6");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    const std::size_t bitmap = 2 + 1 + 4 + 1 + 12 + 1 + 1 + 72;
    EXPECT_EQ(frame[2 + 1 + 4 + 1 + 12 + 1], 36);
    EXPECT_EQ(frame[bitmap], 5);
    EXPECT_EQ(frame[bitmap + 1], 0xB2);
    // Six sets on a large unit: still 36 receptacles and five bytes.
    r.extensionWord = 0x1000;
    r.receptacleGroups = 6;
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    EXPECT_EQ(frame[2 + 1 + 4 + 1 + 12 + 1], 36);
    EXPECT_EQ(frame[bitmap], 5);
    EXPECT_EQ(frame[bitmap + 6], 5);  // the reset-blocked bitmap as well
}

// Three sets on a large unit: four voltages, 24 receptacles, five-byte bitmaps; four
// environment items are two sensors.
TEST_F(StatusReaderTest, ThreeSetsOfALargeUnitAndTwoSensors) {
    PduRecord r = laterRecord();
    r.generationNumber = 4;
    r.extensionWord = 0x100A;
    r.receptacleGroups = 3;
    answer("G B 0 ff", "208 209 207 208 3.75 3.9 4.05 0 0 0");
    answer("G i 0 f0", "1 2 3 4 5 6 7 8 9 10 11 12");
    answer("G i 0 f1", "0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.25");
    answer("P ff", "3FFFF");
    answer("p ff", "0");
    answer("J", "Temperature=74.3 Humidity=41 Temperature2=75.65 Humidity2=38.5");
    answer("n", "0 0");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    Bytes e;
    e.b(4).w(208).w(209).w(207).w(208);
    e.b(6).w(375).w(390).w(405).w(0).w(0).w(0).b(0);
    e.b(24);
    for (unsigned i = 1; i <= 12; ++i) {
        e.w(100 * i);
    }
    for (unsigned i = 1; i <= 12; ++i) {
        e.w(i < 12 ? 50 : 25);
    }
    e.b(5).b(0).w(0x0003).w(0xFFFF);
    e.b(5).b(0).w(0).w(0);
    e.b(2).w(7430).w(7565).b(2).w(4100).w(3850);
    e.b(2).w(0).w(0);
    EXPECT_EQ(written(e.v.size()), e.v);

    // Four sets without the large sets: two voltages, still 24 receptacles.
    r.extensionWord = 0;
    r.receptacleGroups = 4;
    answer("G B 0 ff", "208 209 3.75 3.9 4.05 0 0 0");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    EXPECT_EQ(written(7), (Bytes{}.b(2).w(208).w(209).v));
    EXPECT_EQ(frame[2 + 1 + 4 + 1 + 12 + 1], 24);
    EXPECT_EQ(frame[2 + 1 + 4 + 1 + 12 + 1 + 1 + 48], 5);
}

TEST_F(StatusReaderTest, FailuresEndTheFrame) {
    answer("G B 0 ff", "230 229 1 2 3 4 5");  // seven items
    EXPECT_FALSE(ReadStatusFrame(laterRecord(), frame));

    PublishInterface(nullptr);
    EXPECT_FALSE(ReadStatusFrame(laterRecord(), frame));
}

// The case that waits out every try of a query.
class StatusReaderWaits : public StatusReaderTest {};

// Currents that cannot be read end the frame: a later generation's receptacles, a first
// generation's circuit.
TEST_F(StatusReaderWaits, ACurrentThatCannotBeReadEndsTheFrame) {
    answer("G B 0 ff", "230 229 1 2 3 4 5 6");
    console->answers["G i 0 f0"] = "\r\nError\r\n";
    EXPECT_FALSE(ReadStatusFrame(laterRecord(), frame));

    PduRecord r;
    r.generationNumber = 1;
    r.featureWord = 0x0300;
    r.circuitCount = 1;
    r.receptaclesPerCircuit[0] = 3;
    console->answers["G I A ff"] = "\r\nError\r\n";
    EXPECT_FALSE(ReadStatusFrame(r, frame));
}

TEST_F(StatusReaderWaits, ABadReplyEndsTheFramePartlyWritten) {
    answer("G B 0 ff", "230 229 1 2 3 4 5 6");
    answer("G i 0 f0", "1 1 1 1 1 1 1 1 1 1 1 1");
    console->answers["P ff"] = "\r\nno prompt";  // a bad reply on every try
    EXPECT_FALSE(ReadStatusFrame(laterRecord(), frame));
    EXPECT_EQ(frame[0], 0xAA);
}

TEST_F(StatusReaderTest, FirstGenerationAsksEachBranch) {
    PduRecord r;
    r.generationNumber = 1;
    r.featureWord = 0x0300;  // switched and metered, no voltage inputs, no sensor
    r.circuitCount = 2;
    r.receptaclesPerCircuit[0] = 3;
    r.receptaclesPerCircuit[1] = 2;
    answer("G I A ff", "4.5 1 2 3 4");
    answer("G I B ff", "2.25 0.5");  // fewer currents than receptacles
    answer("P A ff", "FD");
    answer("P B ff", "2");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    Bytes e;
    e.b(2).w(0).w(0);
    e.b(6).w(450).w(225).w(0).w(0).w(0).w(0).b(0);
    e.b(5).w(100).w(200).w(300).w(50).w(0);
    // A keeps its low 3 bits (101), B's two bits (10) follow them.
    e.b(3).b(0).b(0).b(0b10101);
    e.b(0);
    e.b(1).w(0).b(1).w(0).b(0);
    EXPECT_EQ(written(e.v.size()), e.v);

    r.featureWord = 0x0020 | 0x0100 | 0x0400;  // voltages and sensor, no receptacle meters
    r.circuitCount = 1;
    answer("G V A 0", "7680 x");
    answer("G V B 0", "-256");
    answer("G I A 0", "3.5");
    answer("P A ff", "7");
    answer("J", "Temperature=20 Humidity=50");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    Bytes f;
    f.b(2).w(3000).w(static_cast<unsigned>(-100) & 0xFFFF);
    f.b(6).w(350).w(0).w(0).w(0).w(0).w(0).b(0);
    f.b(3).w(0).w(0).w(0);
    f.b(3).b(0).b(0).b(0b111).b(0);
    f.b(1).w(2000).b(1).w(5000).b(0);
    EXPECT_EQ(written(f.v.size()), f.v);

    // Samples too large for the arithmetic give the field's largest value and its smallest.
    answer("G V A 0", "99999999999999999999");
    answer("G V B 0", "-99999999999999999999");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    EXPECT_EQ(written(7), (Bytes{}.b(2).w(0xFFFF).w(0x8000).v));
    answer("G V A 0", "167770");  // 65535.15 V: just inside the field
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    EXPECT_EQ(written(5), (Bytes{}.b(2).w(0xFFFF).v));
    answer("J", "Temperature=20");  // one item: no reading at all
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    const auto environment = written(f.v.size());
    EXPECT_EQ(std::vector<std::uint8_t>(environment.end() - 7, environment.end()),
              (std::vector<std::uint8_t>{1, 0, 0, 1, 0, 0, 0}));

    // A metered branch of a single receptacle still asks for its receptacle's current.
    r.featureWord = 0x0300;
    r.receptaclesPerCircuit[0] = 1;
    answer("G I A ff", "1.5 1.25");
    answer("P A ff", "1");
    ASSERT_TRUE(ReadStatusFrame(r, frame));
    Bytes m;
    m.b(2).w(0).w(0);
    m.b(6).w(150).w(0).w(0).w(0).w(0).w(0).b(0);
    m.b(1).w(125);
    m.b(3).b(0).b(0).b(1).b(0);
    m.b(1).w(0).b(1).w(0).b(0);
    EXPECT_EQ(written(m.v.size()), m.v);
}

TEST(Readings, DecimalAndIntegerReadings) {
    EXPECT_EQ(DecimalReading("12.345"), 1234);
    EXPECT_EQ(DecimalReading(" 0.29"), 29);  // not 28: the 0.0001 guards the rounding
    EXPECT_EQ(DecimalReading("x"), 0);
    EXPECT_EQ(DecimalReading("-1"), 0xFF9D);  // -99.9999 truncates toward zero
    EXPECT_EQ(IntegerReading("  -42abc"), -42);
    EXPECT_EQ(IntegerReading("abc"), 0);
}

}  // namespace
}  // namespace quorvel
