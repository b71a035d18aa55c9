#include "live/client_address.h"

namespace kaltero::live {

QHostAddress addressBucket(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    if (v4) {
        return QHostAddress(ip);
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol) {
        return address;
    }
    Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int i = 8; i < 16; ++i) {
        bytes[i] = 0;
    }
    return QHostAddress(bytes);
}

}  // namespace kaltero::live
