// The results server's reading of requests, host names and socket frames, without any socket.
#include "core/live/HttpRequestParser.h"
#include "core/live/LiveWebSocket.h"

#include <QTest>

class TestLiveParser final : public QObject
{
    Q_OBJECT

private slots:
    void parsesRequests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        const int more = HttpParsed::NeedMore, request = HttpParsed::Request, refusal = HttpParsed::Refusal;
        // Request line, one header of n bytes in all, the empty line.
        const auto head
            = [](int n) { return "GET / HTTP/1.1\r\nHost: a\r\nX-Filler: " + QByteArray(n - 12, 'a') + "\r\n\r\n"; };
        QTest::newRow("get") << QByteArray("GET /klasse/1 HTTP/1.1\r\nHost: 10.0.0.2:8080\r\n\r\n") << request << 0;
        QTest::newRow("1.0 without host") << QByteArray("GET / HTTP/1.0\r\n\r\n") << request << 0;
        QTest::newRow("1.1 without host") << QByteArray("GET / HTTP/1.1\r\n\r\n") << refusal << 400;
        QTest::newRow("two hosts") << QByteArray("GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n") << refusal << 400;
        QTest::newRow("half a header") << QByteArray("GET / HTTP/1.1\r\nHost: a\r\n") << more << 0;
        QTest::newRow("post") << QByteArray("POST / HTTP/1.1\r\nHost: x\r\n\r\n") << refusal << 405;
        QTest::newRow("head") << QByteArray("HEAD / HTTP/1.1\r\nHost: x\r\n\r\n") << refusal << 405;
        QTest::newRow("delete") << QByteArray("DELETE /api/live HTTP/1.0\r\n\r\n") << refusal << 405;
        QTest::newRow("absolute") << QByteArray("GET http://x/ HTTP/1.1\r\n\r\n") << refusal << 400;
        QTest::newRow("body") << QByteArray("GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello") << refusal << 400;
        QTest::newRow("chunked") << QByteArray("GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") << refusal
                                 << 400;
        QTest::newRow("garbage") << QByteArray("HELLO\r\n\r\n") << refusal << 400;
        QTest::newRow("bare newlines") << QByteArray("GET / HTTP/1.1\nHost: x\n\n\r\n\r\n") << refusal << 400;
        // Read as two headers, or as one with a line break in it: either way not what was sent.
        QTest::newRow("one bare newline among headers")
            << QByteArray("GET / HTTP/1.1\r\nHost: a\r\nX-A: bb\nX-B: c\r\n\r\n") << refusal << 400;
        QTest::newRow("socket without upgrade") << QByteArray("GET /ws HTTP/1.1\r\nHost: a\r\n\r\n") << refusal << 400;
        QTest::newRow("socket without key")
            << QByteArray("GET /ws HTTP/1.1\r\nHost: a\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                          "Sec-WebSocket-Version: 13\r\n\r\n")
            << refusal << 400;
        QTest::newRow("8 KiB exactly") << head(8192 - 25 - 2) << request << 0;
        QTest::newRow("8 KiB and one") << head(8192 - 25 - 2 + 1) << refusal << 431;
        QTest::newRow("endless header") << "GET / HTTP/1.1\r\n" + QByteArray(20000, 'a') << refusal << 431;
    }

