#include "core/live/LiveRoutes.h"

#include "core/live/LiveJson.h"
#include "core/live/LivePages.h"
#include "core/marshal/MarshalPage.h"

#include <QUrlQuery>

namespace {
const QByteArray Html = QByteArrayLiteral("text/html; charset=utf-8");
const QByteArray Json = QByteArrayLiteral("application/json; charset=utf-8");
const QByteArray Text = QByteArrayLiteral("text/plain; charset=utf-8");

LiveResponse refusal(int status)
{
    return {status, Text, liveStatusText(status) + '\n'};
}

// "3" for "3" only: no sign, no leading zero, no spaces.
int classNumber(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 2 || text.front() == '0')
        return 0;
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= LiveSnapshot::FirstClass && n < LiveSnapshot::FirstClass + LiveSnapshot::ClassCount ? n : 0;
}
} // namespace

QByteArray liveStatusText(int status)
{
    switch (status) {
    case 200:
        return QByteArrayLiteral("OK");
    case 400:
        return QByteArrayLiteral("Bad Request");
    case 404:
        return QByteArrayLiteral("Not Found");
    case 401:
        return QByteArrayLiteral("Unauthorized");
    case 405:
        return QByteArrayLiteral("Method Not Allowed");
    case 409:
        return QByteArrayLiteral("Conflict");
    case 413:
        return QByteArrayLiteral("Content Too Large");
    case 422:
        return QByteArrayLiteral("Unprocessable Content");
    case 429:
        return QByteArrayLiteral("Too Many Requests");
    case 403:
        return QByteArrayLiteral("Forbidden");
    case 408:
        return QByteArrayLiteral("Request Timeout");
    case 421:
        return QByteArrayLiteral("Misdirected Request");
    case 431:
        return QByteArrayLiteral("Request Header Fields Too Large");
    case 503:
        return QByteArrayLiteral("Service Unavailable");
    default:
        return QByteArrayLiteral("Error");
    }
}

LiveResponse routeLiveRequest(const LiveSnapshot &snapshot, const QByteArray &target)
{
    const qsizetype mark = target.indexOf('?');
    const QByteArray path = mark < 0 ? target : target.left(mark);
    const QByteArray query = mark < 0 ? QByteArray() : target.mid(mark + 1);
    // Paths are names, never files: anything that looks like a way around that is refused outright.
    if (!path.startsWith('/') || path.contains("..") || path.contains("//") || path.contains('%')
        || path.contains('\\'))
        return refusal(400);

    if (path == "/")
        return {200, Html, liveIndexPage(snapshot)};
    if (path == "/sprecher")
        return {200, Html, liveAnnouncerPage(snapshot)};
    if (path == "/posten")
        return {200, Html, marshalPage()};
    if (path == "/anzeige") {
        const QUrlQuery items(QString::fromLatin1(query));
        QList<int> classes;
        for (const QString &item : items.queryItemValue(QStringLiteral("klassen")).split(QLatin1Char(','))) {
            if (const int n = classNumber(item.toLatin1()))
                classes << n;
        }
        bool ok = false;
        const int seconds = items.queryItemValue(QStringLiteral("takt")).toInt(&ok);
        return {200, Html, liveBoardPage(snapshot, classes, ok ? seconds : 10)};
    }
    if (path == "/api/classes")
        return {200, Json, liveClassesJson(snapshot)};
    if (path == "/api/live")
        return {200, Json, liveStateJson(snapshot)};
    if (path.startsWith("/klasse/")) {
        if (const int n = classNumber(path.mid(8)))
            return {200, Html, liveClassPage(snapshot, n)};
    }
    if (path.startsWith("/api/classes/")) {
        if (const int n = classNumber(path.mid(13)))
            return {200, Json, liveClassJson(snapshot, n)};
    }
    return refusal(404);
}
