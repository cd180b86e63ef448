// Test entry point shared by every test program.
#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    // A peer that vanishes mid-write must surface as an error, not kill the test run.
    std::signal(SIGPIPE, SIG_IGN);
#ifdef QUORVEL_TEST_FILTER
    // A program that holds one share of a folder's suites runs that share, unless the command
    // line names a filter of its own.
    GTEST_FLAG_SET(filter, QUORVEL_TEST_FILTER);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
