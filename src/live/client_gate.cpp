#include "live/client_gate.h"

#include "live/client_address.h"

#include <QTcpSocket>

#include <algorithm>

namespace kaltero::live {

namespace {

// A page feed sends nothing but its close: a few frames a second is already more than a page.
constexpr int kFeedReadsPerSecond = 16;
constexpr qint64 kFeedReadBytesPerSecond = 16 * 1024;

constexpr quint8 kPing = 0x9;
constexpr quint8 kPong = 0xA;
constexpr quint8 kClose = 0x8;
// Close codes (RFC 6455, 7.4.1).
constexpr quint16 kNormal = 1000;
constexpr quint16 kProtocolError = 1002;
constexpr quint16 kPolicyViolated = 1008;

bool connected(const QTcpSocket* s) {
    return s && s->state() == QAbstractSocket::ConnectedState;
}

}  // namespace

ClientGate::ClientGate(QString key, Upgrade upgrade, QObject* parent)
    : QTcpServer(parent), key_(std::move(key)), upgrade_(std::move(upgrade)) {
    sweep_.setInterval(500);
    connect(&sweep_, &QTimer::timeout, this, &ClientGate::sweep);
    sweep_.start();
    letInTimer_.setInterval(20);
    connect(&letInTimer_, &QTimer::timeout, this, &ClientGate::letIn);
}

ClientGate::~ClientGate() = default;

ClientGate::Client* ClientGate::find(const QTcpSocket* socket) const {
    for (const auto& c : clients_) {
        if (c->socket == socket) {
            return c.get();
        }
    }
    return nullptr;
}

void ClientGate::prune() {
    std::erase_if(clients_, [](const auto& c) {
        return !c->socket || c->socket->state() == QAbstractSocket::UnconnectedState;
    });
}

int ClientGate::openCount() {
    prune();
    return int(clients_.size());
}

qint64 ClientGate::unsentTotal() {
    qint64 total = 0;
    for (const auto& c : clients_) {
        if (connected(c->socket)) {
            total += c->socket->bytesToWrite();
        }
    }
    return total;
}

ClientGate::Admission ClientGate::admit(const QHostAddress& bucket) {
    prune();
    const auto sameBucket = [&](const Client& c) { return c.bucket == bucket; };
    const auto fromBucket = std::count_if(clients_.begin(), clients_.end(),
                                          [&](const auto& c) { return sameBucket(*c); });
    if (fromBucket >= maxPerAddress_) {
        // A team member behind the address of keyless squatters (a NAT) still gets in.
        Client* way = giveWay(sameBucket, true);
        if (!way) {
            return Admission::AddressFull;
        }
        drop(*way);
        prune();
    }
    const auto unkeyed = std::count_if(clients_.begin(), clients_.end(),
                                       [](const auto& c) { return !c->keyed || c->closing; });
    if (int(clients_.size()) < kMaxClients && unkeyed < kMaxClients - kKeyedReserve) {
        return Admission::In;
    }
    // Keyed connections give way only when they hold every place.
    Client* way = giveWay([](const Client&) { return true; }, int(clients_.size()) >= kMaxClients);
    if (!way) {
        return Admission::Full;
    }
    drop(*way);
    prune();
    return Admission::In;
}

ClientGate::Client* ClientGate::giveWay(const std::function<bool(const Client&)>& among,
                                        bool idleKeyed) {
    Client* way = nullptr;
    int wayRank = 3;
    qint64 wayAge = -1;
    for (const auto& c : clients_) {
        if (!among(*c)) {
            continue;
        }
        int rank = 3;
        qint64 age = 0;
        if (c->closing) {
            rank = 0;
        } else if (!c->keyed && c->opened.hasExpired(kGraceMs)) {
            rank = 1;
            age = c->opened.elapsed();
        } else if (idleKeyed && c->keyed && !c->feed && c->received.isEmpty() &&
                   c->socket->bytesToWrite() == 0 && c->since.hasExpired(kGraceMs)) {
            rank = 2;
            age = c->since.elapsed();
        }
        if (rank < wayRank || (rank == wayRank && rank < 3 && age > wayAge)) {
            way = c.get();
            wayRank = rank;
            wayAge = age;
        }
    }
    return way;
}

void ClientGate::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Past this the socket stops reading: a client that floods cannot grow the console.
    socket->setReadBufferSize(kReadBufferBytes);
    if (int(waiting_.size()) >= kMaxWaiting) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    QElapsedTimer since;
    since.start();
    waiting_.push_back({socket, since});
    letIn();
}

