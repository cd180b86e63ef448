// The model dialog's MIB files for a model with more circuits than a first-generation (KVB V1)
// module numbers: the dialog says why no file was written, and the all-Ethernet-models run
// writes the others and lists the models it skipped.
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
    void SetUp() override {
        ModelDialogTest::SetUp();
        list_ = {kModelQB, SixCircuits(), kModelTD};
        dlg_ = open(list_);
        dlg_->setFileNameAsker([this](bool, const QString&, int* gen, QWidget*) {
            if (gen != nullptr) {
                *gen = generation_;
            }
            return std::optional<QString>(answer_);
        });
    }

    QTemporaryDir dir_;
    QString answer_;
    int generation_ = 1;
    std::vector<ModelListEntry> list_;
    std::unique_ptr<CSetModelDlg> dlg_;
};

TEST_F(ModelDialogMib, FirstGenerationOfSixCircuitsSaysWhy) {
    Choose(Child<QComboBox>(*dlg_, "modelList"), 1);
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
