#pragma once

#include "core/ports.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kaltero::bench {

// A car PC's end of the link on this machine, on plain blocking sockets so that any thread
// may use it: it reports to the slot's console port and is answered on the slot's car port.
class CarEnd {
public:
    explicit CarEnd(int slot) : slot_(slot) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in own = address(INADDR_ANY, core::carPort(slot));
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&own), sizeof own) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~CarEnd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    CarEnd(const CarEnd&) = delete;
    CarEnd& operator=(const CarEnd&) = delete;

    bool ready() const { return fd_ >= 0; }

    // Sends one report and waits for the reply: the round trip in ns, -1 when no reply came.
    // sentAtNs gets the monotonic clock (steady_clock) as the report leaves.
    qint64 exchange(const QByteArray& report, QByteArray* reply = nullptr, int timeoutMs = 2000,
                    qint64* sentAtNs = nullptr) {
        drain();
        const sockaddr_in console = address(INADDR_LOOPBACK, core::consolePort(slot_));
        QElapsedTimer clock;
        clock.start();
        if (sentAtNs != nullptr) {
            *sentAtNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
        }
        if (::sendto(fd_, report.constData(), size_t(report.size()), 0,
                     reinterpret_cast<const sockaddr*>(&console), sizeof console) < 0) {
            return -1;
        }
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, timeoutMs) != 1) {
            return -1;
        }
        char buffer[2048];
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        const qint64 ns = clock.nsecsElapsed();
        if (got < 0) {
            return -1;
        }
        if (reply != nullptr) {
            *reply = QByteArray(buffer, qsizetype(got));
        }
        return ns;
    }

    // The report of a car holding the record of lap `held`: "000", "007".
    static QByteArray lapReport(int held) {
        return QByteArray::number(held % 1000).rightJustified(3, '0');
    }

private:
    static sockaddr_in address(in_addr_t host, quint16 port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(host);
        a.sin_port = htons(port);
        return a;
    }
    // A late reply to an earlier report must not pass for the answer to the next.
    void drain() {
        char buffer[2048];
        while (::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
        }
    }

    int slot_;
    int fd_ = -1;
};

}  // namespace kaltero::bench
