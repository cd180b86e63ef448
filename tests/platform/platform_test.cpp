// Events, message ports and the COM port map.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "platform/bounded_thread.h"
#include "platform/events.h"
#include "platform/message_target.h"
#include "platform/port_map.h"
#include "platform/program_path.h"

namespace quorvel::platform {
namespace {

TEST(AutoResetEvent, OneWaitConsumesOneSignal) {
    AutoResetEvent ev;
    EXPECT_FALSE(ev.wait(0));
    ev.set();
    ev.set();
    EXPECT_TRUE(ev.wait(0));
    EXPECT_FALSE(ev.wait(10));
    std::thread t([&ev] { ev.set(); });
    EXPECT_TRUE(ev.wait(5000));
    t.join();
}

TEST(NamedEvents, OpenFindsOnlyWhatWasCreated) {
    EXPECT_EQ(OpenNamedEvent("test-event-a"), nullptr);
    auto created = CreateNamedEvent("test-event-a");
    EXPECT_EQ(OpenNamedEvent("test-event-a"), created);
    EXPECT_EQ(CreateNamedEvent("test-event-a"), created);
    CloseNamedEvent("test-event-a");
    EXPECT_EQ(OpenNamedEvent("test-event-a"), nullptr);
}

TEST(MessagePort, PostsAfterDetachAreDropped) {
    MessageQueue queue;
    MessagePort port(&queue);
    port.post(0x40A, 1, 2);
    port.detach();
    port.post(0x40B, 3, 4);
    auto m = queue.take(0);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->msg, 0x40Au);
    EXPECT_EQ(m->lParam, 2);
    EXPECT_FALSE(queue.take(10).has_value());
}

class PortMap : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quorvel-portmap-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "TEVRA");
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        ::unsetenv("QUORVEL_COM4");
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("QUORVEL_COM4");
        setPortOverride(4, "");
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
};

TEST_F(PortMap, OverrideThenEnvironmentThenSettingsThenTtyS) {
    EXPECT_EQ(resolvePortPath(4), "/dev/ttyS3");
    std::ofstream(dir / "TEVRA" / "Quorvel.conf")
        << "[MRU]\nCOM4=/dev/wrong\n[Ports]\nCOM4 = /dev/ttyUSB1\n";
    EXPECT_EQ(resolvePortPath(4), "/dev/ttyUSB1");
    ::setenv("QUORVEL_COM4", "/dev/ttyACM0", 1);
    EXPECT_EQ(resolvePortPath(4), "/dev/ttyACM0");
    setPortOverride(4, "/dev/pts/99");
    EXPECT_EQ(resolvePortPath(4), "/dev/pts/99");
}

TEST(PortNumbers, ParseComNamesAndNumbers) {
    EXPECT_EQ(parsePortNumber("COM3"), 3);
    EXPECT_EQ(parsePortNumber("com20"), 20);
    EXPECT_EQ(parsePortNumber("7"), 7);
    EXPECT_EQ(parsePortNumber("COM0"), 0);
    EXPECT_EQ(parsePortNumber("COM21"), 0);
    EXPECT_EQ(parsePortNumber("COMX"), 0);
    EXPECT_EQ(parsePortNumber(""), 0);
}

TEST(ProgramPath, NamesTheRunningTestProgram) {
    EXPECT_EQ(programPath().filename(), "test_platform");
    EXPECT_EQ(programDirectory(), programPath().parent_path());
}

TEST(BoundedThread, JoinsWhatEndsInTimeAndLetsTheRestGoOnItsOwn) {
    BoundedThread quick;
    EXPECT_TRUE(quick.finished());
    quick.start([] {});
    EXPECT_TRUE(quick.finish(5000));
    EXPECT_FALSE(quick.running());

    // A body that outlasts the bound keeps what it shares and still ends.
    auto release = std::make_shared<AutoResetEvent>();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    {
        BoundedThread slow;
        slow.start([release, ended] {
            release->wait(10000);
            ended->store(true);
        });
        EXPECT_FALSE(slow.finish(50));
        EXPECT_FALSE(slow.running());
    }
    release->set();
    for (int i = 0; i < 500 && !ended->load(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(ended->load());
}

}  // namespace
}  // namespace quorvel::platform
