#include "core/live/LiveJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QJsonValue optionalMs(const auto &value)
{
    return value ? QJsonValue(qint64(*value)) : QJsonValue(QJsonValue::Null);
}

QJsonObject classSummary(const LiveClass &c)
{
    const int next = c.standings.next;
    return {{QStringLiteral("class"), c.index},
            {QStringLiteral("name"), c.name},
            {QStringLiteral("entries"), c.entryCount()},
            {QStringLiteral("done"), c.doneCount()},
            {QStringLiteral("toRun"), c.toRunCount()},
            {QStringLiteral("run"), c.run},
            {QStringLiteral("next"), next >= 0 ? QJsonValue(next + 1) : QJsonValue(QJsonValue::Null)}};
}

QJsonObject runObject(const RunStanding &run)
{
    return {{QStringLiteral("timeMs"), run.time},
            {QStringLiteral("fp"), run.fp},
            {QStringLiteral("fs"), run.fs},
            {QStringLiteral("penaltyMs"), run.penalty},
            // 0: no total, as for a marked run.
            {QStringLiteral("totalMs"), run.total.value_or(0)},
            {QStringLiteral("mark"), runMarkText(run.mark.mark)}};
}

QJsonObject entryObject(const LiveClass &c, int row)
{
    const EntryStanding &e = c.standing(row);
    QJsonArray marks;
    if (c.isToRun(row))
        marks.append(QStringLiteral("toRun"));
    QJsonArray runMarks, handRuns;
    for (int run = 1; run <= 2; ++run) {
        const RunStanding &driven = e.run(run);
        if (driven.hand)
            handRuns.append(run);
        if (driven.mark.mark != RunMark::None)
            runMarks.append(QJsonObject {{QStringLiteral("run"), run},
                                         {QStringLiteral("mark"), runMarkText(driven.mark.mark)},
                                         {QStringLiteral("reason"), driven.mark.reason}});
    }
    return {{QStringLiteral("number"), row + 1},
            {QStringLiteral("startNr"), c.text(row, ListField::StartNr)},
            {QStringLiteral("name"), c.text(row, ListField::Name)},
            {QStringLiteral("age"), c.text(row, ListField::Age)},
            {QStringLiteral("info1"), c.text(row, ListField::Info1)},
            {QStringLiteral("info2"), c.text(row, ListField::Info2)},
            {QStringLiteral("info3"), c.text(row, ListField::Info3)},
            {QStringLiteral("run1"), runObject(e.run(1))},
            {QStringLiteral("run2"), runObject(e.run(2))},
            {QStringLiteral("totalMs"), e.total.value_or(0)},
            {QStringLiteral("rankMs"), optionalMs(e.rankValue)},
            {QStringLiteral("gapMs"), optionalMs(e.gap)},
            {QStringLiteral("place"), e.place},
            {QStringLiteral("mark"), runMarkText(e.mark)},
            {QStringLiteral("marks"), marks},
            {QStringLiteral("runMarks"), runMarks},
            {QStringLiteral("handRuns"), handRuns}};
}

QJsonValue participant(const LiveSnapshot &s, int classIndex, int row, int run)
{
    const LiveClass *c = s.classAt(classIndex);
    if (!c || !c->isRow(row))
        return QJsonValue::Null;
    QJsonObject object = entryObject(*c, row);
    object.insert(QStringLiteral("class"), classIndex);
    object.insert(QStringLiteral("run"), run);
    return object;
}

QJsonObject eventObject(const LiveSnapshot &s)
{
    const EventInfo &event = s.rules.event;
    return {{QStringLiteral("name"), event.name.trimmed()},
            {QStringLiteral("place"), event.place.trimmed()},
            {QStringLiteral("date"),
             event.date.isValid() ? QJsonValue(event.date.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null)}};
}
} // namespace

QByteArray liveClassesJson(const LiveSnapshot &snapshot)
{
    QJsonArray classes;
    for (const LiveClass &c : snapshot.classes)
        classes.append(classSummary(c));
    return QJsonDocument(QJsonObject {{QStringLiteral("version"), qint64(snapshot.version)},
                                      {QStringLiteral("event"), snapshot.eventText()},
                                      {QStringLiteral("eventInfo"), eventObject(snapshot)},
                                      {QStringLiteral("currentClass"), snapshot.currentClass},
                                      {QStringLiteral("classes"), classes}})
        .toJson(QJsonDocument::Compact);
}

QByteArray liveClassJson(const LiveSnapshot &snapshot, int classIndex)
{
    const LiveClass *c = snapshot.classAt(classIndex);
    if (!c)
        return QByteArrayLiteral("[]");
    QJsonObject object = classSummary(*c);
    QJsonArray entries;
    for (const int row : c->standings.order)
        entries.append(entryObject(*c, row));
    const RaceRules &rules = snapshot.rules;
    object.insert(QStringLiteral("version"), qint64(snapshot.version));
    object.insert(QStringLiteral("event"), snapshot.eventText());
    object.insert(QStringLiteral("fpSeconds"), qint64(rules.fpSeconds));
    object.insert(QStringLiteral("fsSeconds"), qint64(rules.fsSeconds));
    object.insert(QStringLiteral("scoring"),
                  rules.scoring == ScoringMode::BestRun ? QStringLiteral("best") : QStringLiteral("sum"));
    object.insert(QStringLiteral("infoTitles"),
                  QJsonArray {rules.infoTitles[0], rules.infoTitles[1], rules.infoTitles[2]});
    object.insert(QStringLiteral("entryList"), entries);
    if (!c->error.isEmpty())
        object.insert(QStringLiteral("error"), c->error);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray liveStateJson(const LiveSnapshot &snapshot)
{
    QJsonObject object {{QStringLiteral("version"), qint64(snapshot.version)},
                        {QStringLiteral("running"), snapshot.running},
                        {QStringLiteral("currentClass"), snapshot.currentClass}};
    if (snapshot.running) {
        const LiveRun &on = snapshot.onCourse;
        object.insert(QStringLiteral("onCourse"), participant(snapshot, on.classIndex, on.number - 1, on.run));
        object.insert(QStringLiteral("start"), qint64(snapshot.onCourse.startEpochMs));
    } else {
        object.insert(QStringLiteral("onCourse"), QJsonValue::Null);
        object.insert(QStringLiteral("start"), QJsonValue::Null);
    }
    const LiveRun &finish = snapshot.lastFinish;
    QJsonValue last = participant(snapshot, finish.classIndex, finish.number - 1, finish.run);
    if (last.isObject()) {
        QJsonObject finished = last.toObject();
        finished.insert(QStringLiteral("timeMs"), finish.timeMs);
        last = finished;
    }
    object.insert(QStringLiteral("last"), last);
    const LiveClass *current = snapshot.classAt(snapshot.currentClass);
    object.insert(QStringLiteral("next"),
                  current ? participant(snapshot, current->index, snapshot.nextUp(), current->run)
                          : QJsonValue(QJsonValue::Null));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
