// The serial transport against an in-memory device: chunking, the reply buffer rules, waits
// and failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "link/transport.h"
#include "platform/thread_stop.h"
#include "support/memory_device.h"

namespace quorvel {
namespace {

using test::MemoryTransport;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Echoes every chunk back, as the console does.
std::string echo(const std::string& chunk) {
    return chunk;
}

class TransportTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(transport::OpenCOMDev()); }
    MemoryTransport mem;
};

TEST_F(TransportTest, LongLinesAreSentInTwoHalvesPacedByTheEcho) {
    mem.line->responder = echo;
    char reply[256];
    std::string text80(80, 'a');
    ASSERT_TRUE(transport::XferCOMString(text80.c_str(), 0, reply, sizeof reply, nullptr));
    std::string text81(81, 'b');
    ASSERT_TRUE(transport::XferCOMString(text81.c_str(), 0, reply, sizeof reply, nullptr));
    ASSERT_EQ(mem.line->writes.size(), 3u);
    EXPECT_EQ(mem.line->writes[0].size(), 80u);
    EXPECT_EQ(mem.line->writes[1].size(), 40u);
    EXPECT_EQ(mem.line->writes[2].size(), 41u);
    // The echo of the first half is read before the second half goes out, sized to the chunk,
    // and it alone paces the line.
    EXPECT_EQ(mem.line->readSizes[2], 40u);
    EXPECT_LT(mem.line->writeTimes[2] - mem.line->writeTimes[1], std::chrono::milliseconds(100));
}

TEST_F(TransportTest, WithoutAReplyBufferTheSecondHalfFollowsAPause) {
    std::string text(100, 'c');
    ASSERT_TRUE(transport::XferCOMString(text.c_str(), 0, nullptr, 0, nullptr));
    ASSERT_EQ(mem.line->writes.size(), 2u);
    EXPECT_EQ(mem.line->writes[0].size(), 50u);
    EXPECT_TRUE(mem.line->readSizes.empty());
    const auto pause = mem.line->writeTimes[1] - mem.line->writeTimes[0];
    EXPECT_GE(pause, std::chrono::milliseconds(200));
    EXPECT_LT(pause, std::chrono::milliseconds(1000));
}

TEST_F(TransportTest, AReadThatWouldFillTheBufferIsDropped) {
    char reply[8];
    mem.line->feed("abcdefgh");  // would leave no room for the terminator
    ASSERT_TRUE(transport::XferCOMString(nullptr, 0, reply, sizeof reply, nullptr));
    EXPECT_STREQ(reply, "");
    mem.line->feed("abcdefg");
    ASSERT_TRUE(transport::XferCOMString(nullptr, 0, reply, sizeof reply, nullptr));
    EXPECT_STREQ(reply, "abcdefg");
    // The same while waiting: the answer that would fill the buffer is not taken.
    struct {
        char reply[8];
        char guard = 'G';
    } b;
    mem.line->responder = [](const std::string& c) { return c + "\r\nab\r?"; };
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 100, b.reply, 8, "?"), 0);
    EXPECT_STREQ(b.reply, "x\r");
    EXPECT_EQ(b.guard, 'G');
    // An echo longer than the buffer is cut to what it holds.
    mem.line->responder = [](const std::string& c) { return c; };
    ASSERT_TRUE(transport::XferCOMString("abcdefghij\r", 0, b.reply, 4, nullptr));
    EXPECT_STREQ(b.reply, "abc");
    EXPECT_EQ(b.guard, 'G');
    // A buffer with room for the terminator alone still ends up holding a text.
    ASSERT_TRUE(transport::XferCOMString("k\r", 0, b.reply, 1, nullptr));
    EXPECT_STREQ(b.reply, "");
    EXPECT_EQ(b.guard, 'G');
}

TEST_F(TransportTest, WaitAccumulatesUntilTheExpectedTextAppears) {
    mem.line->responder = [](const std::string& c) { return c + "\r\nhello\r\n?"; };
    char reply[256];
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 400, reply, sizeof reply, "\r\n?"), 1);
    EXPECT_STREQ(reply, "x\r\r\nhello\r\n?");
}

