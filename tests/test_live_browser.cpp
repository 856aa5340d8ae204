// The live pages in a real headless browser: their script runs, ticks the running time from the start
// moment, reloads on a pushed change and fits a phone's width. Driven through the browser's debugging
// socket, so every check reads the page as the phone shows it.
#include "core/live/LiveServer.h"
#include "core/marks/RunMarks.h"
#include "core/marshal/MarshalPage.h"
#include "support/LiveSamples.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <memory>

class TestLiveBrowser final : public QObject
{
    Q_OBJECT

    std::unique_ptr<LiveHost> m_host;
    quint16 m_port = 0;
    QTemporaryDir m_profile;
    QProcess m_browser;
    QWebSocket m_devtools;
    int m_lastId = 0;
    QHash<int, QJsonObject> m_answers;

    LiveSnapshotPtr snapshot(int version, const QString &name, std::int64_t startMs)
    {
        auto s = std::make_shared<LiveSnapshot>(*liveSample(12, name));
        s->version = version;
        if (startMs > 0) {
            s->running = true;
            s->onCourse = {1, 9, 2, startMs, 0};
        }
        return s;
    }

    void publish(const LiveSnapshotPtr &s)
    {
        m_host->publish(s);
        QTRY_VERIFY(rawExchange(m_port, "GET /api/live HTTP/1.0\r\n\r\n")
                        .contains(QByteArray("\"version\":") + QByteArray::number(qint64(s->version))));
    }

