// How a dialog with a worker closes without ever blocking the window: the worker is given its
// close command. While a write runs or waits to run the dialog stays up and shows it is
// finishing (its buttons disabled, its progress bar still moving, its questions still asked)
// and ends once the writes are done; otherwise it ends at once, and a read in progress stops at
// its exchange on its own.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "dialogs/halvex_api.h"

class QDialog;

namespace quorvel::platform {
class CommandWorker;
}

namespace quorvel::dialogs {

class QUORVEL_HALVEX_API WorkerClosing : public QObject {
    Q_OBJECT
  public:
    explicit WorkerClosing(QDialog* dialog);

    // Starts closing (once): `worker` (null when there is none) gets its close command, and
    // `finish` runs once no write is left to run (at once when there is none) and `holding`,
    // when given, no longer holds.
    void begin(platform::CommandWorker* worker, std::function<void()> finish,
               std::function<bool()> holding = nullptr);
    // True from begin() on.
    bool active() const { return active_; }
    // True while the dialog stays up for a write to finish.
    bool finishing() const { return timer_.isActive(); }

  private:
    void check();

    QDialog* dialog_;
    platform::CommandWorker* worker_ = nullptr;
    std::function<void()> finish_;
    std::function<bool()> holding_;
    bool active_ = false;
    bool shown_ = false;
    QTimer timer_;
};

}  // namespace quorvel::dialogs