TEST_F(TransportTest, ZeroWaitSendsAndReadsTheEchoButDoesNotWait) {
    mem.line->responder = [](const std::string& c) { return c + "\r\n?"; };
    char reply[256];
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 0, reply, sizeof reply, "\r\n?"), 0);
    EXPECT_EQ(mem.line->written(), "x\r");
    EXPECT_THAT(mem.line->readSizes, ElementsAre(2u));
    const char* const candidates[] = {"\r\n?", nullptr};
    EXPECT_EQ(transport::XferCOMStringWaitMultipleReply("x\r", 0, reply, sizeof reply, candidates),
              0);
    // A buffer with no room is never written.
    char none[1] = {'Z'};
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 100, none, 0, "\r\n?"), 0);
    EXPECT_EQ(transport::XferCOMStringWaitMultipleReply("x\r", 100, none, 0, candidates), 0);
    EXPECT_EQ(none[0], 'Z');
}

TEST_F(TransportTest, AnAnswerArrivingAByteAtATimeIsKept) {
    mem.line->responder = [](const std::string& c) { return c + "\r\nok\r\n"; };
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        mem.line->feed("?");
    });
    char reply[256];
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 2000, reply, sizeof reply, "\r\n?"),
              1);
    late.join();
    EXPECT_STREQ(reply, "x\r\r\nok\r\n?");
}

TEST_F(TransportTest, AOneByteEchoOfTheFirstHalfIsKept) {
    std::string line(81, 'b');
    line += '\r';
    int calls = 0;
    mem.line->responder = [&calls](const std::string& chunk) {
        return ++calls == 1 ? chunk.substr(0, 1) : std::string(40, 'b') + chunk + "\r\n?";
    };
    char reply[256];
    EXPECT_EQ(
        transport::XferCOMStringWaitSingleReply(line.c_str(), 2000, reply, sizeof reply, "\r\n?"),
        1);
    EXPECT_EQ(reply, line + "\r\n?");
}

TEST_F(TransportTest, SilenceTimesOutWithoutAFailure) {
    char reply[256];
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 100, reply, sizeof reply, "\r\n?"), 0);
    // One read per 20 ms step, after the echo read.
    EXPECT_EQ(mem.line->readSizes.size(), 1u + 5u);
}

TEST_F(TransportTest, AStopRequestEndsAWaitAsTimedOutAfterOneRead) {
    std::atomic<bool> stop{true};
    const platform::ThreadStopScope scope(&stop);
    char reply[256];
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply("x\r", 2000, reply, sizeof reply, "\r\n?"),
              0);
    const char* candidates[] = {"?", nullptr};
    EXPECT_EQ(
        transport::XferCOMStringWaitMultipleReply("y\r", 2000, reply, sizeof reply, candidates), 0);
    EXPECT_EQ(mem.line->readSizes.size(), 2u * 2u);  // each: the echo, then one look
}

TEST_F(TransportTest, OnlyTheFirstTenCandidatesCount) {
    mem.line->responder = [](const std::string&) { return std::string("k11"); };
    const char* candidates[] = {"k1x", "k2x", "k3x", "k4x", "k5x", "k6x",
                                "k7x", "k8x", "k9x", "k10", "k11", nullptr};
    char reply[256];
    EXPECT_EQ(transport::XferCOMStringWaitMultipleReply("\r", 60, reply, sizeof reply, candidates),
              0);
    const char* ordered[] = {"zz", "11", "k", nullptr};
    EXPECT_EQ(transport::XferCOMStringWaitMultipleReply("\r", 60, reply, sizeof reply, ordered), 2);
}

TEST_F(TransportTest, ExpectIsComparedFromTheFirstByteEchoIncluded) {
    mem.line->responder = [](const std::string& c) { return c + "OK"; };
    char reply[64];
    const std::string before = transport::LastError();
    EXPECT_FALSE(transport::XferCOMString("a\r", 0, reply, sizeof reply, "OK"));
    EXPECT_TRUE(transport::XferCOMString("a\r", 0, reply, sizeof reply, "a\rOK"));
    EXPECT_EQ(transport::LastError(), before);  // a mismatch is no transport failure
}

