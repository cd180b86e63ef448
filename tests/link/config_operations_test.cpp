// The main program's configuration operations: what Open learns and lowers, the power-on groups
// around the mask, a refused write kept for the next save, the device-wide commands; then the
// load and save passes against the simulated PDU, which must change exactly what was edited.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "common/config_catalogue.h"
#include "common/config_values.h"
#include "link/config_operations.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/published_console.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

using test::queryAnswer;
using ::testing::ElementsAre;

// The block a configuration dialog run hands its operations.
struct ConfigRunner {
    PduRecord record;
    ConfigOps ops;
    ConfigCatalogue catalogue;
    std::unique_ptr<ConfigWorkerBlock> block = std::make_unique<ConfigWorkerBlock>();
    std::int32_t handle = 0;

    explicit ConfigRunner(std::int32_t mode = 0) {
        FillConfigOps(ops, 0);
        ops.mode = mode;
        block->ops = &ops;
        block->record = &record;
        catalogue.attach(*block);
    }
    int entry(std::uint8_t code, std::uint8_t element = 0) const {
        return FindConfigItem(catalogue.table(kCircuitItems), code, element);
    }
    int general(std::uint8_t code, std::uint8_t element = 0) const {
        return FindConfigItem(catalogue.table(kGeneralItems), code, element);
    }
    void load() {
        for (const ConfigTransfer& t : ConfigLoadItems(record, block->itemTables, ops.mode)) {
            ops.ReadItem(handle, t.table, t.index, block.get());
            ConfigTakeLoaded(t, block->itemTables, ops.mode, block->deviceImage, block->editImage);
        }
    }
    // The save pass; returns the transfers it made.
    std::vector<ConfigTransfer> save() {
        const auto items = ConfigSaveItems(record, block->itemTables, ops.mode, block->deviceImage,
                                           block->editImage);
        for (const ConfigTransfer& t : items) {
            ops.WriteItem(handle, t.table, t.index, block.get());
        }
        return items;
    }
    void enter(int table, int index, const std::u16string& text, std::size_t chars = 31) {
        const ConfigItemDescriptor& d = catalogue.table(table)[index];
        ParseConfigElement(d.kind, d.size, text, block->editImage + d.offset, chars);
    }
};

class ConfigOperationsTest : public test::PublishedConsole {};

TEST_F(ConfigOperationsTest, AFirstGenerationPduReadsThreeCurrentsAndNoVoltages) {
    ConfigRunner run;
    run.record.generationNumber = 4;
    console->answers["u"] = queryAnswer("01.07.02");  // no generation item: generation 1
    console->answers["v"] = queryAnswer("5E0 D2403381 0303");
    EXPECT_EQ(ConfigOpen(run.block.get()), 0);
    EXPECT_EQ(run.record.generationNumber, 1);
    EXPECT_EQ(run.record.featureWord, 0x05E0);  // switched, with voltage inputs
    EXPECT_EQ(run.record.attributeWord, 0xD2403381u);
    const ConfigItemDescriptor* circuit = run.catalogue.table(kCircuitItems);
    EXPECT_EQ(circuit[run.entry(kItemMaxCurrents)].count, 3);
    EXPECT_EQ(circuit[run.entry(kItemOnDelays)].count, 24);
    EXPECT_EQ(circuit[run.entry(kItemRecepControl)].count, 4);
    EXPECT_EQ(circuit[run.entry(kItemMinVoltages)].count, 0);

    // The currents' reply has six values; the first three are taken.
    run.block->deviceImage[146 + 6] = 0x77;
    console->answers["h e"] = queryAnswer("bb8 c1c 1f4 11 22 33");
    lines.clear();
    ConfigReadItem(0, kCircuitItems, run.entry(kItemMaxCurrents), run.block.get());
    EXPECT_THAT(lines, ElementsAre("h e"));
    std::uint16_t currents[4];
    std::memcpy(currents, run.block->deviceImage + 146, sizeof currents);
    EXPECT_THAT(currents, ElementsAre(3000, 3100, 500, 0x77));
    // Items with no elements left are not asked for at all.
    lines.clear();
    ConfigReadItem(0, kCircuitItems, run.entry(kItemMinVoltages), run.block.get());
    ConfigReadItem(0, kCircuitItems, 999, run.block.get());
    ConfigReadItem(0, 7, 0, run.block.get());
    EXPECT_TRUE(lines.empty());
}

// The case that waits out every try of a query.
class ConfigOperationsWaits : public ConfigOperationsTest {};

