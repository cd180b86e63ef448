// The model dialog with the main program's own operations table, offscreen: the start state,
// composing and showing codes, the check box and TLD rules, the list (add, full, delete, save,
// cancel), list-only mode, reloading the attributes, and a device call that keeps the window
// live.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "dialogs/halvex_exports.h"
#include "dialogs/sock_typ_info_dlg.h"
#include "model_dialog_support.h"
#include "support/gui_session.h"

namespace quorvel::dialogs::testing {
namespace {

using app::MruKind;
using app::MruRead;

// Calls `open`, which shows the socket type description, runs `f` on it and closes it.
void WithInfoDialog(const std::function<void()>& open,
                    const std::function<void(CSockTypInfoDlg&)>& f) {
    gui_test::WithModal(qApp, open, [&](QWidget& shown) {
        auto* info = qobject_cast<CSockTypInfoDlg*>(&shown);
        ASSERT_NE(info, nullptr);
        f(*info);
        info->close();
    });
}

class ModelDialog : public ModelDialogTest {
  protected:
    QComboBox* modelList(QWidget& dlg) { return Child<QComboBox>(dlg, "modelList"); }
};

TEST_F(ModelDialog, StartsWithTheStoredListAndNothingSelected) {
    StoreModels({kModelTD, kModelQB});
    WithLaunchedDialog(
        [](CSetModelDlg& dlg) {
            EXPECT_EQ(dlg.windowTitle(), "Set  PDU Model");
            QComboBox* list = Child<QComboBox>(dlg, "modelList");
            ASSERT_EQ(list->count(), 2);
            EXPECT_EQ(list->itemText(0), "SQV11220241BB-3");  // sorted
            EXPECT_EQ(list->itemText(1), "STV433303D1DL-4");
            EXPECT_EQ(list->itemData(1).toInt(), 0);  // its place in the list
            EXPECT_EQ(list->currentIndex(), -1);
            for (const char* b :
                 {"saveButton", "deleteButton", "createMibButton", "createBomButton", "addButton",
                  "stampModelButton", "socketInfoButton"}) {
                EXPECT_FALSE(Enabled(dlg, b)) << b;
            }
            EXPECT_TRUE(Child<QWidget>(dlg, "allMibsButton")->isVisible());
            EXPECT_TRUE(Child<QWidget>(dlg, "reloadAttrsButton")->isVisible());
            EXPECT_TRUE(Child<QWidget>(dlg, "getModelButton")->isVisible());
            EXPECT_EQ(Child<QCheckBox>(dlg, "environmentCheck")->text(), "Env(T&&H)");
            EXPECT_FALSE(Child<QCheckBox>(dlg, "serialCheck")->isChecked());
            auto* series = Child<QComboBox>(dlg, "socketTypeCombo");
            EXPECT_EQ(series->count(), 11);  // the shipped catalogue's series
            EXPECT_EQ(series->itemText(0),
                      "QB:Vertical 1-phase switched and metered, 16 "
                      "outlets, 2 circuits");
            EXPECT_GE(Child<QComboBox>(dlg, "inputPlugCombo")
                          ->findText("B6:Customer specified "
                                     "cord end"),
                      0);
            EXPECT_EQ(Child<QComboBox>(dlg, "currentCombo")->itemText(2), "16 A");
            for (const char* c : {"phaseCombo", "voltageCombo", "socketTypeCombo", "tldCombo"}) {
                EXPECT_EQ(Child<QComboBox>(dlg, c)->currentIndex(), -1) << c;
            }
        },
        &prompter_);
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ModelDialog, ComposingSelectsAListedModelAndAChangeClearsIt) {
    std::vector<ModelListEntry> list{kModelQB, kModelTD};
    auto dlg = open(list);
    ComposeTd(*dlg);
    EXPECT_EQ(Text(*dlg, "partNumberText"), "STV433303D1DL-4");
    EXPECT_EQ(Text(*dlg, "modelCodeText"), "47E0:1BACB3BA:0000");
    EXPECT_EQ(modelList(*dlg)->currentText(), "STV433303D1DL-4");
    EXPECT_FALSE(Enabled(*dlg, "addButton"));
    EXPECT_TRUE(Enabled(*dlg, "deleteButton"));
    EXPECT_TRUE(Enabled(*dlg, "createMibButton"));
    EXPECT_TRUE(Enabled(*dlg, "stampModelButton"));
    EXPECT_FALSE(Child<QWidget>(*dlg, "allMibsButton")->isVisible());

    Choose(*dlg, "metersCombo", 2);  // no longer the listed model
    EXPECT_EQ(modelList(*dlg)->currentIndex(), -1);
    EXPECT_EQ(Text(*dlg, "partNumberText"), "STV433302D1DL-4");
    EXPECT_TRUE(Enabled(*dlg, "addButton"));
    EXPECT_FALSE(Enabled(*dlg, "deleteButton"));
    EXPECT_FALSE(Enabled(*dlg, "stampModelButton"));
    EXPECT_TRUE(Child<QWidget>(*dlg, "allMibsButton")->isVisible());

    // Selecting a listed model shows it in every control.
    Choose(modelList(*dlg), 0);
    EXPECT_EQ(Text(*dlg, "modelCodeText"), "07C0:D26C1202:0000");
    EXPECT_EQ(Child<QComboBox>(*dlg, "socketTypeCombo")->currentData().toInt(), 27);
    EXPECT_EQ(Child<QComboBox>(*dlg, "tldCombo")->currentText(), "3");
    EXPECT_FALSE(Child<QCheckBox>(*dlg, "voltageMeterCheck")->isChecked());
    EXPECT_TRUE(Enabled(*dlg, "socketInfoButton"));
    EXPECT_FALSE(Enabled(*dlg, "addButton"));
}

TEST_F(ModelDialog, CheckBoxAndTldRules) {
    std::vector<ModelListEntry> list;
    auto dlg = open(list);
    auto* control = Child<QCheckBox>(*dlg, "socketControlCheck");
    control->click();
    EXPECT_FALSE(control->isChecked());  // neither serial nor Ethernet
    Child<QCheckBox>(*dlg, "ethernetCheck")->click();
    EXPECT_TRUE(Child<QCheckBox>(*dlg, "serialCheck")->isChecked());
    ComposeTd(*dlg);
    auto* tlds = Child<QComboBox>(*dlg, "tldCombo");
    Choose(tlds, 0);
    EXPECT_EQ(tlds->currentText(), "3");  // three phase
    Choose(*dlg, "phaseCombo", 0);
    Choose(tlds, 0);
    EXPECT_EQ(tlds->currentText(), "4");  // single phase
    EXPECT_TRUE(Text(*dlg, "partNumberText").endsWith("-4"));
    Child<QCheckBox>(*dlg, "socketControlCheck")->click();
    Child<QCheckBox>(*dlg, "socketMeterCheck")->click();
    EXPECT_EQ(tlds->currentText(), "0");  // without socket control or meter
    EXPECT_TRUE(Text(*dlg, "partNumberText").endsWith("-0"));
}

TEST_F(ModelDialog, TypedTextShowsItsCodeOrExplainsOnAdd) {
    std::vector<ModelListEntry> list{kModelQB};
    auto dlg = open(list);
    dlg->typeModelText("stv433303d1dl-4");
    EXPECT_EQ(Text(*dlg, "partNumberText"), "STV433303D1DL-4");
    EXPECT_EQ(Text(*dlg, "modelCodeText"), "47E0:1BACB3BA:0000");
    EXPECT_EQ(Child<QComboBox>(*dlg, "inputPlugCombo")->currentData().toInt(), 11);
    EXPECT_TRUE(Enabled(*dlg, "addButton"));

    dlg->typeModelText("sqv11220241bb-3");  // listed: selected
    EXPECT_EQ(modelList(*dlg)->currentIndex(), 0);
    EXPECT_FALSE(Enabled(*dlg, "addButton"));
    dlg->typeModelText("SQV1122024");  // typing on leaves no model selected
    EXPECT_EQ(modelList(*dlg)->currentIndex(), -1);
    EXPECT_EQ(Text(*dlg, "modelCodeText"), "");
    Click(*dlg, "addButton");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Add Model");
    EXPECT_EQ(prompter_.shown[0].text,
              "Encountered error decoding this Model SQV1122024, failed add !");
    EXPECT_EQ(dlg->workingList().count(), 1);
}

TEST_F(ModelDialog, AddThenSaveStoresTheList) {
    StoreModels({kModelQB});
    WithLaunchedDialog(
        [](CSetModelDlg& dlg) {
            ComposeTd(dlg);
            Click(dlg, "addButton");
            EXPECT_EQ(dlg.workingList().count(), 2);
            EXPECT_EQ(Child<QComboBox>(dlg, "modelList")->count(), 2);
            EXPECT_EQ(Child<QComboBox>(dlg, "modelList")->currentIndex(), -1);
            EXPECT_FALSE(Enabled(dlg, "addButton"));
            EXPECT_FALSE(Enabled(dlg, "deleteButton"));
            Click(dlg, "saveButton");
            EXPECT_FALSE(dlg.isVisible());
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
        },
        &prompter_);
    EXPECT_EQ(MruRead(static_cast<int>(MruKind::ModelCombo), 0), "07C0D26C12020000");
    EXPECT_EQ(MruRead(static_cast<int>(MruKind::ModelCombo), 1), "47E01BACB3BA0000");

    // Cancel keeps what was stored.
    WithLaunchedDialog(
        [](CSetModelDlg& dlg) {
            Choose(Child<QComboBox>(dlg, "modelList"), 0);
            Click(dlg, "deleteButton");
            Click(dlg, "cancelButton");
        },
        &prompter_);
    EXPECT_EQ(MruRead(static_cast<int>(MruKind::ModelCombo), 1), "47E01BACB3BA0000");
}

TEST_F(ModelDialog, AddToAFullListIsRefused) {
    std::vector<ModelListEntry> list;
    for (std::uint32_t i = 0; list.size() < kWorkingListCapacity; ++i) {
        const std::uint32_t attribute =
            0x006C0002 | (i % 9) << 8 | (i / 9 % 7) << 24 | (i / 63 % 7) << 27;
        list.push_back(ModelListEntry{0x0080, attribute, 0, 1});
    }
    auto dlg = open(list);
    ASSERT_EQ(dlg->workingList().count(), kWorkingListCapacity);
    ComposeTd(*dlg);
    Click(*dlg, "addButton");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Add Model");
    EXPECT_EQ(prompter_.shown[0].text, "Model list is already full, cannot add anymore!");
    EXPECT_EQ(dlg->workingList().count(), kWorkingListCapacity);
    EXPECT_FALSE(Enabled(*dlg, "saveButton"));
}

TEST_F(ModelDialog, DeleteAsksAndSavingAnEmptiedListDeletesEveryValue) {
    StoreModels({kModelQB, kModelTD, kModelSerialOnly});
    WithLaunchedDialog(
        [this](CSetModelDlg& dlg) {
            QComboBox* list = Child<QComboBox>(dlg, "modelList");
            prompter_.script = {Answer::No};
            Choose(list, 1);
            Click(dlg, "deleteButton");
            ASSERT_EQ(prompter_.shown.size(), 1u);
            EXPECT_EQ(prompter_.shown[0].title, "Delete Model");
            EXPECT_EQ(prompter_.shown[0].text,
                      "Do you really want to delete model STV433303D1DL-4 from the list?");
            EXPECT_EQ(list->count(), 3);
            EXPECT_FALSE(Enabled(dlg, "saveButton"));
            while (list->count() > 0) {
                Choose(list, list->itemData(0).toInt());
                Click(dlg, "deleteButton");
            }
            EXPECT_EQ(dlg.workingList().count(), 0);
            EXPECT_FALSE(Enabled(dlg, "deleteButton"));
            Click(dlg, "saveButton");
        },
        &prompter_);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(MruRead(static_cast<int>(MruKind::ModelCombo), i).isEmpty()) << i;
    }
}

TEST_F(ModelDialog, ListOnlyModeStaysOpenOnSave) {
    ops_.mode = kModelListOnlyMode;
    std::vector<ModelListEntry> list{kModelQB};
    auto dlg = open(list);
    EXPECT_FALSE(Child<QWidget>(*dlg, "getModelButton")->isVisible());
    EXPECT_FALSE(Child<QWidget>(*dlg, "stampModelButton")->isVisible());
    Choose(modelList(*dlg), 0);
    EXPECT_FALSE(Enabled(*dlg, "stampModelButton"));
    ComposeTd(*dlg);
    Click(*dlg, "addButton");
    Click(*dlg, "saveButton");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(Enabled(*dlg, "saveButton"));
    // The caller's array holds the saved list, the rest cleared.
    EXPECT_EQ(list[1].feature, kModelTD.feature);
    EXPECT_EQ(list[1].valid, 1);
    EXPECT_EQ(list[2].valid, 0);
    EXPECT_EQ(MruRead(static_cast<int>(MruKind::ModelCombo), 1), "47E01BACB3BA0000");
}

TEST_F(ModelDialog, ReloadAttributes) {
    std::vector<ModelListEntry> list;
    {
        auto dlg = open(list);
        Click(*dlg, "reloadAttrsButton");
        EXPECT_TRUE(prompter_.shown.empty());
    }
    ops_.LoadAttributes = [] { return false; };
    {
        auto dlg = open(list);
        Click(*dlg, "reloadAttrsButton");
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].title, "Reload Attributes");
        EXPECT_EQ(prompter_.shown[0].text, "Failed reloading PDU attributes ini file");
    }
    ops_.LoadAttributes = nullptr;
    auto dlg = open(list);
    EXPECT_FALSE(Child<QWidget>(*dlg, "reloadAttrsButton")->isVisible());
}

