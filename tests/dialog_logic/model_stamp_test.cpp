// Get Model and Stamp Model over a scripted port: the stamp kinds and the ExtensionWord per
// hardware generation, every question and message in order, and each failure's message.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <vector>

#include "dialogs/logic/model_stamp.h"

namespace quorvel::dialogs {
namespace {

constexpr ModelWords kNever{0xFFFF, 0xFFFFFFFF, 0};

// Answers as a scripted device and operator, and writes down everything that happened.
class ScriptedPort : public ModelDevicePort {
  public:
    int versionTexts = 2;
    std::string generation = "V3";
    int modelResult = 4;
    ModelWords pduWords = kNever;
    bool stampOk[3] = {true, true, true};
    std::deque<bool> answers;  // Yes when the script runs out

    std::vector<std::string> log;
    std::vector<ModelWords> stamped;

    int readVersion(VersionText& first, VersionText& second) override {
        log.push_back("version");
        std::strcpy(first, "03.01.04");
        std::strcpy(second, generation.c_str());
        return versionTexts;
    }
    int readModel(ModelWords& words) override {
        log.push_back("model");
        words = pduWords;
        return modelResult;
    }
    bool stamp(const ModelWords& words, int kind) override {
        log.push_back("stamp " + std::to_string(kind));
        stamped.push_back(words);
        return stampOk[kind];
    }
    void reboot() override { log.push_back("reboot"); }
    std::string encode(const ModelWords& words, std::size_t capacity) override {
        EXPECT_EQ(capacity, expectedCapacity);
        return "S" + CodeText(words);
    }
    bool ask(const char* title, const std::string& text) override {
        log.push_back(std::string("ask ") + title + ": " + text);
        if (answers.empty()) {
            return true;
        }
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void tell(const char* title, const std::string& text, Note note) override {
        log.push_back(std::string(note == Note::Failure ? "fail " : "note ") + title + ": " + text);
    }

    std::size_t expectedCapacity = 50;
};

const std::string kReboot =
    "ask Stamp Model Code: Model Stamped successfully, do you want to reboot the PDU to take "
    "effect?";

TEST(HardwareVersion, FromTheVersionTexts) {
    EXPECT_EQ(HardwareVersion(2, "V2"), 2);
    EXPECT_EQ(HardwareVersion(2, "V3"), 3);
    EXPECT_EQ(HardwareVersion(2, "V4"), 4);
    EXPECT_EQ(HardwareVersion(2, "V3.1"), 3);  // begins with
    EXPECT_EQ(HardwareVersion(2, "V5"), 1);
    EXPECT_EQ(HardwareVersion(2, "v3"), 1);
    EXPECT_EQ(HardwareVersion(1, "V3"), 1);  // a single text: first generation
    EXPECT_EQ(HardwareVersion(2, ""), 1);
    EXPECT_EQ(HardwareVersion(2, nullptr), 1);
}

TEST(HardwareVersion, StampExtensionPerGeneration) {
    EXPECT_EQ(StampExtension(0x030A, 4), 0x130A);  // all kept, marker set
    EXPECT_EQ(StampExtension(0x030A, 3), 0x100A);  // bits 8..11 cleared
    EXPECT_EQ(StampExtension(0x330A, 3), 0x300A);
    EXPECT_EQ(StampExtension(0x330A, 2), 0x000A);  // the marker goes again
    EXPECT_EQ(StampExtension(0x030A, 1), 0x000A);
}

struct GenerationCase {
    std::string generation;
    int texts;
    std::vector<std::string> stamps;
    std::uint16_t extension;
};

TEST(StampModel, KindsAndWordsByGeneration) {
    const ModelWords entry{0x07C0, 0xD26C1202, 0x0205};
    const GenerationCase cases[] = {
        {"V4", 2, {"stamp 1", "stamp 2"}, 0x1205},  // stored records, bits 8..11 kept
        {"V3", 2, {"stamp 1", "stamp 2"}, 0x1005},  // stored records (above 0x0FFF)
        {"V2", 2, {"stamp 1", "stamp 2"}, 0x0005},  // converted records
        {"V9", 2, {"stamp 0"}, 0x0005},             // any other text: the code alone
        {"V3", 1, {"stamp 0"}, 0x0005},             // one text: first generation
    };
    for (const GenerationCase& c : cases) {
        ScriptedPort port;
        port.generation = c.generation;
        port.versionTexts = c.texts;
        ModelWords words = entry;
        EXPECT_EQ(RunStampModel(port, words), StampOutcome::Stamped) << c.generation;
        EXPECT_EQ(words.extension, c.extension) << c.generation;
        std::vector<std::string> expected{"version", "model"};
        expected.insert(expected.end(), c.stamps.begin(), c.stamps.end());
        expected.push_back(kReboot);
        expected.push_back("reboot");
        EXPECT_EQ(port.log, expected) << c.generation;
        for (const ModelWords& s : port.stamped) {
            EXPECT_EQ(s, words) << c.generation;  // every stamp carries the adjusted words
        }
    }
}

TEST(StampModel, AlreadyStampedAsksTwiceAndHonoursNo) {
    const ModelWords entry{0x07C0, 0xD26C1202, 0x0000};
    ScriptedPort port;
    port.generation = "V2";
    port.pduWords = entry;  // what V2 stamping leaves in the entry
    port.answers = {false};
    ModelWords words = entry;
    EXPECT_EQ(RunStampModel(port, words), StampOutcome::Declined);
    ASSERT_EQ(port.log.size(), 3u);
    EXPECT_EQ(port.log[2],
              "ask Stamp Model Code: Model and submodel are already stamped correctly\nDo you "
              "want to re-stamp them anyway?");
    EXPECT_TRUE(port.stamped.empty());

    // Yes: the overwrite question follows, then the stamps and the reboot question (No).
    port.log.clear();
    port.answers = {true, true, false};
    EXPECT_EQ(RunStampModel(port, words), StampOutcome::Stamped);
    ASSERT_EQ(port.log.size(), 7u);
    EXPECT_EQ(port.log[3].rfind("ask Stamp Model Code: Already stamped with:", 0), 0u);
    EXPECT_EQ(port.log[4], "stamp 1");
    EXPECT_EQ(port.log[5], "stamp 2");
    EXPECT_EQ(port.log[6], kReboot);  // answered No: no reboot
}

TEST(StampModel, OverwriteQuestionNamesBothCodes) {
    ScriptedPort port;
    port.generation = "V3";
    port.pduWords = ModelWords{0x47E0, 0x1BACB3BA, 0x0000};
    port.answers = {false};
    ModelWords words{0x07C0, 0xD26C1202, 0x0000};
    EXPECT_EQ(RunStampModel(port, words), StampOutcome::Declined);
    ASSERT_EQ(port.log.size(), 3u);
    EXPECT_EQ(port.log[2],
              "ask Stamp Model Code: Already stamped with:\nCode 47E0:1BACB3BA:0000 - model "
              "S47E0:1BACB3BA:0000\nDo you want to overwrite them with:\nCode "
              "07C0:D26C1202:1000 - model S07C0:D26C1202:1000?");
    // Declined after the adjustment: the entry keeps its adjusted word.
    EXPECT_EQ(words.extension, 0x1000);
}

TEST(StampModel, NeverStampedPduIsStampedWithoutQuestions) {
    ScriptedPort port;
    port.generation = "V2";
    port.answers = {true};
    ModelWords words{0x0080, 0x00000002, 0};
    EXPECT_EQ(RunStampModel(port, words), StampOutcome::Stamped);
    EXPECT_EQ(port.log, (std::vector<std::string>{"version", "model", "stamp 1", "stamp 2", kReboot,
                                                  "reboot"}));
}

// Each failure ends the run with its message; the words keep what was adjusted before it (nothing
// before the model was read) and no stamp follows a failed one.
TEST(StampModel, FailuresStopWithTheirMessage) {
    const ModelWords entry{0x0080, 0x00000002, 0x0300};
    const struct {
        void (*arrange)(ScriptedPort&);
        StampOutcome outcome;
        std::string message;
        std::uint16_t extension;
        std::size_t stamps;
    } cases[] = {
        {[](ScriptedPort& p) { p.versionTexts = 0; }, StampOutcome::NoVersion,
         "Failed to Get Version of KVB code", 0x0300, 0},
        {[](ScriptedPort& p) { p.modelResult = 1; }, StampOutcome::NoModel, "Failed GetModel",
         0x0300, 0},
        {[](ScriptedPort& p) {
             p.generation = "V1";
             p.stampOk[0] = false;
         },
         StampOutcome::StampFailed, "Could not stamp model & submodel on version 1 hardware",
         0x0000, 1},
        {[](ScriptedPort& p) { p.stampOk[1] = false; }, StampOutcome::StampFailed,
         "Could not stamp model and submodel with attributes, please try again", 0x1000, 1},
        {[](ScriptedPort& p) { p.stampOk[2] = false; }, StampOutcome::StampFailed,
         "Could not store port map table, please try again", 0x1000, 2},
    };
    for (const auto& c : cases) {
        ScriptedPort port;
        c.arrange(port);
        ModelWords words = entry;
        EXPECT_EQ(RunStampModel(port, words), c.outcome) << c.message;
        EXPECT_EQ(port.log.back(), "fail Stamp Model Code: " + c.message);
        EXPECT_EQ(words, (ModelWords{entry.feature, entry.attribute, c.extension})) << c.message;
        EXPECT_EQ(port.stamped.size(), c.stamps) << c.message;
    }
}

TEST(GetModel, Outcomes) {
    ScriptedPort port;
    port.expectedCapacity = 64;
    port.modelResult = 1;
    EXPECT_EQ(RunGetModel(port, nullptr).outcome, GetModelOutcome::Failed);
    EXPECT_EQ(port.log.back(), "fail Stamp Model Code: Failed GetModel");

    port.modelResult = 2;
    port.pduWords = kNever;
    EXPECT_EQ(RunGetModel(port, nullptr).outcome, GetModelOutcome::NeverStamped);
    EXPECT_EQ(port.log.back(),
              "note Get Model Code: Model and submodel have never been stamped on this PDU");

    const ModelWords listed{0x07C0, 0xD26C1202, 0x1000};
    port.pduWords = listed;
    EXPECT_EQ(RunGetModel(port, &listed).outcome, GetModelOutcome::AlreadyStamped);
    EXPECT_EQ(port.log.back(),
              "note Get Model Code: Model and submodel are already stamped with current settings");

    const ModelWords other{0x07C0, 0xD26C1202, 0x0000};
    port.log.clear();
    const GetModelResult read = RunGetModel(port, &other);
    EXPECT_EQ(read.outcome, GetModelOutcome::Read);
    EXPECT_EQ(read.words, listed);
    EXPECT_EQ(read.text, "S07C0:D26C1202:1000");
    EXPECT_EQ(port.log, std::vector<std::string>{"model"});  // nothing to tell
}

}  // namespace
}  // namespace quorvel::dialogs
