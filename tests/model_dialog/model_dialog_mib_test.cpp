// The model dialog's MIB and BOM files: the names proposed and the generation asked for, the
// files written, a file that cannot be created, and every Ethernet model into a folder; for a
// model with more circuits than a first-generation (KVB V1) module numbers, the dialog says why
// no file was written, and the all-Ethernet-models run writes the others and lists the models
// it skipped.
#include <QFile>
#include <QTemporaryDir>

#include "catalogue/model_code.h"
#include "model_dialog_support.h"

namespace quorvel::dialogs::testing {
namespace {

// SUD436AA653EA-6B: series UE, six circuits, Ethernet.
ModelListEntry SixCircuits() {
    std::string text = "SUD436AA653EA-6B";
    ModelCode c;
    EXPECT_TRUE(decodeModelCode(text, c));
    return ModelListEntry{c.feature, c.attribute, c.extension, 1};
}

class ModelDialogMib : public ModelDialogTest {
  protected:
    // Opens the dialog over `list`; the file name asker records what it was asked and answers
    // `answer_` and `generation_`.
    void open(std::vector<ModelListEntry> list) {
        list_ = std::move(list);
        dlg_ = ModelDialogTest::open(list_);
        dlg_->setFileNameAsker([this](bool directory, const QString& proposal, int* gen, QWidget*) {
            asked_.push_back({directory, proposal, gen != nullptr});
            if (gen != nullptr) {
                *gen = generation_;
            }
            return std::optional<QString>(answer_);
        });
    }
    QComboBox* modelList() { return Child<QComboBox>(*dlg_, "modelList"); }

    struct Asked {
        bool directory;
        QString proposal;
        bool generationOffered;
    };
    QTemporaryDir dir_;
    QString answer_;
    int generation_ = 1;
    std::vector<Asked> asked_;
    std::vector<ModelListEntry> list_;
    std::unique_ptr<CSetModelDlg> dlg_;
};

TEST_F(ModelDialogMib, MibAndBomFiles) {
    open({kModelQB, kModelSerialOnly, kModelTD});
    Choose(modelList(), 2);
    answer_ = dir_.filePath("one.mib");
    Click(*dlg_, "createMibButton");
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_FALSE(asked_[0].directory);
    EXPECT_EQ(asked_[0].proposal, "STV433303D1DL-4.mib");
    EXPECT_TRUE(asked_[0].generationOffered);
    QFile mib(answer_);
    ASSERT_TRUE(mib.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mib.readAll().contains("::= { CurrentLimits 4 }"));  // the first generation

    answer_ = dir_.filePath("one.bom");
    Click(*dlg_, "createBomButton");
    ASSERT_EQ(asked_.size(), 2u);
    EXPECT_EQ(asked_[1].proposal, "STV433303D1DL-4.bom");
    EXPECT_FALSE(asked_[1].generationOffered);
    QFile bom(answer_);
    ASSERT_TRUE(bom.open(QIODevice::ReadOnly));
    EXPECT_TRUE(bom.readAll().contains("* BOM for PDU STV433303D1DL-4"));

    // A file that cannot be created.
    answer_ = dir_.filePath("missing/one.mib");
    Click(*dlg_, "createMibButton");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Create MIB");
    EXPECT_EQ(prompter_.shown[0].text, "Failed creating file");

    // Without a selection: every Ethernet model into a directory, named by its model string.
    Choose(*dlg_, "metersCombo", 1);
    ASSERT_EQ(modelList()->currentIndex(), -1);
    answer_ = dir_.path();  // without the separator: it is added
    generation_ = 2;
    prompter_.shown.clear();
    Click(*dlg_, "allMibsButton");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Create MIB files");
    EXPECT_EQ(prompter_.shown[0].text,
              "Do you want to generate mib files for all the Ethernet models?");
    EXPECT_TRUE(asked_.back().directory);
    EXPECT_TRUE(asked_.back().generationOffered);
    EXPECT_TRUE(QFile::exists(dir_.filePath("SQV11220241BB-3.mib")));
    EXPECT_TRUE(QFile::exists(dir_.filePath("STV433303D1DL-4.mib")));
    EXPECT_FALSE(QFile::exists(dir_.filePath("SQV11020010BA-0.mib")));  // serial only

    answer_ = dir_.filePath("missing");
    Click(*dlg_, "allMibsButton");
    EXPECT_EQ(prompter_.shown.back().text, "Failed creating file");
}

TEST_F(ModelDialogMib, FirstGenerationOfSixCircuitsSaysWhy) {
    open({kModelQB, SixCircuits(), kModelTD});
    Choose(modelList(), 1);
    answer_ = dir_.filePath("ue.mib");
    Click(*dlg_, "createMibButton");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Create MIB");
    EXPECT_EQ(prompter_.shown[0].text,
              "A KVB V1 MIB holds at most 3 circuits and SUD436AA653EA-6B has 6: no file was "
              "written. Choose KVB V2.");
    EXPECT_FALSE(QFile::exists(answer_));

    generation_ = 2;
    prompter_.shown.clear();
    Click(*dlg_, "createMibButton");
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(QFile::exists(answer_));
}

TEST_F(ModelDialogMib, AllEthernetModelsListsTheSkippedOnes) {
    open({kModelQB, SixCircuits(), kModelTD});
    answer_ = dir_.path();
    Click(*dlg_, "allMibsButton");
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[1].kind, "information");
    EXPECT_EQ(prompter_.shown[1].title, "Create MIB files");
    EXPECT_EQ(prompter_.shown[1].text,
              "A KVB V1 MIB holds at most 3 circuits. Skipped: SUD436AA653EA-6B");
    EXPECT_TRUE(QFile::exists(dir_.filePath("SQV11220241BB-3.mib")));
    EXPECT_TRUE(QFile::exists(dir_.filePath("STV433303D1DL-4.mib")));
    EXPECT_FALSE(QFile::exists(dir_.filePath("SUD436AA653EA-6B.mib")));

    generation_ = 2;
    prompter_.shown.clear();
    Click(*dlg_, "allMibsButton");
    EXPECT_EQ(prompter_.shown.size(), 1u) << "the second generation skips nothing";
    EXPECT_TRUE(QFile::exists(dir_.filePath("SUD436AA653EA-6B.mib")));
}

}  // namespace
}  // namespace quorvel::dialogs::testing
