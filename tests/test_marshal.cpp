// The marshals' phones: PINs, tokens and lock-outs at the gate, and their presses through the class
// store, the journal and undo at the desk, and through the live server end to end.
#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/live/LiveFeed.h"
#include "core/live/LiveServer.h"
#include "core/marshal/MarshalDesk.h"
#include "core/protocol/ProtocolModel.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/timing/RunControl.h"
#include "core/undo/UndoHistory.h"
#include "support/JournalRows.h"
#include "support/LiveSamples.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace {
MarshalSettings twoPosts()
{
    MarshalSettings s;
    s.enabled = true;
    s.posts = {{1, QStringLiteral("Start"), QStringLiteral("111111")},
               {3, QStringLiteral("Tor 7"), QStringLiteral("333333")}};
    return s;
}

QByteArray pinBody(const QString &pin)
{
    return "{\"pin\":\"" + pin.toUtf8() + "\"}";
}

QByteArray pressBody(int number, int run = 1, const char *field = "fp", int delta = 1, qint64 pressedAt = 0)
{
    return QStringLiteral(R"({"class":1,"number":%1,"run":%2,"field":"%3","delta":%4,"pressedAt":%5})")
        .arg(number)
        .arg(run)
        .arg(QLatin1String(field))
        .arg(delta)
        .arg(pressedAt)
        .toUtf8();
}

QByteArray tokenOf(const MarshalAnswer &answer)
{
    return QJsonDocument::fromJson(answer.body).object().value(QStringLiteral("token")).toString().toLatin1();
}

int statusOf(const std::variant<MarshalPress, MarshalAnswer> &checked)
{
    return std::holds_alternative<MarshalPress>(checked) ? 200 : std::get<MarshalAnswer>(checked).status;
}
} // namespace

class TestMarshal final : public QObject
{
    Q_OBJECT

    std::int64_t m_steady = 100000; // the gate's clock
    std::int64_t m_wall = 1'700'000'000'000; // the desk's clock
    std::unique_ptr<QTemporaryDir> m_journal;

    std::unique_ptr<RaceSession> session()
    {
        auto s = std::make_unique<RaceSession>(m_journal->path());
        [[maybe_unused]] const FileResult loaded = s->store().LoadCurrentClass();
        s->marshals().setSettings(twoPosts());
        s->marshals().setClock([this] { return m_wall; });
        s->runs().setRunNumber(1);
        return s;
    }
    // A run of row, timed; the desk's clock moves a second at each start and stop.
    void drive(RaceSession &s, int row, int run = 1, bool stop = true)
    {
        s.runs().setRunNumber(run);
        s.runs().SelectParticipant(row);
        m_wall += 1000;
        s.runs().StartRun(ChangeSource::Button);
        if (stop) {
            m_wall += 1000;
            s.runs().StopRun(ChangeSource::Button);
        }
    }
    static MarshalPress press(int number, int run = 1, bool fs = false, int delta = 1, qint64 pressedAt = 0)
    {
        return {3, QStringLiteral("Tor 7"), 1, number, run, fs, delta, pressedAt, QString()};
    }
    static QList<QStringList> marshalRows(Journal &journal)
    {
        QList<JournalEvent> rows = journal.events(1).value_or({});
        rows.removeIf([](const JournalEvent &e) {
            return !e.field.startsWith(QLatin1String("fp")) && !e.field.startsWith(QLatin1String("fs"));
        });
        return rowTexts(rows);
    }

    static QByteArray post(const QByteArray &path, const QByteArray &body, const QByteArray &headers = {})
    {
        return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n" + headers + "\r\n" + body;
    }

private slots:
    void init()
    {
        resetDataFolder();
        m_journal = std::make_unique<QTemporaryDir>();
        m_steady = 100000;
        QVERIFY(WriteListFile(listOfNames({"Kim", "Lea", "Ola", "Ben", "Tom"}), ClassListPath(1)).ok());
    }

