#include "live/http_head.h"

#include <QUrl>

#include <optional>

namespace kaltero::live {

using namespace Qt::StringLiterals;

namespace {

// Values of `name` in "a=1&key=K" or "a=1; key=K", still encoded.
QList<QByteArrayView> valuesOf(QByteArrayView list, char separator, QByteArrayView name) {
    QList<QByteArrayView> found;
    qsizetype from = 0;
    while (from <= list.size()) {
        qsizetype end = list.indexOf(separator, from);
        if (end < 0) {
            end = list.size();
        }
        const QByteArrayView item = list.sliced(from, end - from).trimmed();
        const qsizetype eq = item.indexOf('=');
        if (eq >= 0 && item.first(eq).trimmed() == name) {
            found.append(item.sliced(eq + 1).trimmed());
        }
        from = end + 1;
    }
    return found;
}

bool hasToken(QByteArrayView list, QByteArrayView token) {
    for (const QByteArray& part : list.toByteArray().split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray HttpHead::value(QByteArrayView name) const {
    for (const auto& [n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            return v;
        }
    }
    return {};
}

bool HttpHead::has(QByteArrayView name) const {
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

HttpHead parseHead(QByteArrayView bytes) {
    HttpHead head;
    const QList<QByteArray> lines = bytes.toByteArray().split('\n');
    if (lines.isEmpty()) {
        return head;
    }
    const QList<QByteArray> request = lines[0].trimmed().split(' ');
    if (request.size() != 3 || request[0].isEmpty() || !request[1].startsWith('/') ||
        !request[2].startsWith("HTTP/1.")) {
        return head;
    }
    head.method = request[0];
    head.target = request[1];
    head.version = request[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            return head;
        }
        head.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    head.valid = true;
    return head;
}

namespace {

// The key in a request's target; none when the target does not name one.
std::optional<QString> targetKey(QByteArrayView target) {
    const qsizetype question = target.indexOf('?');
    if (question < 0) {
        return std::nullopt;
    }
    const auto keys = valuesOf(target.sliced(question + 1), '&', "key");
    if (keys.isEmpty()) {
        return std::nullopt;
    }
    // Never a key: the same name twice must not let one of them be checked and the other used.
    return keys.size() > 1 ? u"\n"_s : QUrl::fromPercentEncoding(keys[0].toByteArray());
}

QString cookieKey(QByteArrayView cookie) {
    const auto cookies = valuesOf(cookie, ';', kKeyCookie);
    if (cookies.size() > 1) {
        return u"\n"_s;
    }
    return cookies.isEmpty() ? QString() : QString::fromLatin1(cookies[0]);
}

// The value of the first header line of that name, as parseHead() would find it; "" if none.
QByteArrayView firstHeader(QByteArrayView lines, QByteArrayView name) {
    qsizetype from = 0;
    while (from < lines.size()) {
        qsizetype end = lines.indexOf('\n', from);
        if (end < 0) {
            end = lines.size();
        }
        const QByteArrayView line = lines.sliced(from, end - from).trimmed();
        from = end + 1;
        // Most lines are told apart by their length alone.
        if (line.size() <= name.size()) {
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.sliced(colon + 1).trimmed();
        }
    }
    return {};
}

}  // namespace

QString givenKey(const HttpHead& head) {
    return targetKey(head.target).value_or(cookieKey(head.value("Cookie")));
}

QString keyInHead(QByteArrayView head) {
    qsizetype lineEnd = head.indexOf('\n');
    if (lineEnd < 0) {
        lineEnd = head.size();
    }
    const QByteArrayView requestLine = head.first(lineEnd).trimmed();
    const qsizetype space = requestLine.indexOf(' ');
    if (space < 0) {
        return {};
    }
    QByteArrayView target = requestLine.sliced(space + 1);
    if (const qsizetype next = target.indexOf(' '); next >= 0) {
        target = target.first(next);
    }
    if (auto key = targetKey(target)) {
        return *std::move(key);
    }
    return lineEnd < head.size() ? cookieKey(firstHeader(head.sliced(lineEnd + 1), "Cookie"))
                                 : QString();
}

bool keyMatches(QStringView given, QStringView key) {
    // The length of a key is no secret (32 hex digits); its digits are.
    if (key.isEmpty() || given.size() != key.size()) {
        return false;
    }
    char16_t diff = 0;
    for (qsizetype i = 0; i < key.size(); ++i) {
        diff |= char16_t(given[i].toLower().unicode() ^ key[i].toLower().unicode());
    }
    return diff == 0;
}

bool keepsAlive(const HttpHead& head) {
    return head.version == "HTTP/1.1" && !hasToken(head.value("Connection"), "close");
}

bool sameOrigin(const HttpHead& head) {
    if (!head.has("Origin")) {
        return true;
    }
    const QUrl origin(QString::fromLatin1(head.value("Origin")));
    const QUrl host(u"http://"_s + QString::fromLatin1(head.value("Host")));
    return origin.isValid() && host.isValid() && !host.host().isEmpty() &&
           (origin.scheme() == u"http" || origin.scheme() == u"https") && origin.path().isEmpty() &&
           origin.host() == host.host() && origin.port(80) == host.port(80);
}

bool wantsUpgrade(const HttpHead& head) {
    return head.has("Upgrade");
}

QByteArray keyCookie(const QString& key) {
    // A race weekend long; sent by the browser only to this server and to no script.
    return kKeyCookie.toByteArray() + '=' + key.toLatin1() +
           "; Path=/; Max-Age=259200; HttpOnly; SameSite=Strict";
}

const QList<std::pair<QByteArray, QByteArray>>& guardHeaders() {
    static const QList<std::pair<QByteArray, QByteArray>> headers{
        {"Cache-Control", "no-store"},
        {"Referrer-Policy", "no-referrer"},
        {"X-Content-Type-Options", "nosniff"},
        {"X-Frame-Options", "DENY"},
        {"Content-Security-Policy",
         "default-src 'self'; connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; "
         "form-action 'none'"},
    };
    return headers;
}

QByteArray closingAnswer(int status) {
    QByteArray reason;
    switch (status) {
        case 400:
            reason = "Bad Request";
            break;
        case 403:
            reason = "Forbidden";
            break;
        case 404:
            reason = "Not Found";
            break;
        case 405:
            reason = "Method Not Allowed";
            break;
        default:
            reason = "Error";
            break;
    }
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    for (const auto& [name, value] : guardHeaders()) {
        answer += name + ": " + value + "\r\n";
    }
    return answer + "Content-Length: 0\r\nConnection: close\r\n\r\n";
}

}  // namespace kaltero::live
