// The state dialog's display rules: status frames field by field (marker, bitmap lengths,
// reset-blocked rows, temperatures, humidities, alarms, busy counter), identity texts, and the
// operator's switching, circuit switching, reset and alarm details with their questions.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>

#include "dialog_logic/state_test_records.h"
#include "dialogs/logic/state_view.h"
#include "dialogs/logic/state_worker.h"
#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {
namespace {

using testing::FrameBytes;
using testing::StackedRecord;

class FakeActions : public StateActions {
  public:
    struct Post {
        std::uint8_t command;
        bool masked;
        MaskEdit edit;
    };
    bool ask(const std::u16string& title, const std::u16string& text) override {
        asked.push_back(title + u"|" + text);
        const bool yes = answers.empty() || answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return yes;
    }
    bool canSignal() const override { return signal; }
    void postMaskCommand(std::uint8_t command, const MaskEdit& edit) override {
        posts.push_back({command, true, edit});
    }
    void postCommand(std::uint8_t command) override { posts.push_back({command, false, {}}); }

    std::deque<bool> answers;  // empty: Yes
    std::vector<std::u16string> asked;
    std::vector<Post> posts;
    bool signal = true;
};

// A frame of the fourth-generation kind: 2 voltages, 6 circuit currents, 18 receptacle
// currents, the given bitmaps, two sensors, alarm and lock words.
FrameBytes Frame(std::initializer_list<unsigned> state, std::initializer_list<unsigned> blocked,
                 unsigned alarm = 0, unsigned lock = 0) {
    FrameBytes f;
    f.words({208, 207}).words({1234, 200, 300, 0, 0, 0}).words({});
    f.b(18);
    for (unsigned k = 0; k < 18; ++k) {
        f.w(k == 0 ? 5 : 100 + k);
    }
    f.bytes(state).bytes(blocked).words({7250, 0}).words({4500, 0}).b(2).w(alarm).w(lock);
    return f;
}

class StateViewTest : public ::testing::Test {
  protected:
    explicit StateViewTest(PduRecord rec = StackedRecord(3, 6), std::int32_t mode = 0,
                           bool developer = false)
        : record(rec),
          layout(ComputeStateLayout(record, mode, developer)),
          model(record, layout, mode, developer) {}
    bool apply(const FrameBytes& f, std::uint16_t options = 0) {
        return model.status(f.v, options);
    }
    const ReceptacleRowView& row(int k) const { return model.view().rows[k]; }

