// The console engine without a pty: echo, line editing, login and logout, reply framing as the
// host checks it, and the fault modes.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sim/commands.h"
#include "sim/console.h"
#include "sim/sim_test_support.h"

namespace quorvel::sim {
namespace {

Profile testProfile(bool passwordRequired = true) {
    Profile p;
    p.name = "test";
    p.passwordRequired = passwordRequired;
    p.device.identity.feature = 0x0720;
    p.device.identity.attribute = 0x02104A31;
    p.device.identity.extension = 0x0200;
    p.device.version = "02.03.01";
    p.device.generation = "V2";
    p.device.outletCount = 8;
    p.device.outletsOn = 0xFF;
    return p;
}

// The host's check of a query reply: the echo of the line (CR included), CR LF, the text, the
// prompt. Returns the text, or nothing when the framing is wrong.
std::optional<std::string> queryText(const std::string& line, const std::string& reply) {
    const std::size_t l = line.size();
    if (reply.size() < l + 5 || reply.compare(0, l, line) != 0 || reply[l] != '\r' ||
        reply[l + 1] != '\n' || !reply.ends_with("\r\n?")) {
        return std::nullopt;
    }
    return reply.substr(l + 2, reply.size() - l - 5);
}

// Faults with what `set` gives them, the rest left at their defaults.
template <typename Set>
Faults With(Set set) {
    Faults f;
    set(f);
    return f;
}

TEST(ConsoleLogin, EmptyLineAsksForThePasswordAndTheRightOneLogsIn) {
    Console c(testProfile());
    EXPECT_EQ(c.feed("\x1b\r"), "\r\r\nPassword: ");
    EXPECT_FALSE(c.loggedIn());
    EXPECT_EQ(c.feed("Kel Voran\r"), "Kel Voran\r\r\n?");
    EXPECT_TRUE(c.loggedIn());
    EXPECT_EQ(c.feed("\x1b\r"), "\r\r\n?");
}

TEST(ConsoleLogin, WrongPasswordOrCommandAsksAgain) {
    Console c(testProfile());
    EXPECT_EQ(c.feed("kel voran\r"), "kel voran\r\r\nPassword: ");
    EXPECT_EQ(c.feed("v\r"), "v\r\r\nPassword: ");
    EXPECT_FALSE(c.loggedIn());
}

TEST(ConsoleLogin, LogoutLinesWantThePasswordAgain) {
    for (const char* logout : {"\x04\r", "\x12\r"}) {
        Console c = LoggedIn(testProfile());
        ASSERT_TRUE(c.loggedIn());
        EXPECT_FALSE(c.endsWithLogout());
        EXPECT_EQ(c.feed(logout), logout);  // echo only
        EXPECT_FALSE(c.loggedIn());
        EXPECT_TRUE(c.endsWithLogout());
        EXPECT_EQ(c.feed("\x1b\r"), "\r\r\nPassword: ");
        EXPECT_FALSE(c.endsWithLogout());  // the last line taken is an empty one now
    }
}

TEST(ConsoleLogin, AlreadyLoggedInConsoleNeedsNoPasswordAndStaysLoggedIn) {
    Console c(testProfile(false));
    EXPECT_EQ(c.feed("\x1b\r"), "\r\r\n?");
    EXPECT_EQ(c.feed("\x12\r"), "\x12\r");
    EXPECT_EQ(c.feed("\r"), "\r\r\n?");
    EXPECT_TRUE(c.loggedIn());
}

TEST(ConsoleFraming, QueryIsEchoLineBreakTextPrompt) {
    Console c = LoggedIn(testProfile());
    std::string reply = c.feed("u\r");
    EXPECT_EQ(reply, "u\r\r\n02.03.01 V2\r\n?");
    EXPECT_EQ(queryText("u\r", reply), "02.03.01 V2");
}

TEST(ConsoleFraming, SettingIsExactlyEchoAndPrompt) {
    Console c = LoggedIn(testProfile());
    const std::string line = "R 3 0\r";
    EXPECT_EQ(c.feed(line), line + "\r\n?");
    EXPECT_FALSE(c.device().outletOn(2));
}

TEST(ConsoleFraming, RefusedAndUnknownLinesCarryAnErrorText) {
    Console c = LoggedIn(testProfile());
    auto unknown = queryText("zap\r", c.feed("zap\r"));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(*unknown, kErrUnknownCommand);
    auto denied = queryText("x 12345678\r", c.feed("x 12345678\r"));
    ASSERT_TRUE(denied);
    EXPECT_EQ(*denied, kErrAccessDenied);
    EXPECT_EQ(c.device().reboots, 0);
}

TEST(ConsoleFraming, BytesMayArriveOneAtATime) {
    Console c = LoggedIn(testProfile());
    std::string reply;
    for (char ch : std::string("\x1b\rv\r"))
        reply += c.feed(std::string(1, ch));
    EXPECT_TRUE(reply.starts_with("\r\r\n?v\r\r\n720 2104A31 "));
    EXPECT_TRUE(reply.ends_with(" 200\r\n?"));
}

TEST(ConsoleLineEditing, EscIsNotEchoedAndDiscardsThePartialLine) {
    Console c = LoggedIn(testProfile());
    EXPECT_EQ(c.feed("R 1"), "R 1");
    EXPECT_EQ(c.feed("\x1b"), "");
    EXPECT_EQ(c.feed("u\r"), "u\r\r\n02.03.01 V2\r\n?");
    EXPECT_TRUE(c.device().outletOn(0));
}

TEST(ConsoleLineEditing, BackspaceRemovesTheLastCharacter) {
    Console c = LoggedIn(testProfile());
    auto text = queryText("ux\bu\r", c.feed("ux\bu\r"));
    EXPECT_EQ(text, std::string(kErrUnknownCommand));  // "uu"
    text = queryText("uX\b\r", c.feed("uX\b\r"));
    EXPECT_EQ(text, "02.03.01 V2");
}

TEST(ConsoleLineEditing, OverlongLineIsRefused) {
    Console c = LoggedIn(testProfile());
    std::string line = "H 11 " + std::string(kMaxLine, 'A') + " 0\r";
    auto text = queryText(line, c.feed(line));
    EXPECT_EQ(text, std::string(kErrLineTooLong));
    EXPECT_EQ(c.feed("\r"), "\r\r\n?");  // the next line starts clean
}

TEST(ConsoleFaults, SilentNeverAnswers) {
    Console c(testProfile(), With([](Faults& f) { f.silent = true; }));
    EXPECT_EQ(c.feed("\x1b\r"), "");
    EXPECT_EQ(c.feed("Kel Voran\r"), "");
}

TEST(ConsoleFaults, SilentFromLineAnswersTheLinesBefore) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) { f.silentFromLine = 3; }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    EXPECT_EQ(c.feed("\x1b\r"), "\r\r\n?");  // sanity checks do not count
    EXPECT_TRUE(queryText("v\r", c.feed("v\r")));
    EXPECT_EQ(c.feed("\x1b\r"), "");
    EXPECT_EQ(c.feed("V\r"), "");
}

