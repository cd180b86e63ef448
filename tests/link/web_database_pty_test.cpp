// The web database worker against the simulated units over a pseudo-terminal: the load of the
// thirteen edited entries, a save that sends only what changed, Initialize with its format and
// defaults, the question after a failed default, a failed format, the network restart, and a
// pass that the dialog's close lets finish.
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "catalogue/model_profile_builder.h"
#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "link/web_database_worker.h"
#include "platform/message_target.h"
#include "platform/port_map.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "sim/web_database_server.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

constexpr int kPort = 12;
constexpr int kBoundMs = 60000;

class WebDatabasePty : public ::testing::Test {
  protected:
    void start(const char* profileName, const std::function<void(sim::Profile&)>& edit = nullptr) {
        static const bool loaded =
            LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini");
        ASSERT_TRUE(loaded);
        sim::Profile profile = test::LoadedProfile(profileName);
        if (edit) {
            edit(profile);
        }
        const sim::Device& d = profile.device;
        BuildModelProfile(d.identity.feature, d.identity.attribute, d.identity.extension, &record);
        record.generationNumber = static_cast<std::uint8_t>(d.generationNumber());
        ASSERT_NO_FATAL_FAILURE(test::ServeAndLogIn(simulator, ifce, kPort, profile));
        block = std::make_shared<WebWorkerBlock>();
        block->window = std::make_shared<platform::MessagePort>(&queue);
        block->database->bind(record);
        worker = std::make_unique<WebDatabaseWorker>(block);
        worker->start();
    }
    void TearDown() override {
        // The worker's thread talks over the served line: it must end before the line goes.
        if (worker) {
            EXPECT_TRUE(worker->finish(kBoundMs));
        }
        worker.reset();
        test::Unserve(kPort);
    }
    WebDatabase& db() { return *block->database; }
    // Messages up to and including (kWebBusy, done); answers questions with `answers`.
    std::vector<platform::Message> until(std::intptr_t done, std::vector<bool> answers = {}) {
        std::vector<platform::Message> seen;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
        while (std::chrono::steady_clock::now() < deadline) {
            auto m = queue.take(100);
            if (!m) {
                continue;
            }
            seen.push_back(*m);
            if (m->wParam == kWebAskContinue) {
                const bool yes = !answers.empty() && answers.front();
                if (!answers.empty()) {
                    answers.erase(answers.begin());
                }
                worker->answer(yes);
            }
            if ((m->wParam == kWebBusy && m->lParam == done) ||
                (done == -1 && m->wParam == kWebFormatFailed)) {
                break;
            }
        }
        return seen;
    }
    static long count(const std::vector<platform::Message>& seen, unsigned code) {
        return std::count_if(seen.begin(), seen.end(),
                             [code](const auto& m) { return m.wParam == code; });
    }
    // The progress values among `seen`, in their order.
    static std::vector<std::intptr_t> progress(const std::vector<platform::Message>& seen) {
        std::vector<std::intptr_t> values;
        for (const auto& m : seen) {
            if (m.wParam == kWebProgress) {
                values.push_back(m.lParam);
            }
        }
        return values;
    }
    std::vector<std::string> receivedSince(std::size_t from) {
        std::vector<std::string> lines;
        simulator.withConsole([&](sim::Console& c) {
            const auto& all = c.receivedLines();
            lines.assign(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                         all.end());
        });
        return lines;
    }
    std::size_t received() { return receivedSince(0).size(); }
    void load() {
        MarkLoad(db());
        worker->give(kWebLoad);
        const auto seen = until(kLoadDone);
        ASSERT_EQ(count(seen, kWebShowEntry), 13);
    }

    sim::PtySimulator simulator;
    PDUIfce ifce;
    PduRecord record;
    platform::MessageQueue queue;
    std::shared_ptr<WebWorkerBlock> block;
    std::unique_ptr<WebDatabaseWorker> worker;
};

