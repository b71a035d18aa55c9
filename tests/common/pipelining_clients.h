#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace kaltero::testing {

// Keyed clients on a thread of their own, each from an address of its own in 127.0.0.0/8,
// that send `depth` requests for the page's script at once without waiting for the answers
// (as browsers and scripts pipeline), and as many again once all are answered. A connection
// that ends is opened again.
class PipeliningClients {
public:
    PipeliningClients(quint16 port, const QByteArray& key, int clients = 63, int depth = 20)
        : thread_(QThread::create(
              [this, port, key, clients, depth] { run(port, key, clients, depth); })) {
        // They stand in for other machines: on this one they take only the time it has spare,
        // so what slows the console is its own work for them, not theirs.
        thread_->start(QThread::IdlePriority);
    }
    ~PipeliningClients() {
        stop_ = true;
        thread_->wait();
    }

    // Answers received so far, all clients together.
    qint64 answered() const { return answered_; }

private:
    void run(quint16 port, const QByteArray& key, int clients, int depth) {
        QObject owner;
        const QByteArray burst =
            QByteArray("GET /live.js?key=" + key + " HTTP/1.1\r\nHost: x\r\n\r\n").repeated(depth);
        for (int c = 0; c < clients; ++c) {
            auto* client = new QTcpSocket(&owner);
            auto waiting = std::make_shared<int>(0);
            auto tail = std::make_shared<QByteArray>();
            const auto open = [client, port, c] {
                client->bind(QHostAddress(quint32(0x7f000100 + c + 1)), 0);
                client->connectToHost(QHostAddress::LocalHost, port);
            };
            QObject::connect(client, &QTcpSocket::connected, client,
                             [client, burst, waiting, depth] {
                                 *waiting = depth;
                                 client->write(burst);
                             });
            QObject::connect(client, &QTcpSocket::readyRead, client,
                             [this, client, burst, waiting, tail, depth] {
                                 // An answer's status line may be split between two reads.
                                 const QByteArray got = *tail + client->readAll();
                                 const int n = int(got.count("HTTP/1.1 200"));
                                 *tail = got.right(11);
                                 answered_ += n;
                                 *waiting -= n;
                                 if (*waiting <= 0) {
                                     *waiting = depth;
                                     client->write(burst);
                                 }
                             });
            QObject::connect(client, &QTcpSocket::disconnected, client, [client, open, tail] {
                tail->clear();
                QTimer::singleShot(100, client, open);
            });
            open();
        }
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (stop_) {
                loop.quit();
            }
        });
        poll.start(20);
        loop.exec();
    }

    std::atomic<bool> stop_ = false;
    std::atomic<qint64> answered_ = 0;
    std::unique_ptr<QThread> thread_;
};

}  // namespace kaltero::testing
