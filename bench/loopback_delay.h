#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QThread>
#include <QUdpSocket>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kaltero::bench {

// The monotonic clock in ns, the same in every thread and process of the machine.
inline qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A thread that runs `body` until told to stop.
class Worker {
public:
    explicit Worker(std::function<void(const std::atomic<bool>& stop)> body)
        : thread_(QThread::create([this, body = std::move(body)] { body(stop_); })) {
        thread_->start();
    }
    ~Worker() {
        stop_ = true;
        thread_->wait();
    }

private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<QThread> thread_;
};

// Loopback delay: one thread reads the clock and sends it every 5 ms, another reads it.
class LoopbackDelay {
public:
    LoopbackDelay()
        : reader_([this](const std::atomic<bool>& stop) { read(stop); }),
          writer_([this](const std::atomic<bool>& stop) { write(stop); }) {}

    std::vector<qint64> samplesNs() {
        std::lock_guard lock(mutex_);
        return samples_;
    }

private:
    void read(const std::atomic<bool>& stop) {
        QUdpSocket socket;
        socket.bind(QHostAddress::LocalHost, 0);
        port_ = socket.localPort();
        while (!stop) {
            if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(50)) {
                continue;
            }
            const QByteArray data = socket.receiveDatagram().data();
            const qint64 delay = steadyNs() - data.toLongLong();
            std::lock_guard lock(mutex_);
            samples_.push_back(delay);
        }
    }
    void write(const std::atomic<bool>& stop) {
        QUdpSocket socket;
        while (!stop) {
            if (port_ != 0) {
                socket.writeDatagram(QByteArray::number(steadyNs()), QHostAddress::LocalHost,
                                     port_);
            }
            QThread::msleep(5);
        }
    }

    std::atomic<quint16> port_{0};
    std::mutex mutex_;
    std::vector<qint64> samples_;
    Worker reader_;
    Worker writer_;
};

}  // namespace kaltero::bench
