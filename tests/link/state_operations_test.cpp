// The main program's state operations: opening, identity and status reads, and the switching,
// reset and clear-alarms requests, checked by the lines the console received.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/model_profile.h"
#include "link/state_operations.h"
#include "support/published_console.h"

namespace quorvel {
namespace {

using test::queryAnswer;
using ::testing::ElementsAre;

class StateOperationsTest : public test::PublishedConsole {
  protected:
    void SetUp() override {
        PublishedConsole::SetUp();
        FillStateOps(ops, 0);
        block.ops = &ops;
        block.record = &record;
        record.featureWord = 0x0720;
        record.receptacleGroups = 2;
    }

    StateOps ops;
    PduRecord record;
    StateWorkerBlock block;
};

TEST_F(StateOperationsTest, OpenReadsGenerationAndDisplayOptionsThenLeavesCalibration) {
    console->answers["v"] = queryAnswer("720 2104A31");
    console->answers["V"] = queryAnswer("a=b");
    console->answers["h c"] = queryAnswer("40");
    accept("C 0");
    // The second generation reads the same; without a generation it is the first, read no more.
    const std::vector<std::string> later{"u", "v", "V", "h c", "C 0"}, first{"u", "C 0"};
    for (const auto& [version, generation, sent] :
         {std::tuple{"3.2.1 V3", 3, later}, {"2.0.1 V2", 2, later}, {"1.0", 1, first}}) {
        console->answers["u"] = queryAnswer(version);
        record.firmwareVersion[0] = 9;
        block.displayOptions = 0;
        lines.clear();
        EXPECT_EQ(StateOpenDevice(&block), 0);
        EXPECT_EQ(record.generationNumber, generation);
        EXPECT_EQ(lines, sent) << version;
        // A later generation clears the version it will read and takes the display options.
        EXPECT_EQ(record.firmwareVersion[0], generation >= 2 ? 0 : 9) << version;
        EXPECT_EQ(block.displayOptions, generation >= 2 ? 0x40 : 0) << version;
    }
}

TEST_F(StateOperationsTest, IdentityTakesTheExtensionFromTheFourthField) {
    console->answers["v"] = queryAnswer("47C0 DB98B4B2 " + std::string(116, '0') + " 100A");
    console->answers["u"] = queryAnswer("4.12.7.9 V4");  // a fourth part has no place
    StateReadState(0, 0, &block);
    EXPECT_EQ(block.modelFeature, 0x47C0);
    EXPECT_EQ(block.modelAttribute, 0xDB98B4B2u);
    EXPECT_EQ(block.modelExtension, 0x100A);
    EXPECT_THAT(block.firmwareVersion, ElementsAre(4, 12, 7));
}

// The case that waits out every try of a query.
class StateOperationsWaits : public StateOperationsTest {};

TEST_F(StateOperationsWaits, AShortIdentityAndABrokenVersionLeaveTheirDefaults) {
    console->answers["v"] = queryAnswer("47C0");
    console->answers["u"] = "\r\nbroken";
    StateReadState(0, 0, &block);
    EXPECT_EQ(block.modelFeature, 0xFFFF);
    EXPECT_EQ(block.modelAttribute, 0xFFFFFFFFu);
    EXPECT_EQ(block.modelExtension, 0);
    EXPECT_THAT(block.firmwareVersion, ElementsAre(0, 0, 0));
}

TEST_F(StateOperationsTest, AFailedStatusReadLeavesNoMarker) {
    record.generationNumber = 2;
    block.statusFrame[0] = 0xAA;
    block.statusFrame[1] = 0x55;
    console->answers["G B 0 ff"] = queryAnswer("1 2");
    StateReadState(0, 1, &block);
    EXPECT_EQ(block.statusFrame[0], 0);
    EXPECT_EQ(block.statusFrame[1], 0);
}

TEST_F(StateOperationsTest, SwitchResetAndClearAlarms) {
    record.generationNumber = 2;
    block.onMask[0] = 1u << 0;
    block.offMask[0] = 1u << 9;
    block.onMask[1] = 1u << 1;
    block.offMask[1] = 1u << 0;
    for (auto l : {"R 21 0", "R 22 1", "R 1 1", "R a 0", "o 21 1", "o a 1", "N"}) {
        accept(l);
    }
    EXPECT_EQ(StateRunCommand(0, kRunSwitch, &block), 1);
    // Everything was told, so the masks hold nothing any more.
    EXPECT_THAT(block.onMask, ElementsAre(0u, 0u));
    EXPECT_THAT(block.offMask, ElementsAre(0u, 0u));
    block.resetMask[0] = 1u << 9;
    block.resetMask[1] = 1u << 0 | 1u << 5;  // group bit 5 needs the large sets
    EXPECT_EQ(StateRunCommand(0, kRunReset, &block), 1);
    EXPECT_THAT(block.resetMask, ElementsAre(0u, 1u << 5));
    EXPECT_EQ(StateRunCommand(0, kRunClearAlarms, &block), 1);
    EXPECT_THAT(lines, ElementsAre("R 21 0", "R 22 1", "R 1 1", "R a 0", "o 21 1", "o a 1", "N"));

    record.generationNumber = 1;
    EXPECT_EQ(StateRunCommand(0, kRunReset, &block), 0);
    EXPECT_EQ(StateRunCommand(0, 3, &block), 0);
}

TEST_F(StateOperationsTest, ALargeUnitResetsSixteenGroupsAndARefusalKeepsWhatWasNotTold) {
    record.generationNumber = 3;
    record.extensionWord = kExtendedExtension;
    block.resetMask[1] = 1u << 5 | 1u << 15 | 1u << 16;  // the last group, and one beyond
    for (auto l : {"o 26 1", "o 30 1", "o 31 1"}) {
        accept(l);
    }
    EXPECT_EQ(StateRunCommand(0, kRunReset, &block), 1);
    EXPECT_THAT(lines, ElementsAre("o 26 1", "o 30 1"));
    EXPECT_EQ(block.resetMask[1], 1u << 16);

    // A group the PDU refuses ends the pass before the outlets; both stay to be told.
    lines.clear();
    block.resetMask[0] = 1u << 0;
    block.resetMask[1] = 1u << 1;
    EXPECT_EQ(StateRunCommand(0, kRunReset, &block), 0);
    EXPECT_THAT(block.resetMask, ElementsAre(1u << 0, 1u << 1));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "o 1 1"), 0);

    EXPECT_EQ(StateRunCommand(0, kRunClearAlarms, &block), 0);  // "N" refused
}

TEST_F(StateOperationsTest, AnotherModeDoesNothing) {
    ops.mode = 3;
    record.generationNumber = 2;
    block.onMask[0] = 1;
    const std::size_t before = mem.line->writes.size();
    EXPECT_EQ(StateOpenDevice(&block), 0);
    StateReadState(0, 0, &block);
    EXPECT_EQ(StateRunCommand(0, kRunSwitch, &block), 0);
    EXPECT_EQ(mem.line->writes.size(), before);
}

}  // namespace
}  // namespace quorvel
