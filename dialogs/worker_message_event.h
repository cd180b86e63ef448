// How a Qt dialog receives its worker's messages: the worker posts through a MessagePort to a
// QtMessageTarget, which turns each message into a WorkerMessageEvent posted to the dialog.
#pragma once

#include <QEvent>
#include <QObject>

#include "dialogs/halvex_api.h"
#include "platform/message_target.h"

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API WorkerMessageEvent : public QEvent {
  public:
    static QEvent::Type eventType();
    explicit WorkerMessageEvent(platform::Message message)
        : QEvent(eventType()), message_(message) {}
    const platform::Message& message() const { return message_; }

  private:
    platform::Message message_;
};

// Posts to receiver from any thread. The receiver must outlive the target; a dialog detaches
// the port that leads here before it goes away.
class QUORVEL_HALVEX_API QtMessageTarget : public platform::MessageTarget {
  public:
    explicit QtMessageTarget(QObject* receiver) : receiver_(receiver) {}
    void post(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;

  private:
    QObject* receiver_;
};

}  // namespace quorvel::dialogs