    void parsesRequests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, status);
        const HttpParsed parsed = parseHttpRequest(bytes);
        QCOMPARE(int(parsed.kind), kind);
        QCOMPARE(parsed.status, status);
        if (kind == HttpParsed::Refusal)
            QVERIFY(!parsed.reason.isEmpty());
        if (kind == HttpParsed::Request)
            QCOMPARE(parsed.consumed, bytes.size());
    }

    // Only the paths given take a POST, and only with a body of a stated length of at most 1 KiB.
    void postsOnlyWhereAllowed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const int more = HttpParsed::NeedMore, request = HttpParsed::Request, refusal = HttpParsed::Refusal;
        const auto post = [](const QByteArray &path, const QByteArray &headers, const QByteArray &body) {
            return "POST " + path + " HTTP/1.1\r\nHost: a\r\n" + headers + "\r\n" + body;
        };
        const QByteArray pin = R"({"pin":"123456"})";
        const QByteArray length = "Content-Length: " + QByteArray::number(pin.size()) + "\r\n";
        QTest::newRow("login") << post("/in", length, pin) << request << 0 << pin;
        QTest::newRow("body still coming") << post("/in", length, pin.left(5)) << more << 0 << QByteArray();
        QTest::newRow("other path") << post("/out", length, pin) << refusal << 400 << QByteArray();
        QTest::newRow("other path, no body") << post("/out", {}, {}) << refusal << 405 << QByteArray();
        QTest::newRow("no length") << post("/in", {}, pin) << refusal << 400 << QByteArray();
        QTest::newRow("two lengths") << post("/in", length + length, pin) << refusal << 400 << QByteArray();
        QTest::newRow("signed length") << post("/in", "Content-Length: +16\r\n", pin) << refusal << 400 << QByteArray();
        QTest::newRow("chunked") << post("/in", "Transfer-Encoding: chunked\r\n", pin) << refusal << 400
                                 << QByteArray();
        QTest::newRow("1 KiB") << post("/in", "Content-Length: 1024\r\n", QByteArray(1024, ' ')) << request << 0
                               << QByteArray(1024, ' ');
        QTest::newRow("1 KiB and one") << post("/in", "Content-Length: 1025\r\n", {}) << refusal << 413 << QByteArray();
        QTest::newRow("a huge length") << post("/in", "Content-Length: 999999999\r\n", {}) << refusal << 413
                                       << QByteArray();
    }

    void postsOnlyWhereAllowed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        // A request behind it must stay for the next read.
        const QByteArray next = "GET / HTTP/1.1\r\nHost: a\r\n\r\n";
        const HttpParsed parsed
            = parseHttpRequest(bytes + (kind == HttpParsed::Request ? next : QByteArray()), {QByteArrayLiteral("/in")});
        QCOMPARE(int(parsed.kind), kind);
        QCOMPARE(parsed.status, status);
        QCOMPARE(parsed.request.body, body);
        if (kind == HttpParsed::Request)
            QCOMPARE(parsed.consumed, bytes.size());
    }

    void hostsAndOrigins_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QByteArray>("origin");
        QTest::addColumn<bool>("hostAllowed");
        QTest::addColumn<bool>("originAllowed");
        QTest::newRow("v4") << QByteArray("192.168.1.20") << QByteArray() << true << true;
        QTest::newRow("v4 and port") << QByteArray("192.168.1.20:8080") << QByteArray("http://192.168.1.20:8080")
                                     << true << true;
        QTest::newRow("v6 loopback") << QByteArray("[::1]:8080") << QByteArray("http://[::1]:8080") << true << true;
        QTest::newRow("v6") << QByteArray("[fe80::1]") << QByteArray() << true << true;
        QTest::newRow("localhost") << QByteArray("LocalHost:80") << QByteArray("http://localhost") << true << true;
        QTest::newRow("machine") << QByteArray("Zeitnahme") << QByteArray("http://zeitnahme") << true << true;
        QTest::newRow("machine.local") << QByteArray("zeitnahme.local:8080") << QByteArray() << true << true;
        QTest::newRow("rebound name") << QByteArray("evil.example:8080") << QByteArray() << false << true;
        QTest::newRow("machine elsewhere") << QByteArray("zeitnahme.example") << QByteArray() << false << true;
        QTest::newRow("short v4") << QByteArray("127.1") << QByteArray() << false << true;
        QTest::newRow("v4 out of range") << QByteArray("300.1.1.1") << QByteArray() << false << true;
        QTest::newRow("bad port") << QByteArray("10.0.0.1:x") << QByteArray() << false << true;
        QTest::newRow("bad v6") << QByteArray("[zz::1]") << QByteArray() << false << true;
        QTest::newRow("origin elsewhere")
            << QByteArray("10.0.0.1:8080") << QByteArray("http://evil.example") << true << false;
        QTest::newRow("origin other port")
            << QByteArray("10.0.0.1:8080") << QByteArray("http://10.0.0.1:9090") << true << false;
        QTest::newRow("origin null") << QByteArray("10.0.0.1") << QByteArray("null") << true << false;
    }

    void hostsAndOrigins()
    {
        QFETCH(QByteArray, host);
        QFETCH(QByteArray, origin);
        QFETCH(bool, hostAllowed);
        QFETCH(bool, originAllowed);
        QCOMPARE(liveHostAllowed(host, "zeitnahme"), hostAllowed);
        QCOMPARE(liveOriginAllowed(origin, host), originAllowed);
    }

    void readsClientFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("closeCode");
        QTest::addColumn<QByteArray>("payload");
        const QByteArray mask("\x01\x02\x03\x04", 4);
        const auto masked = [&mask](QByteArray payload) {
            for (qsizetype i = 0; i < payload.size(); ++i)
                payload[i] = char(payload[i] ^ mask[i % 4]);
            return mask + payload;
        };
        const int frame = WebSocketFrame::Frame, fault = WebSocketFrame::Fault;
        QTest::newRow("masked ping") << "\x89\x82" + mask + "hj" << frame << 0 << QByteArray("ih");
        QTest::newRow("half a frame") << "\x89\x82" + mask + "h" << int(WebSocketFrame::NeedMore) << 0 << QByteArray();
        QTest::newRow("unmasked") << QByteArray("\x81\x02hi") << fault << 1002 << QByteArray();
        QTest::newRow("reserved bit") << "\xc1\x82" + mask + "hj" << fault << 1002 << QByteArray();
        QTest::newRow("reserved opcode") << "\x83\x82" + mask + "hj" << fault << 1002 << QByteArray();
        QTest::newRow("ping of 126") << "\x89\xfe\x00\x7e" + mask + QByteArray(126, 'p') << fault << 1002
                                     << QByteArray();
        QTest::newRow("fragmented ping") << "\x09\x82" + mask + "hj" << fault << 1002 << QByteArray();
        QTest::newRow("too large") << QByteArray("\x82\xff\0\0\0\0\0\0\x10\x01", 10) + mask << fault << 1009
                                   << QByteArray();
        QTest::newRow("4 KiB") << QByteArray("\x82\xfe\x10\x00", 4) + masked(QByteArray(4096, 'x')) << frame << 0
                               << QByteArray(4096, 'x');
        QTest::newRow("4 KiB and one") << QByteArray("\x82\xfe\x10\x01", 4) + masked(QByteArray(4097, 'x')) << fault
                                       << 1009 << QByteArray();
    }

    void readsClientFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, closeCode);
        QFETCH(QByteArray, payload);
        const WebSocketFrame frame = readClientFrame(bytes, 4096);
        QCOMPARE(int(frame.kind), kind);
        QCOMPARE(int(frame.closeCode), closeCode);
        QCOMPARE(frame.payload, payload);
    }
};

QTEST_GUILESS_MAIN(TestLiveParser)
#include "test_live_parser.moc"
