#include "core/live/LiveJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QJsonObject classSummary(const LiveClass &c)
{
    return {{QStringLiteral("class"), c.index},
            {QStringLiteral("name"), c.name},
            {QStringLiteral("entries"), c.entryCount()},
            {QStringLiteral("done"), c.doneCount()},
            {QStringLiteral("toRun"), c.toRunCount()}};
}

QJsonObject runObject(std::int32_t time, std::int32_t fp, std::int32_t fs, std::int32_t penalty, std::int32_t total)
{
    return {{QStringLiteral("timeMs"), time},
            {QStringLiteral("fp"), fp},
            {QStringLiteral("fs"), fs},
            {QStringLiteral("penaltyMs"), penalty},
            {QStringLiteral("totalMs"), total}};
}

QJsonObject entryObject(const LiveEntry &e)
{
    QJsonArray marks;
    if (e.time1 == 0 || e.time2 == 0)
        marks.append(QStringLiteral("toRun"));
    QJsonArray runMarks, handRuns;
    for (int run = 1; run <= 2; ++run) {
        if (e.handRuns[std::size_t(run - 1)])
            handRuns.append(run);
        const MarkedRun &marked = e.marks.run(run);
        if (marked.mark != RunMark::None)
            runMarks.append(QJsonObject {{QStringLiteral("run"), run},
                                         {QStringLiteral("mark"), runMarkText(marked.mark)},
                                         {QStringLiteral("reason"), marked.reason}});
    }
    return {{QStringLiteral("number"), e.number},
            {QStringLiteral("startNr"), e.startNr},
            {QStringLiteral("name"), e.name},
            {QStringLiteral("age"), e.age},
            {QStringLiteral("info1"), e.info1},
            {QStringLiteral("info2"), e.info2},
            {QStringLiteral("info3"), e.info3},
            {QStringLiteral("run1"), runObject(e.time1, e.fp1, e.fs1, e.penalty1, e.total1)},
            {QStringLiteral("run2"), runObject(e.time2, e.fp2, e.fs2, e.penalty2, e.total2)},
            {QStringLiteral("totalMs"), e.grandTotal},
            {QStringLiteral("place"), e.place},
            {QStringLiteral("marks"), marks},
            {QStringLiteral("runMarks"), runMarks},
            {QStringLiteral("handRuns"), handRuns}};
}

QJsonValue participant(const LiveSnapshot &s, const LiveRun &run)
{
    const LiveClass *c = s.classAt(run.classIndex);
    const LiveEntry *e = c ? c->entryByNumber(run.number) : nullptr;
    if (!e)
        return QJsonValue::Null;
    QJsonObject object = entryObject(*e);
    object.insert(QStringLiteral("class"), run.classIndex);
    object.insert(QStringLiteral("run"), run.run);
    return object;
}
} // namespace

QByteArray liveClassesJson(const LiveSnapshot &snapshot)
{
    QJsonArray classes;
    for (const LiveClass &c : snapshot.classes)
        classes.append(classSummary(c));
    return QJsonDocument(QJsonObject {{QStringLiteral("version"), qint64(snapshot.version)},
                                      {QStringLiteral("event"), snapshot.eventName},
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
    for (const LiveEntry &e : c->lines)
        entries.append(entryObject(e));
    object.insert(QStringLiteral("version"), qint64(snapshot.version));
    object.insert(QStringLiteral("fpSeconds"), qint64(snapshot.fpSeconds));
    object.insert(QStringLiteral("fsSeconds"), qint64(snapshot.fsSeconds));
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
        object.insert(QStringLiteral("onCourse"), participant(snapshot, snapshot.onCourse));
        object.insert(QStringLiteral("start"), qint64(snapshot.onCourse.startEpochMs));
    } else {
        object.insert(QStringLiteral("onCourse"), QJsonValue::Null);
        object.insert(QStringLiteral("start"), QJsonValue::Null);
    }
    QJsonValue last = participant(snapshot, snapshot.lastFinish);
    if (last.isObject()) {
        QJsonObject finish = last.toObject();
        finish.insert(QStringLiteral("timeMs"), snapshot.lastFinish.timeMs);
        last = finish;
    }
    object.insert(QStringLiteral("last"), last);
    const LiveEntry *next = snapshot.nextUp();
    object.insert(QStringLiteral("next"), next ? QJsonValue(entryObject(*next)) : QJsonValue(QJsonValue::Null));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
