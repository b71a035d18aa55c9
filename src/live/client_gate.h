#pragma once

#include "live/http_head.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

namespace kaltero::live {

// The live server's accept layer: every byte a client sends passes here before Qt's HTTP server
// sees it, so that a client without the key costs the console next to nothing.
//
// - Connections: at most kMaxClients at once, kMaxPerAddress from one address; kKeyedReserve of
//   them are kept for connections that have shown the key: when the others are all taken the
//   oldest connection that has not shown it gives way to the new one.
// - Requests: the head of each request is read here whole (at most kMaxRequestBytes) and the
//   key checked first; a request without it gets 403 and the connection is closed. Qt's HTTP
//   server gets the connection only with its first keyed request, and then each keyed request
//   alone, one at a time. A keyed upgrade goes to the `upgrade` handler, as the first request
//   of its connection (as browsers open it: Qt's server lets no connection go once it has it). Only
//   GET without a body goes on; HTTP/1.0 and "Connection: close" are closed after their answer.
// - Time: a connection that has not shown the key within kFirstRequestMs, or has been idle
//   kIdleMs (page feeds excepted), is dropped; a close not done within kCloseMs is aborted.
// - Work: a connection that reads more than kReadsPerSecond chunks or kReadBytesPerSecond bytes
//   in a second is dropped (a flood of one-byte chunks).
// - Memory: unsent bytes at most kMaxUnsentBytes per client and kMaxUnsentTotal for all; past the
//   total the client with the most waiting is dropped first. Checked before every answer and
//   push (room()), on every chunk read (pongs are written for what was read) and every sweep.
class ClientGate : public QTcpServer {
    Q_OBJECT

public:
    // Hands a keyed upgrade on; returns 0 when it took the connection, else the status to refuse
    // it with. `received` is the head and whatever followed it.
    using Upgrade = std::function<int(QTcpSocket*, const HttpHead&, const QByteArray& received)>;

    ClientGate(QString key, Upgrade upgrade, QObject* parent = nullptr);
    ~ClientGate() override;

    static constexpr int kMaxClients = 64;
    static constexpr int kKeyedReserve = 16;
    static constexpr int kMaxPerAddress = 8;
    static constexpr qint64 kReadBufferBytes = 64 * 1024;
    static constexpr qint64 kMaxRequestBytes = 32 * 1024;
    static constexpr int kFirstRequestMs = 5'000;
    static constexpr int kIdleMs = 10'000;
    static constexpr int kCloseMs = 3'000;
    static constexpr int kReadsPerSecond = 200;
    static constexpr qint64 kReadBytesPerSecond = 256 * 1024;
    static constexpr qint64 kMaxUnsentBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxUnsentTotal = 64 * 1024 * 1024;
    // Pipelined requests wait while this much of the answers is still unsent.
    static constexpr qint64 kPipelineBytes = 256 * 1024;

    // Connections one address may hold (kMaxPerAddress unless set): a benchmark's many pages
    // on one machine stand in for many phones.
    void setMaxPerAddress(int connections) { maxPerAddress_ = connections; }
    // Makes room for `bytes` more to `socket`: false (and the socket dropped) when it already
    // holds too much; other clients holding the most are dropped first when the total would
    // pass its bound.
    bool room(QTcpSocket* socket, qint64 bytes);
    // Whether the request being answered on `socket` ends its connection.
    bool closesAfterAnswer(const QTcpSocket* socket) const;
    // Connections open now.
    int openCount();
    // Bytes waiting to be sent, all clients together.
    qint64 unsentTotal();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Client {
        QPointer<QTcpSocket> socket;
        QHostAddress peer;
        QByteArray received;    // read, not yet handed on
        qsizetype scanned = 0;  // where the end of a head is still to be looked for
        QElapsedTimer since;    // accepted, or its last request answered, or closing
        QElapsedTimer window;   // the current second of the read budget
        int reads = 0;
        qint64 readBytes = 0;
        bool keyed = false;
        bool withQt = false;  // handed to Qt's HTTP server
        bool feed = false;
        bool closing = false;
        bool closeAfter = false;
        bool scheduled = false;  // a serve() is queued
    };
    Client* find(const QTcpSocket* socket) const;
    void prune();
    bool admit(const QHostAddress& peer);
    void onReadyRead(QTcpSocket* socket);
    bool withinBudget(Client& c, qint64 bytes);
    // Queues serve() for the client's next waiting request, once.
    void schedule(Client& c);
    void serve(Client& c);
    void refuse(Client& c, int status);
    void closeAfterWrite(Client& c);
    void drop(Client& c);
    // Drops the clients holding the most until `bytes` more fit in the total; false when `own`
    // was one of them.
    bool fitTotal(qint64 bytes, const Client* own);
    void sweep();

    QString key_;
    Upgrade upgrade_;
    std::vector<std::unique_ptr<Client>> clients_;
    QTcpSocket* feeding_ = nullptr;
    int maxPerAddress_ = kMaxPerAddress;
    QTimer sweep_;
};

}  // namespace kaltero::live
