// The support trace: secrets masked however the console's echo splits them, and each record one
// JSON line that says exactly which bytes crossed the line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "link/pdu_ifce.h"
#include "link/serial_trace.h"

namespace quorvel::trace {
namespace {

std::string FeedAll(SecretMask& mask, const std::vector<std::string>& pieces) {
    std::string out;
    for (const std::string& p : pieces) {
        out += mask.feed(p);
    }
    return out + mask.flush();
}

TEST(SerialTraceMask, SecretsAreMaskedWhereverThePiecesSplitThem) {
    const std::string echo = std::string("\r\nPassword: ") + kConsolePassword + "\r\n?";
    const std::string masked = "\r\nPassword: ***\r\n?";
    // Every split of the echo into two pieces, and one byte a piece.
    for (std::size_t cut = 0; cut <= echo.size(); ++cut) {
        SecretMask mask({kConsolePassword, kAccessCode});
        EXPECT_EQ(FeedAll(mask, {echo.substr(0, cut), echo.substr(cut)}), masked) << cut;
    }
    SecretMask bytewise({kConsolePassword, kAccessCode});
    std::vector<std::string> bytes;
    for (char c : std::string("x 47310862\r")) {
        bytes.emplace_back(1, c);
    }
    EXPECT_EQ(FeedAll(bytewise, bytes), "x ***\r");

    // What only begins like a secret is kept back until it is plain, then passes unchanged.
    SecretMask mask({kConsolePassword, kAccessCode});
    EXPECT_EQ(mask.feed("G B 4731"), "G B ");
    EXPECT_TRUE(mask.holding());
    EXPECT_EQ(mask.feed("0\r"), "47310\r");
    EXPECT_EQ(mask.feed("Kel Vor"), "");
    EXPECT_EQ(mask.flush(), "Kel Vor");
    EXPECT_FALSE(mask.holding());
}

TEST(SerialTraceRecord, IsOneJsonLineWithTheBytesInHexAndAsText) {
    const std::string bytes = std::string("\x1b\"a\\\r\n", 6) + "\xe9" + std::string(1, '\0');
    const std::string line = RecordLine(1.5, Direction::Received, bytes);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const auto j = nlohmann::json::parse(line);
    EXPECT_EQ(j["t"], 1.5);
    EXPECT_EQ(j["dir"], "rx");
    EXPECT_EQ(j["bytes"], "1b 22 61 5c 0d 0a e9 00");
    // Control bytes and the upper half are code points of their own: the text maps back to
    // the bytes one for one.
    const std::string text = j["text"];
    EXPECT_EQ(text, std::string("\x1b\"a\\\r\n\xc3\xa9", 8) + std::string(1, '\0'));
    EXPECT_EQ(nlohmann::json::parse(RecordLine(0, Direction::Sent, "v\r"))["dir"], "tx");
}

TEST(SerialTraceFile, TwoThreadsWriteWholeLinesAndSecretsNeverReachTheFile) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("quorvel-trace-" + std::to_string(::getpid()) + ".jsonl"))
                                 .string();
    std::string error;
    ::unsetenv("QUORVEL_TRACE");
    ASSERT_TRUE(StartFromOption("", "test", error));  // nothing asked for: nothing traced
    EXPECT_FALSE(Active());
    ASSERT_TRUE(Start(path, false, "test", error)) << error;
    Bytes(Direction::Sent, "\x1b", 1);
    constexpr int kRounds = 200;
    auto writer = [](Direction dir, const std::string& text) {
        for (int i = 0; i < kRounds; ++i) {
            Bytes(dir, text.data(), text.size());
        }
    };
    std::thread a(writer, Direction::Sent, std::string("I ") + kAccessCode + "\r");
    std::thread b(writer, Direction::Received, std::string(kConsolePassword) + "\r\n?");
    a.join();
    b.join();
    Event("error", std::string("Login: could not elicit prompt from serial COM device, [") +
                       kConsolePassword + "]\n");
    Stop();
    Bytes(Direction::Sent, "late", 4);  // after Stop: dropped

    std::ifstream in(path);
    std::string line, sent, received, errorDetail;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        EXPECT_EQ(line.find(kConsolePassword), std::string::npos) << line;
        EXPECT_EQ(line.find(kAccessCode), std::string::npos) << line;
        const auto j = nlohmann::json::parse(line);
        if (j.contains("dir")) {
            (j["dir"] == "tx" ? sent : received) += j["text"].get<std::string>();
        } else if (j["event"] == "error") {
            errorDetail = j["detail"];
        }
    }
    EXPECT_EQ(errorDetail, "Login: could not elicit prompt from serial COM device, [***]");
    std::string wantSent = "\x1b", wantReceived;
    for (int i = 0; i < kRounds; ++i) {
        wantSent += "I ***\r";
        wantReceived += "***\r\n?";
    }
    EXPECT_EQ(sent, wantSent);
    EXPECT_EQ(received, wantReceived);
    EXPECT_GE(lines, 2 * kRounds + 4);  // start, ESC, the records, the error, stop
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace quorvel::trace
