#include "live/client_gate.h"

#include <QTcpSocket>

namespace kaltero::live {

ClientGate::ClientGate(QObject* parent) : QTcpServer(parent) {
    sweep_.setInterval(1000);
    connect(&sweep_, &QTimer::timeout, this, &ClientGate::sweep);
    sweep_.start();
}

ClientGate::Client* ClientGate::find(const QTcpSocket* socket) {
    for (Client& c : clients_) {
        if (c.socket == socket) {
            return &c;
        }
    }
    return nullptr;
}

void ClientGate::prune() {
    clients_.removeIf([](const Client& c) {
        return !c.socket || c.socket->state() == QAbstractSocket::UnconnectedState;
    });
}

int ClientGate::openCount() {
    prune();
    return int(clients_.size());
}

void ClientGate::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (openCount() >= kMaxClients) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // Past this the socket stops reading: a client that floods cannot grow the console.
    socket->setReadBufferSize(kReadBufferBytes);
    Client client{socket, {}, 0, false};
    client.since.start();
    clients_.append(client);
    // Connected before the HTTP server's own handler, so it sees each new chunk first.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        Client* c = find(socket);
        if (!c || c->feed) {
            return;
        }
        c->requestBytes += socket->bytesAvailable();
        if (c->requestBytes > kMaxRequestBytes) {
            socket->abort();
        }
    });
    addPendingConnection(socket);
}

void ClientGate::requestDone(QTcpSocket* socket) {
    if (Client* c = find(socket)) {
        c->requestBytes = 0;
        c->since.restart();
    }
}

void ClientGate::upgraded(const QHostAddress& peer, quint16 peerPort) {
    for (Client& c : clients_) {
        if (c.socket && c.socket->peerPort() == peerPort && c.socket->peerAddress() == peer) {
            c.feed = true;
        }
    }
}

void ClientGate::sweep() {
    prune();
    for (Client& c : clients_) {
        if (!c.feed && c.since.hasExpired(kRequestTimeoutMs)) {
            c.socket->abort();
        }
    }
}

}  // namespace kaltero::live
