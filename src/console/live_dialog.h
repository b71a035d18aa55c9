#pragma once

#include <QDialog>
#include <QHostAddress>
#include <QImage>
#include <QList>
#include <QStringList>

#include <vector>

namespace kaltero::console {

// The live page's address on each IPv4 address of this machine; the loopback address only when
// the machine has no other, since a phone cannot reach it.
// ({192.168.1.5, 127.0.0.1}, 8080, "0f..") -> {"http://192.168.1.5:8080/?key=0f.."}
QStringList livePageAddresses(const QList<QHostAddress>& addresses, quint16 port,
                              const QString& key);

// A QR code as size x size modules, row by row; empty (size 0) when the text does not fit one.
struct QrCode {
    int size = 0;
    std::vector<bool> modules;

    bool dark(int x, int y) const { return modules[std::size_t(y) * std::size_t(size) + x]; }
};
QrCode encodeQr(const QByteArray& text);
// Black modules of moduleSize pixels on white, inside the four-module margin readers need.
QImage qrImage(const QrCode& code, int moduleSize);

// 「ライブ表示」: the page's addresses, each with its QR code, for a team member's phone.
// A notice (the page is switched off, its port is taken) stands above them when not empty;
// the broker's topics this console publishes to below them, when it publishes.
class LiveDialog final : public QDialog {
    Q_OBJECT

public:
    LiveDialog(const QStringList& addresses, const QString& notice,
               const QStringList& relayTopics = {}, QWidget* parent = nullptr);
};

}  // namespace kaltero::console
