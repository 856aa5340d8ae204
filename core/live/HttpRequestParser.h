#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Every limit the results server holds its clients to.
struct LiveLimits
{
    static constexpr int MaxConnections = 500;
    // Request line and headers together, the empty line included.
    static constexpr qsizetype MaxHeaderBytes = 8192;
    // A header that has not come complete in this time is not coming (a slow trickle holds a slot).
    static constexpr qint64 HeaderDeadlineMs = 10000;
    static constexpr qint64 IdleMs = 60000;
    static constexpr qint64 PingMs = 20000;
    // Output queued for one client, whatever it asks for and however slowly it reads.
    static constexpr qint64 MaxQueuedBytes = 4 << 20;
    // The pages send nothing but pongs; a larger frame is no client of ours.
    static constexpr qsizetype MaxFramePayload = 4096;
    // Distinct query strings of the board page kept ready per snapshot.
    static constexpr int MaxCachedTargets = 64;
    // The body of one of the few requests that may send one.
    static constexpr qsizetype MaxBodyBytes = 1024;
};

struct HttpRequest
{
    QByteArray method;
    QByteArray target;
    QByteArray host; // empty when the client sent none
    QByteArray origin;
    QByteArray webSocketKey;
    QByteArray ifNoneMatch;
    QByteArray authorization;
    QByteArray contentType;
    QByteArray body; // of a POST
    bool keepAlive = true;
    bool upgradeWebSocket = false;
    bool acceptsGzip = false;
};

// What a client's bytes amount to so far.
struct HttpParsed
{
    enum Kind { NeedMore, Request, Refusal };
    Kind kind = NeedMore;
    HttpRequest request;
    int status = 0; // of a refusal
    QByteArray reason; // of a refusal, German, for the operator
    qsizetype consumed = 0; // bytes of a complete request
};

// Strict: GET only, but for a POST to one of the paths given, whose body comes with its length and
// is at most MaxBodyBytes; CR LF line ends, HTTP/1.1 names its host, a socket upgrade is complete.
HttpParsed parseHttpRequest(QByteArrayView bytes, const QList<QByteArray> &postPaths = {});

// The host names a rebinding page cannot borrow: an IP address, localhost, this machine's name
// (or that name with .local), each with or without a port.
bool liveHostAllowed(QByteArrayView host, QByteArrayView machineName);
// A page may open the socket only from the server's own pages; no Origin is a tool, not a page.
bool liveOriginAllowed(QByteArrayView origin, QByteArrayView host);
// The answer to a socket key in the handshake.
QByteArray webSocketAccept(QByteArrayView key);
