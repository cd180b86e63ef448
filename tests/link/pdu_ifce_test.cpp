// The console session: login paths, the acceptance rules of queries and settings, and the
// exact lines of the command builders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/pdu_ifce.h"
#include "link/reply_items.h"
#include "link/transport.h"
#include "support/memory_device.h"
#include "support/script_console.h"
#include "support/sim_console.h"

namespace quorvel {
namespace {

using test::MemoryTransport;
using test::queryAnswer;
using test::ScriptConsole;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class PduIfceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        console = std::make_shared<ScriptConsole>();
        auto c = console;
        mem.line->responder = [c](const std::string& chunk) { return (*c)(chunk); };
    }
    std::string error() const { return ifce.ErrorTextNarrow(); }

    MemoryTransport mem;
    std::shared_ptr<ScriptConsole> console;
    PDUIfce ifce;
};
// The cases that wait out the console's reply windows.
class PduIfceWaits : public PduIfceTest {};

TEST_F(PduIfceTest, LoginOnALoggedInConsoleSendsNoPassword) {
    ASSERT_TRUE(ifce.Login());
    EXPECT_EQ(mem.line->written(), "\x1b\r");
    EXPECT_TRUE(transport::IsOpen());
}

TEST_F(PduIfceTest, LoginAnswersThePasswordPrompt) {
    console->loggedIn = false;
    ASSERT_TRUE(ifce.Login());
    EXPECT_EQ(mem.line->written(), "\x1b\rKel Voran\r");
}

TEST_F(PduIfceWaits, LoginGivesUpAfterFivePasswordPromptsAndClosesTheLine) {
    console->loggedIn = false;
    console->acceptPassword = false;
    EXPECT_FALSE(ifce.Login());
    EXPECT_EQ(console->passwordPrompts, 10);  // each attempt: the CR and the password
    EXPECT_THAT(error(), StartsWith("Login: could not elicit prompt from serial COM device, ["));
    EXPECT_THAT(error(), HasSubstr("Password: ]\n"));
    EXPECT_FALSE(transport::IsOpen());
}

TEST_F(PduIfceWaits, LoginOnASilentLineFailsAndClosesTheLine) {
    mem.line->responder = nullptr;
    EXPECT_FALSE(ifce.Login());
    EXPECT_EQ(error(), "Login: could not elicit prompt from serial COM device\n");
    EXPECT_FALSE(transport::IsOpen());
}

TEST_F(PduIfceTest, LoginReportsAPortThatWillNotOpenAndExchangesOnItGoUnanswered) {
    transport::SetParams(1, 1234, 8, 0, 0);
    EXPECT_FALSE(ifce.Login());
    EXPECT_EQ(error(), "Login: could not OpenCOMDevice\n");
    char out[kReplyTextSize];
    EXPECT_FALSE(ifce.ReadAlarms(out));
    EXPECT_EQ(error(), "GetStatus: could not set timeout for serial COM device\n");
    EXPECT_TRUE(ifce.Unanswered());
    EXPECT_FALSE(ifce.ClearAlarms());
    EXPECT_EQ(error(), "SendCommand: could not set timeout for serial COM device\n");
    EXPECT_TRUE(ifce.Unanswered());
    EXPECT_EQ(mem.line->written(), "");
}

TEST_F(PduIfceTest, QueriesReturnTheTextBetweenTheEchoAndThePrompt) {
    ASSERT_TRUE(ifce.Login());
    console->answers["u"] = queryAnswer("2.10.4 V2");
    console->answers["n"] = queryAnswer("");
    char out[kReplyTextSize];
    const std::size_t before = mem.line->written().size();
    ASSERT_TRUE(ifce.ReadVersionLine(out));
    EXPECT_STREQ(out, "2.10.4 V2");
    // One sanity check (ESC, ESC and CR) when the console answers it, then the query.
    EXPECT_EQ(mem.line->written().substr(before), "\x1b\x1b\ru\r");
    ASSERT_TRUE(ifce.ReadAlarms(out));  // an empty reply text is a good reply
    EXPECT_STREQ(out, "");
}

TEST_F(PduIfceWaits, AQueryAnsweredOnlyByTheEchoAndThePromptFails) {
    ASSERT_TRUE(ifce.Login());
    console->answers["J"] = "\r\n?";
    console->answers["v"] = "garbage";
    char out[kReplyTextSize];
    EXPECT_FALSE(ifce.ReadEnvironment(out));
    EXPECT_EQ(error(), "GetStatus: bad response from serial COM device\n");
    EXPECT_FALSE(ifce.ReadIdentityLine(out));
    EXPECT_EQ(error(), "GetStatus: bad response from serial COM device\n");
    EXPECT_FALSE(ifce.Unanswered()) << "the console did answer";
}

