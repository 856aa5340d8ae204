#pragma once

#include "core/live/LiveScoring.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/StartList.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

// A class of count participants: the first half with both runs, every third of the others with
// the first run only; names and info fields as given.
inline StartList liveSampleList(int count, const QString &name = QStringLiteral("Fahrer %1"))
{
    StartList list;
    for (int i = 0; i < count; ++i) {
        StartListEntry entry;
        entry.texts = {name.arg(i + 1),
                       QString::number(8 + i % 10),
                       QString::number(100 + i),
                       QStringLiteral("MSC Nord"),
                       QStringLiteral("Kart %1").arg(i % 7),
                       QString()};
        const bool both = i < count / 2;
        const bool first = both || i % 3 == 0;
        entry.numbers = {first ? 30000.0 + 37 * i : 0.0, double(i % 2), 0.0,
                         both ? 29000.0 + 53 * i : 0.0,  0.0,           double(i % 3 == 0)};
        list.append(entry);
    }
    return list;
}

// The rules a fresh configuration gives: penalties 2 s and 10 s, the designed class names.
inline RaceRules liveSampleRules(ScoringMode scoring = ScoringMode::SumOfRuns)
{
    RaceRules rules;
    rules.scoring = scoring;
    for (int c = FirstClass; c <= LastClass; ++c)
        rules.classNames[std::size_t(c - FirstClass)] = defaultClassName(c);
    return rules;
}

// Class 1 as liveSampleList gives it, the others empty; nobody marked, no hand times.
inline LiveSnapshotPtr liveSample(int count, const QString &name = QStringLiteral("Fahrer %1"),
                                  const RaceRules &rules = liveSampleRules())
{
    auto snapshot = std::make_shared<LiveSnapshot>();
    snapshot->version = 1;
    snapshot->rules = rules;
    for (int i = 0; i < LiveSnapshot::ClassCount; ++i)
        snapshot->classes[std::size_t(i)]
            = liveClass(i + 1, i == 0 ? liveSampleList(count, name).entries() : StartList::Entries(), {}, {}, rules);
    return snapshot;
}

// Sends bytes as they are and reads the answer until the server closes or a second passes
// without a byte. The event loop runs meanwhile, for answers that come from this thread.
inline QByteArray rawExchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return "<no connection>";
    socket.write(request);
    QByteArray answer;
    QElapsedTimer silent;
    silent.start();
    while (socket.state() == QAbstractSocket::ConnectedState && silent.elapsed() < 1000) {
        QTest::qWait(5);
        if (const QByteArray more = socket.readAll(); !more.isEmpty()) {
            answer += more;
            silent.restart();
        }
    }
    return answer + socket.readAll();
}