TEST_F(TransportTest, FailedReadsAndWritesAreReportedWithTheExchangeName) {
    char reply[64];
    mem.line->failReads = true;
    EXPECT_FALSE(transport::XferCOMString(nullptr, 0, reply, sizeof reply, nullptr));
    EXPECT_EQ(transport::LastError(),
              "XferCOMString: could not get response from serial COM device\n");
    EXPECT_EQ(transport::XferCOMStringWaitSingleReply(nullptr, 40, reply, sizeof reply, "?"), -1);
    EXPECT_EQ(transport::LastError(),
              "XferCOMStringWaitSingleReply: could not get response from serial COM device\n");
    const char* any[] = {"?", nullptr};
    EXPECT_EQ(transport::XferCOMStringWaitMultipleReply(nullptr, 40, reply, sizeof reply, any), -1);
    EXPECT_EQ(transport::LastError(),
              "XferCOMStringWaitMultipleReply: could not get response from serial COM device\n");
    mem.line->failReads = false;
    mem.line->shortWriteBy = 1;
    const char* c[] = {"?", nullptr};
    EXPECT_EQ(transport::XferCOMStringWaitMultipleReply("ab\r", 40, reply, sizeof reply, c), -1);
    EXPECT_EQ(transport::LastError(),
              "XferCOMStringWaitMultipleReply: could not send command to serial COM device\n");

    // Once the port is closed, a read alone fails too instead of reading nothing.
    transport::CloseCOMDev();
    EXPECT_FALSE(transport::XferCOMString(nullptr, 0, reply, sizeof reply, nullptr));
    EXPECT_EQ(transport::LastError(),
              "XferCOMString: could not get response from serial COM device\n");
}

TEST(TransportSettings, SetParamsChecksInOrderAndKeepsTheOldValues) {
    MemoryTransport mem;
    ASSERT_TRUE(transport::SetParams(3, 9600, 8, 0, 0));
    EXPECT_FALSE(transport::SetParams(0, 9600, 8, 0, 0));
    EXPECT_EQ(transport::LastError(), "SetParams: illegal COM port 0\n");
    EXPECT_FALSE(transport::SetParams(21, 9600, 3, 0, 0));
    EXPECT_EQ(transport::LastError(), "SetParams: illegal COM port 21\n");
    EXPECT_FALSE(transport::SetParams(2, 9600, 9, 0, 0));
    EXPECT_EQ(transport::LastError(), "SetParams: illegal number of data bits 9\n");
    EXPECT_FALSE(transport::SetParams(2, 9600, 8, 5, 0));
    EXPECT_EQ(transport::LastError(), "SetParams: illegal parity selection 5\n");
    EXPECT_FALSE(transport::SetParams(2, 9600, 8, 0, 3));
    EXPECT_EQ(transport::LastError(), "SetParams: illegal number of stop bits 3\n");
    EXPECT_EQ(transport::CurrentSettings().port, 3);
}

TEST(TransportSettings, AnUnlistedBaudRatePassesSetParamsButNotTheOpen) {
    MemoryTransport mem;
    ASSERT_TRUE(transport::SetParams(1, 300000, 8, 0, 0));
    EXPECT_FALSE(transport::OpenCOMDev());
    EXPECT_EQ(transport::LastError(), "OpenCOMDev: illegal baud rate 300000\n");
    EXPECT_FALSE(transport::IsOpen());
    EXPECT_EQ(mem.line->opens, 0);
    for (int baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                     115200, 128000, 256000}) {
        ASSERT_TRUE(transport::SetParams(1, baud, 8, 0, 0));
        EXPECT_TRUE(transport::OpenCOMDev()) << baud;
    }
}

TEST(TransportSettings, AFailedOpenNamesTheComDeviceAndLeavesThePortClosed) {
    transport::SetDeviceOpener([](int, const platform::LineSettings&) {
        transport::OpenResult r;
        r.failedStage = 2;
        r.deviceName = "/dev/null";
        r.osError = "Inappropriate ioctl for device";
        return r;
    });
    ASSERT_TRUE(transport::SetParams(7, 9600, 8, 0, 0));
    EXPECT_FALSE(transport::OpenCOMDev());
    EXPECT_EQ(transport::LastError(),
              "OpenCOMDev: could not set the state of serial COM device [\\COM7]\n");
    EXPECT_THAT(transport::LastOsError(), HasSubstr("ioctl"));
    EXPECT_FALSE(transport::SetCOMTimeout(0));
    EXPECT_EQ(transport::LastError(),
              "SetCOMTimeout: could not set timeout for serial COM device\n");
    ASSERT_TRUE(transport::SetParams(20, 9600, 8, 0, 0));  // the last port there is
    EXPECT_FALSE(transport::OpenCOMDev());
    EXPECT_EQ(transport::LastError(),
              "OpenCOMDev: could not set the state of serial COM device [\\COM20]\n");
    transport::SetDeviceOpener(nullptr);
}

}  // namespace
}  // namespace quorvel
