// Closing a dialog in the middle of a pass that writes to the PDU, with every way the operator
// has of closing it: on a line that answers, the pass runs to its end while the window keeps
// running, and the simulated PDU then holds everything that was asked; on a line that goes
// quiet in the middle of the pass, the pass ends at the first element the PDU did not answer,
// the operator is told what was not written, and the dialog closes within one operation's tries.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "app/quorvel_dlg.h"
#include "app/simulated_pdu.h"
#include "catalogue/attribute_loader.h"
#include "catalogue/attribute_tables.h"
#include "model_dialog/model_dialog_support.h"
#include "sim/encoding.h"
#include "sim/pty_simulator.h"
#include "support/loop_watch.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

using test_support::LoopWatch;

constexpr int kConnectBoundMs = 30000;
constexpr int kValueBoundMs = 15000;
// On a line gone quiet a setting gives up after its five tries (about 145 s).
constexpr int kQuietBoundMs = 180000;
constexpr qint64 kStallBoundMs = 500;

template <typename W>
W* Find(const QWidget& w, const QString& name) {
    W* found = w.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// One write pass: the Actions button that opens its dialog, what starts the pass once the
// dialog has loaded, the line that marks the pass under way, how the dialog is closed, and what
// the simulated PDU must hold afterwards on a live line.
struct WritePass {
    const char* name;
    const char* profile;
    const char* actionsButton;
    const char* firstWrite;  // the keyword of the pass's writes ("H ", "R ", "Q ")
    std::function<void(QWidget&)> start;
    const char* closeButton;  // null: the close box
    std::function<void(sim::PtySimulator&, const PduRecord&)> verify;
    const char* quietNote;  // what the operator is told on a line gone quiet
};

void TypeNames(QWidget& dlg, const QString& prefix, const QString& text) {
    for (QLineEdit* e : dlg.findChildren<QLineEdit*>()) {
        if (e->objectName().startsWith(prefix) && e->isVisible()) {
            e->setText(text + e->objectName().mid(prefix.size()));
        }
    }
}

const WritePass kPasses[] = {
    {"ConfigureSave", "v4", "configureButton", "H ",
     [](QWidget& dlg) {
         Find<QPushButton>(dlg, "loadButton")->click();
         ASSERT_TRUE(QTest::qWaitFor(
             [&] { return Find<QPushButton>(dlg, "saveButton")->isEnabled(); }, kValueBoundMs));
         TypeNames(dlg, "edit_cRecepName", "Shut");
         Find<QPushButton>(dlg, "saveButton")->click();
     },
     "okButton",
     [](sim::PtySimulator& s, const PduRecord& r) {
         const sim::Device d = s.deviceSnapshot();
         for (int i = 0; i < kMaxReceptacles; ++i) {
             if (r.receptaclePresent[i] == kAbsent) {
                 continue;
             }
             const int id = i < 24 ? 18 + i : i < 36 ? 47 + i - 24 : 99 + i - 36;
             EXPECT_EQ(d.variables.at(id).elements[0],
                       sim::textBytes("Shut" + std::to_string(i + 1)))
                 << "receptacle " << i + 1;
         }
     },
     "The PDU stopped answering, not written: "},
    {"MonitorClearAll", "v2", "monitorButton", "R ",
     [](QWidget& dlg) {
         ASSERT_TRUE(QTest::qWaitFor(
             [&] { return Find<QCheckBox>(dlg, "rowSwitch0")->isChecked(); }, kValueBoundMs));
         Find<QPushButton>(dlg, "clearAll0")->click();
     },
     nullptr,
     [](sim::PtySimulator& s, const PduRecord& r) {
         const sim::Device d = s.deviceSnapshot();
         for (int k = 0; k < kMaxReceptacles; ++k) {
             if (r.receptaclePresent[k] != kAbsent && r.receptacleInput[k] == 0) {
                 EXPECT_FALSE(d.outletOn(k)) << "outlet " << k + 1;
             }
         }
     },
     "The PDU stopped answering.\nNot switched off: "},
    {"WebSave", "v3", "webButton", "H ",
     [](QWidget& dlg) {
         ASSERT_TRUE(QTest::qWaitFor(
             [&] { return Find<QPushButton>(dlg, "saveButton")->isEnabled(); }, kValueBoundMs));
         Find<QLineEdit>(dlg, "pduNameEdit")->setText("Closing7");
         TypeNames(dlg, "userName", "user");
         Find<QPushButton>(dlg, "saveButton")->click();
     },
     "cancelButton",
     [](sim::PtySimulator& s, const PduRecord&) {
         const sim::Device d = s.deviceSnapshot();
         EXPECT_EQ(d.variables.at(17).elements[0], sim::textBytes("Closing7"));
         for (int u = 0; u < 4; ++u) {
             EXPECT_EQ(d.variables.at(91 + u).elements[0],
                       sim::textBytes("user" + std::to_string(u)));
         }
     },
     "The PDU stopped answering. Not written: User1 name, User2 name, User3 name, User4 name."},
};

void PrintTo(const WritePass& pass, std::ostream* os) {
    *os << pass.name;
}

class ClosingDuringWrites : public ::testing::TestWithParam<std::tuple<WritePass, bool>> {
  protected:
    const WritePass& pass() const { return std::get<0>(GetParam()); }
    bool quiet() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        test_support::IsolateSettings();
        ASSERT_TRUE(LoadPDUAttributes(Attributes(), QUORVEL_BIN_DIR "/pduattribs.ini"));
        sim::Faults faults;
        if (quiet()) {
            // Quiet from the second write of the pass on: the first reaches the PDU.
            faults.anchor = pass().firstWrite;
            faults.silentFromLine = 2;
        }
        std::string error;
        ASSERT_TRUE(sim_.start(pass().profile, faults, error)) << error;
        window_ = std::make_unique<CQuorvelDlg>(true, prompter_, &sim_);
        window_->show();
        window_->onConnect();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_->sessionReady(); }, kConnectBoundMs));
    }
    void TearDown() override {
        window_->onDisconnect();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window_->sessionRunning(); }, 30000));
        window_.reset();
    }
    // Lines of the pass's keyword the simulated PDU has taken in.
    int writesTaken() {
        int n = 0;
        sim_.simulator()->withConsole([&](sim::Console& c) {
            for (const std::string& line : c.receivedLines()) {
                n += line.rfind(pass().firstWrite, 0) == 0 ? 1 : 0;
            }
        });
        return n;
    }

    test_support::ScriptedPrompter prompter_{dialogs::Answer::Yes};
    SimulatedPdu sim_;
    std::unique_ptr<CQuorvelDlg> window_;
};

