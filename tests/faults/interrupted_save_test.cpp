// A configuration save that the line interrupts at any element, run by the configuration
// dialog's own worker and pass plan: afterwards the device image holds exactly what the PDU
// holds (a fresh load of the PDU reads the same bytes), and the next save, once the PDU is back,
// writes the rest and nothing else.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "common/config_catalogue.h"
#include "common/config_values.h"
#include "dialogs/logic/config_plan.h"
#include "dialogs/logic/config_worker.h"
#include "dialogs/logic/dialog_worker.h"
#include "dialogs/logic/worker_messages.h"
#include "link/config_operations.h"
#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "platform/message_target.h"
#include "platform/port_map.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

using dialogs::CFG_CMD_CLOSE;
using dialogs::CFG_CMD_LOAD;
using dialogs::CFG_CMD_SAVE;

constexpr int kPort = 12;
constexpr char kProfile[] = "v4";
// A pass over a healthy or vanished line ends within this; a silent line costs one element's
// five tries on top (about 145 s).
constexpr int kPassMs = 60'000;
constexpr int kSilentPassMs = 200'000;

// One run of the configuration dialog without its window: the run, its plan and its worker.
class DialogRun {
  public:
    explicit DialogRun(const PduRecord& record) {
        ConfigOps ops;
        FillConfigOps(ops, 0);
        run_ = dialogs::MakeConfigRun(&record, &ops, nullptr);
        port_ = std::make_shared<platform::MessagePort>(&queue_);
        run_->block->window = port_;
        auto loop = std::make_shared<dialogs::ConfigWorkerLoop>(
            run_->block, std::make_shared<dialogs::CatalogueConfigPlan>(run_));
        worker_ = std::make_unique<dialogs::DialogWorker>(loop, port_);
        worker_->start();  // the open command is pending
    }
    ~DialogRun() { worker_->finish(5000); }

    // Posts the command and waits for the end of its pass; the item-done messages it saw.
    int pass(std::uint8_t command, int timeoutMs) {
        worker_->post(command);
        int items = 0;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            auto m = queue_.take(100);
            if (!m) {
                continue;
            }
            items += m->msg == dialogs::UM_ITEM_DONE;
            if (m->msg == dialogs::UM_WORKER_EVENT && m->wParam == dialogs::EV_BUSY &&
                m->lParam == dialogs::kBusyEnds) {
                return items;
            }
        }
        ADD_FAILURE() << "the pass did not end within " << timeoutMs << " ms";
        return items;
    }

    ConfigWorkerBlock& block() { return *run_->block; }
    const ConfigItemDescriptor& item(int table, std::uint8_t code, std::uint8_t element = 0) {
        const ConfigItemDescriptor* t = run_->catalogue.table(table);
        const int i = FindConfigItem(t, code, element);
        EXPECT_GE(i, 0) << int(code) << "." << int(element);
        return t[i];
    }
    // Types text into the element, as the dialog's collection of its fields does.
    void enter(const ConfigItemDescriptor& d, const std::u16string& text) {
        std::lock_guard lock(block().dataMutex);
        ParseConfigElement(d.kind, d.size, text, block().editImage + d.offset,
                           TerminatedTextChars(d.size));
    }
    std::vector<std::uint8_t> image(bool device) {
        std::lock_guard lock(block().dataMutex);
        const std::uint8_t* p = device ? block().deviceImage : block().editImage;
        return {p, p + kConfigImageSize};
    }

  private:
    std::shared_ptr<dialogs::ConfigRun> run_;
    platform::MessageQueue queue_;
    std::shared_ptr<platform::MessagePort> port_;
    std::unique_ptr<dialogs::DialogWorker> worker_;
};

// The offsets at which two images differ, for a readable failure.
std::vector<std::size_t> differences(const std::vector<std::uint8_t>& a,
                                     const std::vector<std::uint8_t>& b) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i]) {
            out.push_back(i);
        }
    }
    return out;
}

