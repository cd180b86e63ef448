// The session worker: its messages in order for each ending, the identity it reads, and how it
// reacts to the stop flag and the stop event.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/console_lease.h"
#include "link/messages.h"
#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "link/session_worker.h"
#include "platform/events.h"
#include "platform/port_map.h"
#include "sim/profile.h"
#include "sim/pty_simulator.h"
#include "support/memory_device.h"
#include "support/script_console.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

using test::queryAnswer;
using ::testing::ElementsAre;

constexpr int kMessageBoundMs = 30000;

// "STATUS:<text>", "ERROR:<text>", "READY", "ENDED", "LINK:<n>".
class Recorder {
  public:
    explicit Recorder(SessionRecord& r) : record_(r) {
        record_.owner = std::make_shared<platform::MessagePort>(&queue_);
    }
    // Takes messages until one of kind `until` arrives (or the bound passes).
    std::vector<std::string> until(unsigned last) {
        std::vector<std::string> seen;
        while (auto m = queue_.take(kMessageBoundMs)) {
            seen.push_back(describe(*m));
            if (m->msg == last) {
                break;
            }
        }
        return seen;
    }
    bool quietFor(int ms) { return !queue_.take(ms).has_value(); }

  private:
    // Each message carries fixed parameters besides its text; one that differs shows.
    static std::string fixed(const platform::Message& m, std::uintptr_t wParam) {
        return m.wParam == wParam ? "" : "wParam " + std::to_string(m.wParam) + " ";
    }
    std::string describe(const platform::Message& m) {
        switch (m.msg) {
            case UM_STATUS_TEXT:
                return fixed(m, 0) + "STATUS:" + Narrow(record_.postedText(m.lParam));
            case UM_ACCESS_ERROR:
                return fixed(m, 1) + "ERROR:" + Narrow(record_.postedText(m.lParam));
            case UM_CONFIG_READY:
                return fixed(m, 1) +
                       (m.lParam == 0 ? "READY" : "READY " + std::to_string(m.lParam));
            case UM_SESSION_ENDED:
                return fixed(m, 0) +
                       (m.lParam == 1 ? "ENDED" : "ENDED " + std::to_string(m.lParam));
            case UM_LINK_STATE:
                return fixed(m, 0) + "LINK:" + std::to_string(m.lParam);
            default:
                return "?";
        }
    }
    SessionRecord& record_;
    platform::MessageQueue queue_;
};

class SessionWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stopEvent = platform::CreateNamedEvent(kStopEventName);
        while (stopEvent->wait(0)) {
        }
        console = std::make_shared<test::ScriptConsole>();
        console->answers["v"] = queryAnswer("720 2104A31 " + std::string(116, '0') + " 200");
        console->answers["u"] = queryAnswer("02.03.01 V2");
        console->answers["V"] = queryAnswer("D=HOJ-1 T=TLD-0 T=TLD-1 a=x b=x E=ENV-0 c=x N=ZOLT");
        console->answers[std::string("\x12")] = "";
        auto c = console;
        mem.line->responder = [c](const std::string& chunk) { return (*c)(chunk); };
    }
    void stop() {
        record.stopFlag.store(1);
        stopEvent->set();
    }

    test::MemoryTransport mem;
    std::shared_ptr<test::ScriptConsole> console;
    std::shared_ptr<platform::AutoResetEvent> stopEvent;
    SessionRecord record;
    Recorder recorder{record};
    SessionWorker worker;
};

