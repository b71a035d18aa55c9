#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <functional>

namespace kaltero::testing {

// Turns the event loop (the server runs on it too) until done() or the time is up.
inline bool turnUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

// One HTTP answer as a client reads it off the wire.
struct HttpReply {
    int status = 0;  // 0: no answer
    QByteArray head;
    QByteArray body;
    bool closed = false;  // the server closed the connection

    QByteArray header(const QByteArray& name) const {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) {
                return line.mid(colon + 1).trimmed();
            }
        }
        return {};
    }
};

// Sends `request` as it is and reads one answer, or until the server closes; from the address
// `from` when given.
inline HttpReply exchange(quint16 port, const QByteArray& request, int timeoutMs = 3000,
                          const QHostAddress& from = {}) {
    QTcpSocket socket;
    if (!from.isNull()) {
        socket.bind(from);
    }
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    HttpReply reply;
    if (!turnUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, timeoutMs)) {
        return reply;
    }
    socket.write(request);
    QByteArray got;
    const auto complete = [&] {
        got += socket.readAll();
        reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
        const qsizetype end = got.indexOf("\r\n\r\n");
        if (end < 0) {
            return reply.closed;
        }
        reply.head = got.left(end);
        reply.body = got.mid(end + 4);
        reply.status = got.mid(9, 3).toInt();
        return reply.closed || reply.body.size() >= reply.header("Content-Length").toLongLong();
    };
    turnUntil(complete, timeoutMs);
    // An answer that says it ends the connection is followed by its end.
    if (reply.status != 0 && reply.header("Connection").toLower() == "close") {
        turnUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
        reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
    }
    return reply;
}

inline QByteArray get(const QString& target, const QByteArray& headers = {}) {
    return "GET " + target.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

// A WebSocket upgrade request as a browser sends it, with `headers` added.
inline QByteArray upgradeRequest(const QString& target, const QByteArray& headers = {}) {
    return get(target,
               "Upgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
               "Sec-WebSocket-Version: 13\r\n" +
                   headers);
}

// A page's feed: every message it got, as JSON objects, with the time each arrived.
struct Feed {
    explicit Feed(const QUrl& url) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString& text) {
                             messages.append(QJsonDocument::fromJson(text.toUtf8()).object());
                             arrived.append(clock.elapsed());
                         });
        clock.start();
        socket.open(url);
    }
    QWebSocket socket;
    QElapsedTimer clock;
    QList<QJsonObject> messages;
    QList<qint64> arrived;
};

}  // namespace kaltero::testing
