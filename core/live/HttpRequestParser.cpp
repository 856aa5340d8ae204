#include "core/live/HttpRequestParser.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QList>

namespace {
bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    }
    return true;
}

HttpParsed refusal(int status, const char *reason)
{
    HttpParsed parsed;
    parsed.kind = HttpParsed::Refusal;
    parsed.status = status;
    parsed.reason = reason;
    return parsed;
}

bool hasToken(const QByteArray &list, QByteArrayView token)
{
    for (const QByteArray &item : list.split(',')) {
        const qsizetype semicolon = item.indexOf(';');
        if ((semicolon < 0 ? item : item.left(semicolon)).trimmed() != token)
            continue;
        // "gzip;q=0" declines it.
        const QByteArray quality = semicolon < 0 ? QByteArray() : item.mid(semicolon + 1).trimmed();
        return !quality.startsWith("q=") || quality.mid(2).toDouble() > 0;
    }
    return false;
}

// Host and port of "name:port", "[v6]:port" or a bare name; port -1 when none was given, false
// when the text is neither.
bool splitAuthority(QByteArrayView authority, QByteArray &host, int &port)
{
    port = -1;
    qsizetype end = authority.size();
    if (authority.startsWith('[')) {
        const qsizetype close = authority.indexOf(']');
        if (close < 0)
            return false;
        host = authority.sliced(0, close + 1).toByteArray();
        end = close + 1;
    } else {
        const qsizetype colon = authority.indexOf(':');
        if (colon >= 0)
            end = colon;
        host = authority.first(end).toByteArray();
    }
    if (end < authority.size()) {
        const QByteArrayView digits = authority.sliced(end);
        if (digits.size() < 2 || digits.size() > 6 || digits[0] != ':')
            return false;
        bool ok = false;
        port = digits.sliced(1).toInt(&ok);
        if (!ok || port < 0 || port > 65535 || !std::all_of(digits.begin() + 1, digits.end(), ::isdigit))
            return false;
    }
    host = host.toLower();
    return !host.isEmpty();
}
} // namespace

