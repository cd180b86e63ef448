// Closing a dialog in the middle of a pass that writes to the PDU, with every way the operator
// has of closing it: on a line that answers, the pass runs to its end while the window keeps
// running, and the simulated PDU then holds everything that was asked; on a line that goes
// quiet in the middle of the pass, the pass ends at the first element the PDU did not answer,
// the operator is told what was not written, and the dialog closes within one operation's tries.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <string>

#include "catalogue/attribute_tables.h"
#include "model_dialog/model_dialog_support.h"
#include "sim/calibration_reads.h"
#include "sim/encoding.h"
#include "sim/pty_simulator.h"
#include "sim/web_database_server.h"
#include "support/gui_session.h"
#include "support/loop_watch.h"
#include "support/scripted_prompter.h"

namespace quorvel::app {
namespace {

using gui_test::Child;
using gui_test::Click;
using test_support::LoopWatch;
using test_support::ScriptedPrompter;

constexpr int kValueBoundMs = 15000;
// On a line gone quiet a setting gives up after its five tries (about 145 s).
constexpr int kQuietBoundMs = 180000;
constexpr qint64 kStallBoundMs = 500;

// What a pass's script works with: the dialog, the simulated PDU, the operator's answers, and
// `arm`, called right before the click that starts the pass (from then on the dialog is closed
// as soon as the PDU has taken the pass's first writes).
struct PassRun {
    QWidget& dlg;
    sim::PtySimulator& sim;
    ScriptedPrompter& prompter;
    std::function<void()> arm;
};

// One write pass: the Actions button that opens its dialog, the script that starts the pass,
// how many of its writes (lines beginning with `keyword`) the PDU takes before the dialog is
// closed, how the dialog is closed, and what the simulated PDU must hold afterwards on a live
// line. On a quiet line the PDU stops answering at the `quietFrom`-th write of the pass (that
// write is not received) and the operator is told `quietNote`.
struct WritePass {
    const char* name;
    const char* profile;
    const char* actionsButton;
    const char* keyword;
    std::function<void(PassRun&)> start;
    int closeAfter;
    const char* closeWith;  // a button's name, "Escape", or null for the close box
    std::function<void(const sim::Device&, const PduRecord&)> verify;
    unsigned quietFrom;
    const char* quietNote;
};

void TypeNames(QWidget& dlg, const QString& prefix, const QString& text) {
    for (QLineEdit* e : dlg.findChildren<QLineEdit*>()) {
        if (e->objectName().startsWith(prefix) && e->isVisible()) {
            e->setText(text + e->objectName().mid(prefix.size()));
        }
    }
}

void WaitEnabled(QWidget& dlg, const char* name) {
    auto* button = Child<QPushButton>(dlg, name);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->isEnabled(); }, kValueBoundMs)) << name;
}

// The monitor has shown the outlets' states once.
void WaitMonitorRead(QWidget& dlg) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QCheckBox>(dlg, "rowSwitch0")->isChecked(); },
                                kValueBoundMs));
}