TEST_P(ClosingDuringWrites, ThePassEndsOnALiveLineAndNamesWhatWasNotWrittenOnAQuietOne) {
    LoopWatch watch;
    QElapsedTimer closed;
    bool ran = false;
    QTimer::singleShot(0, window_.get(), [&] {
        QWidget* dlg = QApplication::activeModalWidget();
        ASSERT_NE(dlg, nullptr);
        pass().start(*dlg);
        // Closed as soon as the first write of the pass has reached the PDU.
        ASSERT_TRUE(QTest::qWaitFor([&] { return writesTaken() >= 1; }, kValueBoundMs));
        closed.start();
        if (pass().closeButton != nullptr) {
            Find<QPushButton>(*dlg, pass().closeButton)->click();
        } else {
            dlg->close();
        }
        ran = true;
    });
    Find<QPushButton>(*window_, pass().actionsButton)->click();
    ASSERT_TRUE(ran);
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);
    if (!quiet()) {
        pass().verify(*sim_.simulator(), window_->pduRecord());
        EXPECT_TRUE(prompter_.shown.empty()) << prompter_.shown.front().text.toStdString();
        return;
    }
    EXPECT_LT(closed.elapsed(), kQuietBoundMs);
    EXPECT_EQ(writesTaken(), 1) << "nothing after the first element that got no answer";
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].text.contains(QString::fromLatin1(pass().quietNote)))
        << prompter_.shown[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Passes, ClosingDuringWrites,
                         ::testing::Combine(::testing::ValuesIn(kPasses), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<WritePass, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "QuietLine" : "LiveLine");
                         });

}  // namespace
}  // namespace quorvel::app
