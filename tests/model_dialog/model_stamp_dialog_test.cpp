// Stamping from the model dialog into the simulated PDU behind the main window, and reading the
// model back with Get Model: the second generation gets the converted records, the third the
// stored ones, the first the code alone; every question in order.
#include <QPushButton>

#include "catalogue/attribute_tables.h"
#include "link/device_ops.h"
#include "model_dialog_support.h"
#include "support/gui_session.h"

namespace quorvel::dialogs::testing {
namespace {

class StampIntoPdu : public ::testing::Test {
  protected:
    void SetUp() override {
        IsolateSettings();
        ClearStoredModels();
    }
    void TearDown() override { main_.end(); }

    void connectTo(const std::string& profile) {
        ASSERT_NO_FATAL_FAILURE(main_.open(profile, true));
        ASSERT_NO_FATAL_FAILURE(main_.connect());
    }

    // Runs the dialog from the main window's Model button.
    void withModelDialog(const std::function<void(CSetModelDlg&)>& script) {
        WithLaunchedDialog(script, nullptr, [&] {
            auto* button = Child<QPushButton>(main_.window(), "modelButton");
            ASSERT_TRUE(button->isVisible());
            button->click();
        });
    }

    // The PDU's identity words and map record as the device now reports them.
    static ModelWords pduWords(std::uint8_t* map = nullptr) {
        ModelWords w;
        EXPECT_GE(ReadIdentity(&w.feature, &w.attribute, &w.extension, map), 2);
        return w;
    }

    std::vector<QString> texts() const {
        std::vector<QString> t;
        for (const auto& s : prompter_.shown) {
            t.push_back(s.text);
        }
        return t;
    }

