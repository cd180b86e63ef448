// Runs a timer on the window thread and remembers the longest gap between its ticks: how long
// the window went without running its events.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace quorvel::test_support {

class LoopWatch {
  public:
    LoopWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { worst_ = std::max(worst_, clock_.restart()); });
        clock_.start();
        timer_.start();
    }
    // The gap still open counts too: a window stalled right now has not ticked yet.
    qint64 worstGapMs() const { return std::max(worst_, clock_.elapsed()); }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 worst_ = 0;
};

}  // namespace quorvel::test_support
