// Worker messages carried as posted Qt events.
#include "dialogs/worker_message_event.h"

#include <QCoreApplication>

namespace quorvel::dialogs {

QEvent::Type WorkerMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void QtMessageTarget::post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    QCoreApplication::postEvent(receiver_,
                                new WorkerMessageEvent(platform::Message{msg, wParam, lParam}));
}

}  // namespace quorvel::dialogs
