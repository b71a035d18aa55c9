#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;

namespace kaltero::platform {

class DatagramSocket;
class TickClock;

// One UDP endpoint of the car link: receives on LocalPort, sends to RemoteHost:RemotePort, text
// in code page 932 both ways.
//
// dataArrival is raised once per datagram, on this object's thread, one at a time: a handler
// that opens a dialog (and so runs a nested event loop) is never re-entered; the datagrams that
// came in meanwhile follow when it returns. Each datagram comes with the tick at which it
// arrived, not the tick at which the busy console got round to it. A link reads at most
// kMaxBurst datagrams in a row: a flooded link cannot hold back the others or the timers.
// Failures (port taken, bad host, send refused) are silent and never block: the console
// carries on.
class UdpLink : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxBurst = 16;

    explicit UdpLink(QObject* parent = nullptr);
    ~UdpLink() override;

    // The race tick counter that stamps arrivals; without one every arrival tick is 0.
    void setTickClock(const TickClock* tick) { tick_ = tick; }

    // A dotted IPv4 address as typed by the operator. Host names are not looked up.
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    QString remoteHost() const { return remoteHost_; }
    void setRemotePort(int port) { remotePort_ = port; }
    int remotePort() const { return remotePort_; }
    void setLocalPort(int port) { localPort_ = port; }
    int localPort() const { return localPort_; }

    // Listens on LocalPort on every IPv4 interface (binding again if already bound). False when
    // the port cannot be had; the link then stays closed.
    bool bind();
    void close();
    bool isBound() const;
    // The port actually bound (LocalPort, or the one chosen by the system for LocalPort 0);
    // 0 while closed.
    int boundPort() const;

    // One datagram to RemoteHost:RemotePort, encoded in code page 932. Sent from LocalPort while
    // bound. Returns whether the datagram left; nothing else happens on failure.
    bool sendData(const QString& text);

    // The machine's first non-loopback IPv4 address as dotted text, else "127.0.0.1".
    static QString localIP();

Q_SIGNALS:
    void dataArrival(const QString& text, const QHostAddress& sender, qint32 arrivalTick);

private:
    void readPending();

    DatagramSocket* socket_ = nullptr;
    const TickClock* tick_ = nullptr;
    QUdpSocket* sender_ = nullptr;  // for sends while not bound, so nothing arrives on it
    QString remoteHost_;
    int remotePort_ = 0;
    int localPort_ = 0;
    bool inArrival_ = false;
    bool missedNotice_ = false;
};

}  // namespace kaltero::platform