    void settingsKeepPostsAndDistinctPins()
    {
        SettingsStore store;
        MarshalSettings s = twoPosts();
        s.posts << MarshalPost {8, QStringLiteral("Ziel"), s.newPin()};
        QVERIFY(s.save(store).ok());
        QCOMPARE(MarshalSettings::load(store).value(), s);
        QCOMPARE(s.freeNumber(), 2);
        for (int i = 0; i < 200; ++i) {
            const QString pin = s.newPin();
            QVERIFY((MarshalPost {1, {}, pin}).hasValidPin());
            QVERIFY(pin != QLatin1String("111111") && pin != QLatin1String("333333"));
        }
        // A post removed is gone from the file, too.
        s.posts.removeLast();
        QVERIFY(s.save(store).ok());
        QCOMPARE(MarshalSettings::load(store).value().posts.size(), 2);
    }

    void loginsAndLockOut_data()
    {
        QTest::addColumn<QList<QByteArray>>("bodies");
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<bool>("enabled");
        const QByteArray right = pinBody(QStringLiteral("333333")), wrong = pinBody(QStringLiteral("123456"));
        QTest::newRow("right PIN") << QList<QByteArray> {right} << QList<int> {200} << true;
        QTest::newRow("switched off") << QList<QByteArray> {right} << QList<int> {403} << false;
        QTest::newRow("not JSON") << QList<QByteArray> {"pin=333333"} << QList<int> {400} << true;
        QTest::newRow("a number") << QList<QByteArray> {R"({"pin":333333})"} << QList<int> {400} << true;
        QTest::newRow("more keys") << QList<QByteArray> {R"({"pin":"333333","post":3})"} << QList<int> {400} << true;
        QTest::newRow("too long") << QList<QByteArray> {"{\"pin\":\"" + QByteArray(1100, '3') + "\"}"}
                                  << QList<int> {400} << true;
        QTest::newRow("five wrong, then right") << QList<QByteArray> {wrong, wrong, wrong, wrong, wrong, right}
                                                << QList<int> {401, 401, 401, 401, 401, 200} << true;
        QTest::newRow("six wrong lock even the right one")
            << QList<QByteArray> {wrong, wrong, wrong, wrong, wrong, wrong, right}
            << QList<int> {401, 401, 401, 401, 401, 429, 429} << true;
    }

    void loginsAndLockOut()
    {
        QFETCH(QList<QByteArray>, bodies);
        QFETCH(QList<int>, statuses);
        QFETCH(bool, enabled);
        MarshalGate gate([this] { return m_steady; });
        MarshalSettings s = twoPosts();
        s.enabled = enabled;
        gate.setSettings(s);
        QList<int> got;
        MarshalAnswer last;
        for (const QByteArray &body : std::as_const(bodies)) {
            last = gate.login(QStringLiteral("10.0.0.7"), body);
            got << last.status;
            m_steady += 100;
        }
        QCOMPARE(got, statuses);
        if (last.status == 200) {
            const QJsonObject o = QJsonDocument::fromJson(last.body).object();
            QCOMPARE(o.value(QStringLiteral("post")).toInt(), 3);
            QCOMPARE(o.value(QStringLiteral("name")).toString(), QStringLiteral("Tor 7"));
            QCOMPARE(o.value(QStringLiteral("token")).toString().size(), 32);
        }
        if (last.status == 429) {
            QCOMPARE(last.retryAfter, 60);
            // Another phone is not locked out; this one is again after the minute.
            QCOMPARE(gate.login(QStringLiteral("10.0.0.8"), pinBody(QStringLiteral("333333"))).status, 200);
            m_steady += MarshalGate::LockMs - 1000;
            QCOMPARE(gate.login(QStringLiteral("10.0.0.7"), pinBody(QStringLiteral("333333"))).status, 429);
            m_steady += 1000;
            QCOMPARE(gate.login(QStringLiteral("10.0.0.7"), pinBody(QStringLiteral("333333"))).status, 200);
        }
    }