    PduRecord record;
    StateLayout layout;
    StateViewModel model;
    FakeActions actions;
};

TEST_F(StateViewTest, FrameFieldsInOrder) {
    ASSERT_TRUE(apply(Frame({0x00, 0x00, 0x02, 0x00, 0x05}, {0x00, 0x00, 0x00, 0x00, 0x04})));
    const StateView& v = model.view();
    EXPECT_EQ(v.circuits[0].voltage, u"208 V");  // voltage input 0 measures circuit 0
    EXPECT_EQ(v.circuits[0].total, u"12.34");
    EXPECT_EQ(v.circuits[1].total, u"2.00");
    EXPECT_EQ(v.circuits[5].total, u"0.00");
    for (int c = 1; c < kMaxCircuits; ++c) {
        EXPECT_TRUE(v.circuits[c].voltage.empty()) << c;  // index 15: not shown
    }
    EXPECT_EQ(row(0).current, u"0.05");
    EXPECT_EQ(row(17).current, u"1.17");
    EXPECT_TRUE(row(18).current.empty());  // no receptacle in that row
    // Rows 0 and 2 on, row 2 blocked; row 17 on.
    EXPECT_TRUE(row(0).checked && row(0).resetEnabled);
    EXPECT_FALSE(row(1).checked || row(1).resetEnabled);
    EXPECT_TRUE(row(2).checked);
    EXPECT_FALSE(row(2).resetEnabled);
    EXPECT_TRUE(row(17).checked && row(17).resetEnabled);
    EXPECT_EQ(v.temperature, u"72.5F   ");
    EXPECT_EQ(v.humidity, u"45.0%  ");
    EXPECT_EQ(v.alarmText, u"None");
    EXPECT_TRUE(v.alarmTextShown);
    EXPECT_FALSE(v.trippedShown);
}

TEST_F(StateViewTest, FrameWithoutMarkerChangesNothingNotEvenTheAlarm) {
    ASSERT_TRUE(apply(Frame({0, 0, 0, 0, 1}, {}, 0x81, 0x01)));
    EXPECT_TRUE(model.view().trippedShown);
    model.switchCircuit(1, true, actions);  // busy counter 2
    const StateView before = model.view();

    FrameBytes bad = Frame({0, 0, 0, 0, 0}, {}, 0, 0);
    bad.v[1] = 0x56;
    EXPECT_FALSE(apply(bad));
    bad.v[0] = 0;
    bad.v[1] = 0;
    EXPECT_FALSE(apply(bad));
    // A frame cut short inside a block is refused the same way.
    FrameBytes cut = Frame({0, 0, 0, 0, 0}, {});
    EXPECT_FALSE(model.status(std::span(cut.v).first(20), 0));

    const StateView& after = model.view();
    EXPECT_TRUE(after.trippedShown);
    EXPECT_FALSE(after.alarmTextShown);
    EXPECT_EQ(model.alarmWord(), 0x81);
    EXPECT_EQ(model.lockWord(), 0x01);
    EXPECT_EQ(model.busyCounter(), 2);
    EXPECT_EQ(after.circuits[0].total, before.circuits[0].total);
    for (int k = 0; k < kMaxReceptacles; ++k) {
        EXPECT_EQ(after.rows[k].checked, before.rows[k].checked) << k;
    }
}

TEST_F(StateViewTest, TemperatureAndHumidityTexts) {
    // One sensor without a reading: twelve spaces.
    EXPECT_EQ(FormatTemperatures({0}, false), u"            ");
    EXPECT_EQ(FormatTemperatures({7250, 0}, false), u"72.5F   ");
    EXPECT_EQ(FormatTemperatures({7250, 0}, true), u"22.5C   ");
    EXPECT_EQ(FormatTemperatures({7250, 6800}, false), u"72.5F   68.0F");
    EXPECT_EQ(FormatTemperatures({0, 6800}, true), u"            20.0C");
    EXPECT_EQ(FormatTemperatures({-424, -2500}, false), u"-4.2F   -25.0F");  // below zero
    EXPECT_EQ(FormatTemperatures({-424, 0}, true), u"-20.1C   ");
    EXPECT_EQ(FormatHumidities({4500, 3725}), u"45.0%  37.3%");
    EXPECT_EQ(FormatHumidities({0, 0}), u"            ");
    EXPECT_EQ(FormatHundredths(1234), u"12.34");
    EXPECT_EQ(FormatHundredths(5), u"0.05");
    EXPECT_EQ(FormatHundredths(65535), u"655.35");

    // The display option picks Celsius; counts of 0 leave the texts alone.
    ASSERT_TRUE(apply(Frame({}, {}), StateViewModel::kCelsiusOption));
    EXPECT_EQ(model.view().temperature, u"22.5C   ");
    FrameBytes none;
    none.words({}).words({}).words({}).words({}).b(0).b(0).words({}).words({}).b(0);
    ASSERT_TRUE(apply(none));
    EXPECT_EQ(model.view().temperature, u"22.5C   ");
    EXPECT_EQ(model.view().humidity, u"45.0%  ");
}

// A frame with only the bitmaps and one temperature after them, which shows whether the bitmap
// was consumed with its exact length.
FrameBytes BitmapFrame(const std::vector<unsigned>& state) {
    FrameBytes f;
    f.words({}).words({}).words({}).words({});
    f.b(static_cast<unsigned>(state.size()));
    for (unsigned x : state) {
        f.b(x);
    }
    f.b(0).words({6800}).words({}).b(0);
    return f;
}

class BitmapLengths : public StateViewTest {
  protected:
    BitmapLengths() : StateViewTest(StackedRecord(3, 16)) {}
};

TEST_F(BitmapLengths, FourSixZeroAndNineBytes) {
    // Six bytes: all 48 rows.
    ASSERT_TRUE(apply(BitmapFrame({0x80, 0x01, 0x00, 0x00, 0x00, 0x03})));
    EXPECT_TRUE(row(0).checked && row(1).checked && row(32).checked && row(47).checked);
    EXPECT_FALSE(row(2).checked || row(31).checked || row(33).checked || row(46).checked);
    EXPECT_EQ(model.view().temperature, u"68.0F   ");

    // Four bytes: rows 0..31 only; rows 32..47 keep their state.
    ASSERT_TRUE(apply(BitmapFrame({0x80, 0x00, 0x00, 0x00})));
    EXPECT_TRUE(row(31).checked);
    EXPECT_FALSE(row(0).checked || row(1).checked);
    EXPECT_TRUE(row(32).checked && row(47).checked);
    EXPECT_EQ(model.view().temperature, u"68.0F   ");

    // Zero bytes: nothing changes, the temperature count follows directly.
    ASSERT_TRUE(apply(BitmapFrame({})));
    EXPECT_TRUE(row(31).checked && row(32).checked);
    EXPECT_EQ(model.view().temperature, u"68.0F   ");

    // Nine bytes are skipped, not applied.
    ASSERT_TRUE(apply(BitmapFrame({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})));
    EXPECT_FALSE(row(0).checked);
    EXPECT_TRUE(row(31).checked);
    EXPECT_EQ(model.view().temperature, u"68.0F   ");

    // Five bytes reach rows 32..39 from the first byte; its missing high byte clears 40..47.
    ASSERT_TRUE(apply(BitmapFrame({0x01, 0x00, 0x00, 0x00, 0x00})));
    EXPECT_TRUE(row(32).checked);
    EXPECT_FALSE(row(47).checked || row(31).checked);
}

TEST_F(StateViewTest, BusyCounterHoldsTheSwitchesForTwoFrames) {
    model.switchReceptacle(3, true, actions);
    EXPECT_EQ(model.busyCounter(), 2);
    EXPECT_TRUE(row(3).checked);
    // Two frames that predate the change leave the row as the operator left it.
    ASSERT_TRUE(apply(Frame({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0})));
    EXPECT_TRUE(row(3).checked);
    EXPECT_EQ(model.view().circuits[0].total, u"12.34");  // values still change
    ASSERT_TRUE(apply(Frame({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0})));
    EXPECT_TRUE(row(3).checked);
    EXPECT_EQ(model.busyCounter(), 0);
    ASSERT_TRUE(apply(Frame({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0})));
    EXPECT_FALSE(row(3).checked);
}

TEST_F(StateViewTest, SwitchingOneReceptacleAsksAndRestoresOnNo) {
    actions.answers = {false};
    model.switchReceptacle(4, true, actions);
    ASSERT_EQ(actions.asked.size(), 1u);
    EXPECT_EQ(actions.asked[0],
              u"Receptacle Power|Do you really want to turn ON power for Socket 5?");
    EXPECT_FALSE(row(4).checked);  // the box goes back
    EXPECT_TRUE(actions.posts.empty());
    EXPECT_EQ(model.busyCounter(), 0);

    model.switchReceptacle(4, true, actions);
    ASSERT_EQ(actions.posts.size(), 1u);
    EXPECT_EQ(actions.posts[0].command, STATE_CMD_SWITCH_ON);
    EXPECT_EQ(actions.posts[0].edit.mask, MaskEdit::Mask::On);
    EXPECT_TRUE(actions.posts[0].edit.replace);
    EXPECT_EQ(actions.posts[0].edit.bits[0], 1u << 4);
    EXPECT_TRUE(row(4).checked && row(4).resetEnabled);

    model.switchReceptacle(4, false, actions);
    EXPECT_EQ(actions.asked.back(),
              u"Receptacle Power|Do you really want to turn OFF power for Socket 5?");
    EXPECT_EQ(actions.posts.back().command, STATE_CMD_SWITCH_OFF);
    EXPECT_EQ(actions.posts.back().edit.mask, MaskEdit::Mask::Off);
    EXPECT_FALSE(row(4).resetEnabled);

    // A row without a receptacle ignores the click; the first row is a row like the others.
    model.switchReceptacle(20, true, actions);
    EXPECT_FALSE(row(20).checked);
    EXPECT_EQ(actions.posts.size(), 2u);
    model.switchReceptacle(0, true, actions);
    ASSERT_EQ(actions.posts.size(), 3u);
    EXPECT_EQ(actions.posts.back().edit.bits[0], 1u);
}

TEST(StateViewMasks, HighRowsUseTheSecondWordAndTheDeviceIndex) {
    std::uint32_t mask[2] = {};
    SetMaskBit(mask, 31);
    SetMaskBit(mask, 32);
    SetMaskBit(mask, 47);
    SetMaskBit(mask, 200);  // no such receptacle: nothing
    EXPECT_EQ(mask[0], 0x80000000u);
    EXPECT_EQ(mask[1], 0x8001u);
    std::uint32_t past[2] = {};
    SetMaskBit(past, 64);
    EXPECT_EQ(past[0] | past[1], 0u);

    // What a PDU that stopped answering left undone, by console number; only the two words of
    // each mask count.
    const std::uint32_t masks[3][2] = {{1u << 2, 1u << 15}, {0, 0}, {1u, 0}};
    const UnansweredNote on = UnansweredText(STATE_CMD_SWITCH_ON, masks[0], masks[1], masks[1]);
    EXPECT_EQ(on.title, u"Receptacle Power");
    EXPECT_EQ(on.text, u"The PDU stopped answering.\nNot switched on: 3, 48");
    const UnansweredNote reset = UnansweredText(STATE_CMD_RESET, masks[1], masks[1], masks[2]);
    EXPECT_EQ(reset.title, u"Receptacle Reset");
    EXPECT_EQ(reset.text, u"The PDU stopped answering.\nNot reset: 1");
    EXPECT_EQ(UnansweredText(STATE_CMD_SWITCH_OFF, masks[1], masks[0], masks[1]).text,
              u"The PDU stopped answering.\nNot switched off: 3, 48");
    EXPECT_EQ(UnansweredText(STATE_CMD_CLEAR_ALARMS, masks[0], masks[0], masks[0]).text,
              u"The PDU stopped answering.\nThe alarms were not cleared.");

    // The single switch uses the row's device receptacle index, not the row.
    PduRecord rec = StackedRecord(3, 16);
    rec.receptaclePresent[40] = 35;
    const StateLayout layout = ComputeStateLayout(rec, 0, true);
    StateViewModel model(rec, layout, 0, true);
    FakeActions actions;
    model.switchReceptacle(40, true, actions);
    EXPECT_TRUE(actions.asked.empty());  // the developer is not asked
    ASSERT_EQ(actions.posts.size(), 1u);
    EXPECT_EQ(actions.posts[0].edit.bits[0], 0u);
    EXPECT_EQ(actions.posts[0].edit.bits[1], 1u << 3);
}

TEST_F(StateViewTest, SetAllOnCircuitTwoTicksExactlyItsRows) {
    record.receptaclePresent[13] = kAbsent;  // a row of circuit 2 without a receptacle
    StateViewModel m(record, layout, 0, true);
    m.switchCircuit(2, true, actions);
    for (int k = 0; k < kMaxReceptacles; ++k) {
        const bool mine = k >= 12 && k < 18 && k != 13;
        EXPECT_EQ(m.view().rows[k].checked, mine) << k;
        EXPECT_EQ(m.view().rows[k].resetEnabled, mine) << k;
    }
    ASSERT_EQ(actions.posts.size(), 1u);
    EXPECT_EQ(actions.posts[0].command, STATE_CMD_SWITCH_ON);
    EXPECT_FALSE(actions.posts[0].edit.replace);  // added to what is there
    EXPECT_EQ(actions.posts[0].edit.bits[0], 0x3Du << 12);
    EXPECT_EQ(m.busyCounter(), 2);
    EXPECT_TRUE(actions.asked.empty());

    m.switchCircuit(2, false, actions);
    EXPECT_EQ(actions.posts.back().command, STATE_CMD_SWITCH_OFF);
    EXPECT_EQ(actions.posts.back().edit.mask, MaskEdit::Mask::Off);
    EXPECT_FALSE(m.view().rows[12].checked);

    // Without a wake event the boxes change but nothing is posted.
    actions.signal = false;
    m.switchCircuit(1, true, actions);
    EXPECT_TRUE(m.view().rows[6].checked);
    EXPECT_EQ(actions.posts.size(), 2u);
}

TEST_F(StateViewTest, ResetOnlyForATickedRowAfterTheQuestion) {
    model.resetReceptacle(1, actions);  // unticked: nothing at all
    EXPECT_TRUE(actions.asked.empty());
    EXPECT_TRUE(actions.posts.empty());

    ASSERT_TRUE(apply(Frame({0, 0, 0, 0, 0x02}, {0, 0, 0, 0, 0})));
    ASSERT_TRUE(row(1).resetEnabled);
    actions.answers = {false};
    model.resetReceptacle(1, actions);
    EXPECT_EQ(actions.asked[0],
              u"Receptacle Reset|Do you really want to apply power reset to Socket 2?");
    EXPECT_TRUE(row(1).resetEnabled);  // No changes nothing
    EXPECT_TRUE(actions.posts.empty());

    model.resetReceptacle(1, actions);
    EXPECT_FALSE(row(1).resetEnabled);
    EXPECT_TRUE(row(1).checked);
    EXPECT_EQ(model.busyCounter(), 2);
    ASSERT_EQ(actions.posts.size(), 1u);
    EXPECT_EQ(actions.posts[0].command, STATE_CMD_RESET);
    EXPECT_EQ(actions.posts[0].edit.mask, MaskEdit::Mask::Reset);
    EXPECT_TRUE(actions.posts[0].edit.replace);
    EXPECT_EQ(actions.posts[0].edit.bits[0], 0x2u);
}

TEST_F(StateViewTest, AlarmDetailsInOrderAndClearing) {
    model.alarmDetails(actions);  // no alarm: nothing
    EXPECT_TRUE(actions.asked.empty());

    ASSERT_TRUE(apply(Frame({}, {}, 0x0083, 0)));
    EXPECT_TRUE(model.view().trippedShown);
    EXPECT_FALSE(model.view().alarmTextShown);
    actions.answers = {false};
    model.alarmDetails(actions);
    ASSERT_EQ(actions.asked.size(), 1u);
    EXPECT_EQ(actions.asked[0],
              u"Alarm Details|Exceeded current limit in Circuit X\n"
              u"Exceeded current limit in Circuit Y\n"
              u"Temperature exceeded limit\n"
              u"\n Do you want to clear the alarms?\n");
    EXPECT_TRUE(model.view().trippedShown);  // No changes nothing
    EXPECT_TRUE(actions.posts.empty());

    model.alarmDetails(actions);
    EXPECT_EQ(model.alarmWord(), 0);
    EXPECT_FALSE(model.view().trippedShown);
    EXPECT_TRUE(model.view().alarmTextShown);
    EXPECT_EQ(model.view().alarmText, u"None");
    ASSERT_EQ(actions.posts.size(), 1u);
    EXPECT_EQ(actions.posts[0].command, STATE_CMD_CLEAR_ALARMS);
    EXPECT_FALSE(actions.posts[0].masked);

    // A lock word alone trips the alarm too.
    ASSERT_TRUE(apply(Frame({}, {}, 0, 0x0004)));
    EXPECT_TRUE(model.view().trippedShown);
}

TEST(StateAlarmText, VoltageLockAndEnvironmentLines) {
    PduRecord rec = StackedRecord(3, 6);
    rec.featureWord |= kFeatureVoltageInputs;
    rec.voltageMapLow[0] = 0x70;  // low nibble: circuit 0
    rec.voltageMapLow[1] = 0x02;
    EXPECT_EQ(AlarmDetailsText(rec, 0x3FFC, 0x0005),
              u"Voltage in Circuit X sagged below limit\n"
              u"Voltage in Circuit X exceeded limit\n"
              u"Voltage in Circuit Z sagged below limit\n"
              u"Voltage in Circuit Z exceeded limit\n"
              u"Exceeded current limit in Circuit Z\n"
              u"Temperature dropped below limit\n"
              u"Temperature exceeded limit\n"
              u"Humidity dropped below limit\n"
              u"Humidity exceeded limit\n"
              u"Reached socket lock current limit in Circuit X\n"
              u"Reached socket lock current limit in Circuit Z\n"
              u"\n Do you want to clear the alarms?\n");
    // Bits of circuits and inputs the PDU lacks, and lock bits of an unswitched PDU, are left
    // out; so are environment bits without a sensor.
    PduRecord small = StackedRecord(1, 6, kFeatureReceptacleMeters);
    small.featureWord |= kFeatureVoltageInputs;
    small.voltageMapLow[1] = 0x01;
    EXPECT_EQ(AlarmDetailsText(small, 0x28C2, 0x0003), u"\n Do you want to clear the alarms?\n");
}

TEST_F(StateViewTest, IdentityPulseProgressAndClear) {
    StateSnapshot s;
    std::ranges::copy(std::array<std::uint8_t, 6>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0xFE},
                      s.macAddress);
    std::ranges::copy(std::array<std::uint8_t, 4>{192, 168, 0, 7}, s.ipAddress);
    std::ranges::copy(std::array<std::uint8_t, 3>{4, 1, 12}, s.firmwareVersion);
    s.modelFeature = 0x47C0;
    s.modelAttribute = 0xDB98B4B2;
    s.modelExtension = 0x100A;
    s.updateSoftwareFlag = 1;
    model.identity(s);
    const StateView& v = model.view();
    EXPECT_EQ(v.macAddress, u"00:1A:2B:3C:4D:FE");
    EXPECT_EQ(v.ipAddress, u"192.168.0.7");
    EXPECT_EQ(v.version, u"4.1.12");
    EXPECT_EQ(v.model, u"47C0:DB98B4B2:100A");
    EXPECT_FALSE(v.updateFields);
    EXPECT_TRUE(v.updateSoftware);
    // A failed identity read leaves the sentinel.
    model.identity(StateSnapshot{});
    EXPECT_EQ(v.model, u"FFFF:FFFFFFFF:0000");
    EXPECT_EQ(v.version, u"0.0.0");

