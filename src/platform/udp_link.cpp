#include "udp_link.h"

#include "platform/cp932.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QUdpSocket>

namespace kaltero::platform {

namespace {

bool validPort(int port) {
    return port > 0 && port <= 65535;
}

}  // namespace

UdpLink::UdpLink(QObject* parent) : QObject(parent), socket_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, &UdpLink::readPending);
}

UdpLink::~UdpLink() = default;

bool UdpLink::bind() {
    close();
    if (localPort_ < 0 || localPort_ > 65535) {
        return false;
    }
    return socket_->bind(QHostAddress::AnyIPv4, static_cast<quint16>(localPort_),
                         QAbstractSocket::DontShareAddress);
}

void UdpLink::close() {
    if (socket_->state() != QAbstractSocket::UnconnectedState) {
        socket_->close();
    }
}

bool UdpLink::isBound() const {
    return socket_->state() == QAbstractSocket::BoundState;
}

int UdpLink::boundPort() const {
    return isBound() ? socket_->localPort() : 0;
}

bool UdpLink::sendData(const QString& text) {
    QHostAddress host;
    if (!host.setAddress(remoteHost_) || host.protocol() != QAbstractSocket::IPv4Protocol ||
        !validPort(remotePort_)) {
        return false;
    }
    QUdpSocket* via = socket_;
    if (!isBound()) {
        if (sender_ == nullptr) {
            sender_ = new QUdpSocket(this);
        }
        via = sender_;
    }
    const QByteArray bytes = encodeCp932(text);
    return via->writeDatagram(bytes, host, static_cast<quint16>(remotePort_)) == bytes.size();
}

void UdpLink::readPending() {
    if (inArrival_) {
        return;  // a handler is still at work; the loop below picks these datagrams up
    }
    inArrival_ = true;
    const QPointer<UdpLink> alive(this);
    // Checks the state each time round: a handler may close the link, or close and bind it
    // again (the address check does), and then reads continue from the new binding.
    while (isBound() && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_->receiveDatagram();
        if (!datagram.isValid()) {
            break;
        }
        Q_EMIT dataArrival(decodeCp932(datagram.data()), datagram.senderAddress());
        if (alive.isNull()) {
            return;
        }
    }
    inArrival_ = false;
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
