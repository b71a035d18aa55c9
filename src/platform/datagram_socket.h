#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

#include <memory>
#include <optional>

namespace kaltero::platform {

struct ReceivedDatagram {
    QByteArray data;
    QHostAddress sender;
    // How long the datagram had been waiting in the system when it was read, from the
    // kernel's receive stamp; 0 where the system gives none (it then counts as arrived now).
    qint64 ageNs = 0;
};

// One UDP socket on every IPv4 interface, not shared with any other socket, read without
// waiting. On Linux each datagram carries the kernel's receive time, so a busy reader still
// knows when it came; elsewhere its age is 0.
class DatagramSocket : public QObject {
    Q_OBJECT

public:
    explicit DatagramSocket(QObject* parent = nullptr);
    ~DatagramSocket() override;

    // Closes first. False when the port cannot be had; the socket then stays closed.
    bool bind(quint16 port);
    void close();
    bool isBound() const;
    // The port bound (the system's choice for port 0); 0 while closed.
    quint16 localPort() const;
    // Whether the whole datagram left.
    bool send(const QByteArray& bytes, const QHostAddress& host, quint16 port);
    // The next waiting datagram; nothing when none waits or the socket is closed.
    std::optional<ReceivedDatagram> receive();

Q_SIGNALS:
    // Datagrams are waiting.
    void readyRead();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace kaltero::platform
