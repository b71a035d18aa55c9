#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace kaltero::live {

// The live server's listening socket, which keeps its clients within bounds: at most
// kMaxClients connections at once (the next one is closed at once), a bounded read buffer per
// connection, a request that grows past kMaxRequestBytes dropped, and a connection that has
// not completed a request for kRequestTimeoutMs dropped (a client trickling a request in byte
// by byte). Connections that became page feeds are exempt from the timeout.
class ClientGate : public QTcpServer {
    Q_OBJECT

public:
    explicit ClientGate(QObject* parent = nullptr);

    static constexpr int kMaxClients = 64;
    static constexpr qint64 kReadBufferBytes = 64 * 1024;
    static constexpr qint64 kMaxRequestBytes = 32 * 1024;
    static constexpr int kRequestTimeoutMs = 10'000;

    // A request on this connection was answered: its byte count and its time start again.
    void requestDone(QTcpSocket* socket);
    // The connection with this peer became a page feed.
    void upgraded(const QHostAddress& peer, quint16 peerPort);
    // Connections open now.
    int openCount();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Client {
        QPointer<QTcpSocket> socket;
        QElapsedTimer since;  // connected, or its last request answered
        qint64 requestBytes = 0;
        bool feed = false;
    };
    Client* find(const QTcpSocket* socket);
    void prune();
    void sweep();

    QList<Client> clients_;
    QTimer sweep_;
};

}  // namespace kaltero::live
