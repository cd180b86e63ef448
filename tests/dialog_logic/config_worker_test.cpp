// The configuration worker without Qt: its device commands and the frame of its load and save
// passes, with a scripted plan standing in for the item catalogue: what a closing dialog lets
// finish, and where a PDU that stopped answering ends a pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "dialog_logic/worker_test_support.h"
#include "dialogs/logic/config_plan.h"
#include "dialogs/logic/config_worker.h"
#include "dialogs/logic/dialog_worker.h"
#include "dialogs/logic/worker_messages.h"

namespace quorvel::dialogs {
namespace {

using testing::WorkerLog;
using Entries = std::vector<std::string>;

WorkerLog* gLog = nullptr;

std::int32_t fakeOpen(ConfigWorkerBlock*) {
    gLog->add("open");
    return 7;
}
void fakeCommand(std::int32_t h, std::int32_t code, ConfigWorkerBlock*) {
    gLog->add("command " + std::to_string(code) + " h" + std::to_string(h));
}
void fakeRead(std::int32_t h, std::int32_t table, std::int32_t index, ConfigWorkerBlock*) {
    gLog->add("read " + std::to_string(table) + "." + std::to_string(index) + " h" +
              std::to_string(h));
}
testing::Gate* gGate = nullptr;  // holds the first transfer until opened
int gSilentFrom = 1000;          // transfers of this index on get no answer

void fakeWrite(std::int32_t, std::int32_t table, std::int32_t index, ConfigWorkerBlock* b) {
    if (gGate != nullptr) {
        std::exchange(gGate, nullptr)->wait();
    }
    if (index >= gSilentFrom) {
        b->unanswered = true;
        gLog->add("silent " + std::to_string(table) + "." + std::to_string(index));
        return;
    }
    b->deviceImage[index] = b->editImage[index];
    gLog->add("write " + std::to_string(table) + "." + std::to_string(index));
}
// A read that, held, gives up once the dialog's close asks it to, as the operations do.
void heldRead(std::int32_t, std::int32_t table, std::int32_t index, ConfigWorkerBlock* b) {
    gLog->add("reading " + std::to_string(table) + "." + std::to_string(index));
    testing::WaitUntil([b] { return b->stopRequested.load(); });
}
// A write the PDU refuses: nothing reaches the device image.
void refusedWrite(std::int32_t, std::int32_t table, std::int32_t index, ConfigWorkerBlock*) {
    gLog->add("refused " + std::to_string(table) + "." + std::to_string(index));
}
void fakeClose(std::int32_t h, ConfigWorkerBlock*) {
    gLog->add("close h" + std::to_string(h));
}

// Loads three items; saves the elements of table 0 whose bytes differ in the two images.
class ScriptedPlan : public ConfigPassPlan {
  public:
    std::vector<ConfigTransfer> loadItems(const ConfigWorkerBlock&) override {
        return {{0, 1}, {1, 2}, {2, 0}};
    }
    std::vector<ConfigTransfer> saveItems(const ConfigWorkerBlock& b) override {
        std::vector<ConfigTransfer> changed;
        for (int i = 0; i < 8; ++i) {
            if (b.editImage[i] != b.deviceImage[i]) {
                changed.push_back({0, i});
            }
        }
        return changed;
    }
    void loaded(ConfigWorkerBlock&, const ConfigTransfer& t) override {
        gLog->add("took " + std::to_string(t.table) + "." + std::to_string(t.index));
    }
};

class ConfigWorkerTest
    : public testing::WorkerTest<ConfigOps, ConfigWorkerBlock, ConfigWorkerLoop> {
  protected:
    ConfigWorkerTest() {
        gLog = &log_;
        ops_.Open = fakeOpen;
        ops_.Command = fakeCommand;
        ops_.ReadItem = fakeRead;
        ops_.WriteItem = fakeWrite;
        ops_.Close = fakeClose;
    }
    ~ConfigWorkerTest() override {
        gLog = nullptr;
        gGate = nullptr;
        gSilentFrom = 1000;
    }
    void start() {
        launch(&log_, std::make_shared<ScriptedPlan>());
        ASSERT_TRUE(log_.waitForEntry("open"));
    }
    // Runs one command to its end and returns what it logged.
    Entries run(std::uint8_t command, const std::string& last) {
        const std::size_t before = log_.entries().size();
        worker_->post(command);
        EXPECT_TRUE(log_.waitFor([&](const Entries& e) {
            return std::find(e.begin() + static_cast<long>(before), e.end(), last) != e.end();
        }));
        return since(before);
    }
};

TEST_F(ConfigWorkerTest, DeviceCommandsUseTheOpenHandleAndCloseEndsTheWorker) {
    start();
    // The dialog hands the record back only once the open operation has run.
    EXPECT_TRUE(testing::WaitUntil([&] { return loop_->opened(); }));
    EXPECT_EQ(run(CFG_CMD_FORMAT, "command 2 h7"), Entries{"command 2 h7"});
    worker_->post(99);  // unknown: ignored, the worker takes the next command
    EXPECT_EQ(run(CFG_CMD_RESET_NETWORK, "command 3 h7"), Entries{"command 3 h7"});
    EXPECT_TRUE(worker_->finish(kBoundMs));
    EXPECT_EQ(log_.entries().back(), "close h7");
    EXPECT_EQ(block_->threadId.load(), 0u);
}

// The scripted plan's load pass: every item reported, ending at a hundred.
const Entries kLoadPass{"ev 5 0",        "read 0.1 h7", "took 0.1", "ev 2 33",
                        "item 1 0",      "read 1.2 h7", "took 1.2", "ev 2 66",
                        "item 65538 0",  "read 2.0 h7", "took 2.0", "ev 2 100",
                        "item 131072 0", "ev 2 100",    "ev 5 255"};

TEST_F(ConfigWorkerTest, LoadPassReportsEveryItemAndEndsAtHundred) {
    start();
    EXPECT_EQ(run(CFG_CMD_LOAD, "ev 5 255"), kLoadPass);
}

TEST_F(ConfigWorkerTest, SavePassWritesChangedElementsOnly) {
    start();
    {
        std::lock_guard lock(block_->dataMutex);
        block_->editImage[3] = 9;
        block_->editImage[5] = 1;
    }
    EXPECT_EQ(run(CFG_CMD_SAVE, "ev 5 255"),
              (Entries{"ev 5 0", "write 0.3", "ev 2 50", "item 3 0", "write 0.5", "ev 2 100",
                       "item 5 0", "ev 2 100", "ev 5 255"}));
    // Nothing changed any more: busy and done only, no closing hundred percent.
    const std::size_t before = log_.entries().size();
    worker_->post(CFG_CMD_SAVE);
    ASSERT_TRUE(log_.waitFor([&](const Entries& e) { return e.size() >= before + 2; }));
    worker_->finish(kBoundMs);
    EXPECT_EQ(since(before), (Entries{"ev 5 0", "ev 5 255", "close h7"}));
}

TEST_F(ConfigWorkerTest, ARefusedWriteIsTriedAgainByTheNextSave) {
    ops_.WriteItem = refusedWrite;
    start();
    block_->editImage[4] = 1;
    EXPECT_EQ(run(CFG_CMD_SAVE, "ev 5 255"),
              (Entries{"ev 5 0", "refused 0.4", "ev 2 100", "item 4 0", "ev 2 100", "ev 5 255"}));
    EXPECT_EQ(block_->deviceImage[4], 0);  // the pass itself copied nothing
    EXPECT_EQ(WorkerLog::count(run(CFG_CMD_SAVE, "ev 5 255"), "refused 0.4"), 1);
    EXPECT_EQ(WorkerLog::count(log_.entries(), "refused 0.4"), 2);
}

TEST_F(ConfigWorkerTest, AClosingDialogLetsASaveEndAndStopsALoad) {
    testing::Gate gate;
    gGate = &gate;
    start();
    block_->editImage[3] = 9;
    block_->editImage[5] = 1;
    worker_->post(CFG_CMD_SAVE);
    ASSERT_TRUE(gate.waitEntered());
    worker_->close();
    EXPECT_FALSE(block_->stopRequested.load());
    gate.open();
    ASSERT_TRUE(worker_->waitEnded(kBoundMs));
    EXPECT_EQ(block_->deviceImage[3], 9);
    EXPECT_EQ(block_->deviceImage[5], 1);
    EXPECT_EQ(log_.entries().back(), "close h7");

    // The same close during a load ends it at the item in progress.
    WorkerLog loadLog;
    gLog = &loadLog;
    ops_.ReadItem = heldRead;
    auto block = std::make_shared<ConfigWorkerBlock>();
    block->ops = &ops_;
    DialogWorker loader(std::make_shared<ConfigWorkerLoop>(block, std::make_shared<ScriptedPlan>()),
                        nullptr);
    loader.start();
    loader.post(CFG_CMD_LOAD);
    ASSERT_TRUE(loadLog.waitForEntry("reading 0.1"));
    loader.close();
    ASSERT_TRUE(loader.waitEnded(kBoundMs));
    EXPECT_EQ(loadLog.entries(), (Entries{"open", "reading 0.1", "took 0.1", "close h7"}));
}

TEST_F(ConfigWorkerTest, APassEndsAtTheFirstElementThePduDidNotAnswer) {
    gSilentFrom = 5;
    start();
    block_->editImage[3] = 9;
    block_->editImage[5] = 1;
    block_->editImage[6] = 2;
    EXPECT_EQ(run(CFG_CMD_SAVE, "ev 5 255"),
              (Entries{"ev 5 0", "write 0.3", "ev 2 33", "item 3 0", "silent 0.5", "ev 2 100",
                       "ev 6 5", "ev 5 255"}));
    EXPECT_EQ(block_->deviceImage[5], 0) << "not acknowledged: still pending";
    EXPECT_EQ(block_->deviceImage[6], 0);
}

TEST_F(ConfigWorkerTest, MissingSlotsAreSkipped) {
    ops_.WriteItem = nullptr;
    ops_.Command = nullptr;
    ops_.Close = nullptr;
    start();
    block_->editImage[0] = 1;
    // Each command runs before the load queued after it, and shows nothing.
    for (const std::uint8_t command : {CFG_CMD_SAVE, CFG_CMD_FORMAT, CFG_CMD_RESET_NETWORK}) {
        const std::size_t before = log_.entries().size();
        worker_->post(command);
        EXPECT_EQ(run(CFG_CMD_LOAD, "ev 5 255"), kLoadPass) << int{command};
        EXPECT_EQ(log_.entries().size(), before + kLoadPass.size());
    }
    EXPECT_TRUE(worker_->finish(kBoundMs));
    EXPECT_EQ(log_.entries().size(), 1 + 3 * kLoadPass.size());  // "open", and no close
}

// What the dialog tells the operator when a pass ended at an item the PDU did not answer.
TEST(ConfigUnansweredText, NamesWhatWasNotWritten) {
    EXPECT_EQ(UnansweredConfigText(CFG_CMD_SAVE, {}),
              u"The PDU stopped answering, not written: 0 item(s)");
    EXPECT_EQ(
        UnansweredConfigText(CFG_CMD_SAVE, {"cPduName", "cRecepName3", "cGateway"}),
        u"The PDU stopped answering, not written: 3 item(s): cPduName, cRecepName3, cGateway");
    EXPECT_EQ(UnansweredConfigText(CFG_CMD_FORMAT, {"cPduName"}),
              u"The PDU stopped answering: the database was not formatted.");
    EXPECT_EQ(UnansweredConfigText(CFG_CMD_RESET_NETWORK, {}),
              u"The PDU stopped answering: the network settings were not reset.");
    EXPECT_EQ(UnansweredConfigText(CFG_CMD_LOAD, {"cPduName"}), u"") << "a read writes nothing";

    // The keys named are those of the elements whose edit differs from what the PDU holds, in a
    // run over copies of what the dialog was given.
    PduRecord record{};
    record.generationNumber = 2;
    ConfigOps ops{};
    ops.mode = 3;
    DeviceAddressBlock addresses{};
    addresses.ipAddress[0] = u'9';
    const auto run = MakeConfigRun(&record, &ops, &addresses);
    EXPECT_EQ(run->record.generationNumber, 2);
    EXPECT_EQ(run->ops.mode, 3);
    EXPECT_EQ(run->addresses.ipAddress[0], u'9');
    EXPECT_TRUE(PendingConfigKeys(*run->block).empty());
    run->block->editImage[2] = 7;  // cAlarmInterval, element 1
    EXPECT_EQ(PendingConfigKeys(*run->block), std::vector<std::string>{"cAlarmInterval"});
}

}  // namespace
}  // namespace quorvel::dialogs