void ClientGate::letIn() {
    while (!waiting_.empty()) {
        const Waiting w = waiting_.front();
        if (!connected(w.socket) || w.since.hasExpired(kFirstRequestMs)) {
            waiting_.pop_front();
            if (w.socket) {
                w.socket->abort();
                w.socket->deleteLater();
            }
            continue;
        }
        const QHostAddress bucket = addressBucket(w.socket->peerAddress());
        const Admission admission = admit(bucket);
        if (admission == Admission::Full) {
            break;
        }
        waiting_.pop_front();
        if (admission == Admission::AddressFull) {
            w.socket->abort();
            w.socket->deleteLater();
            continue;
        }
        take(w.socket, bucket);
    }
    // While some wait here, the others wait in the listen queue, in the order they came.
    if (waiting_.empty()) {
        letInTimer_.stop();
        resumeAccepting();
    } else {
        pauseAccepting();
        letInTimer_.start();
    }
}

void ClientGate::take(QTcpSocket* socket, const QHostAddress& bucket) {
    auto client = std::make_unique<Client>();
    client->socket = socket;
    client->bucket = bucket;
    client->opened.start();
    client->since.start();
    clients_.push_back(std::move(client));
    // Connected before the HTTP server's own handler, so that every chunk is seen here first
    // and only what passes reaches it.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    // Written answers make room for the requests waiting behind them. Emitted inside Qt's own
    // writing too, so the next request is only scheduled from here, never served.
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (Client* c = find(socket); c && !c->feed && !c->closing && !c->received.isEmpty()) {
            schedule(*c);
        }
    });
    // Qt's server, and a feed's WebSocket, delete the connections they hold; the others end here.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (const Client* c = find(socket); c && !c->withQt && !c->feed) {
            socket->deleteLater();
        }
    });
    // What it sent while it waited.
    if (socket->bytesAvailable() > 0) {
        onReadyRead(socket);
    }
}

bool ClientGate::withinBudget(Client& c, qint64 bytes) {
    if (!c.window.isValid() || c.window.hasExpired(1000)) {
        c.window.start();
        c.reads = 0;
        c.readBytes = 0;
    }
    ++c.reads;
    c.readBytes += bytes;
    return c.feed ? c.reads <= kFeedReadsPerSecond && c.readBytes <= kFeedReadBytesPerSecond
                  : c.reads <= kReadsPerSecond && c.readBytes <= kReadBytesPerSecond;
}

void ClientGate::onReadyRead(QTcpSocket* socket) {
    if (socket == feeding_) {
        return;
    }
    Client* c = find(socket);
    if (!c) {
        return;
    }
    // What was written for what came before counts too: a pong answers every ping.
    if (socket->bytesToWrite() > kMaxUnsentBytes || !withinBudget(*c, socket->bytesAvailable())) {
        drop(*c);
        return;
    }
    // Qt's parser opens a transaction even when it finds nothing to read; nothing is in it.
    if (!c->feed && socket->isTransactionStarted()) {
        socket->commitTransaction();
    }
    if (c->feed && !handshakeRead(*c)) {
        // The upgrade head stays for the WebSocket server; what follows it is read here.
        const QByteArray after = socket->readAll().sliced(c->handshake.size());
        for (qsizetype i = c->handshake.size() - 1; i >= 0; --i) {
            socket->ungetChar(c->handshake[i]);
        }
        readFeed(*c, after);
        return;
    }
    const QByteArray chunk = socket->readAll();
    if (c->feed) {
        readFeed(*c, chunk);
        return;
    }
    if (c->closing) {
        return;
    }
    c->received += chunk;
    // Requests piling up behind answers the client does not read.
    if (c->received.size() > kReadBufferBytes) {
        drop(*c);
        return;
    }
    // Qt's handler runs after this one on the same chunk: the request is served once it is done.
    schedule(*c);
}

void ClientGate::schedule(Client& c, int ms) {
    if (c.scheduled) {
        return;
    }
    c.scheduled = true;
    QTimer::singleShot(ms, this, [this, socket = QPointer<QTcpSocket>(c.socket)] {
        Client* c = socket ? find(socket) : nullptr;
        if (c) {
            c->scheduled = false;
            serve(*c);
        }
    });
}

