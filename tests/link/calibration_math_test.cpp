// The calibration arithmetic: the worked examples, the validity ranges, refused sample pairs,
// references as the dialog reads and keeps them, and the descriptions the operator confirms.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "link/calibration_channels.h"
#include "link/calibration_math.h"

namespace quorvel {
namespace {

CurrentReferences Currents(const char* low, const char* high, const char* threshold) {
    return {ReadCurrentReference(low), ReadCurrentReference(high), ReadCurrentReference(threshold)};
}

TEST(CalibrationMath, CurrentExampleGivesScale1226Offset87Threshold66) {
    const CalibrationResult r =
        ComputeCurrentCalibration(0x100, 0x1000, Currents("0.50", "12.00", "0.20"));
    EXPECT_EQ(r.scale, 1226);
    EXPECT_EQ(r.offset, 87);
    EXPECT_EQ(r.threshold, 66);
    EXPECT_TRUE(r.valid);
    // Quotients that fall just below a whole number are cut, never rounded up: the slope of
    // the first pair and the threshold of the second.
    const struct {
        std::uint16_t high;
        long long scale, offset, threshold;
    } cut[] = {{0x76A, 2867, 183, 28}, {0x70F, 3036, 188, 26}};
    for (const auto& c : cut) {
        const CalibrationResult q =
            ComputeCurrentCalibration(0x100, c.high, Currents("0.50", "12.00", "0.20"));
        EXPECT_EQ((std::vector<long long>{q.scale, q.offset, q.threshold}),
                  (std::vector<long long>{c.scale, c.offset, c.threshold}))
            << c.high;
        EXPECT_TRUE(q.valid);
    }
}

TEST(CalibrationMath, VoltageExampleGivesScale240Offset0) {
    const CalibrationResult r = ComputeVoltageCalibration(0, 0x800, VoltageReferences{0, 120, 9});
    EXPECT_EQ(r.scale, 240);
    EXPECT_EQ(r.offset, 0);
    EXPECT_EQ(r.threshold, 9);
    EXPECT_TRUE(r.valid);
}

TEST(CalibrationMath, AHighSampleNotAboveTheLowOneIsAlwaysRefused) {
    for (std::uint16_t high : {std::uint16_t{0x100}, std::uint16_t{0xFF}, std::uint16_t{0}}) {
        EXPECT_FALSE(ComputeCurrentCalibration(0x100, high, Currents("0.5", "12", "0.2")).valid);
        EXPECT_FALSE(ComputeVoltageCalibration(0x100, high, VoltageReferences{0, 120, 9}).valid);
    }
    // Even references that would make any slope look right do not help.
    EXPECT_FALSE(ComputeCurrentCalibration(0x800, 0x800, Currents("0", "0", "0")).valid);
}

TEST(CalibrationMath, ValidityRangesOfCurrentChannels) {
    // Slope at or below 100: nothing more is computed.
    CalibrationResult r = ComputeCurrentCalibration(0, 0xFFFF, Currents("0", "1", "0"));
    EXPECT_LE(r.scale, 100);
    EXPECT_EQ(r.offset, 0);
    EXPECT_FALSE(r.valid);
    // Slope above 4096.
    EXPECT_FALSE(ComputeCurrentCalibration(0x100, 0x200, Currents("0", "12", "0")).valid);
    // Offset beyond 190: a high sample far above what the load explains.
    r = ComputeCurrentCalibration(0x200, 0x1100, Currents("0.5", "12", "0.2"));
    EXPECT_GT(r.offset, 190);
    EXPECT_FALSE(r.valid);
    // Threshold beyond 190, and a negative threshold.
    EXPECT_FALSE(ComputeCurrentCalibration(0x100, 0x1000, Currents("0.5", "12", "1")).valid);
    EXPECT_FALSE(ComputeCurrentCalibration(0x100, 0x1000, Currents("0.5", "12", "-0.5")).valid);
    // A threshold too large to compute is refused, not taken for 0.
    EXPECT_FALSE(ComputeCurrentCalibration(0x100, 0x1000,
                                           Currents("0.5", "12", std::string(20, '9').c_str()))
                     .valid);
    // Junk and absurd references are refused, never converted out of range.
    EXPECT_FALSE(ComputeCurrentCalibration(0x100, 0x1000, Currents("abc", "xyz", "0")).valid);
    EXPECT_FALSE(
        ComputeCurrentCalibration(0x100, 0x1000, Currents("0", std::string(45, '9').c_str(), "0"))
            .valid);
    EXPECT_FALSE(ComputeCurrentCalibration(0x100, 0x1000, Currents("0", "nan", "0")).valid);
}

TEST(CalibrationMath, ValidityRangesOfVoltageChannels) {
    EXPECT_FALSE(ComputeVoltageCalibration(0, 0x800, VoltageReferences{0, 120, 101}).valid);
    EXPECT_FALSE(ComputeVoltageCalibration(0, 0x800, VoltageReferences{0, 120, -1}).valid);
    // 0x840 for 120 V: scale 232, offset 0x840 - 491520 / 232 = 2112 - 2118 = -6.
    CalibrationResult r = ComputeVoltageCalibration(0, 0x840, VoltageReferences{0, 120, 9});
    EXPECT_EQ(r.scale, 232);
    EXPECT_EQ(r.offset, -6);
    EXPECT_TRUE(r.valid);
    // The slope is the whole part of 120 * 4096 / 1794 = 273.98, the offset 1794 - 491520 / 273.
    r = ComputeVoltageCalibration(0, 1794, VoltageReferences{0, 120, 9});
    EXPECT_EQ(r.scale, 273);
    EXPECT_EQ(r.offset, -6);
    // The offset may lie from -50 to 50 inclusive.
    struct Edge {
        std::uint16_t lowRaw, highRaw;
        long lowRef;
        long long offset;
        bool valid;
    };
    for (const Edge& e : {Edge{50, 2098, 0, 50, true}, Edge{51, 2099, 0, 51, false},
                          Edge{0, 1718, 3, -50, true}, Edge{0, 1756, 3, -51, false}}) {
        r = ComputeVoltageCalibration(e.lowRaw, e.highRaw, VoltageReferences{e.lowRef, 120, 9});
        EXPECT_EQ(r.offset, e.offset) << e.highRaw;
        EXPECT_EQ(r.valid, e.valid) << e.highRaw;
    }
    // The slope may lie from 101 to 4096 inclusive and the threshold from 0 to 100: over the
    // samples 0 and 4096 the slope is the high reference itself and the offset 0.
    for (const auto& [high, threshold, valid] :
         {std::tuple{100L, 9L, false}, std::tuple{101L, 9L, true}, std::tuple{4096L, 9L, true},
          std::tuple{4097L, 9L, false}, std::tuple{120L, 0L, true}, std::tuple{120L, 100L, true}}) {
        r = ComputeVoltageCalibration(0, 4096, VoltageReferences{0, high, threshold});
        EXPECT_EQ(r.valid, valid) << high << " " << threshold;
        if (valid) {
            EXPECT_EQ((std::vector<long long>{r.scale, r.offset, r.threshold}),
                      (std::vector<long long>{high, 0, threshold}));
        }
    }
    // A high reference of 10 V over 0x800 counts: slope 20, too small.
    EXPECT_FALSE(ComputeVoltageCalibration(0, 0x800, VoltageReferences{0, 10, 9}).valid);
    // Huge typed references are kept in range and give no overflow.
    EXPECT_EQ(ReadWholeReference("99999999999999999999"), 1000000);
    EXPECT_EQ(ReadWholeReference("-99999999999"), -1000000);
    EXPECT_FALSE(ComputeVoltageCalibration(0, 1, VoltageReferences{-1000000, 1000000, 0}).valid);
}

TEST(CalibrationMath, ReferencesAndSampleTexts) {
    EXPECT_EQ(CurrentReferenceHundredths(ReadCurrentReference("0.50")), 50);
    EXPECT_EQ(CurrentReferenceHundredths(ReadCurrentReference("12.00")), 1200);
    EXPECT_EQ(CurrentReferenceHundredths(ReadCurrentReference("0.2")), 20);
    EXPECT_EQ(CurrentReferenceHundredths(ReadCurrentReference("junk")), 0);
    EXPECT_EQ(CurrentReferenceText(1200), "12.00");
    EXPECT_EQ(CurrentReferenceText(20), "0.20");
    EXPECT_EQ(ReadWholeReference("120 V"), 120);
    EXPECT_EQ(ReadWholeReference(""), 0);

    std::uint16_t raw = 0;
    EXPECT_TRUE(ReadRawSampleText("0x1A2", raw));
    EXPECT_EQ(raw, 0x1A2);
    EXPECT_FALSE(ReadRawSampleText("1A2", raw));
    EXPECT_FALSE(ReadRawSampleText("", raw));
    EXPECT_EQ(RawSampleText(0xABC), "0xABC");
    EXPECT_EQ(CalibrationValueText(1226), "0x4ca");
    EXPECT_EQ(CalibrationValueText(-10), "0xfff6");
}

TEST(CalibrationMath, Descriptions) {
    const CalibrationResult r{1226, 87, 66, true};
    DescribedChannel first;
    first.generation = 1;
    first.kind = 1;
    first.index = 0;
    EXPECT_EQ(CalibrationDescription(first, r), u"Circuit B scale=1226, offset=87, threshold=0x42");
    first.reversedFamily = true;
    first.kind = 0;
    const char16_t letters[] = u"CCBBAA";
    for (int index = 1; index <= 6; ++index) {
        first.index = static_cast<std::uint8_t>(index);
        EXPECT_EQ(FirstGenCircuitLetter(first), letters[index - 1]) << index;
    }
    first.index = 0;
    EXPECT_EQ(FirstGenCircuitLetter(first), u'A');

    DescribedChannel later;
    later.generation = 3;
    later.kind = kChannelVoltage;
    later.label = u"Branch X Voltage";
    EXPECT_EQ(CalibrationDescription(later, {240, -3, 9, true}),
              u"Branch X Voltage scale=240, offset=-3, threshold=0x9");
    later.kind = kChannelCircuit;
    later.label = u"Circuit 2";
    EXPECT_EQ(CalibrationDescription(later, r), u"Circuit 2 scale=1226, offset=87, threshold=0x42");
    later.kind = kChannelReceptacle;
    later.label = u"Socket 7";
    EXPECT_EQ(CalibrationDescription(later, r),
              u"Receptacle Socket 7 scale=1226, offset=87, threshold=0x42");
}

}  // namespace
}  // namespace quorvel
