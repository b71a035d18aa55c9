#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace kaltero::testing {

struct BrokerOptions {
    QString user, password;  // set: anonymous clients are refused
    bool tls = false;        // a second listener, TLS only, on tlsPort()
};

// A Mosquitto of the test's own on 127.0.0.1: a free port, its own config and data folder
// (persistence on, so a stop and start keeps sessions and retained messages), optionally a
// password file and a TLS listener whose certificates are made when the broker is set up.
class TestBroker {
public:
    explicit TestBroker(BrokerOptions options = {}) : m_options(std::move(options)) {
        m_port = freePort();
        if (m_options.tls) {
            m_tlsPort = freePort();
            m_ready = makeCertificates();
        }
        if (m_ready && !m_options.user.isEmpty()) {
            m_ready = run(QStringLiteral("mosquitto_passwd"),
                          {QStringLiteral("-b"), QStringLiteral("-c"), path("passwd"),
                           m_options.user, m_options.password});
        }
        m_ready = m_ready && writeConfig() && start();
    }
    ~TestBroker() { stop(); }
    TestBroker(const TestBroker&) = delete;
    TestBroker& operator=(const TestBroker&) = delete;

    bool ready() const { return m_ready; }
    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    QString caFile() const { return path("ca.crt"); }

    // Starts the broker (again) on the same ports; true once it takes connections.
    bool start() {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/sbin/mosquitto"),
                        {QStringLiteral("-c"), path("mosquitto.conf")});
        if (!m_process.waitForStarted(5000)) {
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(m_port));
            if (probe.waitForConnected(200)) {
                return true;
            }
            QTest::qWait(50);
        }
        return false;
    }
    // Stops it as a broker is shut down: it saves its sessions to the data folder.
    void stop() {
        if (m_process.state() == QProcess::NotRunning) {
            return;
        }
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

private:
    static int freePort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    static bool run(const QString& program, const QStringList& arguments) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, arguments);
        if (!p.waitForFinished(20000) || p.exitCode() != 0) {
            qWarning().noquote() << program << p.readAll();
            return false;
        }
        return true;
    }

    // A CA of the test's own and a server certificate it signed for 127.0.0.1.
    bool makeCertificates() {
        const QString ssl = QStringLiteral("openssl");
        const QStringList ecKey = {
            QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
        QFile ext(path("server.ext"));
        if (!ext.open(QIODevice::WriteOnly) ||
            ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n") < 0) {
            return false;
        }
        ext.close();
        return run(ssl, QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                            QStringList{QStringLiteral("-keyout"), path("ca.key"),
                                        QStringLiteral("-out"), path("ca.crt"),
                                        QStringLiteral("-days"), QStringLiteral("2"),
                                        QStringLiteral("-subj"), QStringLiteral("/CN=test CA")}) &&
               run(ssl,
                   QStringList{QStringLiteral("req")} + ecKey +
                       QStringList{QStringLiteral("-keyout"), path("server.key"),
                                   QStringLiteral("-out"), path("server.csr"),
                                   QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}) &&
               run(ssl,
                   {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                    path("server.csr"), QStringLiteral("-CA"), path("ca.crt"),
                    QStringLiteral("-CAkey"), path("ca.key"), QStringLiteral("-CAcreateserial"),
                    QStringLiteral("-out"), path("server.crt"), QStringLiteral("-days"),
                    QStringLiteral("2"), QStringLiteral("-extfile"), path("server.ext")});
    }

    bool writeConfig() {
        QByteArray conf =
            "per_listener_settings false\n"
            "persistence true\n"
            "persistence_location " +
            QDir(m_dir.path()).filePath(QStringLiteral("data")).toUtf8() +
            "/\n"
            "log_dest none\n"
            // Only heeded when started as root: stay root, keep the data folder.
            "user root\n";
        conf += "listener " + QByteArray::number(m_port) + " 127.0.0.1\n";
        if (m_options.tls) {
            conf += "listener " + QByteArray::number(m_tlsPort) +
                    " 127.0.0.1\n"
                    "cafile " +
                    caFile().toUtf8() + "\ncertfile " + path("server.crt").toUtf8() + "\nkeyfile " +
                    path("server.key").toUtf8() + "\n";
        }
        if (m_options.user.isEmpty()) {
            conf += "allow_anonymous true\n";
        } else {
            conf += "allow_anonymous false\npassword_file " + path("passwd").toUtf8() + "\n";
        }
        QDir(m_dir.path()).mkpath(QStringLiteral("data"));
        QFile file(path("mosquitto.conf"));
        return file.open(QIODevice::WriteOnly) && file.write(conf) == conf.size();
    }

    BrokerOptions m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    int m_tlsPort = 0;
    bool m_ready = true;
};

}  // namespace kaltero::testing
