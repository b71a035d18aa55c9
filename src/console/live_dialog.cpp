#include "console/live_dialog.h"

#include "widgets/widget_build.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <qrencode.h>

#include <memory>

namespace kaltero::console {

using namespace Qt::StringLiterals;

QStringList livePageAddresses(const QList<QHostAddress>& addresses, quint16 port,
                              const QString& key) {
    QList<QHostAddress> reachable;
    QList<QHostAddress> loopback;
    for (const QHostAddress& a : addresses) {
        if (a.protocol() != QAbstractSocket::IPv4Protocol) {
            continue;
        }
        QList<QHostAddress>& into = a.isLoopback() ? loopback : reachable;
        if (!into.contains(a)) {
            into.append(a);
        }
    }
    QStringList pages;
    for (const QHostAddress& a : reachable.isEmpty() ? loopback : reachable) {
        pages.append(u"http://"_s + a.toString() + u':' + QString::number(port) + u"/?key="_s +
                     key);
    }
    return pages;
}

QrCode encodeQr(const QByteArray& text) {
    // Medium error correction survives a scratched or glaring phone screen; the version grows
    // with the text.
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> qr(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    QrCode code;
    if (!qr || qr->width <= 0) {
        return code;
    }
    code.size = qr->width;
    code.modules.resize(std::size_t(qr->width) * std::size_t(qr->width));
    for (std::size_t i = 0; i < code.modules.size(); ++i) {
        code.modules[i] = (qr->data[i] & 1) != 0;
    }
    return code;
}

QImage qrImage(const QrCode& code, int moduleSize) {
    constexpr int kMargin = 4;
    const int side = (code.size + 2 * kMargin) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code.size; ++y) {
        for (int x = 0; x < code.size; ++x) {
            if (code.dark(x, y)) {
                painter.fillRect((x + kMargin) * moduleSize, (y + kMargin) * moduleSize, moduleSize,
                                 moduleSize, Qt::black);
            }
        }
    }
    return image;
}

LiveDialog::LiveDialog(const QStringList& addresses, const QString& notice,
                       const QStringList& relayTopics, QWidget* parent)
    : QDialog(parent) {
    setObjectName(u"Dlg_Live"_s);
    setWindowTitle(u"ライブ表示"_s);
    auto* col = new QVBoxLayout(this);
    if (!notice.isEmpty()) {
        auto* warn = widgets::label(notice, this, u"Lbl_LiveNotice"_s);
        warn->setStyleSheet(u"color: #c00000; font-weight: bold;"_s);
        col->addWidget(warn);
    }
    if (addresses.isEmpty()) {
        col->addWidget(
            widgets::label(u"このパソコンにはネットワークのアドレスがありません。"_s, this));
    } else {
        col->addWidget(widgets::label(
            u"チームのスマートフォンでQRコードを読み取るか、アドレスをブラウザで開いてください。"_s,
            this));
    }
    auto* grid = new QGridLayout;
    for (int i = 0; i < addresses.size(); ++i) {
        auto* qr = widgets::label({}, this, widgets::indexed("Lbl_LiveQr", i));
        const QrCode code = encodeQr(addresses[i].toUtf8());
        if (code.size > 0) {
            qr->setPixmap(QPixmap::fromImage(qrImage(code, 4)));
        }
        auto* url = widgets::label(addresses[i], this, widgets::indexed("Lbl_LiveUrl", i));
        url->setTextInteractionFlags(Qt::TextSelectableByMouse);
        widgets::setBigFont(url, 12, false);
        grid->addWidget(qr, i, 0);
        grid->addWidget(url, i, 1);
    }
    col->addLayout(grid);
    if (!relayTopics.isEmpty()) {
        auto* topics = widgets::label(u"ブローカーへの中継:\n"_s + relayTopics.join(u'\n'), this,
                                      u"Lbl_LiveTopics"_s);
        topics->setTextInteractionFlags(Qt::TextSelectableByMouse);
        col->addWidget(topics);
    }
    auto* close = widgets::button(u"閉じる"_s, this, u"Btn_LiveClose"_s);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    col->addWidget(close, 0, Qt::AlignRight);
}

}  // namespace kaltero::console
