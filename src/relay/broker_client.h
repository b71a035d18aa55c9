#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>

struct mosquitto;
struct mosquitto_message;

namespace kaltero::relay {

struct BrokerSettings {
    QString host;  // "ブローカー" = host:port, split by the settings reader
    int port = 1883;
    QString clientId;        // e.g. "kaltero-<console name>-pub"; stable for a persistent session
    QString user, password;  // empty: none
    bool tls = false;
    QString caFile;            // PEM; with tls
    bool cleanSession = true;  // false: persistent session (the standby's ops subscription)
    QString willTopic;         // empty: no last will
    QByteArray willPayload;
    bool willRetain = true;
};

// One connection to an MQTT broker (libmosquitto's own network thread), reconnecting by
// itself until stop(). Signals arrive in the thread this object lives in.
class BrokerClient : public QObject {
    Q_OBJECT
public:
    explicit BrokerClient(QObject* parent = nullptr);
    ~BrokerClient() override;
    bool start(const BrokerSettings& settings, QString* why);  // false: bad settings / no lib
    void stop();
    bool isConnected() const;
    // The message id, or -1 when it could not be queued (not connected: nothing is kept).
    int publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
    bool subscribe(const QString& topic, int qos);  // also renewed after each reconnect

Q_SIGNALS:
    void connected();
    void disconnected(const QString& why);
    void refused(const QString& why);  // wrong user/password, not authorised, TLS failure
    void published(int messageId);     // the broker took a QoS 1 message
    void received(const QString& topic, const QByteArray& payload);

private:
    struct Subscription {
        QByteArray topic;
        int qos;
    };
    bool configure(const BrokerSettings& settings, QString* why);
    // The network thread's view of the connection; each posts its signal to this object.
    static void onConnect(mosquitto* m, void* self, int rc);
    static void onDisconnect(mosquitto* m, void* self, int rc);
    static void onPublish(mosquitto* m, void* self, int mid);
    static void onMessage(mosquitto* m, void* self, const mosquitto_message* message);
    static void onLog(mosquitto* m, void* self, int level, const char* text);
    void tellRefused(const QString& why);
    // Until the broker is first reached the network thread is not running: libmosquitto
    // retries by itself only once a connection has been made.
    void connectOrRetry();

    mosquitto* m_mosq = nullptr;
    QByteArray m_host;
    int m_port = 0;
    QTimer m_retry{this};
    std::atomic<bool> m_connected{false};
    // Refusals repeat on every retry; the operator is told once until the link is up again.
    std::atomic<bool> m_refusalTold{false};
    mutable QMutex m_lock;  // guards the two below, shared with the network thread
    QList<Subscription> m_subscriptions;
    QString m_lastError;
};

}  // namespace kaltero::relay