TEST_F(ModelDialog, SocketTypeButtonDescribesTheSelectedSeries) {
    std::vector<ModelListEntry> list;
    auto dlg = open(list);
    Choose(*dlg, "socketTypeCombo", 107);
    WithInfoDialog([&] { Click(*dlg, "socketInfoButton"); },
                   [](CSockTypInfoDlg& info) {
                       EXPECT_EQ(info.windowTitle(),
                                 "Description for Chassis Type TD: Vertical 3-phase "
                                 "wye, 24 switched outlets, 3 branches");
                       QListWidget* lines = info.lines();
                       ASSERT_GE(lines->count(), 7);
                       EXPECT_EQ(lines->item(0)->text(),
                                 "Intended for 3 Phase and Vertical form factor");
                       EXPECT_TRUE(lines->font().fixedPitch());
                       EXPECT_EQ(lines->font().weight(), QFont::Black);
                       lines->setCurrentRow(4);
                       EXPECT_EQ(info.textField()->toPlainText(), lines->item(4)->text());
                   });

    // The library's export shows the same dialog.
    WithInfoDialog(
        [&] { PduSockTypInfoDlg(27, &ops_); },
        [](CSockTypInfoDlg& info) {
            EXPECT_TRUE(info.windowTitle().startsWith("Description for Chassis Type QB: "));
        });
}

