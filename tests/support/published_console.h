// The device operation tests' fixture: a PDU interface logged in on the memory line and
// published as the current interface; the test scripts the console's answers and reads back
// every command line the console received.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/console_lease.h"
#include "link/pdu_ifce.h"
#include "support/memory_device.h"
#include "support/script_console.h"

namespace quorvel::test {

class PublishedConsole : public ::testing::Test {
  protected:
    void SetUp() override {
        console = std::make_shared<ScriptConsole>();
        answerAndRecord(*mem.line, console, &lines);
        ASSERT_TRUE(ifce.Login());
        PublishInterface(&ifce);
    }
    void TearDown() override { PublishInterface(nullptr); }
    void accept(const std::string& line) { console->answers[line] = "\r\n?"; }
    void answer(const std::string& line, const std::string& text) {
        console->answers[line] = queryAnswer(text);
    }

    MemoryTransport mem;
    std::shared_ptr<ScriptConsole> console;
    std::vector<std::string> lines;
    PDUIfce ifce;
};

}  // namespace quorvel::test