    ScriptedPrompter prompter_;
    gui_test::MainWindow main_{prompter_};
};

const QString kOverwrite =
    "Already stamped with:\nCode 07C0:D26C1202:0000 - model SQV11220241BB-3\nDo you want to "
    "overwrite them with:\nCode 47E0:1BACB3BA:0000 - model STV433303D1DL-4?";
const QString kReboot = "Model Stamped successfully, do you want to reboot the PDU to take effect?";
const QString kAlready = "Model and submodel are already stamped with current settings";

TEST_F(StampIntoPdu, SecondGenerationGetsConvertedRecordsAndReadsBack) {
    StoreModels({kModelQB, kModelTD});
    ASSERT_NO_FATAL_FAILURE(connectTo("v2"));  // stamped with SQV11220241BB-3
    withModelDialog([&](CSetModelDlg& dlg) {
        QComboBox* list = Child<QComboBox>(dlg, "modelList");
        Choose(list, 1);                               // STV433303D1DL-4
        prompter_.script = {Answer::Yes, Answer::No};  // overwrite; no reboot
        Click(dlg, "stampModelButton");
        EXPECT_EQ(texts(), (std::vector<QString>{kOverwrite, kReboot}));
        EXPECT_EQ(prompter_.shown[0].title, "Stamp Model Code");
        EXPECT_EQ(dlg.workingList().at(1).words.extension, 0);  // no marker below V3

        // Read back with the model selected: the PDU holds exactly its words.
        Click(dlg, "getModelButton");
        EXPECT_EQ(prompter_.shown.back().title, "Get Model Code");
        EXPECT_EQ(prompter_.shown.back().text, kAlready);

        // Read back without a selection: the listed model is found and shown.
        Choose(dlg, "metersCombo", 1);
        ASSERT_EQ(list->currentIndex(), -1);
        const std::size_t shown = prompter_.shown.size();
        Click(dlg, "getModelButton");
        EXPECT_EQ(prompter_.shown.size(), shown);
        EXPECT_EQ(list->currentText(), "STV433303D1DL-4");
        EXPECT_EQ(Text(dlg, "partNumberText"), "STV433303D1DL-4");
        EXPECT_EQ(Text(dlg, "modelCodeText"), "47E0:1BACB3BA:0000");
        EXPECT_TRUE(Enabled(dlg, "stampModelButton"));

        // Stamping again asks whether to re-stamp; No ends it.
        prompter_.script = {Answer::No};
        Click(dlg, "stampModelButton");
        EXPECT_EQ(prompter_.shown.back().text,
                  "Model and submodel are already stamped correctly\nDo you want to re-stamp "
                  "them anyway?");
    });
    std::uint8_t map[kKvbMapRecordBytes] = {};
    EXPECT_EQ(pduWords(map), (ModelWords{kModelTD.feature, kModelTD.attribute, 0}));
    KvbMapRecord converted{};
    const ModelCode td{kModelTD.feature, kModelTD.attribute, 0};
    ASSERT_TRUE(Attributes().kvbMapRecord(td, &converted, false));
    EXPECT_EQ(0, std::memcmp(map, &converted, sizeof map));
    std::uint8_t layout[kLayoutRecordBytes] = {};
    ASSERT_EQ(ReadLayoutRecord(layout), 1);
    LayoutRecord expected{};
    ASSERT_TRUE(Attributes().layoutRecord(td, &expected, false));
    EXPECT_EQ(0, std::memcmp(layout, &expected, sizeof layout));
}

TEST_F(StampIntoPdu, ThirdGenerationGetsStoredRecordsAndAReboot) {
    StoreModels({kModelQB});
    ASSERT_NO_FATAL_FAILURE(connectTo("v3"));  // stamped with STV433303D1DL-4
    // What the PDU holds once stamped, read while the reboot question is on screen.
    ModelWords stamped;
    std::uint8_t map[kKvbMapRecordBytes] = {};
    prompter_.onQuestion = [&] {
        if (prompter_.shown.back().text == kReboot) {
            stamped = pduWords(map);
        }
    };
    withModelDialog([&](CSetModelDlg& dlg) {
        // The PDU's model is not listed: it comes into the list's edit field, ready to add.
        QComboBox* list = Child<QComboBox>(dlg, "modelList");
        Click(dlg, "getModelButton");
        EXPECT_TRUE(prompter_.shown.empty());
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->currentText(), "STV433303D1DL-4");
        EXPECT_EQ(Text(dlg, "modelCodeText"), "47E0:1BACB3BA:0000");
        EXPECT_EQ(Child<QComboBox>(dlg, "socketTypeCombo")->currentData().toInt(), 107);
        EXPECT_TRUE(Enabled(dlg, "addButton"));

        Choose(list, 0);
        prompter_.script = {Answer::Yes, Answer::Yes};  // overwrite; reboot
        Click(dlg, "stampModelButton");
        ASSERT_EQ(prompter_.shown.size(), 2u);
        EXPECT_TRUE(prompter_.shown[0].text.startsWith(
            "Already stamped with:\nCode 47E0:1BACB3BA:0000 - model STV433303D1DL-4\n"));
        EXPECT_TRUE(
            prompter_.shown[0].text.endsWith("Code 07C0:D26C1202:1000 - model SQV11220241BB-3?"));
        EXPECT_EQ(prompter_.shown[1].text, kReboot);
        EXPECT_EQ(dlg.workingList().at(0).words.extension, 0x1000);
        EXPECT_EQ(Text(dlg, "modelCodeText"), "07C0:D26C1202:1000");
    });
    EXPECT_EQ(stamped.feature, kModelQB.feature);
    EXPECT_EQ(stamped.attribute, kModelQB.attribute);
    KvbMapRecord stored{};
    ASSERT_TRUE(Attributes().kvbMapRecord(ModelCode{kModelQB.feature, kModelQB.attribute, 0x1000},
                                          &stored, false));
    EXPECT_EQ(0, std::memcmp(map, &stored, sizeof map));
    KvbMapRecord converted{};
    ASSERT_TRUE(Attributes().kvbMapRecord(ModelCode{kModelQB.feature, kModelQB.attribute, 0},
                                          &converted, false));
    EXPECT_NE(0, std::memcmp(map, &converted, sizeof map));  // the packed, stored form
}

TEST_F(StampIntoPdu, FirstGenerationStampsTheCodeAlone) {
    StoreModels({kModelSerialOnly});
    ASSERT_NO_FATAL_FAILURE(connectTo("v1"));
    std::uint8_t before[kKvbMapRecordBytes] = {};
    pduWords(before);
    withModelDialog([&](CSetModelDlg& dlg) {
        Choose(Child<QComboBox>(dlg, "modelList"), 0);
        prompter_.script = {Answer::Yes, Answer::No};
        Click(dlg, "stampModelButton");
        ASSERT_EQ(prompter_.shown.size(), 2u);
        EXPECT_EQ(prompter_.shown[1].text, kReboot);
    });
    std::uint8_t after[kKvbMapRecordBytes] = {};
    const ModelWords w = pduWords(after);
    EXPECT_EQ(w.feature, kModelSerialOnly.feature);
    EXPECT_EQ(w.attribute, kModelSerialOnly.attribute);
    EXPECT_EQ(0, std::memcmp(before, after, sizeof after));  // the map record stays
}

}  // namespace
}  // namespace quorvel::dialogs::testing