TEST_F(PduIfceTest, SettingsMustBeAcknowledgedByExactlyTheEchoAndThePrompt) {
    ASSERT_TRUE(ifce.Login());
    console->answers["N"] = "\r\n?";
    console->answers["C 1"] = " \r\n?";
    console->answers["C 0"] = "\r\nError: bad argument\r\n?";
    EXPECT_TRUE(ifce.ClearAlarms());
    EXPECT_FALSE(ifce.SetCalibrationMode(true));
    EXPECT_EQ(error(), "SendCommand: bad response from serial COM device\n");
    EXPECT_FALSE(ifce.SetCalibrationMode(false));
    EXPECT_EQ(error(), "SendCommand: bad response from serial COM device\n");
    EXPECT_FALSE(ifce.Unanswered()) << "the console did answer";
}

TEST_F(PduIfceWaits, ASettingSucceedsOnItsFifthSanityCheck) {
    ASSERT_TRUE(ifce.Login());
    console->answers["N"] = "\r\n?";
    console->ignoreEmptyLines = 4;
    EXPECT_TRUE(ifce.ClearAlarms());
    EXPECT_EQ(error(), "SendCommand: could not send check to serial COM device\n");
    EXPECT_FALSE(ifce.Unanswered());
    // Echoed, but no prompt follows in time: the console answered, just not with an ack.
    console->answers["C 1"] = "";
    EXPECT_FALSE(ifce.SetCalibrationMode(true));
    EXPECT_EQ(error(), "SendCommand: bad response from serial COM device\n");
    EXPECT_FALSE(ifce.Unanswered());
}

TEST_F(PduIfceWaits, AQueryGivesUpAfterTwoFailedSanityChecks) {
    ASSERT_TRUE(ifce.Login());
    console->ignoreEmptyLines = 2;
    char out[kReplyTextSize];
    EXPECT_FALSE(ifce.ReadAlarms(out));
    EXPECT_EQ(error(), "GetStatus: could not establish sanity with serial COM device\n");
    EXPECT_TRUE(ifce.Unanswered());
    EXPECT_EQ(console->ignoreEmptyLines, 0) << "both checks reached the console";
    EXPECT_THAT(mem.line->written(), ::testing::Not(HasSubstr("n\r")));
    // The next exchange that gets an answer clears it.
    console->answers["N"] = "\r\n?";
    EXPECT_TRUE(ifce.ClearAlarms());
    EXPECT_FALSE(ifce.Unanswered());
}

// Over a pseudo-terminal to the simulated PDU at 9600 baud: the logout is the last thing
// written before the line closes, and it must reach the device in both forms.
TEST(PduIfceLogoutPty, BothLogoutLinesReachTheDeviceBeforeTheLineCloses) {
    for (const bool ctrlD : {false, true}) {
        sim::PtySimulator simulator;
        PDUIfce ifce;
        ASSERT_NO_FATAL_FAILURE(
            test::ServeAndLogIn(simulator, ifce, 7, test::LoadedProfile("v2"), {}, 9600));
        char reply[kReplyTextSize];
        ASSERT_TRUE(ifce.ReadVersionLine(reply));
        const std::string errorBefore = ifce.ErrorTextNarrow();
        EXPECT_TRUE(ifce.Logout(ctrlD));
        EXPECT_EQ(ifce.ErrorTextNarrow(), errorBefore) << "a logout that went out reports nothing";
        EXPECT_FALSE(transport::IsOpen());
        EXPECT_EQ(test::LastLineTaken(simulator), ctrlD ? "^D" : "^R");
        test::Unserve(7);

        EXPECT_FALSE(ifce.Logout(true));  // the line is closed now
        EXPECT_EQ(ifce.ErrorTextNarrow(),
                  "Logout: could not send LOGOUT command to serial COM device\n");
    }
}