TEST_F(WebDatabasePty, LoadReadsTheThirteenEditedEntries) {
    start("v2");
    EXPECT_EQ(MarkLoad(db()), 13);
    worker->give(kWebLoad);
    const auto seen = until(kLoadDone);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().wParam, kWebBusy);
    EXPECT_EQ(seen.front().lParam, kLoadStarted);
    EXPECT_EQ(count(seen, kWebShowEntry), 13);
    // The progress runs from 0 up to 100, one step an entry.
    const auto steps = progress(seen);
    ASSERT_EQ(steps.size(), 1u + 13u + 1u);
    EXPECT_EQ(steps.front(), 0);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(steps[13], 100);  // the thirteenth of thirteen
    EXPECT_EQ(steps.back(), 100);
    EXPECT_EQ(db().marked(), 0);
    const WebEdits e = StoredEdits(db());
    EXPECT_EQ(e.name, u"PDUName");
    EXPECT_EQ(e.ip, u"192.168.123.123");
    EXPECT_EQ(e.subnet, u"255.255.255.0");
    EXPECT_EQ(e.gateway, u"192.168.123.1");
    EXPECT_TRUE(e.options.web);
    EXPECT_EQ(e.users[0], u"kavro");
    EXPECT_EQ(e.passwords[0], u"kavro");
}

TEST_F(WebDatabasePty, SaveSendsExactlyTheChangedEntries) {
    start("v2");
    load();
    WebEdits edits = StoredEdits(db());
    edits.passwords[0] = u"n3w";
    edits.gateway = u"10.0.0.254";
    const SaveMarks marks = MarkEdits(db(), edits);
    EXPECT_EQ(marks.marked, 2);
    EXPECT_TRUE(marks.networkChanged);
    const std::size_t before = received();
    worker->give(kWebSave);
    const auto seen = until(kSaveDone);
    EXPECT_EQ(seen.front().lParam, kSaveStarted);
    EXPECT_EQ(progress(seen), (std::vector<std::intptr_t>{0, 50, 100, 100}));  // 1 of 2, 2 of 2
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2].wParam, kWebProgress);
    const auto lines = receivedSince(before);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "H b 10.0.0.254 0");
    EXPECT_EQ(lines[1].substr(0, 5), "H 5f ");
    const sim::Device d = simulator.deviceSnapshot();
    EXPECT_TRUE(sim::webLogin(d, "kavro", "n3w"));
    EXPECT_EQ(sim::networkFromVariables(d).gateway[3], 254);
    EXPECT_EQ(d.webServer.active.gateway[3], 1);  // not yet in effect

    worker->give(kWebRestartNetwork);
    bool restarted = false;
    for (int i = 0; i < 100 && !restarted; ++i) {
        auto m = queue.take(100);
        restarted = m && m->wParam == kWebRestartDone && m->lParam == 1;
    }
    EXPECT_TRUE(restarted);
    EXPECT_EQ(simulator.deviceSnapshot().webServer.active.gateway[3], 254);
}

TEST_F(WebDatabasePty, InitializeFormatsAndWritesEveryDefault) {
    start("v4");
    db().setText(db().find(17), u"Renamed");
    FillInitialDefaults(db(), record);
    const int marked = MarkAllWithText(db());
    EXPECT_EQ(marked, 225 - 1);  // not the MAC address
    const std::size_t before = received();
    worker->give(kWebInitialise);
    const auto seen = until(kInitialiseDone);
    EXPECT_EQ(count(seen, kWebAskContinue), 0);
    EXPECT_EQ(db().marked(), 0);
    const auto lines = receivedSince(before);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "I 47310862");
    EXPECT_EQ(lines.size(), 1u + 224u);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.starts_with("H 6 "); }));
    const sim::Device d = simulator.deviceSnapshot();
    // The MAC address stays as the PDU holds it.
    EXPECT_EQ(d.variables.at(kItemMac).elements,
              test::LoadedProfile("v4").device.variables.at(kItemMac).elements);
    EXPECT_EQ(d.databaseFormats, 1);
    EXPECT_EQ(d.variableNumber(14, 0), record.currentRating * 100u);
    EXPECT_EQ(d.variableNumber(15, 2), record.currentRating * 100u);
    EXPECT_EQ(d.variableNumber(8, 4), 7u);
    EXPECT_EQ(sim::variableText(d, 17), "PDUName");
    EXPECT_EQ(sim::variableText(d, 18), "RecepName1");
    EXPECT_EQ(d.variables.at(7).elements.size(), 8u);
    EXPECT_EQ(d.variables.at(7).elements[0][0], 0x3F);
}