    // Opens the page in the browser at a phone's width (or the width given) and connects to its
    // debugging socket.
    bool open(const QString &path, int width = 360)
    {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            return false;
        m_browser.setProgram(chromium);
        m_browser.setArguments({QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                                QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                                QStringLiteral("--remote-debugging-port=0"),
                                QStringLiteral("--user-data-dir=") + m_profile.path(),
                                QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)});
        m_browser.setProcessChannelMode(QProcess::SeparateChannels);
        m_browser.start();
        if (!m_browser.waitForStarted(10000))
            return false;
        // "DevTools listening on ws://127.0.0.1:PORT/devtools/browser/..." on standard error.
        const QRegularExpression listening(QStringLiteral("DevTools listening on ws://[^:]+:(\\d+)/"));
        QByteArray err;
        QRegularExpressionMatch match;
        for (int i = 0; i < 100 && !(match = listening.match(QString::fromUtf8(err))).hasMatch(); ++i) {
            m_browser.waitForReadyRead(200);
            err += m_browser.readAllStandardError();
        }
        if (!match.hasMatch())
            return false;
        QNetworkAccessManager net;
        QString target;
        for (int i = 0; i < 50 && target.isEmpty(); ++i) {
            QNetworkReply *reply = net.get(
                QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(match.captured(1)))));
            QSignalSpy done(reply, &QNetworkReply::finished);
            done.wait(5000);
            for (const QJsonValue page : QJsonDocument::fromJson(reply->readAll()).array())
                if (page[QStringLiteral("type")] == QStringLiteral("page")
                    && page[QStringLiteral("url")].toString().contains(path.section(QLatin1Char('#'), 0, 0)))
                    target = page[QStringLiteral("webSocketDebuggerUrl")].toString();
            reply->deleteLater();
            if (target.isEmpty())
                QTest::qWait(100);
        }
        connect(&m_devtools, &QWebSocket::textMessageReceived, this, [this](const QString &text) {
            const QJsonObject answer = QJsonDocument::fromJson(text.toUtf8()).object();
            if (answer.contains(QStringLiteral("id")))
                m_answers.insert(answer[QStringLiteral("id")].toInt(), answer);
        });
        QSignalSpy connected(&m_devtools, &QWebSocket::connected);
        m_devtools.open(QUrl(target));
        if (target.isEmpty() || !connected.wait(5000))
            return false;
        // A headless window is never narrower than 500 pixels; the phone is emulated.
        call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
             {{QStringLiteral("width"), width},
              {QStringLiteral("height"), 800},
              {QStringLiteral("deviceScaleFactor"), width < 700 ? 2 : 1},
              {QStringLiteral("mobile"), width < 700}});
        return true;
    }

    QJsonObject call(const QString &method, const QJsonObject &params)
    {
        const int id = ++m_lastId;
        const QJsonObject message {
            {QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
        m_devtools.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        for (int i = 0; i < 100 && !m_answers.contains(id); ++i)
            QTest::qWait(50);
        return m_answers.take(id);
    }

    // The value of a script expression in the page, as text.
    QString evaluate(const QString &expression)
    {
        const QJsonValue value
            = call(QStringLiteral("Runtime.evaluate"),
                   {{QStringLiteral("expression"), expression},
                    {QStringLiteral("returnByValue"),
                     true}})[QStringLiteral("result")][QStringLiteral("result")][QStringLiteral("value")];
        return value.isString() ? value.toString() : value.toVariant().toString();
    }

private slots:
    void init()
    {
        m_host = std::make_unique<LiveHost>();
        QSignalSpy listening(m_host.get(), &LiveHost::listenFinished);
        m_host->start(QStringLiteral("127.0.0.1"), 0);
        QVERIFY(listening.wait(5000));
        m_port = m_host->port();
    }

    void cleanup()
    {
        m_devtools.close();
        m_browser.kill();
        m_browser.waitForFinished(5000);
        m_host.reset();
    }

    void pageRunsTicksFollowsPushesAndFitsAPhone_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("class") << QStringLiteral("/klasse/1");
        QTest::newRow("announcer") << QStringLiteral("/sprecher");
        QTest::newRow("board") << QStringLiteral("/anzeige?klassen=1&takt=5");
    }

    void pageRunsTicksFollowsPushesAndFitsAPhone()
    {
        QFETCH(QString, path);
        const std::int64_t start = QDateTime::currentMSecsSinceEpoch() - 61'000;
        publish(snapshot(1, QStringLiteral("Fahrer %1"), start));
        if (!open(path))
            QSKIP("no headless chromium here; scripts/test.sh installs it");

        // The script computes the running time on the phone from the start moment alone.
        const QString running = QStringLiteral("(document.querySelector('span[data-start]')||{}).textContent");
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(running).startsWith(QStringLiteral("01:0")), 10000);
        const QString first = evaluate(running);
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(running) > first, 5000);

        // A pushed change reaches the page without a reload by hand.
        publish(snapshot(2, QStringLiteral("Neu %1"), start));
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(QStringLiteral("document.body.innerText")).contains(QStringLiteral("Neu 1")),
                                 10000);

        // Nothing wider than the phone, and no table wider than the box that holds it.
        QCOMPARE(evaluate(QStringLiteral("String(document.documentElement.scrollWidth <= 360)")),
                 QStringLiteral("true"));
        QCOMPARE(evaluate(QStringLiteral("String([].every.call(document.querySelectorAll('.tw'),"
                                         "function(t){return t.scrollWidth <= t.clientWidth}))")),
                 QStringLiteral("true"));
    }

    // A long reason for a disqualification goes beneath the table: on a laptop's 1 280 pixels the
    // columns stay side by side, each time as wide as a time, and the reason is shown once.
    void classPageKeepsItsColumnsWithAReason()
    {
        auto s = std::make_shared<LiveSnapshot>(*liveSample(12));
        const StartList list = liveSampleList(12);
        ClassMarks marks;
        marks.setMark(list.at(0), 2,
                      {RunMark::Disqualified,
                       QStringLiteral("Tor 4 umgefahren und ohne Halt durch die Zeitnahme, "
                                      "gemeldet von den Streckenposten 3 und 5")});
        s->classes[0] = liveClass(1, list.entries(), marks, {}, s->rules);
        publish(s);
        if (!open(QStringLiteral("/klasse/1"), 1280))
            QSKIP("no headless chromium here; scripts/test.sh installs it");
        const QString headings = QStringLiteral("document.querySelectorAll('table.r th')");
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(headings + QStringLiteral(".length")), QStringLiteral("12"), 10000);
        // Left to right without overlap, all within the window.
        QCOMPARE(evaluate(QStringLiteral("String((function(){var h=") + headings
                          + QStringLiteral(",r=0;for(var i=0;i<h.length;i++){var b=h[i].getBoundingClientRect();"
                                           "if(b.width<=0||b.left<r-0.5)return false;r=b.right}"
                                           "return r<=document.documentElement.clientWidth})())")),
                 QStringLiteral("true"));
        const QString run2 = QStringLiteral("[].filter.call(") + headings
            + QStringLiteral(",function(t){return t.textContent=='Lauf 2'})[0].getBoundingClientRect().width");
        QVERIFY2(evaluate(run2).toDouble() < 150, qPrintable(evaluate(run2)));
        QCOMPARE(evaluate(QStringLiteral("String(document.body.innerText.split('Streckenposten 3 und 5').length - 1)")),
                 QStringLiteral("1"));
    }

    // The marshals' page logs in with the PIN of its address's fragment and forgets it there, sends
    // a press at once, keeps presses made without a connection with their moment, sends them when
    // the connection is back, and shows each press's fate.
    void marshalPageSendsKeepsAndReplaysPresses_data()
    {
        QTest::addColumn<int>("refuseStatus");
        QTest::addColumn<QString>("shown");
        QTest::newRow("taken") << 200 << QStringLiteral("gesendet");
        QTest::newRow("refused") << 409 << QStringLiteral("abgelehnt: Lauf vorbei");
    }

    void marshalPageSendsKeepsAndReplaysPresses()
    {
        QFETCH(int, refuseStatus);
        QFETCH(QString, shown);
        QVERIFY(marshalPage().size() < 30 * 1024);
        auto gate = std::make_shared<MarshalGate>();
        MarshalSettings posts;
        posts.enabled = true;
        posts.posts = {{3, QStringLiteral("Posten 3 – Tor 7"), QStringLiteral("333333")}};
        gate->setSettings(posts);
        gate->setRuns(QByteArray(R"({"class":1,"runs":[{"class":1,"number":2,"startnr":"12","name":"Lea Nußbaum",)"
                                 R"("run":1,"onCourse":true,"fp":0,"fs":0}]})"));
        m_host->setMarshalGate(gate);
        QList<MarshalPress> presses;
        QList<qint64> arrived;
        connect(m_host.get(), &LiveHost::marshalPressed, this, [&](quint64 ticket, const MarshalPress &press) {
            if (!ticket)
                return;
            presses << press;
            arrived << QDateTime::currentMSecsSinceEpoch();
            // The first press is taken; those that come later get the row's answer.
            m_host->answerMarshalPress(ticket,
                                       presses.size() == 1 || refuseStatus == 200
                                           ? MarshalAnswer {200, QByteArray(R"({"fp":1,"fs":2})"), 0}
                                           : MarshalGate::error(refuseStatus, QStringLiteral("Lauf vorbei")));
        });
        publish(snapshot(1, QStringLiteral("Fahrer %1"), 0));
        if (!open(QStringLiteral("/posten#pin=333333")))
            QSKIP("no headless chromium here; scripts/test.sh installs it");
        const QString text = QStringLiteral("document.body.innerText");
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(text).contains(QStringLiteral("Lea Nußbaum")), 10000);
        QVERIFY(evaluate(text).contains(QStringLiteral("Startnr. 12 · Lauf 1")));
        QCOMPARE(evaluate(QStringLiteral("document.getElementById('title').textContent")),
                 QStringLiteral("Posten 3 – Tor 7"));
        QCOMPARE(evaluate(QStringLiteral("location.hash")), QString());

        const auto click = [this](const QString &label) {
            return evaluate(
                QStringLiteral("String([].filter.call(document.querySelectorAll('#runs button'),"
                               "function(b){return b.textContent=='%1'}).map(function(b){b.click();return 1}).length)")
                    .arg(label));
        };
        QCOMPARE(click(QStringLiteral("+1 FP")), QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(presses.size(), 1, 5000);
        QCOMPARE((QList<int> {presses[0].post, presses[0].number, presses[0].run, presses[0].fs, presses[0].delta}),
                 (QList<int> {3, 2, 1, 0, 1}));
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(text).contains(QStringLiteral("FP 1 · FS 2")), 5000);
        QVERIFY(evaluate(QStringLiteral("document.querySelector('#log .st').textContent"))
                == QStringLiteral("gesendet"));

        // Without a connection the presses wait on the phone, and survive a reload.
        call(QStringLiteral("Network.enable"), {});
        const QJsonObject offline {{QStringLiteral("offline"), true},
                                   {QStringLiteral("latency"), 0},
                                   {QStringLiteral("downloadThroughput"), -1},
                                   {QStringLiteral("uploadThroughput"), -1}};
        call(QStringLiteral("Network.emulateNetworkConditions"), offline);
        const qint64 pressed = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(click(QStringLiteral("+1 FS")), QStringLiteral("1"));
        QCOMPARE(click(QStringLiteral("−1 FS")), QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(QStringLiteral("String(JSON.parse(localStorage.getItem('zp-queue')).length)")),
            QStringLiteral("2"), 5000);
        QVERIFY(evaluate(QStringLiteral("document.querySelector('#log .st').textContent"))
                    .startsWith(QStringLiteral("gespeichert")));
        QTest::qWait(1500);
        QCOMPARE(presses.size(), 1);
        QJsonObject online = offline;
        online[QStringLiteral("offline")] = false;
        call(QStringLiteral("Network.emulateNetworkConditions"), online);
        QTRY_COMPARE_WITH_TIMEOUT(presses.size(), 3, 10000);
        // Sent in the order made, with the moment each was made rather than the moment it arrived.
        QCOMPARE((QList<int> {presses[1].fs, presses[1].delta, presses[2].fs, presses[2].delta}),
                 (QList<int> {1, 1, 1, -1}));
        QVERIFY(qAbs(presses[1].pressedAt - pressed) < 1000);
        QVERIFY(arrived[1] - presses[1].pressedAt >= 1400);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("document.querySelector('#log .st').textContent")), shown,
                                  5000);
        QCOMPARE(evaluate(QStringLiteral("String(JSON.parse(localStorage.getItem('zp-queue')).length)")),
                 QStringLiteral("0"));
        QCOMPARE(evaluate(QStringLiteral("String(document.documentElement.scrollWidth <= 360)")),
                 QStringLiteral("true"));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestLiveBrowser)
#include "test_live_browser.moc"