TEST_F(ConfigOperationsWaits, AQueryWithoutAnAnswerLeavesTheGenerationAndFailsTheRead) {
    ConfigRunner quiet;
    quiet.record.generationNumber = 4;
    console->answers["v"] = queryAnswer("5E0 D2403381 0303");
    console->answers["u"] = "\r\nno prompt";
    EXPECT_EQ(ConfigOpen(quiet.block.get()), 0);
    EXPECT_EQ(quiet.record.generationNumber, 4);
    EXPECT_EQ(quiet.catalogue.table(kCircuitItems)[quiet.entry(kItemMaxCurrents)].count, 6);

    // An item read without an answer is reported, so the pass can end there.
    console->answers["h 11"] = "\r\nno prompt";
    EXPECT_FALSE(ConfigReadEntry(kGeneralItems, quiet.general(kItemDeviceName), quiet.block.get()));
}

TEST_F(ConfigOperationsTest, PowerOnGroupsTravelAsSixBitValuesAroundTheMask) {
    ConfigRunner run;
    LowerConfigCounts(run.catalogue.table(kCircuitItems), 1, 0);  // 4 groups
    const int control = run.entry(kItemRecepControl);
    console->answers["h 7"] = queryAnswer("3f 1 0 20");
    ConfigReadItem(0, kCircuitItems, control, run.block.get());
    const std::uint8_t* mask = run.block->deviceImage + kPowerOnMaskOffset;
    EXPECT_THAT(std::vector<int>(mask, mask + 6), ElementsAre(0x7F, 0x00, 0x80, 0, 0, 0));

    // Receptacles 0..6 and 23 on, as the dialog leaves them in the edit image's mask.
    std::uint8_t* edit = run.block->editImage + kPowerOnMaskOffset;
    edit[0] = 0x7F;
    edit[2] = 0x80;
    std::memset(run.block->deviceImage + kPowerOnMaskOffset, 0, 6);
    accept("H 7 2000013f 0");
    ConfigWriteItem(0, kCircuitItems, control, run.block.get());
    EXPECT_EQ(lines.back(), "H 7 2000013f 0");
    EXPECT_EQ(std::memcmp(mask, edit, 6), 0);
    EXPECT_EQ(run.block->deviceImage[3536 + 3], 0x20);
}

TEST_F(ConfigOperationsTest, ARefusedWriteStaysPendingForTheNextSave) {
    ConfigRunner run;
    run.record.featureWord = 0;
    const int name = run.general(kItemDeviceName);
    run.enter(kGeneralItems, name, u"Rack7");
    const int interval = run.general(kItemIntervals, 1);
    run.enter(kGeneralItems, interval, u"30");
    accept("H 1 1e 1");  // the PDU takes the interval, refuses the name
    EXPECT_EQ(run.save().size(), 2u);
    EXPECT_EQ(run.block->deviceImage[2], 30);
    EXPECT_EQ(run.block->deviceImage[186], 0);  // not in the device image: not taken
    const auto pending = ConfigSaveItems(run.record, run.block->itemTables, 0,
                                         run.block->deviceImage, run.block->editImage);
    EXPECT_THAT(pending, ElementsAre(ConfigTransfer{kGeneralItems, name}));

    // Next time the PDU takes it; after that nothing differs any more.
    const std::string text =
        "520061006300"
        "6B003700" +
        std::string(108, '0');
    accept("H 11 " + text + " 0");
    EXPECT_THAT(run.save(), ElementsAre(ConfigTransfer{kGeneralItems, name}));
    EXPECT_NE(mem.line->written().find("H 11 " + text + " 0\r"), std::string::npos);
    EXPECT_EQ(run.block->deviceImage[186], 'R');
    EXPECT_TRUE(run.save().empty());
}

TEST_F(ConfigOperationsTest, FormatAndResetNetworkAndOtherModes) {
    ConfigRunner run;
    accept("I 47310862");
    accept("X 47310862");
    ConfigCommand(0, kConfigFormat, run.block.get());
    ConfigCommand(0, kConfigResetNetwork, run.block.get());
    ConfigCommand(0, 4, run.block.get());
    EXPECT_THAT(lines, ElementsAre("I 47310862", "X 47310862"));

    ConfigRunner other(1);
    lines.clear();
    other.record.generationNumber = 3;
    other.enter(kGeneralItems, other.general(kItemDeviceName), u"x");
    EXPECT_EQ(ConfigOpen(other.block.get()), 0);
    ConfigCommand(0, kConfigFormat, other.block.get());
    ConfigReadItem(0, kGeneralItems, 0, other.block.get());
    ConfigWriteItem(0, kGeneralItems, other.general(kItemDeviceName), other.block.get());
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(other.record.generationNumber, 3);
}

