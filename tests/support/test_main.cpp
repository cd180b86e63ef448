// Test entry point shared by every test program.
#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    // A peer that vanishes mid-write must surface as an error, not kill the test run.
    std::signal(SIGPIPE, SIG_IGN);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