void ClientGate::serve(Client& c) {
    // One request at a time, each from the event loop itself: never from inside Qt's parser or
    // its writing, and one client's queue never holds up another's. A client that asks without
    // reading waits: its answers are not made ahead.
    if (c.closing || !connected(c.socket) || c.socket->bytesToWrite() > kPipelineBytes) {
        return;
    }
    const qsizetype end = headEnd(c);
    if (end < 0) {
        return;
    }
    // The key before anything else: a request without it is told no and costs no more.
    const QByteArrayView headText = QByteArrayView(c.received).first(end);
    if (!keyMatches(keyInHead(headText), key_)) {
        refuse(c, 403);
        return;
    }
    const HttpHead head = parseHead(headText);
    if (!head.valid) {
        refuse(c, 403);
        return;
    }
    c.keyed = true;
    if (const int status = refusal(head)) {
        refuse(c, status);
        return;
    }
    if (!withinAnswerRate(c)) {
        return;
    }
    const QByteArray request = c.received.left(end + 4);
    c.received.remove(0, end + 4);
    c.scanned = 0;
    if (wantsUpgrade(head)) {
        if (const int status = !sameOrigin(head) ? 403 : c.withQt ? 400 : 0) {
            refuse(c, status);
        } else {
            upgradeFeed(c, head, request);
        }
        return;
    }
    handToQt(c, head, request);
}

qsizetype ClientGate::headEnd(Client& c) {
    const qsizetype end = c.received.indexOf("\r\n\r\n", std::max<qsizetype>(0, c.scanned - 3));
    if (end < 0) {
        c.scanned = c.received.size();
        if (c.received.size() > kMaxRequestBytes) {
            drop(c);
        }
        return -1;
    }
    if (end > kMaxRequestBytes) {
        drop(c);
        return -1;
    }
    return end;
}

int ClientGate::refusal(const HttpHead& head) {
    if (head.method != "GET") {
        return 405;
    }
    if (head.has("Transfer-Encoding") ||
        (head.has("Content-Length") && head.value("Content-Length") != "0")) {
        return 400;
    }
    return 0;
}

bool ClientGate::withinAnswerRate(Client& c) {
    if (!c.answerWindow.isValid() || c.answerWindow.hasExpired(1000)) {
        c.answerWindow.start();
        c.answers = 0;
    }
    if (c.answers >= kAnswersPerSecond) {
        schedule(c, int(1000 - c.answerWindow.elapsed()) + 1);
        return false;
    }
    ++c.answers;
    return true;
}

void ClientGate::handToQt(Client& c, const HttpHead& head, const QByteArray& request) {
    QTcpSocket* socket = c.socket;
    c.closeAfter = !keepsAlive(head);
    if (!c.withQt) {
        // Qt's handler is connected now, after this gate's: it still sees nothing first.
        c.withQt = true;
        addPendingConnection(socket);
    }
    // Qt's handler, run on a chunk this gate had already taken, may have left a transaction
    // open on the empty buffer; the request goes in after it, whole and alone.
    if (socket->isTransactionStarted()) {
        socket->commitTransaction();
    }
    for (qsizetype i = request.size() - 1; i >= 0; --i) {
        socket->ungetChar(request[i]);
    }
    feeding_ = socket;
    Q_EMIT socket->readyRead();
    feeding_ = nullptr;
    if (!connected(c.socket)) {
        return;
    }
    c.since.restart();
    if (c.closeAfter) {
        closeAfterWrite(c);
        return;
    }
    if (!c.received.isEmpty() && socket->bytesToWrite() <= kPipelineBytes) {
        schedule(c);
    }
}

void ClientGate::upgradeFeed(Client& c, const HttpHead& head, const QByteArray& request) {
    // At the bound a feed makes room for the new one: the oldest of the address holding the
    // most, so that one address reloading or hoarding pages never pushes out another's.
    const auto isFeed = [](const Client& f) { return f.feed && !f.closing; };
    if (std::count_if(clients_.begin(), clients_.end(),
                      [&](const auto& f) { return isFeed(*f); }) >= kMaxFeeds) {
        const auto feedsOf = [&](const QHostAddress& bucket) {
            return std::count_if(clients_.begin(), clients_.end(),
                                 [&](const auto& f) { return isFeed(*f) && f->bucket == bucket; });
        };
        Client* way = nullptr;
        qsizetype wayFeeds = 0;
        for (const auto& f : clients_) {
            if (!isFeed(*f)) {
                continue;
            }
            const qsizetype feeds = feedsOf(f->bucket);
            if (!way || feeds > wayFeeds ||
                (feeds == wayFeeds && f->since.elapsed() > way->since.elapsed())) {
                way = f.get();
                wayFeeds = feeds;
            }
        }
        drop(*way);
    }
    QTcpSocket* socket = c.socket;
    // Marked first: from here on only the WebSocket server reads the head, and this gate the rest.
    c.feed = true;
    c.handshake = request;
    const QByteArray after = std::exchange(c.received, {});
    feeding_ = socket;
    const int status = upgrade_(socket, head, request);
    feeding_ = nullptr;
    if (status != 0) {
        c.feed = false;
        c.handshake.clear();
        refuse(c, status);
        return;
    }
    c.since.restart();
    c.pinged.start();
    readFeed(c, after);
}

