// Shared by the model dialog's GUI tests: private settings, a scripted prompter, the main
// program's own ModelOps (taken from a dialog the Model launcher opened), and small helpers to
// reach and operate the dialog's controls as the operator would.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/launchers.h"
#include "app/model_list_store.h"
#include "app/mru_store.h"
#include "catalogue/attribute_loader.h"
#include "common/model_ops.h"
#include "dialogs/model_dlg.h"
#include "dialogs/prompter.h"
#include "support/gui_session.h"
#include "support/scripted_prompter.h"
#include "support/widget_child.h"

namespace quorvel::dialogs::testing {

using test_support::IsolateSettings;
using test_support::PrompterScope;
using test_support::ScriptedPrompter;

// Forgets every stored model.
inline void ClearStoredModels() {
    app::SaveModelList(nullptr, 0);
}

// Stores the models, given as words, at modelcombo00 onward.
inline void StoreModels(const std::vector<ModelListEntry>& models) {
    ClearStoredModels();
    std::vector<ModelListEntry> list = models;
    for (ModelListEntry& e : list) {
        e.valid = 1;
    }
    ASSERT_TRUE(app::SaveModelList(list.data(), static_cast<int>(list.size())));
}

using test_support::Child;

// Runs the model dialog as the Model button does (or as `launch` does); `script` runs once the
// dialog shows, and the dialog is closed afterwards unless the script closed it.
inline void WithLaunchedDialog(const std::function<void(CSetModelDlg&)>& script,
                               Prompter* prompter = nullptr,
                               const std::function<void()>& launch = {}) {
    gui_test::WithModal(
        qApp,
        [&] {
            if (launch) {
                launch();
            } else {
                app::LaunchModelDialog(
                    app::LaunchContext{nullptr, nullptr, nullptr, true, prompter});
            }
        },
        [&](QWidget& shown) {
            auto* dlg = qobject_cast<CSetModelDlg*>(&shown);
            ASSERT_NE(dlg, nullptr) << "the model dialog did not show";
            script(*dlg);
            if (dlg->isVisible()) {
                dlg->reject();
            }
        });
}

// The main program's table, as the Model launcher fills it, over the shipped attribute file
// (which the main window loads when it starts).
inline const ModelOps& LauncherOps() {
    static ModelOps ops;
    static bool taken = false;
    if (!taken) {
        EXPECT_TRUE(LoadPDUAttributes());
        WithLaunchedDialog([](CSetModelDlg& dlg) { ops = dlg.ops(); });
        taken = true;
    }
    return ops;
}

// Chooses the entry with this item data, as the operator does.
inline void Choose(QComboBox* combo, int data) {
    const int index = combo->findData(data);
    ASSERT_GE(index, 0) << combo->objectName().toStdString() << " " << data;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

inline void Choose(QWidget& dlg, const char* combo, int data) {
    Choose(Child<QComboBox>(dlg, combo), data);
}

inline void Click(QWidget& dlg, const char* name) {
    auto* button = Child<QAbstractButton>(dlg, name);
    ASSERT_TRUE(button->isEnabled()) << name;
    button->click();
}

inline QString Text(QWidget& dlg, const char* name) {
    return Child<QLineEdit>(dlg, name)->text();
}

inline bool Enabled(QWidget& dlg, const char* name) {
    return Child<QWidget>(dlg, name)->isEnabled();
}

// Composes STV433303D1DL-4 (47E0:1BACB3BA:0000): three phase, 208/120 V, series TD, 30 A,
// 3 meters, 3 breakers, inlet L, serial, Ethernet, socket control and meter, one sensor,
// voltage meter, 4 TLDs.
inline void ComposeTd(QWidget& dlg) {
    for (const char* box : {"serialCheck", "ethernetCheck", "socketControlCheck",
                            "socketMeterCheck", "environmentCheck", "voltageMeterCheck"}) {
        auto* check = Child<QCheckBox>(dlg, box);
        if (!check->isChecked()) {
            check->click();
        }
    }
    Choose(dlg, "phaseCombo", 1);
    Choose(dlg, "voltageCombo", 3);
    Choose(dlg, "socketTypeCombo", 107);
    Choose(dlg, "currentCombo", 3);
    Choose(dlg, "metersCombo", 3);
    Choose(dlg, "breakersCombo", 3);
    Choose(dlg, "inputPlugCombo", 11);
    Choose(dlg, "formFactorCombo", 2);
    Choose(dlg, "tldCombo", 4);
}

// A model dialog over a list of the test's, with the main program's own operations and a
// scripted prompter, as PduModelDlg makes it; no model stored at the start.
class ModelDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        IsolateSettings();
        ClearStoredModels();
        ops_ = LauncherOps();
    }
    // A dialog over `list`, shown; the list is first filled up to the dialog's capacity.
    std::unique_ptr<CSetModelDlg> open(std::vector<ModelListEntry>& list) {
        list.resize(kRecentModelCapacity);
        auto dlg = std::make_unique<CSetModelDlg>(&ops_, list.data(), kRecentModelCapacity);
        dlg->show();
        return dlg;
    }

    ScriptedPrompter prompter_;
    PrompterScope scope_{prompter_};
    ModelOps ops_;
};

// Words of models used across the tests.
constexpr ModelListEntry kModelQB{0x07C0, 0xD26C1202, 0x0000, 1};  // SQV11220241BB-3, Ethernet
constexpr ModelListEntry kModelTD{0x47E0, 0x1BACB3BA, 0x0000, 1};  // STV433303D1DL-4, Ethernet
constexpr ModelListEntry kModelSerialOnly{0x0080, 0x006C0202, 0x0000, 1};  // SQV11020010BA-0

}  // namespace quorvel::dialogs::testing