    EXPECT_FALSE(v.lightOn);
    model.pulse(kPulseToggle);
    EXPECT_TRUE(v.lightOn);
    model.pulse(kPulseToggle);
    EXPECT_FALSE(v.lightOn);
    model.pulse(1);
    model.pulse(1);
    EXPECT_TRUE(v.lightOn);
    model.pulse(0);
    EXPECT_FALSE(v.lightOn);
    model.progress(50);
    EXPECT_EQ(v.progress, 50);
    model.busy(kBusyEnds);
    EXPECT_EQ(v.progress, 50);
    model.busy(kBusyStarts);
    EXPECT_EQ(v.progress, 0);

    ASSERT_TRUE(apply(Frame({0, 0, 0, 0, 1}, {0, 0, 0, 0, 0})));
    s.updateFieldsFlag = 1;
    model.identity(s);
    EXPECT_TRUE(v.updateFields && v.updateSoftware);
    model.clear();
    EXPECT_FALSE(v.updateFields || v.updateSoftware);
    EXPECT_TRUE(v.version.empty() && v.temperature.empty() && v.alarmText.empty());
    EXPECT_TRUE(v.circuits[0].total.empty() && v.circuits[0].voltage.empty());
    EXPECT_TRUE(row(0).current.empty());
    EXPECT_FALSE(row(0).checked || row(0).resetEnabled);
}

}  // namespace
}  // namespace quorvel::dialogs
