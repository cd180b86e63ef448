// Halvex's Qt pieces under the offscreen platform: dragging and recentring, the file name
// dialog, the colour static control, and worker messages arriving as posted events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <thread>

#include "common/qt/color_static.h"
#include "dialogs/draggable_dialog.h"
#include "dialogs/get_filename_dlg.h"
#include "dialogs/worker_message_event.h"

namespace quorvel::dialogs {
namespace {

void sendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

TEST(DraggableDialog, DragMovesAndReleaseOffScreenRecentres) {
    CDraggableDialog dialog;
    dialog.resize(200, 100);
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    sendMouse(&dialog, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    EXPECT_TRUE(dialog.dragging());
    EXPECT_EQ(dialog.cursor().shape(), Qt::SizeAllCursor);
    sendMouse(&dialog, QEvent::MouseMove, {40, 30}, Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
    sendMouse(&dialog, QEvent::MouseButtonRelease, {40, 30}, Qt::NoButton);
    EXPECT_FALSE(dialog.dragging());
    EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));  // still on screen: stays

    // Dragged entirely above the screen: centred on release.
    sendMouse(&dialog, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, {10, -1000}, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseButtonRelease, {10, -1000}, Qt::NoButton);
    const QRect area = dialog.screen()->geometry();
    EXPECT_LE((dialog.frameGeometry().center() - area.center()).manhattanLength(), 2);
}

TEST(GetFilenameDlg, DirectoryModeBrowsesFoldersAndCancelKeepsTheBuffer) {
    char16_t name[128] = u"/tmp/mibs";
    std::uint8_t result = 9;
    CGetFilenameDlg dialog(true, name, sizeof name, &result, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Get Directory");
    dialog.show();
    EXPECT_FALSE(dialog.v2Button()->isVisible());  // no generation pointer: no radios

    QStringList starts;
    std::optional<QString> answer = QString("/srv/out");
    dialog.setBrowser([&](bool directoryMode, const QString& start, QWidget*) {
        EXPECT_TRUE(directoryMode);
        starts << start;
        return answer;
    });
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.nameEdit()->text(), "/srv/out/");
    dialog.browseButton()->click();  // the same folder, now with its separator
    EXPECT_EQ(starts, (QStringList{"/tmp/mibs/", "/srv/out/"}));
    answer.reset();
    dialog.browseButton()->click();  // cancelled: unchanged
    EXPECT_EQ(dialog.nameEdit()->text(), "/srv/out/");

    dialog.reject();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::u16string(name), u"/tmp/mibs");
}

TEST(GetFilenameDlg, LongNameIsCutToTheCallersBuffer) {
    char16_t name[9] = {};
    name[8] = u'!';
    std::uint8_t result = 0;
    CGetFilenameDlg dialog(false, name, 16, &result, nullptr);
    dialog.nameEdit()->setText(QString(300, QChar('a')));
    dialog.accept();
    EXPECT_EQ(std::u16string(name), u"aaaaaaa");
    EXPECT_EQ(name[8], u'!');
}

class CountingStatic : public CColorStaticST {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        CColorStaticST::paintEvent(event);
    }
};

TEST(ColorStatic, PaintsItsBackgroundAndRepaintsOnEverySet) {
    CountingStatic control;
    control.resize(20, 20);
    const QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(control.grab().toImage().pixelColor(10, 10), face);
    EXPECT_EQ(control.textColor(), QApplication::palette().color(QPalette::ButtonText));

    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    control.SetBackgroundColor(Qt::red);
    const int before = control.paints;
    QTRY_VERIFY_WITH_TIMEOUT(control.paints > before, 5000);
    const int again = control.paints;
    control.SetBackgroundColor(Qt::red);
    QTRY_VERIFY_WITH_TIMEOUT(control.paints > again, 5000);
    EXPECT_EQ(control.grab().toImage().pixelColor(10, 10), QColor(Qt::red));

    control.SetBackgroundColor(QColor());
    EXPECT_EQ(control.backgroundColor(), face);
    EXPECT_EQ(control.grab().toImage().pixelColor(10, 10), face);
}

class Receiver : public QObject {
  public:
    std::vector<platform::Message> received;
    bool event(QEvent* e) override {
        if (e->type() == WorkerMessageEvent::eventType()) {
            received.push_back(static_cast<WorkerMessageEvent*>(e)->message());
            return true;
        }
        return QObject::event(e);
    }
};

TEST(WorkerMessageEvent, PostsFromAnotherThreadArriveInOrderUntilDetached) {
    Receiver receiver;
    QtMessageTarget target(&receiver);
    platform::MessagePort port(&target);
    std::thread worker([&] {
        port.post(0x40A, 5, 0);
        port.post(0x40B, 0x10003, 0);
    });
    worker.join();
    port.detach();
    port.post(0x40A, 5, 255);  // dropped
    QTRY_COMPARE_WITH_TIMEOUT(receiver.received.size(), std::size_t{2}, 5000);
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.received.size(), 2u);
    EXPECT_EQ(receiver.received[0].msg, 0x40Au);
    EXPECT_EQ(receiver.received[1].wParam, 0x10003u);
}

}  // namespace
}  // namespace quorvel::dialogs
