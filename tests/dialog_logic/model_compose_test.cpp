// Composing model code words from the model dialog's controls and back: the bit layout against
// the codes of real models, the TLD rule, the check box rules, and the round trip.
#include <gtest/gtest.h>

#include "dialogs/logic/model_compose.h"

namespace quorvel::dialogs {
namespace {

FeatureChecks AllFeaturesBut2nd() {
    FeatureChecks c;
    c.serial = c.ethernet = c.socketControl = c.socketMeter = c.environment = true;
    return c;
}

TEST(ModelCompose, WordsOfKnownModels) {
    // SQV11220241BB-3: Vertical, 120 V, single phase, 2 breakers, 20 A, 2 meters, serial,
    // Ethernet, socket control and meter, one sensor, series QB (27), inlet B, 3 TLDs.
    ModelSelections s{0, 0, 27, 2, 1, 2, 2, 2, 3};
    ModelWords w;
    ASSERT_TRUE(ComposeModelWords(AllFeaturesBut2nd(), s, w));
    EXPECT_EQ(CodeText(w), "07C0:D26C1202:0000");

    // STV433303D1DL-4: three phase 208/120 V, series TD (107, so the series' bit 6 lands in
    // AttributeWord bit 7), inlet L (11), 4 TLDs (bit 2 of the count in AttributeWord bit 3),
    // with the voltage meter.
    FeatureChecks c = AllFeaturesBut2nd();
    c.voltMeter = true;
    s = ModelSelections{1, 3, 107, 3, 11, 2, 3, 3, 4};
    ASSERT_TRUE(ComposeModelWords(c, s, w));
    EXPECT_EQ(CodeText(w), "47E0:1BACB3BA:0000");
}

TEST(ModelCompose, ExtensionBitsAndRoundTrip) {
    // Series CQE-like index 1378 (bits 7.. into the ExtensionWord), inlet 63 (bit 5 into
    // AttributeWord bit 17), TLD count 8 (bit 3 into ExtensionWord bit 8), second sensor.
    FeatureChecks c = AllFeaturesBut2nd();
    c.second = true;
    const ModelSelections s{1, 2, 1378, 6, 63, 6, 8, 6, 8};
    ModelWords w;
    ASSERT_TRUE(ComposeModelWords(c, s, w));
    EXPECT_EQ(w.extension, (1378 >> 7) | 0x100 | 0x200);
    EXPECT_TRUE(w.attribute & 0x20000);
    EXPECT_EQ(SeriesIndexOfWords(w), 1378);

    const ModelControls back = ControlsOfWords(w);
    EXPECT_EQ(back.checks, c);
    EXPECT_EQ(back.selections, s);
    ModelWords again;
    ASSERT_TRUE(ComposeModelWords(back.checks, back.selections, again));
    EXPECT_EQ(again, w);
}

// Each box alone sets its own bit of the FeatureWord and nothing else, and reads back alone.
TEST(ModelCompose, EachFeatureBoxAloneSetsItsBit) {
    const struct {
        bool FeatureChecks::*box;
        std::uint16_t bit;
    } rows[] = {{&FeatureChecks::serial, 0x80},         {&FeatureChecks::ethernet, 0x40},
                {&FeatureChecks::socketControl, 0x100}, {&FeatureChecks::socketMeter, 0x200},
                {&FeatureChecks::voltMeter, 0x20},      {&FeatureChecks::environment, 0x400}};
    for (const auto& row : rows) {
        FeatureChecks c;
        c.*row.box = true;
        ModelWords w;
        ASSERT_TRUE(ComposeModelWords(c, ModelSelections{0, 0, 0, 0, 0, 0, 0, 0, 0}, w));
        EXPECT_EQ(w, (ModelWords{row.bit, 0, 0})) << row.bit;
        EXPECT_EQ(ControlsOfWords(w).checks, c) << row.bit;
    }
}

TEST(ModelCompose, SecondSensorImpliesEnvironmentBit) {
    FeatureChecks c;
    c.serial = true;
    c.second = true;  // without the environment box: the feature bit still comes with "2nd"
    ModelWords w;
    ASSERT_TRUE(ComposeModelWords(c, ModelSelections{0, 0, 0, 0, 0, 0, 0, 0, 0}, w));
    EXPECT_EQ(w.feature, 0x80 | 0x400);
    EXPECT_EQ(w.extension, 0x200);
    // Shown again, "2nd" follows ExtensionWord bit 9 only while the environment bit is set.
    EXPECT_TRUE(ControlsOfWords(w).checks.second);
    w.feature &= static_cast<std::uint16_t>(~0x400);
    EXPECT_FALSE(ControlsOfWords(w).checks.second);
}

TEST(ModelCompose, MissingSelectionComposesNothing) {
    const ModelSelections full{0, 0, 27, 2, 1, 2, 2, 2, 0};
    int ModelSelections::*fields[] = {
        &ModelSelections::phase,   &ModelSelections::voltage,  &ModelSelections::series,
        &ModelSelections::meters,  &ModelSelections::inlet,    &ModelSelections::formFactor,
        &ModelSelections::current, &ModelSelections::breakers, &ModelSelections::tlds};
    for (auto field : fields) {
        ModelSelections s = full;
        s.*field = kNoSelection;
        ModelWords w{1, 2, 3};
        EXPECT_FALSE(ComposeModelWords(FeatureChecks{}, s, w));
        EXPECT_EQ(w, (ModelWords{1, 2, 3}));  // untouched
    }
}

TEST(ModelCompose, TldRule) {
    FeatureChecks none;
    ModelSelections s{0, 0, 0, 0, 0, 0, 0, 0, 5};
    EXPECT_EQ(AdjustedTldSelection(none, s), 0);  // no socket control or meter: always 0

    FeatureChecks control;
    control.serial = control.socketControl = true;
    s.tlds = 0;
    s.phase = 1;
    EXPECT_EQ(AdjustedTldSelection(control, s), 3);  // three phase
    s.phase = 0;
    EXPECT_EQ(AdjustedTldSelection(control, s), 4);  // single phase
    FeatureChecks meter;
    meter.serial = meter.socketMeter = true;
    EXPECT_EQ(AdjustedTldSelection(meter, s), 4);
    s.tlds = 6;
    EXPECT_EQ(AdjustedTldSelection(control, s), 6);  // a chosen count stays
}

TEST(ModelCompose, ShownTldCountOfZeroBitsIsFour) {
    ModelWords w{0x0180, 0x00000002, 0};  // serial and socket control, TLD bits all 0
    EXPECT_EQ(ControlsOfWords(w).selections.tlds, 4);
    w.feature = 0x0080;  // serial only
    EXPECT_EQ(ControlsOfWords(w).selections.tlds, 0);
    w.attribute = 0x40000000;  // TLD bits say 1
    EXPECT_EQ(ControlsOfWords(w).selections.tlds, 1);
}

TEST(ModelCompose, CheckBoxRules) {
    // Socket control or meter cannot be checked without serial or Ethernet.
    FeatureChecks c;
    c.socketControl = true;
    EXPECT_FALSE(ApplyCheckRules(c, FeatureBox::SocketControl).socketControl);
    c = FeatureChecks{};
    c.socketMeter = true;
    EXPECT_FALSE(ApplyCheckRules(c, FeatureBox::SocketMeter).socketMeter);
    c.serial = true;
    EXPECT_TRUE(ApplyCheckRules(c, FeatureBox::SocketMeter).socketMeter);

    // Ethernet brings serial; serial stays checked while Ethernet is.
    c = FeatureChecks{};
    c.ethernet = true;
    EXPECT_TRUE(ApplyCheckRules(c, FeatureBox::Ethernet).serial);
    c.serial = false;  // the operator just unchecked serial
    EXPECT_TRUE(ApplyCheckRules(c, FeatureBox::Serial).serial);
    c.ethernet = false;
    EXPECT_FALSE(ApplyCheckRules(c, FeatureBox::Serial).serial);
    // Unchecking the last port takes socket control and meter with it; one port keeps them.
    c = FeatureChecks{};
    c.socketControl = true;
    c.socketMeter = true;
    FeatureChecks noPort = ApplyCheckRules(c, FeatureBox::Serial);
    EXPECT_FALSE(noPort.socketControl);
    EXPECT_FALSE(noPort.socketMeter);
    c.serial = true;  // Ethernet unchecked, serial still there
    EXPECT_EQ(ApplyCheckRules(c, FeatureBox::Ethernet), c);

    // "2nd" brings the environment sensor; unchecking the sensor drops "2nd".
    c = FeatureChecks{};
    c.second = true;
    const FeatureChecks withSecond = ApplyCheckRules(c, FeatureBox::Second);
    EXPECT_TRUE(withSecond.environment);
    FeatureChecks off = withSecond;
    off.environment = false;
    EXPECT_FALSE(ApplyCheckRules(off, FeatureBox::Environment).second);
    // A click elsewhere changes nothing else.
    EXPECT_EQ(ApplyCheckRules(withSecond, FeatureBox::VoltMeter), withSecond);
}

TEST(ModelCompose, SeriesOnlyWordsCarryTheIndexAlone) {
    for (int index : {0, 27, 63, 64, 127, 128, 1378, 17575}) {
        const ModelWords w = SeriesOnlyWords(index);
        EXPECT_EQ(w.feature, 0) << index;
        EXPECT_EQ(SeriesIndexOfWords(w), index);
        EXPECT_EQ(w.attribute & ~(0x3Fu << 18 | 0x80u), 0u) << index;
    }
}

}  // namespace
}  // namespace quorvel::dialogs
