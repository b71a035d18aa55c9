#include "live/client_gate.h"

#include <QTcpSocket>

#include <algorithm>

namespace kaltero::live {

namespace {

// A page feed sends nothing but its close: a few frames a second is already more than a page.
constexpr int kFeedReadsPerSecond = 16;
constexpr qint64 kFeedReadBytesPerSecond = 16 * 1024;

QHostAddress plain(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip) : address;
}

bool connected(const QTcpSocket* s) {
    return s && s->state() == QAbstractSocket::ConnectedState;
}

}  // namespace

ClientGate::ClientGate(QString key, Upgrade upgrade, QObject* parent)
    : QTcpServer(parent), key_(std::move(key)), upgrade_(std::move(upgrade)) {
    sweep_.setInterval(500);
    connect(&sweep_, &QTimer::timeout, this, &ClientGate::sweep);
    sweep_.start();
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

bool ClientGate::admit(const QHostAddress& peer) {
    prune();
    const auto fromPeer = std::count_if(clients_.begin(), clients_.end(),
                                        [&](const auto& c) { return c->peer == peer; });
    if (fromPeer >= maxPerAddress_) {
        return false;
    }
    const auto unproven = [](const auto& c) { return !c->keyed || c->closing; };
    const auto unkeyed = std::count_if(clients_.begin(), clients_.end(), unproven);
    if (int(clients_.size()) < kMaxClients && unkeyed < kMaxClients - kKeyedReserve) {
        return true;
    }
    // The oldest that has not shown the key gives way: it cannot hold a team member out.
    const auto oldest = std::find_if(clients_.begin(), clients_.end(), unproven);
    if (oldest == clients_.end()) {
        return false;
    }
    drop(**oldest);
    prune();
    return true;
}

void ClientGate::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QHostAddress peer = plain(socket->peerAddress());
    if (!admit(peer)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // Past this the socket stops reading: a client that floods cannot grow the console.
    socket->setReadBufferSize(kReadBufferBytes);
    auto client = std::make_unique<Client>();
    client->socket = socket;
    client->peer = peer;
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
    if (c->feed) {
        return;  // the WebSocket reads its own frames
    }
    // Qt's parser opens a transaction even when it finds nothing to read; nothing is in it.
    if (socket->isTransactionStarted()) {
        socket->commitTransaction();
    }
    const QByteArray chunk = socket->readAll();
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

void ClientGate::schedule(Client& c) {
    if (c.scheduled) {
        return;
    }
    c.scheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this, socket = QPointer<QTcpSocket>(c.socket)] {
            Client* c = socket ? find(socket) : nullptr;
            if (c) {
                c->scheduled = false;
                serve(*c);
            }
        },
        Qt::QueuedConnection);
}

void ClientGate::serve(Client& c) {
    // One request at a time, each from the event loop itself: never from inside Qt's parser or
    // its writing, and one client's queue never holds up another's.
    if (!c.closing && connected(c.socket)) {
        QTcpSocket* socket = c.socket;
        // A client that asks without reading waits: its answers are not made ahead.
        if (socket->bytesToWrite() > kPipelineBytes) {
            return;
        }
        const qsizetype end = c.received.indexOf("\r\n\r\n", std::max<qsizetype>(0, c.scanned - 3));
        if (end < 0) {
            c.scanned = c.received.size();
            if (c.received.size() > kMaxRequestBytes) {
                drop(c);
            }
            return;
        }
        if (end > kMaxRequestBytes) {
            drop(c);
            return;
        }
        const HttpHead head = parseHead(QByteArrayView(c.received).first(end));
        // The key before anything else: a request without it is told no and costs no more.
        if (!head.valid || !keyMatches(givenKey(head), key_)) {
            refuse(c, 403);
            return;
        }
        c.keyed = true;
        if (head.method != "GET") {
            refuse(c, 405);
            return;
        }
        if (head.has("Transfer-Encoding") ||
            (head.has("Content-Length") && head.value("Content-Length") != "0")) {
            refuse(c, 400);
            return;
        }
        const QByteArray request = c.received.left(end + 4);
        c.received.remove(0, end + 4);
        c.scanned = 0;
        if (wantsUpgrade(head)) {
            if (!sameOrigin(head)) {
                refuse(c, 403);
                return;
            }
            if (c.withQt) {
                refuse(c, 400);
                return;
            }
            // Marked first: from here on the WebSocket reads this connection.
            c.feed = true;
            const QByteArray received = request + c.received;
            c.received.clear();
            if (const int status = upgrade_(socket, head, received); status != 0) {
                c.feed = false;
                refuse(c, status);
            }
            return;
        }
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
                             (!c->feed && c->since.hasExpired(kIdleMs))) {
            drop(*c);
        }
    }
    fitTotal(0, nullptr);
    prune();
}

}  // namespace kaltero::live