TEST_F(SessionWorkerTest, ConnectsPublishesWaitsAndLogsOff) {
    ASSERT_TRUE(worker.start(record));
    EXPECT_FALSE(worker.start(record));  // one session at a time
    EXPECT_THAT(recorder.until(UM_CONFIG_READY),
                ElementsAre("LINK:0", "STATUS:Logging in...", "LINK:2",
                            "STATUS:Getting PDU configuration...", "READY"));
    EXPECT_THAT(recorder.until(UM_STATUS_TEXT),
                ElementsAre("LINK:0", "STATUS:Entered Normal Processing Loop"));
    EXPECT_EQ(record.featureWord, 0x720);
    EXPECT_EQ(record.attributeWord, 0x2104A31u);
    EXPECT_EQ(record.extensionWord, 0x200);
    EXPECT_EQ(Narrow(record.versionText), "02.03.01");
    EXPECT_EQ(Narrow(record.generationText), "V2");
    EXPECT_EQ(record.generationNumber, 2);
    EXPECT_THAT(record.modules,
                ElementsAre(0x11, 0x20, 0x21, 0, 0, 0, 0, 0x30, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(record.environmentFlags, kEnvSensor0);
    {
        ConsoleLease lease;
        EXPECT_NE(lease.get(), nullptr);
    }

    stop();
    EXPECT_THAT(recorder.until(UM_SESSION_ENDED),
                ElementsAre("STATUS:Log off", "STATUS:Finished", "LINK:1", "ENDED"));
    ASSERT_TRUE(worker.join(kMessageBoundMs));
    EXPECT_THAT(mem.line->written(), ::testing::EndsWith("\x12\r"));
    ConsoleLease lease;
    EXPECT_EQ(lease.get(), nullptr);
}

// Short identity and version replies keep their defaults, a fourth-generation version gives
// generation four, a failed identity is silent and an unknown generation counts as one.
TEST_F(SessionWorkerTest, IdentityAndGenerationFromEachKindOfReply) {
    const struct {
        const char* identity;  // nullptr: the fixture's answer
        const char* version;
        std::uint16_t feature;
        std::uint32_t attribute;
        std::uint16_t extension;
        const char* generationText;
        int generation;
    } cases[] = {
        {"1A 2B 00", "01.00", 0x1A, 0x2B, 0, "V1", 1},
        {nullptr, "04.01.00 V4", 0x720, 0x2104A31, 0x200, "V4", 4},
        {"", "05.00 V4-extended", 0xFFFF, 0xFFFFFFFF, 0, "V4-exten", 1},  // eight characters kept
    };
    const std::string fixtureIdentity = console->answers["v"];
    for (const auto& c : cases) {
        console->answers["v"] = c.identity == nullptr ? fixtureIdentity
                                : *c.identity == 0    ? "\r\nnot framed"
                                                      : queryAnswer(c.identity);
        console->answers["u"] = queryAnswer(c.version);
        SessionWorker one;
        ASSERT_TRUE(one.start(record)) << c.version;
        recorder.until(UM_CONFIG_READY);
        EXPECT_EQ(record.featureWord, c.feature) << c.version;
        EXPECT_EQ(record.attributeWord, c.attribute) << c.version;
        EXPECT_EQ(record.extensionWord, c.extension) << c.version;
        EXPECT_EQ(Narrow(record.generationText), c.generationText);
        EXPECT_EQ(record.generationNumber, c.generation) << c.version;
        // Outside the second generation the TLD instances count their position.
        EXPECT_EQ(record.modules[1], 0x20) << c.version;
        EXPECT_EQ(record.modules[2], 0x21) << c.version;
        stop();
        recorder.until(UM_SESSION_ENDED);
        ASSERT_TRUE(one.join(kMessageBoundMs));
        record.stopFlag.store(0);
    }
}

TEST_F(SessionWorkerTest, AFailedModuleReadEndsWithoutLogout) {
    console->answers["V"] = "\r\nError\r\n";
    std::fill(std::begin(record.modules), std::end(record.modules), 0x11);  // an earlier PDU's
    ASSERT_TRUE(worker.start(record));
    EXPECT_THAT(recorder.until(UM_SESSION_ENDED),
                ElementsAre("LINK:0", "STATUS:Logging in...", "LINK:2",
                            "STATUS:Getting PDU configuration...",
                            "STATUS:GetStatus: bad response from serial COM device\n",
                            "ERROR:Failed Get Configuration", "LINK:1", "ENDED"));
    ASSERT_TRUE(worker.join(kMessageBoundMs));
    EXPECT_THAT(record.modules, ::testing::Each(0));
    EXPECT_THAT(mem.line->written(), ::testing::Not(::testing::HasSubstr("\x12")));
}

TEST_F(SessionWorkerTest, FiveFailedLoginsOnTheChosenPortAt9600ReportTheInterfaceError) {
    auto opens = std::make_shared<std::vector<std::string>>();
    record.comPortIndex = 6;
    transport::SetParams(1, 1234, 7, 2, 2);  // the worker sets the whole line itself
    transport::SetDeviceOpener([opens](int port, const platform::LineSettings& s) {
        opens->push_back("COM" + std::to_string(port) + " " + std::to_string(s.baud) + " " +
                         std::to_string(s.dataBits) + " " + std::to_string(s.parity) + " " +
                         std::to_string(s.stopBits));
        return transport::OpenResult{};
    });
    ASSERT_TRUE(worker.start(record));
    EXPECT_THAT(
        recorder.until(UM_SESSION_ENDED),
        ElementsAre("LINK:0", "STATUS:Logging in...", "STATUS:Login: could not OpenCOMDevice\n",
                    "ERROR:Failed Login", "LINK:1", "ENDED"));
    EXPECT_EQ(*opens, std::vector<std::string>(5, "COM7 9600 8 0 0"));
}

TEST_F(SessionWorkerTest, AStopRequestBeforeOrDuringTheLoginsGoesStraightToLogOff) {
    const std::vector<std::string> logOff{
        "LINK:0", "STATUS:Logging in...", "STATUS:Log off", "STATUS:Finished", "LINK:1", "ENDED"};
    record.stopFlag.store(1);
    ASSERT_TRUE(worker.start(record));
    EXPECT_EQ(recorder.until(UM_SESSION_ENDED), logOff);
    ASSERT_TRUE(worker.join(kMessageBoundMs));
    EXPECT_EQ(mem.line->opens, 0);  // the logout went to a closed port and failed quietly

    // Asked to stop as the login succeeds: no identification follows.
    record.stopFlag.store(0);
    auto lines = std::make_shared<std::vector<std::string>>();
    auto c = console;
    mem.line->responder = [c, lines, this](const std::string& chunk) {
        record.stopFlag.store(1);
        lines->push_back(chunk);
        return (*c)(chunk);
    };
    SessionWorker second;
    ASSERT_TRUE(second.start(record));
    EXPECT_EQ(recorder.until(UM_SESSION_ENDED), logOff);
    ASSERT_TRUE(second.join(kMessageBoundMs));
    EXPECT_THAT(*lines, ::testing::Not(::testing::Contains("v\r")));

    // Asked to stop while its first attempt fails: no second attempt.
    record.stopFlag.store(0);
    auto opens = std::make_shared<int>(0);
    transport::SetDeviceOpener([opens, this](int, const platform::LineSettings&) {
        ++*opens;
        record.stopFlag.store(1);
        return transport::OpenResult{};
    });
    SessionWorker third;
    ASSERT_TRUE(third.start(record));
    EXPECT_EQ(recorder.until(UM_SESSION_ENDED), logOff);
    ASSERT_TRUE(third.join(kMessageBoundMs));
    EXPECT_EQ(*opens, 1);
}

TEST_F(SessionWorkerTest, AStopRequestDuringTheModuleReadLogsOffWithoutReporting) {
    auto c = console;
    mem.line->responder = [c, this](const std::string& chunk) {
        if (chunk != "V\r") {
            return (*c)(chunk);
        }
        stop();  // and the module line never comes
        return chunk;
    };
    ASSERT_TRUE(worker.start(record));
    EXPECT_THAT(recorder.until(UM_SESSION_ENDED),
                ElementsAre("LINK:0", "STATUS:Logging in...", "LINK:2",
                            "STATUS:Getting PDU configuration...", "STATUS:Log off",
                            "STATUS:Finished", "LINK:1", "ENDED"));
}

TEST_F(SessionWorkerTest, TheStopEventAloneDoesNotEndTheSession) {
    ASSERT_TRUE(worker.start(record));
    recorder.until(UM_STATUS_TEXT);
    recorder.until(UM_CONFIG_READY);
    recorder.until(UM_STATUS_TEXT);
    stopEvent->set();
    EXPECT_TRUE(recorder.quietFor(700));
    EXPECT_TRUE(worker.running());
    EXPECT_FALSE(worker.join(0));
    stop();
    EXPECT_THAT(recorder.until(UM_SESSION_ENDED), ::testing::Contains("ENDED"));
}

// A posted text is found by its number while it is among the last 64; an older number gives the
// latest text.
TEST(SessionWorkerEdges, TheRecordAnswersForItsLastSixtyFourTexts) {
    SessionRecord record;
    std::vector<std::intptr_t> numbers;
    for (int i = 0; i < 65; ++i) {
        numbers.push_back(record.setStatusText(Widen(("text " + std::to_string(i)).c_str())));
    }
    EXPECT_EQ(Narrow(record.postedText(numbers[1])), "text 1");
    EXPECT_EQ(Narrow(record.postedText(numbers[0])), "text 64");
}

TEST(SessionWorkerEdges, NoOwnerMeansNoSessionAndNoStopEventIsReported) {
    SessionRecord silent;
    RunSessionWorker(silent);  // returns at once, posts nothing

    platform::CloseNamedEvent(kStopEventName);
    SessionRecord record;
    Recorder recorder(record);
    RunSessionWorker(record);
    EXPECT_THAT(recorder.until(UM_SESSION_ENDED),
                ElementsAre("STATUS:Error...", "ERROR:Failed Create Event", "LINK:1", "ENDED"));
}

// End to end over a real pseudo-terminal with the simulated PDU that asks for the password, at
// 9600 baud: the session ends with its logout reaching the device.
TEST(SessionWorkerPty, IdentifiesTheSimulatedPduAndLogsOff) {
    sim::PtySimulator simulator;
    std::string error;
    ASSERT_TRUE(simulator.start(test::LoadedProfile("v2"), sim::Faults{}, 9600, error)) << error;
    platform::setPortOverride(5, simulator.slavePath());
    auto stopEvent = platform::CreateNamedEvent(kStopEventName);

    SessionRecord record;
    record.comPortIndex = 4;
    Recorder recorder(record);
    SessionWorker worker;
    ASSERT_TRUE(worker.start(record));
    EXPECT_THAT(recorder.until(UM_CONFIG_READY), ::testing::Contains("READY"));
    EXPECT_EQ(record.generationNumber, 2);
    EXPECT_NE(record.featureWord, 0xFFFF);
    record.stopFlag.store(1);
    stopEvent->set();
    EXPECT_THAT(recorder.until(UM_SESSION_ENDED), ::testing::Contains("STATUS:Finished"));
    EXPECT_TRUE(worker.join(kMessageBoundMs));
    EXPECT_EQ(test::LastLineTaken(simulator), "^R");
    platform::setPortOverride(5, "");
}

}  // namespace
}  // namespace quorvel
