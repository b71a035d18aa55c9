#pragma once

#include "live/client_frames.h"
#include "live/http_head.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

namespace kaltero::live {

// The live server's accept layer: every byte a client sends passes here before Qt's HTTP server
// or the feed's WebSocket sees it, so that a client without the key costs the console next to
// nothing. There is one key: "per key" below means all the connections that have shown it.
//
// - Connections: at most kMaxClients at once, kMaxPerAddress from one address (IPv6: from one
//   /64, see addressBucket). kKeyedReserve of them are kept for connections that have shown the
//   key. A connection has kGraceMs to show it before it may be made to give way: when the
//   connections without the key take all the rest, or its address is at its limit, the oldest
//   of them past its grace time gives way to the new one (so a team member behind a NAT shared
//   with keyless squatters gets in). When every connection has shown the key, the one idle the
//   longest (no request waiting, nothing unsent, none for kGraceMs) gives way, so keyed
//   connections cannot lock the team out; page feeds never give way to a new connection. When
//   no place can be made, new connections wait, in the order they came (kMaxWaiting accepted,
//   the rest in the listen queue), until one can: a connection ends or passes its grace time.
//   A team member is let in after the keyless connections ahead of it, not refused for good.
// - Feeds: at most kMaxFeeds per key; at the bound the oldest feed of the address holding the
//   most gives way to a new one. Every feed gets a ping every kPingMs; one that has not
//   answered within kPongMs (it reads nothing) is dropped.
// - Requests: the head of each request is read here whole (at most kMaxRequestBytes) and the
//   key looked for in it first, without splitting it into headers; a request without it gets
//   403 and the connection is closed. Qt's HTTP server gets the connection only with its first
//   keyed request, and then each keyed request alone, one at a time, each from the event loop
//   (never from inside Qt's parser); a client that asks ahead waits while kPipelineBytes of
//   answers are unsent. A keyed upgrade goes to the `upgrade` handler, as the first request of
//   its connection (as browsers open it: Qt's server lets no connection go once it has it). Only
//   GET without a body goes on; HTTP/1.0 and "Connection: close" are closed after their answer.
// - Feed frames: what a page sends after the upgrade is read here and never reaches the
//   WebSocket (the page only listens): pongs and pings are answered here, an unmasked frame,
//   a malformed one or any message closes the connection (ClientFrames).
// - Time: a connection that has not shown the key within kFirstRequestMs, or has been idle
//   kIdleMs (page feeds excepted: they answer pings), is dropped; a close not done within
//   kCloseMs is aborted.
// - Work: a connection that reads more than kReadsPerSecond chunks or kReadBytesPerSecond bytes
//   in a second is dropped (a flood of one-byte chunks). A keyed connection gets at most
//   kAnswersPerSecond answers a second; what it asks beyond that waits its turn (a page loads
//   with a handful), so a script that pipelines without end costs the console a bounded share.
// - Memory: unsent bytes at most kMaxUnsentBytes per client and kMaxUnsentTotal for all; past the
//   total the client with the most waiting is dropped first. Checked before every answer and
//   push (room()), on every chunk read (pongs are written for what was read) and every sweep.
class ClientGate : public QTcpServer {
    Q_OBJECT

public:
    // Hands a keyed upgrade on; returns 0 when it took the connection, else the status to refuse
    // it with. `received` is the head alone: what follows it is this gate's to read.
    using Upgrade = std::function<int(QTcpSocket*, const HttpHead&, const QByteArray& received)>;

    ClientGate(QString key, Upgrade upgrade, QObject* parent = nullptr);
    ~ClientGate() override;

    static constexpr int kMaxClients = 64;
    static constexpr int kKeyedReserve = 16;
    static constexpr int kMaxPerAddress = 8;
    // Fifty phones of a large team, and room left for their page loads.
    static constexpr int kMaxFeeds = 56;
    static constexpr int kGraceMs = 1'000;
    static constexpr int kMaxWaiting = 64;
    static constexpr int kPingMs = 5'000;
    static constexpr int kPongMs = 5'000;
    static constexpr qint64 kReadBufferBytes = 64 * 1024;
    static constexpr qint64 kMaxRequestBytes = 32 * 1024;
    static constexpr int kFirstRequestMs = 5'000;
    static constexpr int kIdleMs = 10'000;
    static constexpr int kCloseMs = 3'000;
    static constexpr int kReadsPerSecond = 200;
    static constexpr qint64 kReadBytesPerSecond = 256 * 1024;
    static constexpr int kAnswersPerSecond = 20;
    static constexpr qint64 kMaxUnsentBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxUnsentTotal = 64 * 1024 * 1024;
    // Pipelined requests wait while this much of the answers is still unsent.
    static constexpr qint64 kPipelineBytes = 256 * 1024;