TEST(ConsoleFaults, SilentFromFirstLineStillLogsIn) {
    Console c(testProfile(), With([](Faults& f) { f.silentFromLine = 1; }));
    EXPECT_EQ(c.feed("\r"), "\r\r\nPassword: ");
    EXPECT_EQ(c.feed("Kel Voran\r"), "Kel Voran\r\r\n?");
    EXPECT_EQ(c.feed("\r"), "");
}

TEST(ConsoleFaults, RefusedPasswordNeverLogsIn) {
    // Even a console that needs no password.
    Console c(testProfile(false), With([](Faults& f) { f.refusePassword = true; }));
    EXPECT_EQ(c.feed("\r"), "\r\r\nPassword: ");
    EXPECT_EQ(c.feed("Kel Voran\r"), "Kel Voran\r\r\nPassword: ");
    EXPECT_FALSE(c.loggedIn());
}

TEST(ConsoleFaults, GarbageKeepsTheEchoButNeverShowsAPrompt) {
    Console c(testProfile(false), With([](Faults& f) { f.garbage = true; }));
    for (int i = 0; i < 20; ++i) {
        std::string reply = c.feed("v\r");
        ASSERT_TRUE(reply.starts_with("v\r"));
        EXPECT_GT(reply.size(), 2U);
        EXPECT_EQ(reply.find('?'), std::string::npos);
    }
}

TEST(ConsoleFaults, DropAfterLinesEchoesTheNextLineThenGoesQuiet) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) { f.dropAfterLines = 1; }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    EXPECT_EQ(c.feed("\r"), "\r\r\n?");
    EXPECT_EQ(c.feed("v\r"), "v\r");
    EXPECT_EQ(c.feed("\x1b\r"), "");
}

