// The thread's stop request and unanswered note: a scope points the thread at its flags for as
// long as it lives and gives the previous ones back; other threads never see them.
#include <gtest/gtest.h>

#include <thread>

#include "platform/thread_stop.h"

namespace quorvel::platform {
namespace {

TEST(ThreadStop, ScopesPointTheThreadAtTheirFlagsAndGiveThePreviousOnesBack) {
    EXPECT_FALSE(ThreadStopRequested());
    NoteUnanswered();  // no worker: nothing to tell

    std::atomic<bool> stop{false};
    std::atomic<bool> unanswered{false};
    {
        const ThreadStopScope outer(&stop, &unanswered);
        EXPECT_FALSE(ThreadStopRequested());
        stop = true;
        EXPECT_TRUE(ThreadStopRequested());
        bool otherThreadSees = true;
        std::thread([&otherThreadSees] { otherThreadSees = ThreadStopRequested(); }).join();
        EXPECT_FALSE(otherThreadSees);
        {
            // A byte flag replaces the stop request and keeps the note.
            std::atomic<std::uint8_t> byte{0};
            const ThreadStopScope inner(&byte);
            EXPECT_FALSE(ThreadStopRequested());
            byte = 2;
            EXPECT_TRUE(ThreadStopRequested());
            NoteUnanswered();
            EXPECT_TRUE(unanswered);
            {
                // A scope without flags changes nothing.
                const ThreadStopScope none(static_cast<const std::atomic<bool>*>(nullptr));
                byte = 0;
                EXPECT_FALSE(ThreadStopRequested());
            }
            {
                // A bool flag replaces the byte in turn.
                std::atomic<bool> second{false};
                std::atomic<bool> secondNote{false};
                const ThreadStopScope again(&second, &secondNote);
                byte = 1;
                EXPECT_FALSE(ThreadStopRequested());
                NoteUnanswered();
                EXPECT_TRUE(secondNote);
            }
            EXPECT_TRUE(ThreadStopRequested());  // the byte again
        }
        EXPECT_TRUE(ThreadStopRequested());  // the outer flag again
        stop = false;
        EXPECT_FALSE(ThreadStopRequested());
    }
    stop = true;
    EXPECT_FALSE(ThreadStopRequested());
    unanswered = false;
    NoteUnanswered();
    EXPECT_FALSE(unanswered);
}

}  // namespace
}  // namespace quorvel::platform
