#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace kaltero::bench {

// The benchmarks drive the real console window; like the tests they need no display.
inline void useOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
}

// The value below which `fraction` of the samples lie (nearest rank): 0.5 median, 0.99 p99.
template <typename T>
T percentile(std::vector<T> samples, double fraction) {
    if (samples.empty()) {
        return T{};
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

// Runs work on a thread of its own while this thread's event loop serves the console, as the
// console's own program does between datagrams; returns when the work is done.
inline void serveWhile(const std::function<void()>& work) {
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    thread->start();
    loop.exec();
    thread->wait();
}

// A figure of this process from /proc/self/status in KiB ("VmHWM" the peak resident set,
// "VmRSS" the present one); -1 where there is none.
inline qint64 processStatusKib(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':'))) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

}  // namespace kaltero::bench