class InterruptedSave : public ::testing::TestWithParam<int> {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini", nullptr));
    }
    void SetUp() override {
        profile_ = test::LoadedProfile(kProfile);
        const auto& id = profile_.device.identity;
        ASSERT_TRUE(BuildModelProfile(id.feature, id.attribute, id.extension, &record_));
    }
    void TearDown() override { test::Unserve(kPort); }
    // Serves `device` (the profile's, or one a simulator left) and logs in to it.
    void plugIn(sim::PtySimulator& simulator, const sim::Device& device, sim::Faults faults) {
        PublishInterface(nullptr);
        sim::Profile p = profile_;
        p.device = device;
        ASSERT_NO_FATAL_FAILURE(test::ServeAndLogIn(simulator, ifce_, kPort, p, faults));
    }
    // Edits of every kind of element: text, numbers, an address, a receptacle name, a delay,
    // hundredths and the power-on groups; kEditedElements writes in all.
    static constexpr int kEditedElements = 7;
    void edit(DialogRun& run) {
        run.enter(run.item(kGeneralItems, kItemDeviceName), u"Rack 7 left");
        run.enter(run.item(kGeneralItems, kItemIntervals, 1), u"45");
        run.enter(run.item(kGeneralItems, 5), u"10.1.2.3");
        run.enter(run.item(kReceptacleNameItems, 20), u"Lamp");
        run.enter(run.item(kCircuitItems, kItemOnDelays, 2), u"9");
        run.enter(run.item(kCircuitItems, kItemMaxCurrents, 0), u"12.5");
        std::lock_guard lock(run.block().dataMutex);
        run.block().editImage[kPowerOnMaskOffset] ^= 0x04;
    }
    // What the PDU holds, as a fresh dialog run loads it.
    std::vector<std::uint8_t> loadedFromPdu() {
        DialogRun fresh(record_);
        fresh.pass(CFG_CMD_LOAD, kPassMs);
        return fresh.image(true);
    }
    static std::size_t writes(sim::PtySimulator& simulator) {
        std::size_t n = 0;
        simulator.withConsole([&n](sim::Console& c) {
            for (const std::string& line : c.receivedLines()) {
                n += line.rfind("H ", 0) == 0;
            }
        });
        return n;
    }

    sim::Profile profile_;
    PduRecord record_{};
    PDUIfce ifce_;
};

TEST_P(InterruptedSave, TheDeviceImageFollowsThePduAndTheNextSaveWritesTheRest) {
    const unsigned at = static_cast<unsigned>(GetParam());
    sim::PtySimulator first;
    sim::Faults faults;
    faults.anchor = "H ";
    faults.hangupAtLine = at;  // the at-th write never reaches the PDU's memory
    plugIn(first, profile_.device, faults);

    DialogRun run(record_);
    run.pass(CFG_CMD_LOAD, kPassMs);
    edit(run);
    const int written = run.pass(CFG_CMD_SAVE, kPassMs);
    ASSERT_TRUE(first.isHungUp()) << "the save wrote fewer than " << at << " elements";
    EXPECT_EQ(writes(first), at);  // the elements before it, and the one cut short
    // The pass ends at the element that got no answer: nothing after it is tried.
    EXPECT_EQ(written, static_cast<int>(at - 1));

    // Plugged in again: the PDU holds what it held when the line went.
    sim::PtySimulator second;
    plugIn(second, first.deviceSnapshot(), {});
    EXPECT_EQ(differences(run.image(true), loadedFromPdu()), std::vector<std::size_t>{});

    // The next save writes the elements that did not arrive, and only those.
    const std::size_t before = writes(second);
    const int rest = run.pass(CFG_CMD_SAVE, kPassMs);
    EXPECT_EQ(writes(second) - before, static_cast<std::size_t>(kEditedElements - (at - 1)));
    EXPECT_EQ(rest, kEditedElements - static_cast<int>(at - 1));
    // The edits, as the save sent them (the power-on groups unpacked from the mask).
    const std::vector<std::uint8_t> wanted = run.image(false);
    EXPECT_EQ(differences(run.image(true), wanted), std::vector<std::size_t>{});
    EXPECT_EQ(differences(loadedFromPdu(), wanted), std::vector<std::size_t>{});
}

// The seven edits make seven writes: the line goes at each of them.
INSTANTIATE_TEST_SUITE_P(AtEveryElement, InterruptedSave, ::testing::Range(1, 8));

// A line that goes quiet in the middle of the last write: the pass waits out its tries and
// ends; the PDU never got the element, and the device image says so.
TEST_F(InterruptedSave, ALineThatGoesQuietLeavesTheSilentElementPending) {
    sim::PtySimulator first;
    sim::Faults faults;
    faults.anchor = "H ";
    faults.silentFromLine = 7;
    plugIn(first, profile_.device, faults);

    DialogRun run(record_);
    run.pass(CFG_CMD_LOAD, kPassMs);
    edit(run);
    run.pass(CFG_CMD_SAVE, kSilentPassMs);
    const std::vector<std::uint8_t> wanted = run.image(false);
    EXPECT_EQ(writes(first), 6u);
    first.stop();

    sim::PtySimulator second;
    plugIn(second, first.deviceSnapshot(), {});
    EXPECT_EQ(differences(run.image(true), loadedFromPdu()), std::vector<std::size_t>{});
    EXPECT_NE(run.image(true), wanted);
    run.pass(CFG_CMD_SAVE, kPassMs);
    EXPECT_EQ(writes(second), 1u);
    EXPECT_EQ(differences(loadedFromPdu(), wanted), std::vector<std::size_t>{});
}

}  // namespace
}  // namespace quorvel
