#include "core/live/LiveFeed.h"
#include "core/live/LivePages.h"
#include "core/live/LiveRoutes.h"
#include "core/live/LiveScoring.h"
#include "core/live/LiveServer.h"
#include "core/live/LiveSettings.h"
#include "core/marks/MarksKeeper.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/timing/PerfTimer.h"
#include "core/timing/RunControl.h"
#include "support/FakeCounter.h"
#include "support/LiveSamples.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

#include <memory>
#include <vector>

#include <zlib.h>

class TestLive final : public QObject
{
    Q_OBJECT

    std::unique_ptr<LiveHost> m_host;
    quint16 m_port = 0;
    QNetworkAccessManager m_net;

    QNetworkReply *get(const QString &target)
    {
        QNetworkReply *reply
            = m_net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(target))));
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            done.wait(5000);
        reply->deleteLater();
        return reply;
    }

    static QByteArray inflated(const QByteArray &gzip)
    {
        z_stream stream {};
        if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
            return {};
        QByteArray out(1 << 20, Qt::Uninitialized);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(gzip.constData()));
        stream.avail_in = uInt(gzip.size());
        stream.next_out = reinterpret_cast<Bytef *>(out.data());
        stream.avail_out = uInt(out.size());
        const int result = inflate(&stream, Z_FINISH);
        out.resize(qsizetype(stream.total_out));
        inflateEnd(&stream);
        return result == Z_STREAM_END ? out : QByteArray("<not a whole gzip member>");
    }

    // Kim 40/41 with run 1 by hand, Lee 41 and run 2 still open, Ole 30/20 with a DNF in run 2,
    // Max 35/36 disqualified in run 1, Ida n.a. in both runs, Uwe without a run.
    static StartList markedClass()
    {
        StartList list = listOfRuns({{40'000, 0, 0, 41'000, 0, 0},
                                     {41'000, 0, 0, 0, 0, 0},
                                     {30'000, 0, 0, 20'000, 0, 0},
                                     {35'000, 0, 0, 36'000, 0, 0},
                                     {},
                                     {}});
        int row = 0;
        for (const char *name : {"Kim", "Lee", "Ole", "Max", "Ida", "Uwe"}) {
            list.setText(row, ListField::StartNr, QString::number(101 + row));
            list.setText(row++, ListField::Name, QLatin1String(name));
        }
        return list;
    }

    static ClassMarks marksOf(const StartList &list)
    {
        ClassMarks marks;
        marks.setMark(list.at(2), 2, {RunMark::DidNotFinish, {}});
        marks.setMark(list.at(3), 1, {RunMark::Disqualified, QStringLiteral("Tor <4>")});
        marks.setMark(list.at(4), 1, {RunMark::NotStarted, {}});
        marks.setMark(list.at(4), 2, {RunMark::NotStarted, {}});
        return marks;
    }

    struct KimsHandTime final : HandTimesSource
    {
        ClassHandTimes handTimes(int classIndex) const override
        {
            ClassHandTimes hands;
            if (classIndex == 1)
                hands.follow(QStringLiteral("Kim"), 1, 40'000, HandSource::Hand);
            return hands;
        }
    };

    static RaceRules eventRules(ScoringMode scoring)
    {
        RaceRules rules = liveSampleRules(scoring);
        rules.event = {QStringLiteral("Sommerslalom"), QStringLiteral("Musterstadt"), QDate(2025, 6, 14), true};
        rules.infoTitles = {QStringLiteral("Verein"), QStringLiteral("Kart"), QStringLiteral("Info3")};
        return rules;
    }

    // The value at a path such as "entryList/0/name", as text.
    // What the live feed follows, on the fake clock: the store (its class loaded by the test), the
    // protocol run control records into, and the marks.
    struct FeedDesk
    {
        ClassStore store;
        ResultsProtocol protocol {store};
        RunControl runs;
        MarksKeeper marks {store};
        FeedDesk()
        {
            runs.setProtocol(&protocol);
            FakeCounter::install();
        }
    };

    // A raw socket through the WebSocket handshake, for frames no client library would send.
    static bool upgraded(QTcpSocket &socket, quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(2000))
            return false;
        socket.write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                     "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
        return QTest::qWaitFor([&] { return socket.peek(4096).contains("\r\n\r\n"); })
            && socket.readAll().startsWith("HTTP/1.1 101");
    }

    static QString jsonAt(QJsonValue value, const QString &path)
    {
        for (const QString &step : path.split(QLatin1Char('/'))) {
            bool index = false;
            const int n = step.toInt(&index);
            value = index ? value.toArray().at(n) : value.toObject().value(step);
        }
        return value.isNull() ? QStringLiteral("null") : value.toVariant().toString();
    }

private slots:
    void init()
    {
        m_host = std::make_unique<LiveHost>();
        QSignalSpy listening(m_host.get(), &LiveHost::listenFinished);
        m_host->start(QStringLiteral("127.0.0.1"), 0);
        QVERIFY(listening.wait(5000));
        QCOMPARE(listening.at(0).at(1).toString(), QString());
        m_port = m_host->port();
        QVERIFY(m_port != 0);
        m_host->publish(liveSample(20, QStringLiteral("<b>Kim & \"Ole\" 'K'</b> %1")));
        // The server takes it on its own thread; an answer after this one has it.
        QTRY_VERIFY(rawExchange(m_port, "GET /api/live HTTP/1.0\r\n\r\n").contains("\"version\":1"));
    }

    void cleanup()
    {
        m_host.reset();
        QFile::remove(MarksPath(1));
    }

    void routes_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("contains");
        const QString html = QStringLiteral("text/html"), json = QStringLiteral("application/json"),
                      plain = QStringLiteral("text/plain");
        QTest::newRow("class list") << "/" << 200 << html << "href=\"/klasse/1\"";
        QTest::newRow("class") << "/klasse/1" << 200 << html << "noch zu fahren";
        QTest::newRow("class 10") << "/klasse/10" << 200 << html << "0 Starter";
        QTest::newRow("announcer") << "/sprecher" << 200 << html << "Niemand auf der Strecke";
        QTest::newRow("board") << "/anzeige?klassen=1,3&takt=7" << 200 << html << "data-takt=\"7\"";
        QTest::newRow("api classes") << "/api/classes" << 200 << json << "\"toRun\":";
        QTest::newRow("api class") << "/api/classes/1" << 200 << json << "\"startNr\":\"101\"";
        QTest::newRow("api live") << "/api/live" << 200 << json << "\"running\":false";
        QTest::newRow("class 0") << "/klasse/0" << 404 << plain << "Not Found";
        QTest::newRow("class 11") << "/klasse/11" << 404 << plain << "Not Found";
        QTest::newRow("class 01") << "/klasse/01" << 404 << plain << "Not Found";
        QTest::newRow("api class 11") << "/api/classes/11" << 404 << plain << "Not Found";
        QTest::newRow("a file") << "/README.md" << 404 << plain << "Not Found";
    }

    void routes()
    {
        QFETCH(QString, target);
        QFETCH(int, status);
        QFETCH(QString, type);
        QFETCH(QString, contains);
        QNetworkReply *reply = get(target);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QVERIFY(reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith(type));
        const QByteArray body = reply->readAll();
        QVERIFY2(body.contains(contains.toUtf8()), body.left(300).constData());
        QVERIFY(body.size() < 100 * 1024);
        if (status == 200 && reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith("text/html")) {
            // Escaped, and nothing loaded from anywhere else.
            QVERIFY(!body.contains("<b>Kim"));
            for (const char *outside : {"src=", "url(", "@import", "href=\"http", "//fonts"})
                QVERIFY2(!body.contains(outside), outside);
        }
    }

    void escapesEveryText()
    {
        QVERIFY(get("/klasse/1")->readAll().contains("&lt;b&gt;Kim &amp; &quot;Ole&quot; &#39;K&#39;&lt;/b&gt; 1"));
        const QJsonDocument json = QJsonDocument::fromJson(get("/api/classes/1")->readAll());
        QVERIFY(json["entryList"][0]["name"].toString().startsWith("<b>Kim & \"Ole\""));
        QCOMPARE(json["done"].toInt(), 10);
    }

    // What the parser passes and the routes refuse; the parser's own cases are in test_live_parser.
    void refusesHostileRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::newRow("dot dot") << QByteArray("GET /../../etc/passwd HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") << 400;
        QTest::newRow("dot dot inside") << QByteArray("GET /klasse/../../x HTTP/1.0\r\n\r\n") << 400;
        QTest::newRow("encoded dots") << QByteArray("GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.0\r\n\r\n") << 400;
        QTest::newRow("backslash") << QByteArray("GET /..\\..\\x HTTP/1.0\r\n\r\n") << 400;
        QTest::newRow("post") << QByteArray("POST / HTTP/1.1\r\nHost: x\r\n\r\n") << 405;
        QTest::newRow("foreign host") << QByteArray("GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n") << 421;
        QTest::newRow("socket from elsewhere")
            << QByteArray("GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://evil.example\r\nUpgrade: websocket\r\n"
                          "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                          "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n")
            << 403;
    }

    void refusesHostileRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        const QByteArray answer = rawExchange(m_port, request);
        QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status)), answer.left(80).constData());
        QVERIFY(!answer.contains("root:"));
        if (status == 405)
            QVERIFY(answer.contains("Allow: GET\r\n"));
    }

    // A phone that has the page gets 304; one that takes gzip gets bytes that inflate to the page.
    void answersValidationAndGzip_data()
    {
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<bool>("sameTag");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("gzip");
        QTest::newRow("tag of this page") << QByteArray("If-None-Match: ") << true << QByteArray("304") << false;
        QTest::newRow("tag among others")
            << QByteArray("If-None-Match: \"0-x\", ") << true << QByteArray("304") << false;
        QTest::newRow("stale tag") << QByteArray("If-None-Match: \"0-x\"") << false << QByteArray("200") << false;
        QTest::newRow("gzip") << QByteArray("Accept-Encoding: deflate, gzip") << false << QByteArray("200") << true;
        QTest::newRow("gzip, stale tag") << QByteArray("Accept-Encoding: gzip\r\nIf-None-Match: \"0-x\"") << false
                                         << QByteArray("200") << true;
    }

    void answersValidationAndGzip()
    {
        QFETCH(QByteArray, headers);
        QFETCH(bool, sameTag);
        QFETCH(QByteArray, status);
        QFETCH(bool, gzip);
        const QByteArray plain = rawExchange(m_port, "GET /klasse/1 HTTP/1.0\r\n\r\n");
        const qsizetype plainEnd = plain.indexOf("\r\n\r\n");
        const QByteArray page = plain.mid(plainEnd + 4);
        const QByteArray tag = QRegularExpression(QStringLiteral("ETag: (\"[^\"]+\")"))
                                   .match(QString::fromLatin1(plain.left(plainEnd)))
                                   .captured(1)
                                   .toLatin1();
        QVERIFY(!tag.isEmpty());
        const QByteArray answer
            = rawExchange(m_port, "GET /klasse/1 HTTP/1.0\r\n" + headers + (sameTag ? tag : QByteArray()) + "\r\n\r\n");
        const qsizetype end = answer.indexOf("\r\n\r\n");
        const QByteArray head = answer.left(end), body = answer.mid(end + 4);
        QVERIFY2(head.startsWith("HTTP/1.1 " + status), head.constData());
        QCOMPARE(head.contains("X-Now: "), true);
        QCOMPARE(head.contains("Content-Encoding: gzip"), gzip);
        if (status == "304")
            QVERIFY(body.isEmpty());
        else if (!gzip)
            QCOMPARE(body, page);
        else {
            QVERIFY(body.size() < page.size() / 3);
            QCOMPARE(inflated(body), page);
        }
    }

    void keepsConnectionsAliveAndClosesIdleOnes()
    {
        m_host->setIdleMs(400);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(socket.waitForConnected(2000));
        for (int i = 0; i < 3; ++i) {
            socket.write("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            QTRY_VERIFY(socket.bytesAvailable() > 0 && socket.peek(4096).contains("\"running\""));
            socket.readAll();
        }
        // Silent from now on.
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 3000);
    }

    void refusesConnectionsBeyondTheLimit()
    {
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i < LiveServer::MaxConnections; ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            sockets.back()->connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(sockets.back()->waitForConnected(2000));
        }
        // Each of the 500 still gets its answer, the next one is turned away.
        QVERIFY(rawExchange(m_port, "GET / HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 503"));
        sockets.back()->write("GET /api/classes HTTP/1.0\r\n\r\n");
        QTRY_VERIFY(sockets.back()->peek(64).startsWith("HTTP/1.1 200"));
        sockets.clear();
        QTRY_VERIFY(rawExchange(m_port, "GET / HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 200"));
    }

    // Phones come and go all day, some without a close frame: each closed socket gives its slot back.
    void closedSocketsFreeTheirSlots()
    {
        for (int i = 0; i <= LiveServer::MaxConnections; ++i) {
            QWebSocket socket;
            QSignalSpy messages(&socket, &QWebSocket::textMessageReceived);
            socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
            QVERIFY(messages.wait(5000));
            if (i % 2)
                socket.close();
            else
                socket.abort();
        }
        QTRY_VERIFY_WITH_TIMEOUT(rawExchange(m_port, "GET / HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 200"), 2000);
    }

    // Pings sent without ever reading the pongs: the client is cut off before its queue passes the limit.
    void pingFloodIsCutOffAtTheQueueLimit()
    {
        QTcpSocket socket;
        QVERIFY(upgraded(socket, m_port));
        socket.setReadBufferSize(1);
        // Masked pings of 125 bytes, the most a control frame carries.
        const QByteArray ping = QByteArray("\x89\xfd\x01\x02\x03\x04", 6) + QByteArray(125, 'p');
        const QByteArray block = ping.repeated(2000);
        qint64 sent = 0;
        while (socket.state() == QAbstractSocket::ConnectedState && sent < 1024LL * 1024 * 1024) {
            if (socket.bytesToWrite() < block.size()) {
                socket.write(block);
                sent += block.size();
            }
            QTest::qWait(1);
        }
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        const qint64 peak = m_host->peakQueuedBytes();
        QVERIFY2(peak > LiveLimits::MaxQueuedBytes / 2 && peak <= LiveLimits::MaxQueuedBytes,
                 QByteArray::number(peak).constData());
    }

    // An answer larger than a client's queue may hold is never queued: that client is cut off,
    // the others are answered.
    void answerBeyondTheQueueLimitIsNotSent()
    {
        m_host->publish(liveSample(20, QString(300'000, 'x') + QStringLiteral(" %1")));
        QTRY_VERIFY(!rawExchange(m_port, "GET /api/classes/1 HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 200"));
        QVERIFY(rawExchange(m_port, "GET /api/live HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 200"));
        QVERIFY(m_host->peakQueuedBytes() <= LiveLimits::MaxQueuedBytes);
    }

    // A header trickled in a line at a time holds its slot no longer than the idle time, where
    // that is shorter than the header's own deadline.
    void tricklingHeaderIsCutOffAtTheIdleTime()
    {
        m_host->setIdleMs(400);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(socket.waitForConnected(2000));
        socket.write("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        QElapsedTimer clock;
        clock.start();
        while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 5000) {
            socket.write("X-Slow: a\r\n");
            QTest::qWait(100);
        }
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    // The pages send nothing but pongs: a frame beyond 4 KiB is closed with 1009, one of 4 KiB
    // passes and the socket answers the next ping.
    void socketFramesBeyond4KiBAreRefused_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("refused");
        QTest::newRow("4 KiB") << 4096 << false;
        QTest::newRow("4 KiB and one") << 4097 << true;
    }
    void socketFramesBeyond4KiBAreRefused()
    {
        QFETCH(int, size);
        QFETCH(bool, refused);
        QTcpSocket socket;
        QVERIFY(upgraded(socket, m_port));
        const QByteArray mask("\x01\x02\x03\x04", 4);
        const QByteArray binary = "\x82\xfe" + QByteArray(1, char(size >> 8)) + QByteArray(1, char(size & 0xff)) + mask
            + QByteArray(size, 'b');
        socket.write(binary + "\x89\x80" + mask);
        QByteArray received;
        const QByteArray close("\x88\x02\x03\xf1", 4), pong("\x8a\x00", 2);
        QTRY_VERIFY((received += socket.readAll()).contains(refused ? close : pong));
        QVERIFY(!received.contains(refused ? pong : close));
        if (refused)
            QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    }

    void pushesEverySnapshotToSockets()
    {
        QWebSocket socket;
        QSignalSpy messages(&socket, &QWebSocket::textMessageReceived);
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        QVERIFY(messages.wait(5000));
        QCOMPARE(QJsonDocument::fromJson(messages.last().at(0).toString().toUtf8())[QStringLiteral("version")].toInt(),
                 1);

        auto running = std::make_shared<LiveSnapshot>(*liveSample(20));
        running->version = 2;
        running->running = true;
        running->onCourse = {1, 15, 2, QDateTime::currentMSecsSinceEpoch() - 1500, 0};
        m_host->publish(running);
        QVERIFY(messages.wait(5000));
        const QJsonDocument state = QJsonDocument::fromJson(messages.last().at(0).toString().toUtf8());
        QVERIFY(state[QStringLiteral("running")].toBool());
        QCOMPARE(state[QStringLiteral("start")].toInteger(), running->onCourse.startEpochMs);
        QCOMPARE(state[QStringLiteral("onCourse")][QStringLiteral("number")].toInt(), 15);
        // The pages tick from the same moment.
        QVERIFY(get(QStringLiteral("/sprecher"))
                    ->readAll()
                    .contains(QByteArray("data-start=\"") + QByteArray::number(running->onCourse.startEpochMs)));
    }

    void feedFollowsTheStoreAndTheClock()
    {
        // Class 2 lives in its file; class 1 is the store's.
        QVERIFY(WriteListFile(liveSampleList(4), ClassListPath(2)).ok());
        QVERIFY(WriteListFile(liveSampleList(3), ClassListPath(1)).ok());
        FeedDesk desk;
        QVERIFY(desk.store.LoadCurrentClass().ok());
        auto &[store, protocol, runs, marks] = desk;
        LiveFeed feed(store, runs, marks, nullptr);
        feed.setActive(true);
        QVERIFY(feed.waitForPublished());
        QSignalSpy published(&feed, &LiveFeed::published);
        QCOMPARE(feed.snapshot()->classAt(2)->entryCount(), 4);
        QCOMPARE(feed.snapshot()->classAt(1)->entryCount(), 3);

        runs.resetForShow();
        runs.SelectParticipant(1);
        runs.UnlockStation();
        // A light barrier's pulse, taken 250 ms before its signal arrives.
        runs.startRunAt(FakeCounter::now - 250'000);
        QVERIFY(published.wait(2000));
        const LiveSnapshotPtr started = feed.snapshot();
        QVERIFY(started->running);
        QCOMPARE(started->onCourse.number, 2);
        // The start moment lies in the past by what the counter has run since the start.
        const qint64 sinceStart = QDateTime::currentMSecsSinceEpoch() - started->onCourse.startEpochMs;
        QVERIFY2(sinceStart >= 240 && sinceStart < 2000, QByteArray::number(sinceStart).constData());

        FakeCounter::advanceMs(31000);
        runs.StopRun();
        QVERIFY(published.wait(2000));
        const LiveSnapshotPtr stopped = feed.snapshot();
        QVERIFY(!stopped->running);
        QCOMPARE(stopped->lastFinish.number, 2);
        QCOMPARE(stopped->lastFinish.timeMs, 31250);
        QCOMPARE(stopped->classAt(1)->standing(1).run(1).time, 31250);
        setPerfCounter(systemPerfCounter());
    }

    // One class with marks and hand times through the feed, Lee just timed in run 2 by the clock.
    // JSON targets check "path=value", pages check that each text is there or absent.
    void feedRendersTheStandings_data()
    {
        QTest::addColumn<ScoringMode>("scoring");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("absent");
        const ScoringMode sum = ScoringMode::SumOfRuns, best = ScoringMode::BestRun;
        QTest::newRow("sum ranks by the total") << sum << "/api/classes/1" << QStringList {"scoring=sum",
                                                                                           "entryList/0/name=Kim",
                                                                                           "entryList/0/totalMs=81000",
                                                                                           "entryList/0/gapMs=0",
                                                                                           "entryList/1/name=Lee",
                                                                                           "entryList/1/place=2",
                                                                                           "entryList/1/gapMs=1000",
                                                                                           "entryList/0/handRuns/0=1"}
                                                << QStringList {};
        QTest::newRow("best ranks by the best run at once")
            << best << "/api/classes/1" << QStringList {"scoring=best",
                                                        "entryList/0/name=Ole",
                                                        "entryList/0/place=1",
                                                        "entryList/0/rankMs=30000",
                                                        "entryList/1/name=Kim",
                                                        "entryList/1/rankMs=40000",
                                                        "entryList/1/gapMs=10000",
                                                        "entryList/2/name=Lee",
                                                        "entryList/3/name=Max",
                                                        "entryList/3/rankMs=null"}
            << QStringList {};
        QTest::newRow("a marked driver has no total")
            << sum << "/api/classes/1" << QStringList {"entryList/2/name=Ole",
                                                       "entryList/2/place=0",
                                                       "entryList/2/mark=DNF",
                                                       "entryList/2/totalMs=0",
                                                       "entryList/2/run2/totalMs=0",
                                                       "entryList/2/run2/mark=DNF",
                                                       "entryList/2/gapMs=null",
                                                       "entryList/3/mark=DSQ",
                                                       "entryList/3/runMarks/0/reason=Tor <4>",
                                                       "entryList/4/name=Ida",
                                                       "entryList/4/mark=n.a."}
            << QStringList {};
        QTest::newRow("placed by the best run, still no total")
            << best << "/api/classes/1" << QStringList {"entryList/0/name=Ole", "entryList/0/totalMs=0"}
            << QStringList {};
        QTest::newRow("next and still to run skip the marked")
            << sum << "/api/live"
            << QStringList {"last/name=Lee", "last/run=2", "last/timeMs=41000", "next/name=Uwe", "next/marks/0=toRun"}
            << QStringList {};
        QTest::newRow("summary carries the event") << sum << "/api/classes"
                                                   << QStringList {"event=Sommerslalom, Musterstadt, 14.06.2025",
                                                                   "eventInfo/date=2025-06-14",
                                                                   "classes/0/run=2",
                                                                   "classes/0/toRun=1",
                                                                   "classes/0/next=6",
                                                                   "classes/0/done=5"}
                                                   << QStringList {};
        QTest::newRow("class page, sum")
            << sum << "/klasse/1"
            << QStringList {"<title>Sommerslalom, Musterstadt, 14.06.2025 \u2013 ",
                            "<h1>Sommerslalom, Musterstadt",
                            "<th>Alter<th>Verein<th>Kart<th>Info3<th>",
                            "noch zu fahren in Lauf 2:</b> Uwe</p>",
                            "<td>DSQ<td class=p>0/0<td>00:36.00",
                            "<p class=\"m note\">Max, Lauf 1: DSQ \u2013 Tor &lt;4&gt;</p>",
                            "00:40.00<small class=\"h\">H</small>",
                            "<td>01:21.00\n"}
            << QStringList {"<th>Bester Lauf", "Info1", "00:50.00", "Uwe, Ida", "Tor &lt;4&gt;<td"};
        QTest::newRow("class page, best") << best << "/klasse/1"
                                          << QStringList {"<table class=\"r wide b\">", "<th>Ges.Zeit<th>Bester Lauf",
                                                          "<td><td>00:30.00\n", "<td>01:21.00<td>00:40.00\n"}
                                          << QStringList {"00:50.00"};
        QTest::newRow("announcer, sum") << sum << "/sprecher"
                                        << QStringList {"<title>Sommerslalom, Musterstadt, 14.06.2025 \u2013 Sprecher",
                                                        "Als Nächstes: <b>Uwe", "Platz 2</b>", "+00:01.00 auf Platz 1",
                                                        "noch zu fahren: 1</b>"}
                                        << QStringList {"Als Nächstes: <b>Ida", "Als Nächstes: <b>Max", "+00:-"};
        QTest::newRow("announcer, best") << best << "/sprecher" << QStringList {"Platz 3</b>", "+00:11.00 auf Platz 1"}
                                         << QStringList {"+00:-"};
    }

    void feedRendersTheStandings()
    {
        QFETCH(ScoringMode, scoring);
        QFETCH(QString, target);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        const StartList list = markedClass();
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        QVERIFY(writeMarksFile(marksOf(list), MarksPath(1)).ok());
        FeedDesk desk;
        QVERIFY(desk.store.LoadCurrentClass().ok());
        auto &[store, protocol, runs, marks] = desk;
        const KimsHandTime hands;
        LiveFeed feed(store, runs, marks, &hands);
        feed.setRules(eventRules(scoring));
        feed.setActive(true);

        runs.resetForShow();
        runs.setRunNumber(2);
        runs.SelectParticipant(1);
        runs.UnlockStation();
        runs.startRunAt(FakeCounter::now);
        FakeCounter::advanceMs(41'000);
        runs.StopRun();
        setPerfCounter(systemPerfCounter());
        QVERIFY(feed.waitForPublished());
        QCOMPARE(feed.snapshot()->lastFinish.timeMs, 41'000);

        const LiveResponse response = routeLiveRequest(*feed.snapshot(), target.toUtf8());
        QCOMPARE(response.status, 200);
        const QString body = QString::fromUtf8(response.body);
        if (response.contentType.startsWith("application/json")) {
            const QJsonValue json = QJsonDocument::fromJson(response.body).object();
            for (const QString &check : std::as_const(expected))
                QCOMPARE(jsonAt(json, check.section(QLatin1Char('='), 0, 0)), check.section(QLatin1Char('='), 1));
        } else {
            for (const QString &text : std::as_const(expected))
                QVERIFY2(body.contains(text), qPrintable(text));
        }
        for (const QString &text : std::as_const(absent))
            QVERIFY2(!body.contains(text), qPrintable(text));
    }

    // A switch of the scoring mode reaches the phones within a second, without a class change.
    void rulesChangeReachesTheLiveJson()
    {
        const StartList list = markedClass();
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        QVERIFY(writeMarksFile(marksOf(list), MarksPath(1)).ok());
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        RunControl runs;
        const MarksKeeper marks(store);
        LiveFeed feed(store, runs, marks, nullptr);
        connect(&feed, &LiveFeed::published, m_host.get(), &LiveHost::publish);
        feed.setRules(eventRules(ScoringMode::SumOfRuns));
        feed.setActive(true);
        const auto leader = [this] {
            return QJsonDocument::fromJson(get(QStringLiteral("/api/classes/1"))->readAll())["entryList"][0]["name"]
                .toString();
        };
        QTRY_COMPARE(leader(), QStringLiteral("Kim"));
        QElapsedTimer since;
        since.start();
        feed.setRules(eventRules(ScoringMode::BestRun));
        QTRY_COMPARE_WITH_TIMEOUT(leader(), QStringLiteral("Ole"), 1000);
        QVERIFY(since.elapsed() < 1000);
        const QString page = QString::fromUtf8(get(QStringLiteral("/klasse/1"))->readAll());
        QVERIFY(page.contains(QStringLiteral("<th>Bester Lauf")));
    }

    void announcerNamesPlaceGapAndNext_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("run");
        QTest::addColumn<QString>("expected");
        // In the sample, 1 to 10 have both runs, 11 to 20 the first run at most (every third).
        QTest::newRow("leader") << 0 << 2 << "Führung";
        QTest::newRow("third place") << -3 << 2 << "auf Platz 1";
        QTest::newRow("first run only") << 13 << 1 << "auf die Bestzeit in Lauf 1";
    }

    void announcerNamesPlaceGapAndNext()
    {
        QFETCH(int, number);
        QFETCH(int, run);
        QFETCH(QString, expected);
        auto s = std::make_shared<LiveSnapshot>(*liveSample(20));
        const LiveClass &c = *s->classAt(1);
        const int row = number <= 0 ? c.standings.order[std::size_t(-number)] : number - 1;
        const EntryStanding &finisher = c.standing(row);
        s->lastFinish = {1, row + 1, run, 0, finisher.run(run).time};
        const QString page = QString::fromUtf8(liveAnnouncerPage(*s));
        QVERIFY2(page.contains(expected), qPrintable(expected));
        if (finisher.place > 1) {
            const QString gap = FormatTime(TimeMs(*finisher.total) - *c.standing(c.standings.order.front()).total);
            QVERIFY(page.contains(QStringLiteral("Platz %1</b>").arg(finisher.place)));
            QVERIFY(page.contains(QLatin1Char('+') + gap));
        }
    }

    void portOutOfRangeFallsBack()
    {
        SettingsStore store;
        QVERIFY(store.write(Setting::LivePort, 70000).ok());
        QCOMPARE(LiveSettings::load(store).value().port, LiveSettings::DefaultPort);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestLive)
#include "test_live.moc"
