#include "udp_link.h"

#include "platform/cp932.h"
#include "platform/datagram_socket.h"
#include "platform/tick_clock.h"

#include <QNetworkInterface>
#include <QPointer>
#include <QUdpSocket>

#include <utility>

namespace kaltero::platform {

namespace {

bool validPort(int port) {
    return port > 0 && port <= 65535;
}

}  // namespace

UdpLink::UdpLink(QObject* parent) : QObject(parent), socket_(new DatagramSocket(this)) {
    connect(socket_, &DatagramSocket::readyRead, this, &UdpLink::readPending);
}

UdpLink::~UdpLink() = default;

bool UdpLink::bind() {
    close();
    if (localPort_ < 0 || localPort_ > 65535) {
        return false;
    }
    return socket_->bind(static_cast<quint16>(localPort_));
}

void UdpLink::close() {
    socket_->close();
}

bool UdpLink::isBound() const {
    return socket_->isBound();
}

int UdpLink::boundPort() const {
    return socket_->localPort();
}

bool UdpLink::sendData(const QString& text) {
    QHostAddress host;
    if (!host.setAddress(remoteHost_) || host.protocol() != QAbstractSocket::IPv4Protocol ||
        !validPort(remotePort_)) {
        return false;
    }
    const QByteArray bytes = encodeCp932(text);
    const auto port = static_cast<quint16>(remotePort_);
    if (isBound()) {
        return socket_->send(bytes, host, port);
    }
    if (sender_ == nullptr) {
        sender_ = new QUdpSocket(this);
    }
    return sender_->writeDatagram(bytes, host, port) == bytes.size();
}

void UdpLink::readPending() {
    if (inArrival_) {
        // A handler is still at work; the loop below picks these datagrams up, or, when it
        // has read its burst, a later pass (the socket may not tell again before a read).
        missedNotice_ = true;
        return;
    }
    inArrival_ = true;
    const QPointer<UdpLink> alive(this);
    // Checks the state each time round: a handler may close the link, or close and bind it
    // again (the address check does), and then reads continue from the new binding. After a
    // burst the socket tells again on the next pass of the event loop, after the others.
    for (int read = 0; read < kMaxBurst && isBound(); ++read) {
        const std::optional<ReceivedDatagram> datagram = socket_->receive();
        if (!datagram) {
            break;
        }
        const qint32 arrivalTick = tick_ != nullptr ? tick_->TickCntAgo(datagram->ageNs) : 0;
        Q_EMIT dataArrival(decodeCp932(datagram->data), datagram->sender, arrivalTick);
        if (alive.isNull()) {
            return;
        }
    }
    inArrival_ = false;
    if (std::exchange(missedNotice_, false)) {
        QMetaObject::invokeMethod(this, &UdpLink::readPending, Qt::QueuedConnection);
    }
}

QString UdpLink::localIP() {
    QString linkLocal;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress address = entry.ip();
            if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback()) {
                continue;
            }
            if (!address.isLinkLocal()) {
                return address.toString();
            }
            if (linkLocal.isEmpty()) {
                linkLocal = address.toString();
            }
        }
    }
    return linkLocal.isEmpty() ? QStringLiteral("127.0.0.1") : linkLocal;
}

}  // namespace kaltero::platform