    // Connections one address may hold (kMaxPerAddress unless set): a benchmark's many pages
    // on one machine stand in for many phones.
    void setMaxPerAddress(int connections) { maxPerAddress_ = connections; }
    // How often feeds are pinged and how long a pong may take (kPingMs, kPongMs unless set).
    void setFeedPing(int everyMs, int answerWithinMs) {
        pingMs_ = everyMs;
        pongMs_ = answerWithinMs;
    }
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
        QHostAddress bucket;    // what it is counted under per address
        QByteArray received;    // read, not yet handed on
        qsizetype scanned = 0;  // where the end of a head is still to be looked for
        QElapsedTimer opened;   // accepted: its grace time
        QElapsedTimer since;    // accepted, or its last request answered, or upgraded, or closing
        QElapsedTimer window;   // the current second of the read budget
        int reads = 0;
        qint64 readBytes = 0;
        bool keyed = false;
        bool withQt = false;  // handed to Qt's HTTP server
        bool feed = false;
        bool closing = false;
        bool closeAfter = false;
        bool scheduled = false;      // a serve() is queued
        QElapsedTimer answerWindow;  // the current second of the answer budget
        int answers = 0;
        // A feed: its upgrade head until the WebSocket server has read it, what it sends, pings.
        QByteArray handshake;
        ClientFrames frames;
        QElapsedTimer pinged;  // the last ping, or the upgrade
        bool awaitingPong = false;
    };
    Client* find(const QTcpSocket* socket) const;
    void prune();
    enum class Admission { In, AddressFull, Full };
    // Makes a place for a connection from `bucket` if one can be made (see above).
    Admission admit(const QHostAddress& bucket);
    // The connection that gives way to a new one, among those `among` picks: one closing, else
    // the oldest without the key past its grace time, else (with `idleKeyed`) the keyed one
    // idle the longest; null when none may.
    Client* giveWay(const std::function<bool(const Client&)>& among, bool idleKeyed);
    // Lets in the connections waiting for a place, in the order they came.
    void letIn();
    void take(QTcpSocket* socket, const QHostAddress& bucket);
    void onReadyRead(QTcpSocket* socket);
    bool withinBudget(Client& c, qint64 bytes);
    // Queues serve() for the client's next waiting request, once.
    // Serves the client's next request from the event loop, after `ms`.
    void schedule(Client& c, int ms = 0);
    void serve(Client& c);
    // Where the client's next request head ends; -1 while it is not whole (a client sending
    // more than a request may hold is dropped).
    qsizetype headEnd(Client& c);
    // The status a keyed request is refused with: a method other than GET, or a body; 0: none.
    static int refusal(const HttpHead& head);
    // Counts an answer within the client's second; false (and served later) past the limit.
    bool withinAnswerRate(Client& c);
    // Hands a whole request to Qt's HTTP server, alone.
    void handToQt(Client& c, const HttpHead& head, const QByteArray& request);
    void upgradeFeed(Client& c, const HttpHead& head, const QByteArray& request);
    // Whether the WebSocket server has read the feed's upgrade head (it reads it in its own time).
    bool handshakeRead(Client& c);
    void readFeed(Client& c, QByteArray bytes);
    // Writes a control frame of this server (unmasked) to the feed; false when it had no room.
    bool sendControl(Client& c, quint8 opcode, QByteArrayView payload);
    void closeFeed(Client& c, quint16 code);
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
    int pingMs_ = kPingMs;
    int pongMs_ = kPongMs;
    QTimer sweep_;
    // Accepted, waiting for a place: at most kMaxWaiting, each at most kFirstRequestMs.
    struct Waiting {
        QPointer<QTcpSocket> socket;
        QElapsedTimer since;
    };
    std::deque<Waiting> waiting_;
    QTimer letInTimer_;
};

}  // namespace kaltero::live
