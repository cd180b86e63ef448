// The calibration operations over a scripted console: the exact lines written for every channel
// kind and generation, the raw reads, the store line, the open operation, where a failing write
// stops, and the lamp and sample messages the dialog receives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/calibration_channels.h"
#include "link/calibration_ops.h"
#include "platform/message_target.h"
#include "support/published_console.h"

namespace quorvel {
namespace {

using test::queryAnswer;
using ::testing::ElementsAre;

class CalibrationOpsTest : public test::PublishedConsole {
  protected:
    void SetUp() override {
        PublishedConsole::SetUp();
        FillCalibrationOps(ops, 1);
        block.ops = &ops;
        block.record = &record;
        block.window = std::make_shared<platform::MessagePort>(&queue);
    }
    void select(int generation, std::uint16_t feature, std::uint8_t kind, std::uint8_t index) {
        block.generation = static_cast<std::uint8_t>(generation);
        block.featureWord = feature;
        block.kind = kind;
        block.index = index;
    }
    // Writes threshold 0x42, offset -2 and scale 0x4ca for the selected channel.
    std::vector<std::string> write() {
        lines.clear();
        block.threshold = 0x42;
        block.offset = static_cast<std::uint16_t>(-2);
        block.scale = 0x4CA;
        EXPECT_TRUE(ops.Action(0, kCalWrite, &block)) << ifce.ErrorTextNarrow();
        return lines;
    }
    // The four lines that write the values above to a channel, threshold to scale.
    static std::vector<std::string> columns(const std::string& keyword,
                                            const std::string& channel) {
        return {keyword + "0 " + channel + " 42", keyword + "1 " + channel + " fffe",
                keyword + "2 " + channel + " 4ca", keyword + "9 " + channel + " 4ca"};
    }
    void acceptWrites(const std::string& keyword, const std::string& channel) {
        for (const std::string& line : columns(keyword, channel)) {
            accept(line);
        }
    }
    std::vector<platform::Message> messages() {
        std::vector<platform::Message> out;
        while (auto m = queue.take(0)) {
            out.push_back(*m);
        }
        return out;
    }

    CalibrationOps ops;
    CalibrationWorkerBlock block;
    PduRecord record;
    platform::MessageQueue queue;
};

// Later generations write by kind; the first by circuit and channel, where channel 0x0F of a
// unit without voltage inputs is a current channel.
TEST_F(CalibrationOpsTest, EachChannelWritesItsFourColumns) {
    const struct {
        int generation;
        std::uint16_t feature;
        std::uint8_t kind, index;
        const char *keyword, *channel;
    } cases[] = {
        {2, kFeatureVoltageInputs, kChannelVoltage, 1, "K V B", "0"},
        {3, kFeatureVoltageInputs, kChannelCircuit, 2, "K I C", "0"},
        {4, 0, kChannelReceptacle, 0x11, "K I A", "11"},
        {1, kFeatureVoltageInputs, 1, kFirstGenVoltageChannel, "K V B", "0"},
        {1, 0, 1, 0, "K I B", "0"},
        {1, kFeatureVoltageInputs, 2, 5, "K I C", "5"},
        {1, 0, 0, kFirstGenVoltageChannel, "K I A", "f"},
    };
    for (const auto& c : cases) {
        acceptWrites(c.keyword, c.channel);
        select(c.generation, c.feature, c.kind, c.index);
        EXPECT_EQ(write(), columns(c.keyword, c.channel)) << c.generation << " " << int{c.kind};
    }
}

TEST_F(CalibrationOpsTest, AFailingColumnEndsTheWriteAndTheLampGoesDark) {
    accept("K I B0 0 42");
    accept("K I B1 0 fffe");
    select(2, 0, kChannelCircuit, 1);
    block.threshold = 0x42;
    block.offset = static_cast<std::uint16_t>(-2);
    block.scale = 0x4CA;
    messages();
    lines.clear();
    EXPECT_FALSE(ops.Action(0, kCalWrite, &block));
    EXPECT_THAT(lines, ElementsAre("K I B0 0 42", "K I B1 0 fffe", "K I B2 0 4ca", "K I B2 0 4ca",
                                   "K I B2 0 4ca", "K I B2 0 4ca", "K I B2 0 4ca"));
    const auto m = messages();
    ASSERT_EQ(m.size(), 8u);  // a toggle per try, then dark grey
    for (std::size_t i = 0; i + 1 < m.size(); ++i) {
        EXPECT_EQ(m[i].msg, UM_CAL_LAMP);
        EXPECT_EQ(m[i].lParam, kLampToggle);
    }
    EXPECT_EQ(m.back().msg, UM_CAL_LAMP);
    EXPECT_EQ(m.back().lParam, kLampOff);
}

TEST_F(CalibrationOpsTest, RawReadsOfEveryChannelKind) {
    struct Case {
        int generation;
        std::uint16_t feature, extension;
        std::uint8_t kind, index;
        const char* line;
    } cases[] = {
        {2, kFeatureVoltageInputs, 0, kChannelVoltage, 3, "G V 1 1"},
        {3, kFeatureVoltageInputs, 0x1000, kChannelVoltage, 3, "G V 1 3"},
        {2, 0, 0, kChannelCircuit, 9, "G I 1 1"},
        {4, 0, 0, kChannelReceptacle, 0x11, "G i 1 11"},
        {1, kFeatureVoltageInputs, 0, 2, kFirstGenVoltageChannel, "G V c 0"},
        {1, 0, 0, 1, 3, "G I b 3"},
        {1, 0, 0, 0, 0, "G I a 0"},
    };
    for (const Case& c : cases) {
        console->answers[c.line] = queryAnswer("1A2");
        block.extensionWord = c.extension;
        select(c.generation, c.feature, c.kind, c.index);
        lines.clear();
        std::uint16_t raw = 0;
        EXPECT_TRUE(ReadRawSample(block, c.kind, c.index, raw)) << c.line;
        EXPECT_THAT(lines, ElementsAre(c.line));
        EXPECT_EQ(raw, 0x1A2);
    }
}

TEST_F(CalibrationOpsTest, ASampleIsKeptAndReportedWithItsChannel) {
    console->answers["G i 1 5"] = queryAnswer("0x7fe");
    select(2, 0, kChannelReceptacle, 5);
    messages();
    EXPECT_TRUE(ops.Action(0, kCalSampleHigh, &block));
    EXPECT_EQ(block.highSample.load(), 0x7FE);
    auto m = messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].msg, UM_CAL_LAMP);
    EXPECT_EQ(m[0].lParam, kLampGreen);
    EXPECT_EQ(m[1].lParam, kLampOff);
    EXPECT_EQ(m[2].msg, UM_CAL_SAMPLES);
    EXPECT_EQ(m[2].wParam, kCalSampleHigh);
    EXPECT_EQ(m[2].lParam, (0x305 << 16) | 0x7FE);