// A device call that holds until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, released = false, left = false;

    void arm() {
        std::lock_guard lock(mutex);
        entered = released = left = false;
    }
    void set(bool& flag) {
        std::lock_guard lock(mutex);
        flag = true;
        changed.notify_all();
    }
    bool wait(bool& flag) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&flag] { return flag; });
    }
} gGate;

std::int32_t HeldVersion(char*, char*) {
    gGate.set(gGate.entered);
    gGate.wait(gGate.released);
    gGate.set(gGate.left);
    return 0;
}

TEST_F(ModelDialog, DeviceCallKeepsTheWindowLiveAndClosingDoesNotWaitForIt) {
    ops_.ReadDeviceVersion = &HeldVersion;
    std::vector<ModelListEntry> list{kModelQB};
    auto dlg = open(list);
    Choose(modelList(*dlg), 0);

    // The window's events flow while the call runs (this timer fires); its answer is shown.
    gGate.arm();
    bool checked = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        ASSERT_TRUE(gGate.wait(gGate.entered));
        EXPECT_TRUE(dlg->deviceBusy());
        EXPECT_FALSE(dlg->isEnabled());
        checked = true;
        gGate.set(gGate.released);
    });
    Click(*dlg, "stampModelButton");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(dlg->deviceBusy());
    EXPECT_TRUE(dlg->isEnabled());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Stamp Model Code");
    EXPECT_EQ(prompter_.shown[0].text, "Failed to Get Version of KVB code");

    // Closed during the call: the dialog lets the call go at once, closes, and asks and tells
    // nothing more; the call ends on its own later.
    gGate.arm();
    checked = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        ASSERT_TRUE(gGate.wait(gGate.entered));
        dlg->close();  // the close box
        checked = true;
    });
    Click(*dlg, "stampModelButton");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(dlg->deviceBusy());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 2000));
    EXPECT_EQ(prompter_.shown.size(), 1u);
    {
        std::lock_guard lock(gGate.mutex);
        EXPECT_FALSE(gGate.left);  // the call was still held when the dialog let it go
    }
    gGate.set(gGate.released);
    EXPECT_TRUE(gGate.wait(gGate.left));
}

TEST_F(ModelDialog, WithoutASessionDeviceButtonsFailAtOnce) {
    std::vector<ModelListEntry> list{kModelQB};
    auto dlg = open(list);
    Choose(modelList(*dlg), 0);
    Click(*dlg, "getModelButton");
    Click(*dlg, "stampModelButton");
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[0].title, "Stamp Model Code");
    EXPECT_EQ(prompter_.shown[0].text, "Failed GetModel");
    EXPECT_EQ(prompter_.shown[1].text, "Failed to Get Version of KVB code");
    // Nothing was adjusted: the model's words are as listed.
    EXPECT_EQ(dlg->workingList().at(0).words.extension, 0);
}

}  // namespace
}  // namespace quorvel::dialogs::testing