bool ClientGate::handshakeRead(Client& c) {
    if (!c.handshake.isEmpty() && (c.socket->bytesAvailable() < c.handshake.size() ||
                                   c.socket->peek(c.handshake.size()) != c.handshake)) {
        c.handshake.clear();
    }
    return c.handshake.isEmpty();
}

void ClientGate::readFeed(Client& c, QByteArray bytes) {
    if (c.closing || bytes.isEmpty()) {
        return;
    }
    QList<ClientFrames::Frame> frames;
    const ClientFrames::Fault fault = c.frames.take(bytes, frames);
    for (const ClientFrames::Frame& f : std::as_const(frames)) {
        if (f.opcode == kPong) {
            c.awaitingPong = false;
        } else if (f.opcode == kPing) {
            if (!sendControl(c, kPong, f.payload)) {
                return;
            }
        } else if (f.opcode == kClose) {
            closeFeed(c, kNormal);
            return;
        }
    }
    if (fault != ClientFrames::Fault::None) {
        closeFeed(c, fault == ClientFrames::Fault::Message ? kPolicyViolated : kProtocolError);
    }
}

bool ClientGate::sendControl(Client& c, quint8 opcode, QByteArrayView payload) {
    QByteArray frame;
    frame += char(0x80 | opcode);
    frame += char(payload.size());
    frame += payload;
    if (!room(c.socket, frame.size())) {
        return false;
    }
    // Written whole between the WebSocket's own frames: everything here runs on one thread.
    c.socket->write(frame);
    return true;
}

void ClientGate::closeFeed(Client& c, quint16 code) {
    const char payload[] = {char(code >> 8), char(code & 0xFF)};
    if (sendControl(c, kClose, QByteArrayView(payload, 2))) {
        closeAfterWrite(c);
    }
}

bool ClientGate::closesAfterAnswer(const QTcpSocket* socket) const {
    const Client* c = find(socket);
    return c && c->closeAfter;
}

void ClientGate::refuse(Client& c, int status) {
    c.received.clear();
    if (connected(c.socket)) {
        c.socket->write(closingAnswer(status));
    }
    closeAfterWrite(c);
}

void ClientGate::closeAfterWrite(Client& c) {
    c.closing = true;
    c.since.restart();
    if (c.socket) {
        c.socket->disconnectFromHost();
    }
}

void ClientGate::drop(Client& c) {
    c.closing = true;
    c.received.clear();
    if (c.socket) {
        c.socket->abort();
    }
}

bool ClientGate::room(QTcpSocket* socket, qint64 bytes) {
    Client* own = find(socket);
    if (!connected(socket) || socket->bytesToWrite() + bytes > kMaxUnsentBytes) {
        if (own) {
            drop(*own);
        } else if (socket) {
            socket->abort();
        }
        return false;
    }
    return fitTotal(bytes, own);
}

bool ClientGate::fitTotal(qint64 bytes, const Client* own) {
    qint64 total = unsentTotal();
    while (total + bytes > kMaxUnsentTotal) {
        Client* worst = nullptr;
        for (const auto& c : clients_) {
            if (connected(c->socket) &&
                (!worst || c->socket->bytesToWrite() > worst->socket->bytesToWrite())) {
                worst = c.get();
            }
        }
        if (!worst) {
            break;
        }
        total -= worst->socket->bytesToWrite();
        drop(*worst);
        if (worst == own) {
            return false;
        }
    }
    return true;
}

void ClientGate::sweep() {
    prune();
    for (const auto& c : clients_) {
        const QTcpSocket* s = c->socket;
        if (c->closing ? c->since.hasExpired(kCloseMs)
                       : s->bytesToWrite() > kMaxUnsentBytes ||
                             (!c->keyed && c->since.hasExpired(kFirstRequestMs)) ||
                             (!c->feed && c->since.hasExpired(kIdleMs)) ||
                             (c->awaitingPong && c->pinged.hasExpired(pongMs_))) {
            drop(*c);
        } else if (c->feed && !c->awaitingPong && c->pinged.hasExpired(pingMs_) &&
                   handshakeRead(*c)) {
            // A page that reads answers at once; one that reads nothing never does.
            c->awaitingPong = true;
            c->pinged.restart();
            sendControl(*c, kPing, {});
        }
    }
    fitTotal(0, nullptr);
    prune();
}

}  // namespace kaltero::live
