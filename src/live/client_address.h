#pragma once

#include <QHostAddress>

namespace kaltero::live {

// The address a client's connections are counted under: an IPv4 address as it is (also when it
// comes IPv4-mapped), an IPv6 address by its /64, since one device may take any address of its
// network's /64 (privacy addresses).
//   "::ffff:10.0.0.5" -> 10.0.0.5;  "2001:db8:1:2::9" -> 2001:db8:1:2::
QHostAddress addressBucket(const QHostAddress& address);

}  // namespace kaltero::live
