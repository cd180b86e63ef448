// The keyboard tests' hands: walking a dialog's tab chain and pressing a key on one control.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

namespace quorvel::test_support {

using Names = std::vector<std::string>;

// Presses Tab (Shift+Tab backwards) on the focused control until the focus is back where it
// started; the object names of the controls visited, the starting one last.
inline Names TabWalk(QWidget& dlg, bool backwards = false) {
    Names names;
    QWidget* start = dlg.focusWidget();
    for (int i = 0; i < 200 && start != nullptr; ++i) {
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        names.push_back(dlg.focusWidget()->objectName().toStdString());
        if (dlg.focusWidget() == start) {
            break;
        }
    }
    return names;
}

// Gives the named control the focus and presses the key on it.
inline void Press(QWidget& dlg, const char* name, Qt::Key key) {
    auto* w = dlg.findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr) << name;
    w->setFocus();
    QTest::keyClick(w, key);
}

}  // namespace quorvel::test_support