// Samples socket 5 of a second-generation unit at its two reference loads.
void SampleSocket5(PassRun& run) {
    auto* list = Child<QListWidget>(run.dlg, "channelList");
    const auto found = list->findItems(QStringLiteral("Socket 5"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list->setCurrentItem(found.front());
    for (const bool low : {true, false}) {
        const double load = low ? 0.5 : 12.0;
        std::uint16_t raw = 0;
        run.sim.withConsole([&](sim::Console& c) {
            sim::setReferenceLoad(c.device(), false, 0, 5, load);
            raw = sim::rawReading(c.device(), false, 0, 5, load);
        });
        Child<QCheckBox>(run.dlg, low ? "sampleLowButton" : "sampleHighButton")->click();
        auto* text = Child<QLabel>(run.dlg, low ? "lowRawText" : "highRawText");
        const QString expected = QStringLiteral("0x%1").arg(QString::number(raw, 16).toUpper());
        ASSERT_TRUE(QTest::qWaitFor([&] { return text->text() == expected; }, kValueBoundMs))
            << text->text().toStdString();
    }
}

// A pass started by clicking the named button, once the monitor has shown the outlets when
// asked.
std::function<void(PassRun&)> Clicking(const char* button, bool afterMonitorRead = false) {
    return [button, afterMonitorRead](PassRun& run) {
        if (afterMonitorRead) {
            ASSERT_NO_FATAL_FAILURE(WaitMonitorRead(run.dlg));
        }
        run.arm();
        Click(run.dlg, button);
    };
}

const WritePass kPasses[] = {
    {"ConfigureSave", "v4", "configureButton", "H ",
     [](PassRun& run) {
         Click(run.dlg, "loadButton");
         ASSERT_NO_FATAL_FAILURE(WaitEnabled(run.dlg, "saveButton"));
         TypeNames(run.dlg, "edit_cRecepName", "Shut");
         run.arm();
         Click(run.dlg, "saveButton");
     },
     1, "okButton",
     [](const sim::Device& d, const PduRecord& r) {
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
     2, "The PDU stopped answering, not written: "},
    {"ConfigureFormat", "v4", "configureButton", "I ", Clicking("formatButton"), 0, "Escape",
     [](const sim::Device& d, const PduRecord&) { EXPECT_EQ(d.databaseFormats, 1); }, 1,
     "The PDU stopped answering: the database was not formatted."},
    {"ConfigureResetNet", "v3", "configureButton", "X ", Clicking("resetNetButton"), 0, nullptr,
     [](const sim::Device& d, const PduRecord&) { EXPECT_EQ(d.networkRestarts, 1); }, 1,
     "The PDU stopped answering: the network settings were not reset."},
    {"WebSave", "v3", "webButton", "H ",
     [](PassRun& run) {
         ASSERT_NO_FATAL_FAILURE(WaitEnabled(run.dlg, "saveButton"));
         Child<QLineEdit>(run.dlg, "pduNameEdit")->setText("Closing7");
         TypeNames(run.dlg, "userName", "user");
         run.arm();
         Click(run.dlg, "saveButton");
     },
     1, "cancelButton",
     [](const sim::Device& d, const PduRecord&) {
         EXPECT_EQ(d.variables.at(17).elements[0], sim::textBytes("Closing7"));
         for (int u = 0; u < 4; ++u) {
             EXPECT_EQ(d.variables.at(91 + u).elements[0],
                       sim::textBytes("user" + std::to_string(u)));
         }
     },
     2, "The PDU stopped answering. Not written: User1 name, User2 name, User3 name, User4 name."},
    {"WebInitialize", "v3", "webButton", "H ",
     [](PassRun& run) {
         ASSERT_NO_FATAL_FAILURE(WaitEnabled(run.dlg, "initializeButton"));
         run.sim.withConsole([](sim::Console& c) {
             c.device().variables.at(17).elements[0] = sim::textBytes("Renamed");
         });
         run.arm();
         Click(run.dlg, "initializeButton");
     },
     1, nullptr,
     [](const sim::Device& d, const PduRecord&) {
         EXPECT_EQ(d.databaseFormats, 1);
         EXPECT_EQ(sim::variableText(d, 17), "PDUName");
         EXPECT_EQ(d.networkRestarts, 1) << "the restart question is still asked";
     },
     2, "The PDU stopped answering. Initialize did not complete: "},
    {"MonitorSwitchOff", "v2", "monitorButton", "R ", Clicking("rowSwitch0", true), 0, nullptr,
     [](const sim::Device& d, const PduRecord&) { EXPECT_FALSE(d.outletOn(0)); }, 1,
     "The PDU stopped answering.\nNot switched off: 1"},
    {"MonitorClearAll", "v2", "monitorButton", "R ", Clicking("clearAll0", true), 1, nullptr,
     [](const sim::Device& d, const PduRecord& r) {
         for (int k = 0; k < kMaxReceptacles; ++k) {
             if (r.receptaclePresent[k] != kAbsent && r.receptacleInput[k] == 0) {
                 EXPECT_FALSE(d.outletOn(k)) << "outlet " << k + 1;
             }
         }
     },
     2, "The PDU stopped answering.\nNot switched off: "},
    {"MonitorReset", "v2", "monitorButton", "o ", Clicking("rowReset0", true), 0, "Escape",
     [](const sim::Device& d, const PduRecord&) { EXPECT_EQ(d.outletResets, 1); }, 1,
     "The PDU stopped answering.\nNot reset: 1"},
    {"MonitorClearAlarms", "v2-alarm", "monitorButton", "N",
     [](PassRun& run) {
         auto* tripped = Child<QPushButton>(run.dlg, "trippedButton");
         ASSERT_TRUE(QTest::qWaitFor([&] { return tripped->isVisible(); }, kValueBoundMs));
         // The readings are back within their limits, so the alarms stay cleared.
         run.sim.withConsole([](sim::Console& c) {
             c.device().circuitCurrents[0] = 2.0;
             c.device().temperature[0] = 70.0;
         });
         run.arm();
         tripped->click();
     },
     0, nullptr,
     [](const sim::Device& d, const PduRecord&) {
         EXPECT_EQ(d.alarmWord, 0);
         EXPECT_EQ(d.lockWord, 0);
     },
     1, "The PDU stopped answering.\nThe alarms were not cleared."},
    {"ModelStamp", "v3", "modelButton", "s ",
     [](PassRun& run) {
         dialogs::testing::Choose(Child<QComboBox>(run.dlg, "modelList"), 0);
         run.arm();
         Click(run.dlg, "stampModelButton");  // returns once the stamp has ended
     },
     1, nullptr,
     [](const sim::Device& d, const PduRecord&) {
         // A third-generation unit is stamped with the large-set extension.
         const ModelCode code{dialogs::testing::kModelQB.feature,
                              dialogs::testing::kModelQB.attribute, 0x1000};
         EXPECT_EQ(d.identity.feature, code.feature);
         EXPECT_EQ(d.identity.attribute, code.attribute);
         LayoutRecord layout{};
         ASSERT_TRUE(Attributes().layoutRecord(code, &layout, false));
         EXPECT_EQ(0, std::memcmp(d.layout.data(), &layout, sizeof layout));
         EXPECT_EQ(d.reboots, 1) << "the reboot question is still asked";
     },
     2, "Could not store port map table, please try again"},
    {"Calibrate", "v2", "calibrateButton", "K I A",
     [](PassRun& run) {
         ASSERT_NO_FATAL_FAILURE(SampleSocket5(run));
         run.prompter.script = {dialogs::Answer::Ok};
         run.arm();
         Click(run.dlg, "calibrateButton");
     },
     1, nullptr,
     [](const sim::Device& d, const PduRecord&) {
         const auto& table = d.calibration;
         EXPECT_EQ(table.at("K I A0").at(5), 0x42);
         EXPECT_EQ(table.at("K I A1").at(5), 86);
         EXPECT_EQ(table.at("K I A2").at(5), 1226);
         EXPECT_EQ(table.at("K I A9").at(5), 1226);
     },
     2, "The calibration of Socket 5 was not written completely"},
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
        ASSERT_NO_FATAL_FAILURE(dialogs::testing::StoreModels({dialogs::testing::kModelQB}));
        ASSERT_NO_FATAL_FAILURE(gui_test::LoadShippedAttributes());
        sim::Faults faults;
        if (quiet()) {
            faults.anchor = pass().keyword;
            faults.silentFromLine = pass().quietFrom;
        }
        ASSERT_NO_FATAL_FAILURE(main_.open(pass().profile, true, faults));
        ASSERT_NO_FATAL_FAILURE(main_.connect());
    }
    void TearDown() override { main_.end(); }
    // Lines of the pass's keyword the simulated PDU has taken in.
    int writesTaken() {
        int n = 0;
        main_.simulator().withConsole([&](sim::Console& c) {
            for (const std::string& line : c.receivedLines()) {
                n += line.rfind(pass().keyword, 0) == 0 ? 1 : 0;
            }
        });
        return n;
    }
    void closeDialog(QWidget& dlg) {
        const char* with = pass().closeWith;
        if (with == nullptr) {
            dlg.close();
        } else if (std::strcmp(with, "Escape") == 0) {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        } else {
            Click(dlg, with);
        }
    }
    // What the operator was told, questions apart.
    std::vector<QString> notes() const {
        std::vector<QString> out;
        for (const auto& s : prompter_.shown) {
            if (s.kind != QLatin1String("question")) {
                out.push_back(s.text);
            }
        }
        return out;
    }

    ScriptedPrompter prompter_{dialogs::Answer::Yes};
    gui_test::MainWindow main_{prompter_};
};

TEST_P(ClosingDuringWrites, ThePassEndsOnALiveLineAndNamesWhatWasNotWrittenOnAQuietOne) {
    LoopWatch watch;
    QElapsedTimer closed;
    QTimer closer;
    closer.setInterval(5);
    main_.withDialog(pass().actionsButton, [&](QWidget& dlg) {
        QObject::connect(&closer, &QTimer::timeout, &dlg, [&, shown = &dlg] {
            if (writesTaken() >= pass().closeAfter) {
                closer.stop();
                closed.start();
                closeDialog(*shown);
            }
        });
        PassRun run{dlg, main_.simulator(), prompter_, [&] { closer.start(); }};
        pass().start(run);
    });
    ASSERT_TRUE(closed.isValid()) << "the dialog was never closed during the pass";
    EXPECT_LT(watch.worstGapMs(), kStallBoundMs);
    if (!quiet()) {
        pass().verify(main_.simulator().deviceSnapshot(), main_->pduRecord());
        for (const auto& s : prompter_.shown) {
            EXPECT_NE(s.kind, QLatin1String("warning")) << s.text.toStdString();
        }
        return;
    }
    EXPECT_LT(closed.elapsed(), kQuietBoundMs);
    EXPECT_EQ(writesTaken(), static_cast<int>(pass().quietFrom) - 1)
        << "nothing after the first element that got no answer";
    const std::vector<QString> told = notes();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(QString::fromLatin1(pass().quietNote))) << told[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Passes, ClosingDuringWrites,
                         ::testing::Combine(::testing::ValuesIn(kPasses), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<WritePass, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "QuietLine" : "LiveLine");
                         });

}  // namespace
}  // namespace quorvel::app
