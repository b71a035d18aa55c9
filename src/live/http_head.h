#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <utility>

namespace kaltero::live {

// The head of one HTTP request as it came off the wire, read just far enough to decide what the
// live server owes the client before Qt's own parser sees it.
//   "GET /ws?key=K HTTP/1.1\r\nUpgrade: websocket" -> method GET, target "/ws?key=K"
struct HttpHead {
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<std::pair<QByteArray, QByteArray>> headers;
    bool valid = false;

    // The first header of that name (any case), trimmed; "" when absent.
    QByteArray value(QByteArrayView name) const;
    bool has(QByteArrayView name) const;
};

// The head's bytes without the blank line that ends them.
HttpHead parseHead(QByteArrayView head);

// The key exactly as the client gave it: ?key=… in the target, else the page's cookie. A target
// naming the key twice gives a key no one has.
QString givenKey(const HttpHead& head);

// The same key found in the raw head without splitting it into headers: the request line's
// target, then the first Cookie header found by a scan of the lines. A keyless head of
// thousands of headers costs a pass over its bytes and nothing more.
//   "GET /?key=K HTTP/1.1\r\n…" -> "K";  "GET / HTTP/1.1\r\nCookie: kaltero_key=K" -> "K"
QString keyInHead(QByteArrayView head);

// The whole value compared, in a time that does not depend on where it differs; hex digits in
// either case. "K" matches K, "K0", "K " and "" do not.
bool keyMatches(QStringView given, QStringView key);

// Whether the connection stays open after the answer: HTTP/1.1 unless "Connection: close".
bool keepsAlive(const HttpHead& head);

// A WebSocket upgrade from a page of this server or from no page at all (a script); another
// site's page is refused: "Origin: http://10.0.0.2:8080" with "Host: 10.0.0.2:8080" only.
bool sameOrigin(const HttpHead& head);

bool wantsUpgrade(const HttpHead& head);

// The cookie that carries the key once a first visit with ?key= has been redirected.
inline constexpr QByteArrayView kKeyCookie = "kaltero_key";
QByteArray keyCookie(const QString& key);

// Headers every answer carries: no framing, no script but the page's own, no sniffing, no
// caching and no referrer (the key may travel in the address).
const QList<std::pair<QByteArray, QByteArray>>& guardHeaders();

// A whole answer with no body, written by the server before Qt sees the request; the
// connection closes after it. 403 -> "HTTP/1.1 403 Forbidden\r\n…Connection: close\r\n\r\n"
QByteArray closingAnswer(int status);

}  // namespace kaltero::live
