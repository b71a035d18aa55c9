#include "relay/broker_client.h"

#include <mosquitto.h>
#include <QFileInfo>
#include <QMetaObject>
#include <mutex>

namespace kaltero::relay {

namespace {

constexpr int kKeepAliveSeconds = 10;
constexpr unsigned kRetryFirstSeconds = 1;
constexpr unsigned kRetryLongestSeconds = 8;

void initLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString connackText(int rc) {
    return QString::fromUtf8(mosquitto_connack_string(rc));
}

}  // namespace

BrokerClient::BrokerClient(QObject* parent) : QObject(parent) {
    m_retry.setSingleShot(true);
    m_retry.callOnTimeout(this, &BrokerClient::connectOrRetry);
}

BrokerClient::~BrokerClient() {
    stop();
}

bool BrokerClient::start(const BrokerSettings& settings, QString* why) {
    stop();
    if (settings.host.isEmpty() || settings.port < 1 || settings.port > 65535) {
        *why = QStringLiteral("no broker address");
        return false;
    }
    if (settings.tls && !QFileInfo(settings.caFile).isReadable()) {
        *why = QStringLiteral("CA file not readable: ") + settings.caFile;
        return false;
    }
    if (!settings.cleanSession && settings.clientId.isEmpty()) {
        *why = QStringLiteral("a persistent session needs a client id");
        return false;
    }
    initLibraryOnce();
    const QByteArray id = settings.clientId.toUtf8();
    m_mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), settings.cleanSession, this);
    if (!m_mosq) {
        *why = QStringLiteral("the MQTT library could not start a client");
        return false;
    }
    m_refusalTold = false;
    if (!configure(settings, why)) {
        stop();
        return false;
    }
    m_host = settings.host.toUtf8();
    m_port = settings.port;
    // A broker not reachable yet is no failure: the client keeps trying.
    connectOrRetry();
    return true;
}

void BrokerClient::connectOrRetry() {
    if (!m_mosq) {
        return;
    }
    if (mosquitto_connect_async(m_mosq, m_host.constData(), m_port, kKeepAliveSeconds) !=
            MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS) {
        m_retry.start(kRetryFirstSeconds * 1000);
    }
}

bool BrokerClient::configure(const BrokerSettings& s, QString* why) {
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_reconnect_delay_set(m_mosq, kRetryFirstSeconds, kRetryLongestSeconds, true);
    mosquitto_connect_callback_set(m_mosq, &BrokerClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &BrokerClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &BrokerClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &BrokerClient::onMessage);
    mosquitto_log_callback_set(m_mosq, &BrokerClient::onLog);
    int rc = MOSQ_ERR_SUCCESS;
    if (!s.user.isEmpty()) {
        rc = mosquitto_username_pw_set(
            m_mosq, s.user.toUtf8().constData(),
            s.password.isEmpty() ? nullptr : s.password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && !s.willTopic.isEmpty()) {
        rc = mosquitto_will_set(m_mosq, s.willTopic.toUtf8().constData(), int(s.willPayload.size()),
                                s.willPayload.constData(), 1, s.willRetain);
    }
    if (rc == MOSQ_ERR_SUCCESS && s.tls) {
        rc = mosquitto_tls_set(m_mosq, s.caFile.toLocal8Bit().constData(), nullptr, nullptr,
                               nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *why = QString::fromUtf8(mosquitto_strerror(rc));
        return false;
    }
    return true;
}

void BrokerClient::stop() {
    m_retry.stop();
    if (!m_mosq) {
        return;
    }
    // A clean disconnect: the broker drops the last will, the network thread ends.
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    m_connected = false;
}

bool BrokerClient::isConnected() const {
    return m_connected;
}

int BrokerClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain) {
    if (!m_mosq || !m_connected) {
        return -1;
    }
    int mid = -1;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.toUtf8().constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

bool BrokerClient::subscribe(const QString& topic, int qos) {
    const QByteArray t = topic.toUtf8();
    if (mosquitto_sub_topic_check(t.constData()) != MOSQ_ERR_SUCCESS || qos < 0 || qos > 2) {
        return false;
    }
    {
        QMutexLocker lock(&m_lock);
        m_subscriptions.append({t, qos});
    }
    if (m_mosq && m_connected) {
        mosquitto_subscribe(m_mosq, nullptr, t.constData(), qos);
    }
    return true;
}

void BrokerClient::tellRefused(const QString& why) {
    if (m_refusalTold.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, why] { Q_EMIT refused(why); }, Qt::QueuedConnection);
}

void BrokerClient::onConnect(mosquitto* m, void* self, int rc) {
    auto* client = static_cast<BrokerClient*>(self);
    if (rc != 0) {
        client->tellRefused(connackText(rc));
        return;
    }
    {
        QMutexLocker lock(&client->m_lock);
        for (const auto& s : std::as_const(client->m_subscriptions)) {
            mosquitto_subscribe(m, nullptr, s.topic.constData(), s.qos);
        }
        client->m_lastError.clear();
    }
    client->m_connected = true;
    client->m_refusalTold = false;
    QMetaObject::invokeMethod(
        client, [client] { Q_EMIT client->connected(); }, Qt::QueuedConnection);
}

void BrokerClient::onDisconnect(mosquitto*, void* self, int rc) {
    auto* client = static_cast<BrokerClient*>(self);
    const bool wasConnected = client->m_connected.exchange(false);
    if (!wasConnected) {
        return;
    }
    QString why;
    {
        QMutexLocker lock(&client->m_lock);
        why = client->m_lastError.isEmpty() ? QString::fromUtf8(mosquitto_strerror(rc))
                                            : client->m_lastError;
    }
    QMetaObject::invokeMethod(
        client, [client, why] { Q_EMIT client->disconnected(why); }, Qt::QueuedConnection);
}

void BrokerClient::onPublish(mosquitto*, void* self, int mid) {
    auto* client = static_cast<BrokerClient*>(self);
    QMetaObject::invokeMethod(
        client, [client, mid] { Q_EMIT client->published(mid); }, Qt::QueuedConnection);
}

void BrokerClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<BrokerClient*>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    QMetaObject::invokeMethod(
        client, [client, topic, payload] { Q_EMIT client->received(topic, payload); },
        Qt::QueuedConnection);
}

void BrokerClient::onLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR) {
        return;
    }
    auto* client = static_cast<BrokerClient*>(self);
    const QString line = QString::fromUtf8(text);
    {
        QMutexLocker lock(&client->m_lock);
        client->m_lastError = line;
    }
    // A certificate the CA does not vouch for never gets as far as a CONNACK.
    if (line.contains(QStringLiteral("OpenSSL"))) {
        client->tellRefused(line);
    }
}

}  // namespace kaltero::relay
