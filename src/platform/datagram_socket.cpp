#include "platform/datagram_socket.h"

// The kernel's receive stamp is a Linux socket option; elsewhere Qt's socket reads the
// datagrams and they count as arrived when read.
#if defined(Q_OS_LINUX) && !defined(KALTERO_NO_RECEIVE_STAMP)
#define KALTERO_RECEIVE_STAMP 1
#endif

#ifdef KALTERO_RECEIVE_STAMP
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#else
#include <QNetworkDatagram>
#include <QUdpSocket>
#endif

namespace kaltero::platform {

#ifdef KALTERO_RECEIVE_STAMP

namespace {

// Larger than any UDP datagram over IPv4 (65,507 bytes of data).
constexpr int kLargestDatagram = 65'536;
// A stamp older than this is taken for a step of the system's wall clock (the stamp is on
// it), not for a wait: the datagram then counts as arrived when read.
constexpr qint64 kLongestWaitNs = 10'000'000'000;

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

struct DatagramSocket::Impl {
    int fd = -1;
    quint16 port = 0;
    QSocketNotifier* notifier = nullptr;
    QByteArray buffer{kLargestDatagram, Qt::Uninitialized};
};

DatagramSocket::DatagramSocket(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) {}

DatagramSocket::~DatagramSocket() {
    close();
}

bool DatagramSocket::bind(quint16 port) {
    close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // Where the kernel refuses the stamp, datagrams count as arrived when read.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return false;
    }
    d_->fd = fd;
    d_->port = ntohs(address.sin_port);
    d_->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    // Told once until the next read, so that a reader that cannot read now (its handler is
    // still at work in a nested event loop) is not told again and again meanwhile.
    connect(d_->notifier, &QSocketNotifier::activated, this, [this] {
        d_->notifier->setEnabled(false);
        Q_EMIT readyRead();
    });
    return true;
}

void DatagramSocket::close() {
    if (d_->fd < 0) {
        return;
    }
    // A handler run from this notifier may close the socket: the notifier goes later.
    d_->notifier->setEnabled(false);
    d_->notifier->deleteLater();
    d_->notifier = nullptr;
    ::close(d_->fd);
    d_->fd = -1;
    d_->port = 0;
}

bool DatagramSocket::isBound() const {
    return d_->fd >= 0;
}

quint16 DatagramSocket::localPort() const {
    return d_->port;
}

bool DatagramSocket::send(const QByteArray& bytes, const QHostAddress& host, quint16 port) {
    bool ipv4 = false;
    const quint32 ip = host.toIPv4Address(&ipv4);
    if (d_->fd < 0 || !ipv4) {
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ip);
    to.sin_port = htons(port);
    ssize_t sent = 0;
    do {
        sent = ::sendto(d_->fd, bytes.constData(), std::size_t(bytes.size()), 0,
                        reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    return sent == bytes.size();
}

std::optional<ReceivedDatagram> DatagramSocket::receive() {
    if (d_->fd < 0) {
        return std::nullopt;
    }
    if (!d_->notifier->isEnabled()) {
        d_->notifier->setEnabled(true);
    }
    sockaddr_in from{};
    iovec data{d_->buffer.data(), std::size_t(d_->buffer.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t size = 0;
    do {
        size = ::recvmsg(d_->fd, &message, 0);
    } while (size < 0 && errno == EINTR);
    if (size < 0) {
        return std::nullopt;  // nothing waits (or the socket failed: the notifier tells again)
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ReceivedDatagram datagram{QByteArray(d_->buffer.constData(), size),
                              QHostAddress(ntohl(from.sin_addr.s_addr))};
    for (cmsghdr* part = CMSG_FIRSTHDR(&message); part != nullptr;
         part = CMSG_NXTHDR(&message, part)) {
        if (part->cmsg_level == SOL_SOCKET && part->cmsg_type == SCM_TIMESTAMPNS) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(part), sizeof stamp);
            const qint64 age = nanoseconds(now) - nanoseconds(stamp);
            if (age > 0 && age <= kLongestWaitNs) {
                datagram.ageNs = age;
            }
        }
    }
    return datagram;
}

#else  // Qt's socket: no receive stamp

struct DatagramSocket::Impl {
    QUdpSocket* socket = nullptr;
};

DatagramSocket::DatagramSocket(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) {
    d_->socket = new QUdpSocket(this);
    connect(d_->socket, &QUdpSocket::readyRead, this, &DatagramSocket::readyRead);
}

DatagramSocket::~DatagramSocket() = default;

bool DatagramSocket::bind(quint16 port) {
    close();
    return d_->socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress);
}

void DatagramSocket::close() {
    if (d_->socket->state() != QAbstractSocket::UnconnectedState) {
        d_->socket->close();
    }
}

bool DatagramSocket::isBound() const {
    return d_->socket->state() == QAbstractSocket::BoundState;
}

quint16 DatagramSocket::localPort() const {
    return isBound() ? d_->socket->localPort() : 0;
}

bool DatagramSocket::send(const QByteArray& bytes, const QHostAddress& host, quint16 port) {
    return isBound() && d_->socket->writeDatagram(bytes, host, port) == bytes.size();
}

std::optional<ReceivedDatagram> DatagramSocket::receive() {
    if (!isBound() || !d_->socket->hasPendingDatagrams()) {
        return std::nullopt;
    }
    const QNetworkDatagram datagram = d_->socket->receiveDatagram();
    if (!datagram.isValid()) {
        return std::nullopt;
    }
    return ReceivedDatagram{datagram.data(), datagram.senderAddress()};
}

#endif

}  // namespace kaltero::platform