    void tokenAfterAChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("status");
        QTest::newRow("nothing") << "nothing" << 200;
        QTest::newRow("new PIN") << "pin" << 401;
        QTest::newRow("new name") << "name" << 200;
        QTest::newRow("another post's PIN") << "other" << 200;
        QTest::newRow("post removed") << "removed" << 401;
        QTest::newRow("switched off") << "off" << 401;
    }

    void tokenAfterAChange()
    {
        QFETCH(QString, change);
        QFETCH(int, status);
        MarshalGate gate([this] { return m_steady; });
        MarshalSettings s = twoPosts();
        gate.setSettings(s);
        const QByteArray token = tokenOf(gate.login(QStringLiteral("a"), pinBody(QStringLiteral("333333"))));
        if (change == QLatin1String("pin"))
            s.posts[1].pin = s.newPin();
        else if (change == QLatin1String("name"))
            s.posts[1].name = QStringLiteral("Tor 8");
        else if (change == QLatin1String("other"))
            s.posts[0].pin = s.newPin();
        else if (change == QLatin1String("removed"))
            s.posts.removeLast();
        else if (change == QLatin1String("off"))
            s.enabled = false;
        gate.setSettings(s);
        QCOMPARE(statusOf(gate.press("Bearer " + token, pressBody(1))), status);
        QCOMPARE(gate.runs("Bearer " + token).status, status);
        // Switching back on or back to the old PIN does not bring the token back.
        gate.setSettings(twoPosts());
        QCOMPARE(gate.isTokenValid(token), status == 200);
    }

    void pressBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("a press") << pressBody(2, 2, "fs", -1, 1700000000123) << 200;
        QTest::newRow("with an id") << QByteArray(
            R"({"class":1,"number":1,"run":1,"field":"fp","delta":1,"pressedAt":0,"id":"a1"})")
                                    << 200;
        QTest::newRow("delta 2") << pressBody(1, 1, "fp", 2) << 400;
        QTest::newRow("run 3") << pressBody(1, 3) << 400;
        QTest::newRow("field time") << pressBody(1, 1, "time") << 400;
        QTest::newRow("a fraction") << QByteArray(
            R"({"class":1,"number":1.5,"run":1,"field":"fp","delta":1,"pressedAt":0})")
                                    << 400;
        QTest::newRow("class 11") << QByteArray(
            R"({"class":11,"number":1,"run":1,"field":"fp","delta":1,"pressedAt":0})")
                                  << 400;
        QTest::newRow("no pressedAt") << QByteArray(R"({"class":1,"number":1,"run":1,"field":"fp","delta":1})") << 400;
        QTest::newRow("another key") << QByteArray(
            R"({"class":1,"number":1,"run":1,"field":"fp","delta":1,"pressedAt":0,"fp":9})")
                                     << 400;
        QTest::newRow("trailing garbage") << pressBody(1) + "x" << 400;
    }

    void pressBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        MarshalGate gate([this] { return m_steady; });
        gate.setSettings(twoPosts());
        const QByteArray token = tokenOf(gate.login(QStringLiteral("a"), pinBody(QStringLiteral("111111"))));
        QCOMPARE(statusOf(gate.press("Bearer " + token, body)), status);
        QCOMPARE(statusOf(gate.press("Bearer 0123456789abcdef0123456789abcdef", body)), 401);
        QCOMPARE(statusOf(gate.press(token, body)), 401);
    }

    void tooManyPressesLockTheToken()
    {
        MarshalGate gate([this] { return m_steady; });
        gate.setSettings(twoPosts());
        const QByteArray bearer
            = "Bearer " + tokenOf(gate.login(QStringLiteral("a"), pinBody(QStringLiteral("111111"))));
        const QByteArray other
            = "Bearer " + tokenOf(gate.login(QStringLiteral("a"), pinBody(QStringLiteral("333333"))));
        QList<int> got;
        for (int i = 0; i < 12; ++i) {
            got << statusOf(gate.press(bearer, pressBody(1)));
            m_steady += 50;
        }
        QCOMPARE(got, (QList<int> {200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 429, 429}));
        QCOMPARE(statusOf(gate.press(other, pressBody(1))), 200);
        m_steady += MarshalGate::LockMs;
        QCOMPARE(statusOf(gate.press(bearer, pressBody(1))), 200);
    }

    // Which runs a press may mark: the one on course and the class's last three finishers, as they
    // were at the moment of the press.
    void pressOutcome_data()
    {
        QTest::addColumn<QList<int>>("finishers"); // rows, in the order they finished
        QTest::addColumn<int>("onCourse"); // row, -1 for nobody
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("pressedAfter"); // finishers, -1: now, 99: from the future
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("count");
        using L = QList<int>;
        QTest::newRow("on course") << L {} << 0 << 1 << 1 << 1 << -1 << 200 << 1;
        QTest::newRow("last finisher") << L {0} << -1 << 1 << 1 << 1 << -1 << 200 << 1;
        QTest::newRow("third last") << L {0, 1, 2} << 3 << 1 << 1 << 1 << -1 << 200 << 1;
        QTest::newRow("fourth last") << L {0, 1, 2, 3} << -1 << 1 << 1 << 1 << -1 << 409 << 0;
        QTest::newRow("not yet run") << L {0} << -1 << 2 << 1 << 1 << -1 << 409 << 0;
        QTest::newRow("other run") << L {0} << -1 << 1 << 2 << 1 << -1 << 409 << 0;
        QTest::newRow("no such entry") << L {0} << -1 << 9 << 1 << 1 << -1 << 409 << 0;
        QTest::newRow("below zero") << L {0} << -1 << 1 << 1 << -1 << -1 << 422 << 0;
        QTest::newRow("offline while third last") << L {0, 1, 2, 3} << -1 << 1 << 1 << 1 << 3 << 200 << 1;
        QTest::newRow("offline, after the fourth") << L {0, 1, 2, 3} << -1 << 1 << 1 << 1 << 4 << 409 << 0;
        QTest::newRow("offline, before its start") << L {1, 0} << -1 << 1 << 1 << 1 << 0 << 409 << 0;
        QTest::newRow("a time to come counts as now") << L {0, 1, 2, 3} << -1 << 1 << 1 << 1 << 99 << 409 << 0;
    }

    void pressOutcome()
    {
        QFETCH(QList<int>, finishers);
        QFETCH(int, onCourse);
        QFETCH(int, number);
        QFETCH(int, run);
        QFETCH(int, delta);
        QFETCH(int, pressedAfter);
        QFETCH(int, status);
        QFETCH(int, count);
        auto s = session();
        std::int64_t pressedAt = pressedAfter == 99 ? m_wall + 3'600'000 : 0;
        if (pressedAfter == 0)
            pressedAt = m_wall + 1;
        for (int i = 0; i < finishers.size(); ++i) {
            drive(*s, finishers[i]);
            if (i + 1 == pressedAfter)
                pressedAt = m_wall + 1;
        }
        if (onCourse >= 0)
            drive(*s, onCourse, 1, false);
        m_wall += 60'000;
        const MarshalAnswer answer = s->marshals().apply(press(number, run, false, delta, pressedAt));
        QCOMPARE(answer.status, status);
        if (s->store().list().isValidIndex(number - 1))
            QCOMPARE(s->store().readNumberField(number - 1, run == 1 ? ListField::FP1 : ListField::FP2), count);
        const QJsonObject o = QJsonDocument::fromJson(answer.body).object();
        QVERIFY(status == 200 ? o.value(QStringLiteral("fp")).toInt() == count : o.contains(QStringLiteral("error")));
    }

    // A press is journaled with its post and its moment, and the class file holds it at once.
    void pressBecomesAJournalRow()
    {
        auto s = session();
        drive(*s, 1);
        QSignalSpy shown(&s->marshals(), &MarshalDesk::pressApplied);
        // Pressed before that run began: meant for someone else.
        QCOMPARE(s->marshals().apply(press(2, 1, true, 1, m_wall - 10'000)).status, 409);
        QCOMPARE(s->marshals().apply(press(2, 1, true, 1, 0)).status, 200);
        s->waitForWrites();
        const JournalEvent row = s->recorder().journal().lastEvent(1).value().value();
        QCOMPARE((QStringList {row.field, row.oldValue, row.newValue, row.source, row.name}),
                 (QStringList {"fs1", "0", "1", "marshal", "Lea"}));
        QCOMPARE(row.note,
                 QStringLiteral("Posten 3: Tor 7, ")
                     + QDateTime::fromMSecsSinceEpoch(m_wall).toString(QStringLiteral("HH:mm:ss")));
        StartList onDisk;
        QVERIFY(ReadListFile(onDisk, ClassListPath(1), false).ok());
        QCOMPARE(onDisk.wholeNumber(1, ListField::FS1), 1);
        QCOMPARE(shown.size(), 1);
        const auto note = shown.front().front().value<MarshalPressNote>();
        QCOMPARE((QList<QVariant> {note.post, note.driver, note.run, note.fs, note.delta}),
                 (QList<QVariant> {3, QStringLiteral("Lea"), 1, true, 1}));
        // The journal's next row is no marshal's.
        QVERIFY(s->store().writeResult(0, {{ListField::FP1, 4}}, ChangeSource::Typed).ok());
        s->waitForWrites();
        QCOMPARE(s->recorder().journal().lastEvent(1).value().value().note, QString());
    }

    void typedCountsAndPresses_data()
    {
        QTest::addColumn<QStringList>("steps"); // "+", "-" a press; "=N" a typed count; "undo", "redo"
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<QStringList>>("rows");
        using R = QList<QStringList>;
        QTest::newRow("typed, then pressed") << QStringList {"=2", "+"} << QList<int> {200} << 3
                                             << R {{"fp1", "0", "2", "typed"}, {"fp1", "2", "3", "marshal"}};
        QTest::newRow("pressed, then typed")
            << QStringList {"+", "+", "=1"} << QList<int> {200, 200} << 1
            << R {{"fp1", "0", "1", "marshal"}, {"fp1", "1", "2", "marshal"}, {"fp1", "2", "1", "typed"}};
        QTest::newRow("typed 0 leaves nothing to take") << QStringList {"+", "=0", "-"} << QList<int> {200, 422} << 0
                                                        << R {{"fp1", "0", "1", "marshal"}, {"fp1", "1", "0", "typed"}};
        QTest::newRow("undo and redo") << QStringList {"+", "undo", "redo"} << QList<int> {200} << 1
                                       << R {{"fp1", "0", "1", "marshal"},
                                             {"fp1", "1", "0", "undo"},
                                             {"fp1", "0", "1", "redo"}};
        QTest::newRow("a press after an undo adds to it")
            << QStringList {"=3", "undo", "+"} << QList<int> {200} << 1
            << R {{"fp1", "0", "3", "typed"}, {"fp1", "3", "0", "undo"}, {"fp1", "0", "1", "marshal"}};
    }

    void typedCountsAndPresses()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, statuses);
        QFETCH(int, count);
        QFETCH(QList<QStringList>, rows);
        auto s = session();
        drive(*s, 0);
        ProtocolModel &model = s->protocol().model();
        QList<int> got;
        for (const QString &step : std::as_const(steps)) {
            if (step.startsWith(QLatin1Char('=')))
                QVERIFY(model.setData(model.index(0, ProtocolModel::FP1), step.mid(1), Qt::EditRole));
            else if (step == QLatin1String("undo"))
                QVERIFY(s->history().undo(std::nullopt));
            else if (step == QLatin1String("redo"))
                QVERIFY(s->history().redo(std::nullopt));
            else
                got << s->marshals().apply(press(1, 1, false, step == QLatin1String("+") ? 1 : -1)).status;
        }
        QCOMPARE(got, statuses);
        QCOMPARE(s->store().readNumberField(0, ListField::FP1), count);
        s->waitForWrites();
        QCOMPARE(marshalRows(s->recorder().journal()), rows);
    }

    // A press the phone sends again, because the answer was lost, counts once.
    void aPressSentTwiceCountsOnce()
    {
        auto s = session();
        drive(*s, 0);
        MarshalPress p = press(1);
        p.id = QStringLiteral("k3x9");
        const MarshalAnswer first = s->marshals().apply(p);
        QCOMPARE(s->marshals().apply(p).body, first.body);
        p.id = QStringLiteral("k3xa");
        QCOMPARE(s->marshals().apply(p).body, QByteArray(R"({"fp":2,"fs":0})"));
    }

    // The phone's requests end to end: the gate on the server's thread, the press on the desk's.
    void routesAnswer_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contains");
        QTest::addColumn<int>("count");
        const QByteArray json = "Content-Type: application/json\r\n", auth = "Authorization: Bearer TOKEN\r\n";
        QTest::newRow("press") << post("/api/posten/strafe", pressBody(1), json + auth) << 200
                               << QByteArray(R"({"fp":1,"fs":0})") << 1;
        QTest::newRow("runs") << QByteArray(
            "GET /api/posten/laeufe HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + auth + "\r\n")
                              << 200 << QByteArray(R"("name":"Kim","number":1,"onCourse":false)") << 0;
        QTest::newRow("no token") << post("/api/posten/strafe", pressBody(1), json) << 401 << QByteArray("error") << 0;
        QTest::newRow("runs without token")
            << QByteArray("GET /api/posten/laeufe HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n") << 401
            << QByteArray("error") << 0;
        QTest::newRow("not JSON") << post("/api/posten/strafe", pressBody(1), auth) << 400 << QByteArray("JSON") << 0;
        QTest::newRow("foreign page") << post("/api/posten/strafe", pressBody(1),
                                              json + auth + "Origin: http://evil.example\r\n")
                                      << 403 << QByteArray() << 0;
        QTest::newRow("a GET of a write")
            << QByteArray("GET /api/posten/strafe HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n") << 405
            << QByteArray() << 0;
        QTest::newRow("the page") << QByteArray("GET /posten HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n")
                                  << 200 << QByteArray("Streckenposten") << 0;
    }

    void routesAnswer()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, contains);
        QFETCH(int, count);
        auto s = session();
        s->liveFeed().setActive(true);
        QSignalSpy listening(&s->liveHost(), &LiveHost::listenFinished);
        s->liveHost().start(QStringLiteral("127.0.0.1"), 0);
        QVERIFY(listening.wait(5000));
        QVERIFY(s->liveFeed().waitForPublished());
        drive(*s, 0);
        const quint16 port = s->liveHost().port();
        const QByteArray login = rawExchange(
            port, post("/api/posten/login", pinBody(QStringLiteral("333333")), "Content-Type: application/json\r\n"));
        QVERIFY2(login.startsWith("HTTP/1.1 200"), login.constData());
        QVERIFY(!login.contains("Set-Cookie"));
        const QByteArray token = QJsonDocument::fromJson(login.mid(login.indexOf("\r\n\r\n") + 4))
                                     .object()
                                     .value(QStringLiteral("token"))
                                     .toString()
                                     .toLatin1();
        const QByteArray answer = rawExchange(port, QByteArray(request).replace("TOKEN", token));
        QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status)), answer.constData());
        QVERIFY2(answer.contains(contains), answer.constData());
        QCOMPARE(s->store().readNumberField(0, ListField::FP1), count);
        QCOMPARE(s->marshals().lastHeard(3), m_wall);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestMarshal)
#include "test_marshal.moc"