HttpParsed parseHttpRequest(QByteArrayView bytes, const QList<QByteArray> &postPaths)
{
    const qsizetype end = bytes.first(std::min(bytes.size(), LiveLimits::MaxHeaderBytes + 4)).indexOf("\r\n\r\n");
    if (end < 0) {
        if (bytes.size() > LiveLimits::MaxHeaderBytes)
            return refusal(431, "Kopfzeilen zu lang");
        return {};
    }
    if (end + 4 > LiveLimits::MaxHeaderBytes)
        return refusal(431, "Kopfzeilen zu lang");

    // Every line ends with CR LF; a bare LF is refused rather than guessed at.
    QList<QByteArray> lines = bytes.first(end + 2).toByteArray().split('\n');
    lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r') || line.chopped(1).contains('\r'))
            return refusal(400, "Zeilenende ohne CR");
        line.chop(1);
    }
    const QList<QByteArray> requestLine = lines.front().split(' ');
    if (requestLine.size() != 3 || !isToken(requestLine[0]) || !requestLine[1].startsWith('/')
        || (requestLine[2] != "HTTP/1.1" && requestLine[2] != "HTTP/1.0"))
        return refusal(400, "ungültige Anfragezeile");

    HttpParsed parsed;
    parsed.kind = HttpParsed::Request;
    parsed.consumed = end + 4;
    HttpRequest &request = parsed.request;
    request.method = requestLine[0];
    request.target = requestLine[1];
    const bool http11 = requestLine[2] == "HTTP/1.1";
    request.keepAlive = http11;
    const bool post = request.method == "POST" && postPaths.contains(request.target);
    bool hasHost = false, connectionUpgrade = false, version13 = false;
    qsizetype length = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(QByteArrayView(line).first(colon)))
            return refusal(400, "ungültige Kopfzeile");
        const QByteArray name = line.left(colon).toLower();
        const QByteArray raw = line.mid(colon + 1).trimmed();
        const QByteArray value = raw.toLower();
        // Only a POST has a body, and only of a length given once: anything else could only be
        // smuggled into the next request.
        if (name == "transfer-encoding" || (name == "content-length" && !post && value != "0"))
            return refusal(400, "Anfrage mit Inhalt");
        if (name == "content-length") {
            bool ok = !value.isEmpty() && value.size() <= 9 && std::all_of(value.begin(), value.end(), ::isdigit);
            if (!ok || length >= 0)
                return refusal(400, "ungültige Länge");
            length = value.toLongLong();
        } else if (name == "authorization") {
            request.authorization = raw;
        } else if (name == "content-type") {
            request.contentType = value;
        } else if (name == "host") {
            if (hasHost)
                return refusal(400, "Host doppelt");
            hasHost = true;
            request.host = value;
        } else if (name == "connection") {
            if (hasToken(value, "close"))
                request.keepAlive = false;
            else if (hasToken(value, "keep-alive"))
                request.keepAlive = true;
            connectionUpgrade = hasToken(value, "upgrade");
        } else if (name == "upgrade") {
            request.upgradeWebSocket = value == "websocket";
        } else if (name == "origin") {
            request.origin = value;
        } else if (name == "sec-websocket-key") {
            request.webSocketKey = raw;
        } else if (name == "sec-websocket-version") {
            version13 = value == "13";
        } else if (name == "if-none-match") {
            request.ifNoneMatch = raw;
        } else if (name == "accept-encoding") {
            request.acceptsGzip = hasToken(value, "gzip");
        }
    }
    if (request.method != "GET" && !post)
        return refusal(405, "Methode nicht erlaubt");
    if (http11 && !hasHost)
        return refusal(400, "ohne Host");
    if (post) {
        if (length < 0)
            return refusal(400, "ohne Länge");
        if (length > LiveLimits::MaxBodyBytes)
            return refusal(413, "Inhalt zu groß");
        if (bytes.size() < parsed.consumed + length) {
            HttpParsed more;
            return more;
        }
        request.body = bytes.sliced(parsed.consumed, length).toByteArray();
        parsed.consumed += length;
    }
    if (request.target == "/ws") {
        if (!request.upgradeWebSocket || !connectionUpgrade || !version13
            || QByteArray::fromBase64(request.webSocketKey).size() != 16)
            return refusal(400, "ungültiger Socket-Aufbau");
    } else {
        request.upgradeWebSocket = false;
    }
    return parsed;
}

bool liveHostAllowed(QByteArrayView host, QByteArrayView machineName)
{
    QByteArray name;
    int port = -1;
    if (!splitAuthority(host, name, port))
        return false;
    if (name.startsWith('['))
        return QHostAddress(QString::fromLatin1(name.mid(1, name.size() - 2))).protocol()
            == QAbstractSocket::IPv6Protocol;
    // Only the dotted quad of four numbers: "127.1" or a number alone is a name a resolver may expand.
    const QList<QByteArray> parts = name.split('.');
    if (parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const QByteArray &part) {
            return !part.isEmpty() && part.size() <= 3 && std::all_of(part.begin(), part.end(), ::isdigit)
                && part.toInt() <= 255;
        }))
        return true;
    const QByteArray machine = machineName.toByteArray().toLower();
    return name == "localhost" || (!machine.isEmpty() && (name == machine || name == machine + ".local"));
}

bool liveOriginAllowed(QByteArrayView origin, QByteArrayView host)
{
    if (origin.isEmpty())
        return true;
    const qsizetype scheme = origin.indexOf("://");
    if (scheme < 0)
        return false;
    const QByteArray protocol = origin.first(scheme).toByteArray().toLower();
    const int defaultPort = protocol == "https" ? 443 : 80;
    if (protocol != "http" && protocol != "https")
        return false;
    QByteArray originName, hostName;
    int originPort = -1, hostPort = -1;
    if (!splitAuthority(origin.sliced(scheme + 3), originName, originPort) || !splitAuthority(host, hostName, hostPort))
        return false;
    return originName == hostName && (originPort < 0 ? defaultPort : originPort) == (hostPort < 0 ? 80 : hostPort);
}

QByteArray webSocketAccept(QByteArrayView key)
{
    return QCryptographicHash::hash(key.toByteArray() + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                    QCryptographicHash::Sha1)
        .toBase64();
}