TEST_F(WebDatabasePty, AFailedDefaultAsksWhetherToGoOn) {
    // Names 37 and 38 are unknown to this unit, also after a format: their writes are refused.
    start("v4", [](sim::Profile& p) {
        p.device.variables.erase(99);
        p.device.variables.erase(100);
    });
    FillInitialDefaults(db(), record);
    MarkAllWithText(db());
    worker->give(kWebInitialise);
    // Yes to the first question, No to the second: the pass ends there.
    const auto seen = until(kInitialiseDone, {true, false});
    EXPECT_EQ(count(seen, kWebAskContinue), 2);
    // The entries after name 38 were never written.
    EXPECT_GT(db().marked(), 2);
    EXPECT_EQ(db().entry(db().find(98)).mark, 1);
    EXPECT_EQ(db().entry(db().find(99)).mark, 1);
    EXPECT_EQ(db().entry(db().find(17)).mark, 0);
}

TEST_F(WebDatabasePty, AFailedFormatWritesNothing) {
    start("v2");
    PublishInterface(nullptr);  // the session has ended
    MarkAllWithText(db());
    worker->give(kWebInitialise);
    const auto seen = until(-1);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().wParam, kWebFormatFailed);
    EXPECT_EQ(seen.back().lParam, 0);
    EXPECT_EQ(count(seen, kWebProgress), 0);
    EXPECT_GT(db().marked(), 0);

    worker->give(kWebRestartNetwork);
    std::optional<platform::Message> m;
    for (int i = 0; i < 100 && !(m && m->wParam == kWebRestartDone); ++i) {
        m = queue.take(100);
    }
    ASSERT_TRUE(m && m->wParam == kWebRestartDone);
    EXPECT_EQ(m->lParam, 0);  // not restarted

    // Without a give-up hook a load goes on past the entries it could not read.
    MarkLoad(db());
    const int marked = db().marked();
    EXPECT_EQ(RunWebLoadPass(db(), WebPassHooks{}), 0);
    EXPECT_EQ(db().marked(), marked);
    // With one, it ends at the first.
    int givenUp = 0;
    WebPassHooks hooks;
    hooks.giveUp = [&givenUp](int) {
        ++givenUp;
        return true;
    };
    EXPECT_EQ(RunWebLoadPass(db(), hooks), 0);
    EXPECT_EQ(givenUp, 1);
}

TEST_F(WebDatabasePty, ClosingDuringInitializeLetsEveryDefaultReachThePdu) {
    start("v4");
    FillInitialDefaults(db(), record);
    const int marked = MarkAllWithText(db());
    const std::size_t before = received();
    worker->give(kWebInitialise);
    // Wait for the pass to be under way, then close the dialog.
    bool writing = false;
    for (int i = 0; i < 600 && !writing; ++i) {
        auto m = queue.take(100);
        writing = m && m->wParam == kWebProgress && m->lParam > 0;
    }
    ASSERT_TRUE(writing);
    worker->close();
    EXPECT_TRUE(worker->writing()) << "the closing dialog waits for the pass";
    EXPECT_FALSE(block->stopRequested.load());
    ASSERT_TRUE(worker->waitEnded(kBoundMs));
    EXPECT_EQ(db().marked(), 0);
    const auto lines = receivedSince(before);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("H "); }),
              marked);
    EXPECT_EQ(block->threadId.load(), 0u);
}

}  // namespace
}  // namespace quorvel