TEST(ConsoleFaults, HangupAfterLinesFiresAfterTheReply) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) { f.hangupAfterLines = 2; }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    EXPECT_FALSE(c.hungUp());
    EXPECT_TRUE(queryText("v\r", c.feed("v\rV\r")));  // the V line is not even echoed
    EXPECT_TRUE(c.hungUp());
    EXPECT_EQ(c.feed("\r"), "");

    EXPECT_TRUE(Console(testProfile(), With([](Faults& f) { f.hangupAfterLines = 0; })).hungUp());
}

TEST(ConsoleFaults, GarbageFromLineCarriesTheLinesOutButGarblesEveryAnswerFromThere) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) { f.garbageFromLine = 2; }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    const std::string reply = c.feed("R 1 0\r");
    EXPECT_TRUE(reply.starts_with("R 1 0\r"));
    EXPECT_EQ(reply.find('?'), std::string::npos);
    EXPECT_FALSE(c.device().outletOn(0));  // switched all the same
    const std::string check = c.feed("\r");
    EXPECT_TRUE(check.starts_with("\r"));
    EXPECT_EQ(check.find('?'), std::string::npos);
}

TEST(ConsoleFaults, DroppedCharactersLoseEveryKthCharacterFromTheirLine) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) {
                             f.dropCharsEvery = 3;
                             f.dropCharsFromLine = 2;
                         }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    // The second line's echo arrives whole; from its answer on every third character is lost,
    // the following echoes included.
    const std::string clean = Console(testProfile(false)).feed("v\r").substr(2) + "uuu";
    std::string expected = "v\r";
    for (std::size_t i = 0; i < clean.size(); ++i) {
        if ((i + 1) % 3 != 0) {
            expected += clean[i];
        }
    }
    EXPECT_EQ(c.feed("v\ruuu"), expected);
}

TEST(ConsoleFaults, HangupAtLineEchoesTheLineAndLeavesItUndone) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) { f.hangupAtLine = 2; }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    EXPECT_EQ(c.feed("R 1 0\ru\r"), "R 1 0\r");
    EXPECT_TRUE(c.hungUp());
    EXPECT_TRUE(c.device().outletOn(0));
    EXPECT_EQ(c.receivedLines().back(), "R 1 0");
}

TEST(ConsoleFaults, AnAnchorHoldsTheFaultsBackUntilItsLine) {
    Console c = LoggedIn(testProfile(), With([](Faults& f) {
                             f.anchor = "R ";
                             f.silentFromLine = 1;
                         }));
    EXPECT_TRUE(queryText("u\r", c.feed("u\r")));
    EXPECT_EQ(c.feed("\r"), "\r\r\n?");
    EXPECT_EQ(c.feed("R 1 0\r"), "R ");  // quiet once the anchor's text is in
    EXPECT_TRUE(c.device().outletOn(0));
    EXPECT_EQ(c.feed("\r"), "");

    Console d = LoggedIn(testProfile(), With([](Faults& f) {
                             f.anchor = "R ";
                             f.hangupAtLine = 2;
                         }));
    EXPECT_TRUE(queryText("u\r", d.feed("u\r")));
    EXPECT_EQ(d.feed("R 1 0\r"), "R 1 0\r\r\n?");
    EXPECT_FALSE(d.hungUp());
    EXPECT_EQ(d.feed("R 2 0\r"), "R 2 0\r");
    EXPECT_TRUE(d.hungUp());
    EXPECT_FALSE(d.device().outletOn(0));
    EXPECT_TRUE(d.device().outletOn(1));
}

TEST(ConsoleFaults, SlowDelaysTheReplyButNotTheEcho) {
    Console c(testProfile(false), With([](Faults& f) { f.slowMs = 250; }));
    auto bursts = c.feedTimed("u\r");
    ASSERT_EQ(bursts.size(), 2U);
    EXPECT_EQ(bursts[0].delayMs, 0U);
    EXPECT_EQ(bursts[0].bytes, "u\r");
    EXPECT_EQ(bursts[1].delayMs, 250U);
    EXPECT_EQ(bursts[1].bytes, "\r\n02.03.01 V2\r\n?");
}

}  // namespace
}  // namespace quorvel::sim
