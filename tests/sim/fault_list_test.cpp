// The failure modes as the command lines give them.
#include <gtest/gtest.h>

#include "sim/fault_list.h"

namespace quorvel::sim {
namespace {

TEST(FaultList, ItemsAddUpAndBadItemsSayWhich) {
    Faults f;
    std::string error;
    ASSERT_TRUE(
        ParseFaultList("silent-from=5,slow=150,,drop-chars=7,drop-chars-from=3,"
                       "hangup-at=9,garbage-from=4,refuse-password",
                       f, error))
        << error;
    EXPECT_EQ(f.silentFromLine, 5U);
    EXPECT_EQ(f.slowMs, 150U);
    EXPECT_EQ(f.dropCharsEvery, 7U);
    EXPECT_EQ(f.dropCharsFromLine, 3U);
    EXPECT_EQ(f.hangupAtLine, 9U);
    EXPECT_EQ(f.garbageFromLine, 4U);
    EXPECT_TRUE(f.refusePassword);
    EXPECT_FALSE(f.silent);
    EXPECT_TRUE(ParseFaultList("", f, error));
    EXPECT_FALSE(f.anchor);
    ASSERT_TRUE(ParseFaultList("anchor=G B,silent-from=1", f, error)) << error;
    EXPECT_EQ(f.anchor, "G B");

    for (const char* bad : {"noise", "slow", "slow=", "slow=fast", "slow=-1", "silent=1",
                            "hangup-at=3x", "drop-chars=99999999999", "anchor", "anchor="}) {
        Faults g;
        EXPECT_FALSE(ParseFaultList(bad, g, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    Faults g;
    EXPECT_FALSE(ParseFaultList("slow=1,bogus", g, error));
    EXPECT_EQ(error, "unknown fault 'bogus'");
}

}  // namespace
}  // namespace quorvel::sim
