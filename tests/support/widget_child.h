// Finds a dialog's control by its object name; a missing control fails the test.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

namespace quorvel::test_support {

template <typename W>
W* Child(QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

}  // namespace quorvel::test_support
