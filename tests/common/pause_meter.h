#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace kaltero::testing {

// The longest the event loop went without turning: a 10 ms timer sees every pause.
class PauseMeter : public QObject {
public:
    PauseMeter() {
        connect(&timer_, &QTimer::timeout, this,
                [this] { longestMs_ = std::max(longestMs_, beat_.restart()); });
        beat_.start();
        timer_.start(10);
    }
    qint64 longestMs() const { return longestMs_; }

private:
    QTimer timer_;
    QElapsedTimer beat_;
    qint64 longestMs_ = 0;
};

}  // namespace kaltero::testing
