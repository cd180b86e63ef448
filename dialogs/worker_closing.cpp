// Closing a dialog whose worker may still be writing.
#include "dialogs/worker_closing.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>

#include "platform/command_loop.h"

namespace quorvel::dialogs {

namespace {

constexpr int kLookEveryMs = 20;

}  // namespace

WorkerClosing::WorkerClosing(QDialog* dialog) : QObject(dialog), dialog_(dialog) {
    timer_.setInterval(kLookEveryMs);
    connect(&timer_, &QTimer::timeout, this, &WorkerClosing::check);
}

void WorkerClosing::begin(platform::CommandWorker* worker, std::function<void()> finish,
                          std::function<bool()> holding) {
    if (active_) {
        return;
    }
    active_ = true;
    worker_ = worker;
    finish_ = std::move(finish);
    holding_ = std::move(holding);
    if (worker_ != nullptr) {
        worker_->close();
    }
    check();
    if (active_ && finish_) {
        timer_.start();
    }
}

void WorkerClosing::check() {
    if (!finish_) {
        return;
    }
    const bool ended = worker_ == nullptr || !worker_->running() || worker_->ended();
    const bool writing = !ended && worker_->writing();
    if (writing) {
        if (!shown_) {
            // The operator sees the dialog finishing what it was asked to write.
            shown_ = true;
            for (QAbstractButton* b : dialog_->findChildren<QAbstractButton*>()) {
                b->setEnabled(false);
            }
        }
    }
    if (!writing && !(holding_ && !ended && holding_())) {
        // What the worker posted before it finished (a message for the operator among it) is
        // handled before the dialog ends.
        QCoreApplication::sendPostedEvents(dialog_);
        timer_.stop();
        auto finish = std::move(finish_);
        finish_ = nullptr;
        finish();
    }
}

}  // namespace quorvel::dialogs