    // A read that fails every try (the reply lacks its line break): the lamp was green five
    // times, no sample is reported.
    console->answers["G i 1 6"] = "\r\n?";
    select(2, 0, kChannelReceptacle, 6);
    EXPECT_FALSE(ops.Action(0, kCalSampleLow, &block));
    m = messages();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m.back().msg, UM_CAL_LAMP);
    EXPECT_EQ(block.lowSample.load(), 0);
}

TEST_F(CalibrationOpsTest, OpenStoreAndReboot) {
    console->answers["u"] = queryAnswer("03.01.04 V3");
    accept("C 1");
    EXPECT_EQ(ops.Open(&block), 0);
    EXPECT_EQ(record.generationNumber, 3);
    accept("W A ff 47310862");
    accept("x 47310862");
    EXPECT_TRUE(ops.Action(0, kCalStore, &block));
    EXPECT_TRUE(ops.Action(0, kCalReboot, &block));
    EXPECT_THAT(lines, ElementsAre("u", "C 1", "W A ff 47310862", "x 47310862"));

    // A version without a generation is the first generation.
    console->answers["u"] = queryAnswer("01.07.02");
    ops.Open(&block);
    EXPECT_EQ(record.generationNumber, 1);
    // A worker asked to stop sends nothing more.
    block.stopRequested = true;
    lines.clear();
    EXPECT_FALSE(ops.Action(0, kCalStore, &block));
    EXPECT_TRUE(lines.empty());
}

TEST_F(CalibrationOpsTest, WriteTargets) {
    const CalibrationTarget v =
        CalibrationWriteTarget(3, kFeatureVoltageInputs, kChannelVoltage, 2);
    EXPECT_TRUE(v.voltage);
    EXPECT_EQ(v.row, 2);
    EXPECT_EQ(v.channel, 0);
    const CalibrationTarget r = CalibrationWriteTarget(2, 0, kChannelReceptacle, 48);
    EXPECT_FALSE(r.voltage);
    EXPECT_EQ(r.row, 0);
    EXPECT_EQ(r.channel, 48);
    const CalibrationTarget c = CalibrationWriteTarget(1, kFeatureVoltageInputs, 2, 7);
    EXPECT_FALSE(c.voltage);
    EXPECT_EQ(c.row, 2);
    EXPECT_EQ(c.channel, 7);
}

}  // namespace
}  // namespace quorvel