TEST_F(ConfigOperationsTest, AnItemEndingWithTheImageIsWrittenAndNothingBeyondIt) {
    ConfigRunner run;
    ConfigItemDescriptor table[2];
    table[0].code = 0x70;
    table[0].kind = kKindUnsigned16;
    table[0].size = 2;
    table[0].count = 1;
    table[0].offset = static_cast<std::int32_t>(kConfigImageSize) - 2;
    table[1].labelControl = kTableEnd;
    run.block->itemTables[kGeneralItems] = table;
    run.block->editImage[kConfigImageSize - 2] = 0x34;
    run.block->editImage[kConfigImageSize - 1] = 0x12;
    accept("H 70 1234 0");
    ConfigWriteItem(0, kGeneralItems, 0, run.block.get());
    EXPECT_THAT(lines, ElementsAre("H 70 1234 0"));
    EXPECT_EQ(run.block->deviceImage[kConfigImageSize - 1], 0x12);

    // One byte further, beyond the table's end and beyond the tables: nothing is sent.
    table[0].offset += 1;
    ConfigWriteItem(0, kGeneralItems, 0, run.block.get());
    ConfigWriteItem(0, kGeneralItems, 2, run.block.get());
    ConfigWriteItem(0, kConfigItemTables, 0, run.block.get());
    EXPECT_EQ(lines.size(), 1u);
}

// ---- against the simulated PDU ----------------------------------------------------------------

constexpr int kPort = 11;

class ConfigOperationsPty : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, kPort, test::LoadedProfile(GetParam())));
    }
    void TearDown() override { test::Unserve(kPort); }
    std::map<int, sim::ConfigVar> variables() { return simulator.deviceSnapshot().variables; }
    // "id.element" of every element that differs between two snapshots.
    static std::vector<std::string> changes(const std::map<int, sim::ConfigVar>& before,
                                            const std::map<int, sim::ConfigVar>& after) {
        std::vector<std::string> out;
        for (const auto& [id, var] : after) {
            const auto& old = before.at(id).elements;
            for (std::size_t e = 0; e < var.elements.size(); ++e) {
                if (e >= old.size() || old[e] != var.elements[e]) {
                    out.push_back(std::to_string(id) + "." + std::to_string(e));
                }
            }
        }
        return out;
    }

    sim::PtySimulator simulator;
    PDUIfce ifce;
};

TEST_P(ConfigOperationsPty, SavingChangesExactlyTheEditedElements) {
    ConfigRunner run;
    run.record.featureWord = simulator.deviceSnapshot().identity.feature;
    // The first used row is row 0 on every profile.
    std::fill(std::begin(run.record.receptaclePresent), std::end(run.record.receptaclePresent),
              kAbsent);
    run.record.receptaclePresent[0] = 0;
    run.record.receptaclePresent[1] = 1;
    run.handle = ConfigOpen(run.block.get());
    run.load();
    const auto before = variables();
    EXPECT_EQ(run.record.generationNumber, simulator.deviceSnapshot().generationNumber());
    EXPECT_EQ(FormatConfigElement(kKindText, 64, run.block->editImage + 442 + 64), u"RecepName2");
    EXPECT_TRUE(run.save().empty());  // loaded and unchanged: nothing to write

    ASSERT_TRUE(run.record.featureWord & kFeatureSwitched);
    run.enter(kReceptacleNameItems, 1, u"Lamp", 32);                    // item 19
    run.enter(kCircuitItems, run.entry(kItemOnDelays, 1), u"42");       // item 8.1
    run.enter(kCircuitItems, run.entry(kItemMaxCurrents, 0), u"12.5");  // item 14.0
    run.block->editImage[kPowerOnMaskOffset] ^= 0x02;                   // item 7, row 1
    std::uint16_t f = TemperatureEntered(u"-5", true);
    std::memcpy(run.block->editImage + 3514, &f, 2);  // item 16.0
    EXPECT_EQ(run.save().size(), 5u);
    EXPECT_THAT(changes(before, variables()), ElementsAre("7.0", "8.1", "14.0", "16.0", "19.0"));
    const sim::Device d = simulator.deviceSnapshot();
    EXPECT_EQ(d.variableNumber(14, 0), 1250u);
    EXPECT_EQ(d.variableNumber(16, 0), 2300u);
    EXPECT_EQ(d.variables.at(8).elements[1][0], 42);
    EXPECT_EQ(d.variables.at(7).elements[0][0] & 0x02, run.block->editImage[3530] & 0x02);
    EXPECT_EQ(d.variables.at(19).elements[0][0], 'L');
    EXPECT_TRUE(run.save().empty());  // the second save writes nothing

    // Loading again shows what the PDU now holds.
    ConfigRunner again;
    again.record = run.record;
    again.handle = ConfigOpen(again.block.get());
    again.load();
    EXPECT_EQ(std::memcmp(again.block->editImage, run.block->editImage, kPowerOnMaskOffset), 0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ConfigOperationsPty, ::testing::Values("v1", "v2", "v3", "v4"));

}  // namespace
}  // namespace quorvel
