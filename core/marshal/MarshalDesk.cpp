#include "core/marshal/MarshalDesk.h"

#include "core/journal/JournalRecorder.h"
#include "core/startlist/ClassStore.h"
#include "core/system/Clock.h"
#include "core/timing/RunControl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr std::size_t KeptFinishes = 64;
// The phone's clock is set from the desk's, but a press can still arrive a moment "early".
constexpr std::int64_t SkewMs = 2000;

ListField countField(int run, bool fs)
{
    if (run == 1)
        return fs ? ListField::FS1 : ListField::FP1;
    return fs ? ListField::FS2 : ListField::FP2;
}
} // namespace

MarshalDesk::MarshalDesk(ClassStore &store, RunControl &runs, JournalRecorder &recorder, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_runs(runs)
    , m_recorder(recorder)
    , m_gate(std::make_shared<MarshalGate>())
    , m_now([] { return Clock::currentDateTimeUtc().toMSecsSinceEpoch(); })
{
    qRegisterMetaType<MarshalPress>();
    qRegisterMetaType<MarshalAnswer>();
    qRegisterMetaType<MarshalPressNote>();
    connect(&runs, &RunControl::runStarted, this, [this](int row, int run) { runStarted(row, run); });
    connect(&runs, &RunControl::runStopped, this, [this](int row, int run) { runStopped(row, run); });
    connect(&store, &ClassStore::changed, this, &MarshalDesk::storeChanged);
    connect(&store, &ClassStore::classLoaded, this, &MarshalDesk::publishRuns);
    publishRuns();
}

MarshalDesk::~MarshalDesk() = default;

void MarshalDesk::setSettings(const MarshalSettings &settings)
{
    m_settings = settings;
    m_gate->setSettings(settings);
}

void MarshalDesk::noteHeard(int post)
{
    m_lastHeard.insert(post, m_now());
    emit heard(post);
}

void MarshalDesk::runStarted(int row, int run)
{
    const std::int64_t now = m_now();
    m_lastRunActivity = now;
    m_onCourse = Finish {m_store.CurrentClass(), row, run, now, 0};
    publishRuns();
}

void MarshalDesk::runStopped(int row, int run)
{
    const std::int64_t now = m_now();
    m_lastRunActivity = now;
    Finish finish {m_store.CurrentClass(), row, run, now, now};
    if (m_onCourse && m_onCourse->row == row && m_onCourse->run == run)
        finish.startMs = m_onCourse->startMs;
    m_onCourse.reset();
    if (row >= 0) {
        m_finishes.push_back(finish);
        if (m_finishes.size() > KeptFinishes)
            m_finishes.pop_front();
    }
    publishRuns();
}

void MarshalDesk::storeChanged(const StoreChange &change)
{
    // Rows no longer name the same drivers once the list is replaced or shortened.
    if (change.kind == StoreChange::Kind::ListReplaced || change.kind == StoreChange::Kind::EntriesRemoved) {
        std::erase_if(m_finishes, [&change](const Finish &f) { return f.classIndex == change.classIndex; });
        if (m_onCourse && m_onCourse->classIndex == change.classIndex && !m_runs.Running())
            m_onCourse.reset();
    }
    publishRuns();
}

bool MarshalDesk::mayMark(const MarshalPress &press, std::int64_t at) const
{
    const int row = press.number - 1;
    if (m_onCourse && m_runs.Running() && m_onCourse->classIndex == press.classIndex && m_onCourse->row == row
        && m_onCourse->run == press.run && m_onCourse->startMs <= at + SkewMs)
        return true;
    // Among the class's last finishers at the moment of the press: a press kept on a phone without
    // a connection counts for the run it was made on.
    for (auto it = m_finishes.rbegin(); it != m_finishes.rend(); ++it) {
        if (it->classIndex != press.classIndex || it->row != row || it->run != press.run)
            continue;
        if (it->startMs > at + SkewMs)
            continue;
        const auto later = std::count_if(m_finishes.begin(), m_finishes.end(), [&](const Finish &f) {
            return f.classIndex == press.classIndex && f.stopMs > it->stopMs && f.stopMs <= at;
        });
        return later < RecentFinishers;
    }
    return false;
}

QByteArray MarshalDesk::countsJson(int row, int run) const
{
    const int fp = int(m_store.readNumberField(row, countField(run, false)));
    const int fs = int(m_store.readNumberField(row, countField(run, true)));
    return QJsonDocument(QJsonObject {{QStringLiteral("fp"), fp}, {QStringLiteral("fs"), fs}})
        .toJson(QJsonDocument::Compact);
}

MarshalAnswer MarshalDesk::apply(const MarshalPress &press)
{
    noteHeard(press.post);
    auto &answered = m_answered[press.post];
    if (!press.id.isEmpty()) {
        for (const auto &[id, answer] : answered) {
            if (id == press.id)
                return answer;
        }
    }
    const std::int64_t now = m_now();
    const std::int64_t at = press.pressedAt > 0 ? std::min(press.pressedAt, now) : now;
    const int row = press.number - 1;
    MarshalAnswer answer;
    if (press.classIndex != m_store.CurrentClass() || !m_store.list().isValidIndex(row) || !mayMark(press, at)) {
        answer = MarshalGate::error(409, QStringLiteral("Dieser Lauf ist nicht mehr auf der Strecke."));
    } else {
        const ListField field = countField(press.run, press.fs);
        const std::int32_t count = m_store.readNumberField(row, field) + press.delta;
        if (count < 0) {
            answer = MarshalGate::error(422, QStringLiteral("Weniger als 0 geht nicht."));
            answer.body = countsJson(row, press.run).chopped(1) + ",\"error\":\"Weniger als 0 geht nicht.\"}";
        } else {
            const QDateTime when = QDateTime::fromMSecsSinceEpoch(at);
            m_recorder.setNoteForNextChange(QStringLiteral("Posten %1: %2, %3")
                                                .arg(press.post)
                                                .arg(press.postName.isEmpty() ? QStringLiteral("–") : press.postName,
                                                     when.toString(QStringLiteral("HH:mm:ss"))));
            // A failed save is the store's to report, as for a typed count; the count stays in memory.
            [[maybe_unused]] const FileResult saved = m_store.writeResult(row, {{field, count}}, ChangeSource::Marshal);
            m_recorder.clearNote();
            answer.body = countsJson(row, press.run);
            emit pressApplied({press.post, press.postName, m_store.readTextField(row, ListField::Name), press.run,
                               press.fs, press.delta, when});
        }
    }
    if (!press.id.isEmpty()) {
        answered.push_back({press.id, answer});
        if (answered.size() > RememberedIds)
            answered.pop_front();
    }
    return answer;
}

void MarshalDesk::publishRuns()
{
    const int classIndex = m_store.CurrentClass();
    QJsonArray runs;
    auto add = [&](int row, int run, bool onCourse) {
        if (!m_store.list().isValidIndex(row))
            return;
        runs.append(QJsonObject {
            {QStringLiteral("class"), classIndex},
            {QStringLiteral("number"), row + 1},
            {QStringLiteral("startnr"), m_store.readTextField(row, ListField::StartNr)},
            {QStringLiteral("name"), m_store.readTextField(row, ListField::Name)},
            {QStringLiteral("run"), run},
            {QStringLiteral("onCourse"), onCourse},
            {QStringLiteral("fp"), int(m_store.readNumberField(row, countField(run, false)))},
            {QStringLiteral("fs"), int(m_store.readNumberField(row, countField(run, true)))},
        });
    };
    if (m_onCourse && m_runs.Running() && m_onCourse->classIndex == classIndex)
        add(m_onCourse->row, m_onCourse->run, true);
    int shown = 0;
    for (auto it = m_finishes.rbegin(); it != m_finishes.rend() && shown < RecentFinishers; ++it) {
        if (it->classIndex != classIndex)
            continue;
        add(it->row, it->run, false);
        ++shown;
    }
    m_gate->setRuns(QJsonDocument(QJsonObject {{QStringLiteral("class"), classIndex}, {QStringLiteral("runs"), runs}})
                        .toJson(QJsonDocument::Compact));
}