// Every line the builders send, checked byte for byte against what the console sees.
TEST_F(PduIfceTest, BuildersFormatTheirLinesExactly) {
    ASSERT_TRUE(ifce.Login());
    std::vector<std::string> lines;
    mem.line->responder = [&lines, this](const std::string& chunk) {
        std::string out = (*console)(chunk);
        if (!console->partial.empty() || chunk == "\r" || chunk == "\x1b") {
            return out;
        }
        lines.push_back(chunk);
        return out;
    };
    char out[kReplyTextSize];
    PDUIfce& i = ifce;
    const struct {
        const char* line;
        const char* reply;  // a query's text; nullptr for a setting, acknowledged
        std::function<bool()> send;
    } cases[] = {
        {"s 001A 00002F00 47310862", nullptr, [&] { return i.StampIdentity(0x1A, 0x2F00); }},
        {"R 21 0", nullptr, [&] { return i.SwitchOutlet(33, false); }},
        {"R C 1 1", nullptr, [&] { return i.SwitchBranchOutlet(2, 1, true); }},
        {"R A 10 1", nullptr, [&] { return i.SwitchBranchOutlet(7, 16, true); }},
        {"o 5 1", nullptr, [&] { return i.ResetOutlet(5); }},
        {"H 1f 0A0B 2", nullptr, [&] { return i.WriteVariable(0x1F, "0A0B", 2); }},
        {"K V C9 3 1234", nullptr, [&] { return i.WriteCalibration(true, 2, 9, 3, "1234"); }},
        {"W D 0 ff", nullptr, [&] { return i.WriteCalibration(false, 3, 10, 0, "ff"); }},
        {"G B 1 ff", "1 2", [&] { return i.ReadMeasurement(2, true, 0xFF, out); }},
        {"G I b 3", "7", [&] { return i.ReadCircuitCurrent(1, true, 3, out); }},
        {"G V C 0", "230", [&] { return i.ReadCircuitVoltage(2, false, out); }},
        {"P B ff", "ff", [&] { return i.ReadBranchStates(1, 0xFF, out); }},
        {"h a", "1", [&] { return i.ReadVariable(10, out); }},
    };
    for (const auto& c : cases) {
        console->answers[c.line] = c.reply != nullptr ? queryAnswer(c.reply) : "\r\n?";
        lines.clear();
        EXPECT_TRUE(c.send()) << c.line;
        EXPECT_THAT(lines, ::testing::ElementsAre(std::string(c.line) + "\r"));
    }
}

TEST_F(PduIfceTest, LongStampsGoOutInTwoHalvesAndBadArgumentsSendNothing) {
    ASSERT_TRUE(ifce.Login());
    std::uint8_t map[kKvbMapRecordSize];
    for (std::size_t i = 0; i < sizeof map; ++i) {
        map[i] = static_cast<std::uint8_t>(i * 7);
    }
    const std::string line = "s 0123 89ABCDEF " + EncodeHexPairs(map, sizeof map) + " 47310862";
    console->answers[line] = "\r\n?";
    const std::size_t before = mem.line->writes.size();
    EXPECT_TRUE(ifce.StampIdentityWithMap(0x0123, 0x89ABCDEF, map));
    ASSERT_GE(mem.line->writes.size(), before + 2);
    const auto& w = mem.line->writes;
    EXPECT_EQ(w[w.size() - 2] + w[w.size() - 1], line + "\r");
    EXPECT_EQ(w[w.size() - 2].size(), (line.size() + 1) / 2);

    const std::size_t count = mem.line->writes.size();
    char out[kReplyTextSize];
    EXPECT_FALSE(ifce.ReadMeasurement(5, false, 0, out));
    EXPECT_FALSE(ifce.WriteCalibration(true, 3, 0, 0, "1"));  // no voltage row D
    EXPECT_FALSE(ifce.ReadCircuitCurrent(3, false, 0, out));
    EXPECT_FALSE(ifce.ReadCircuitVoltage(-1, false, out));
    // A line one character too long for its buffer is refused, not cut: "H" holds 255
    // characters, a calibration line 31.
    EXPECT_FALSE(ifce.WriteVariable(0x1F, std::string(248, '7').c_str(), 2));
    EXPECT_FALSE(ifce.WriteCalibration(false, 3, 10, 0, std::string(25, '7').c_str()));
    EXPECT_EQ(mem.line->writes.size(), count);
    EXPECT_EQ(PDUIfce::CalibrationKeyword(false, 0, 10), std::string("W A"));
}

TEST(PduIfceParams, SetParamsChecksBeforeTheTransportDoes) {
    MemoryTransport mem;
    PDUIfce ifce;
    EXPECT_EQ(ifce.ErrorTextNarrow(), "");
    EXPECT_FALSE(ifce.SetParams(21, 9600, 8, 0, 0));
    EXPECT_EQ(ifce.ErrorTextNarrow(), "SetParams: illegal COM port 21\n");
    EXPECT_FALSE(ifce.SetParams(1, 9600, 4, 4, -1));
    EXPECT_EQ(ifce.ErrorTextNarrow(), "SetParams: illegal number of stop bits -1\n");
    EXPECT_TRUE(ifce.SetParams(4, 9600, 4, 4, 2));
    EXPECT_EQ(transport::CurrentSettings().port, 4);
}

}  // namespace
}  // namespace quorvel
