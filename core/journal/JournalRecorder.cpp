#include "core/journal/JournalRecorder.h"

#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/Clock.h"
#include "core/system/DiskQueue.h"
#include "core/timing/PerfTimer.h"
#include "core/timing/RunControl.h"

#include <cmath>

QString journalFieldName(ListField field)
{
    static const char *const names[ListFieldCount]
        = {"number", "name", "age", "startnr", "info1", "info2", "info3", "time1", "fp1", "fs1", "time2", "fp2", "fs2"};
    const int i = int(field);
    return i >= 0 && i < ListFieldCount ? QLatin1String(names[i]) : QString();
}

QString journalSourceName(ChangeSource source)
{
    switch (source) {
    case ChangeSource::Load:
        return QStringLiteral("load");
    case ChangeSource::Key:
        return QStringLiteral("key");
    case ChangeSource::Button:
        return QStringLiteral("button");
    case ChangeSource::Barrier:
        return QStringLiteral("barrier");
    case ChangeSource::Typed:
        return QStringLiteral("typed");
    case ChangeSource::Editor:
        return QStringLiteral("editor");
    case ChangeSource::Reset:
        return QStringLiteral("reset");
    case ChangeSource::Hand:
        return QStringLiteral("hand");
    case ChangeSource::Undo:
        return QStringLiteral("undo");
    case ChangeSource::Redo:
        return QStringLiteral("redo");
    case ChangeSource::Import:
        return QStringLiteral("import");
    case ChangeSource::Restore:
        return QStringLiteral("restore");
    case ChangeSource::Marshal:
        return QStringLiteral("marshal");
    }
    return QString();
}

namespace {
QString valueText(const QVariant &value)
{
    return value.isValid() ? value.toString() : QString();
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'g', 15);
}
} // namespace

JournalRecorder::JournalRecorder(ClassStore &store, RunControl &runs, const QString &folder, DiskQueue *disk,
                                 QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_runs(runs)
    , m_folder(folder)
    , m_disk(disk)
    , m_journal(std::make_unique<Journal>(folder))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &JournalRecorder::retryWaiting);
    connect(&store, &ClassStore::changed, this, &JournalRecorder::storeChanged, Qt::DirectConnection);
    connect(&runs, &RunControl::runStarted, this, &JournalRecorder::runStarted, Qt::DirectConnection);
    connect(&store, &ClassStore::imported, this, &JournalRecorder::imported, Qt::DirectConnection);
    connect(&runs, &RunControl::runStopping, this, &JournalRecorder::runStopping, Qt::DirectConnection);
    connect(&runs, &RunControl::runStopped, this, &JournalRecorder::runStopped, Qt::DirectConnection);
    // The file as read or written is where the check at the next start begins.
    // A damaged file read is noted, but its bytes are not kept: they cannot rebuild anything.
    connect(
        &store, &ClassStore::classLoaded, this,
        [this](int classIndex) { noteClassFile(classIndex, !m_store.lastLoadFailed()); }, Qt::DirectConnection);
    store.setSavedHook([this](int classIndex, const QString &path) {
        written(writer().noteClassFile(classIndex, path, true), false);
    });
}

JournalRecorder::~JournalRecorder()
{
    m_store.setSavedHook({});
    closeWriter();
}

Journal &JournalRecorder::writer()
{
    if (!m_disk)
        return *m_journal;
    if (!m_writer)
        m_writer = std::make_unique<Journal>(m_folder);
    return *m_writer;
}

void JournalRecorder::flush()
{
    DiskQueue::drain(m_disk);
}

void JournalRecorder::closeWriter()
{
    DiskQueue::run(m_disk, [this] { m_writer.reset(); });
}

void JournalRecorder::write(std::function<FileResult(Journal &)> write, bool rows)
{
    DiskQueue::post(m_disk, [this, write = std::move(write), rows] { written(write(this->writer()), rows); });
}

void JournalRecorder::written(FileResult result, bool rows)
{
    const bool waiting = writer().waitingCount() > 0;
    const auto finish = [this, result = std::move(result), rows, waiting] {
        report(result, waiting);
        if (rows && m_last)
            emit recorded();
    };
    if (m_disk)
        QMetaObject::invokeMethod(this, finish, Qt::QueuedConnection);
    else
        finish();
}

void JournalRecorder::noteClassFile(int classIndex, bool keepBytes)
{
    write([classIndex, path = ClassListPath(classIndex),
           keepBytes](Journal &journal) { return journal.noteClassFile(classIndex, path, keepBytes); },
          false);
}

void JournalRecorder::report(FileResult result, bool rowsWaiting)
{
    const bool changedState = result.ok() != m_last.ok();
    m_last = std::move(result);
    if (changedState)
        emit journalProblem(m_last);
    if (!m_last && rowsWaiting)
        m_retry.start();
}

void JournalRecorder::retryWaiting()
{
    write([](Journal &journal) { return journal.writeWaiting(); }, true);
}

std::optional<std::int64_t> JournalRecorder::clockNow() const
{
    if (!m_runs.Running())
        return std::nullopt;
    return std::llround(m_runs.elapsedMsAt(readPerfCounter()));
}

void JournalRecorder::record(JournalEvent event)
{
    if (!event.clockMs)
        event.clockMs = clockNow();
    // Stamped now, not when the row reaches the disk.
    if (!event.at.isValid())
        event.at = Clock::currentDateTimeUtc();
    write([event = std::move(event)](Journal &journal) mutable { return journal.append(std::move(event)); }, true);
}

void JournalRecorder::storeChanged(const StoreChange &change)
{
    JournalEvent e;
    e.classIndex = change.classIndex;
    e.source = journalSourceName(change.source);
    e.note = m_nextNote;
    switch (change.kind) {
    case StoreChange::Kind::Field:
        e.entry = change.entry;
        e.name = m_store.readTextField(change.entry, ListField::Name);
        e.field = journalFieldName(change.field);
        e.oldValue = valueText(change.oldValue);
        e.newValue = valueText(change.newValue);
        if (m_stop && !m_stop->written && change.entry == m_stop->row && change.field == runTimeField(m_stop->run)) {
            e.clockMs = m_stop->timeMs;
            m_stop->written = true;
        }
        break;
    case StoreChange::Kind::EntryAdded:
        e.entry = change.entry;
        e.name = m_store.readTextField(change.entry, ListField::Name);
        e.field = QStringLiteral("entry added");
        e.newValue = QString::number(m_store.entryCount());
        break;
    case StoreChange::Kind::EntriesRemoved:
        e.field = QStringLiteral("entries removed");
        if (change.before)
            e.oldValue = QString::number(change.before->count());
        e.newValue = QString::number(m_store.entryCount());
        break;
    case StoreChange::Kind::ListReplaced:
        e.field = change.source == ChangeSource::Load ? QStringLiteral("file opened") : QStringLiteral("list replaced");
        if (change.source == ChangeSource::Load)
            e.note = ClassListPath(change.classIndex);
        if (change.before)
            e.oldValue = QString::number(change.before->count());
        e.newValue = QString::number(m_store.entryCount());
        break;
    }
    record(std::move(e));
}

void JournalRecorder::runStarted(int row, int run, std::int64_t, ChangeSource source)
{
    JournalEvent e;
    e.clockMs = 0;
    e.classIndex = m_store.CurrentClass();
    if (row >= 0)
        e.entry = row;
    e.name = m_store.readTextField(row, ListField::Name);
    e.field = QStringLiteral("start");
    e.newValue = QString::number(run);
    e.source = journalSourceName(source);
    record(std::move(e));
}

void JournalRecorder::imported(int classIndex, const QString &file, int entries)
{
    JournalEvent e;
    e.classIndex = classIndex;
    e.field = QStringLiteral("file imported");
    e.newValue = QString::number(entries);
    e.source = journalSourceName(ChangeSource::Import);
    e.note = file;
    record(std::move(e));
}

void JournalRecorder::runStopping(int row, int run, std::int32_t timeMs, ChangeSource)
{
    m_stop = Stop {row, run, timeMs, false};
}

void JournalRecorder::runStopped(int row, int run, std::int32_t timeMs, ChangeSource source)
{
    const bool written = m_stop && m_stop->written;
    m_stop.reset();
    const QString name = m_store.readTextField(row, ListField::Name);
    if (!written) {
        // No participant, or a time its cell held already: no change of the store, but a stop all
        // the same, so the next start knows the run ended.
        const ListField field = runTimeField(run);
        JournalEvent e;
        e.clockMs = timeMs;
        e.classIndex = m_store.CurrentClass();
        if (row >= 0)
            e.entry = row;
        e.name = name;
        e.field = journalFieldName(field);
        if (m_store.list().isValidIndex(row))
            e.oldValue = QString::number(m_store.readNumberField(row, field));
        e.newValue = QString::number(timeMs);
        e.source = journalSourceName(source);
        record(std::move(e));
    }
    if (source == ChangeSource::Reset && row >= 0)
        emit resetRecorded(row, run, timeMs, name);
}

void JournalRecorder::recordPenaltySeconds(const QString &field, double oldSeconds, double newSeconds)
{
    JournalEvent e;
    e.classIndex = m_store.CurrentClass();
    e.field = field;
    e.oldValue = secondsText(oldSeconds);
    e.newValue = secondsText(newSeconds);
    e.source = journalSourceName(ChangeSource::Typed);
    record(std::move(e));
}

void JournalRecorder::recordMark(int entry, int run, const QString &before, const QString &after, const QString &reason)
{
    JournalEvent e;
    e.classIndex = m_store.CurrentClass();
    e.entry = entry;
    e.name = m_store.readTextField(entry, ListField::Name);
    e.field = QStringLiteral("mark%1").arg(run);
    e.oldValue = before;
    e.newValue = after;
    e.source = journalSourceName(ChangeSource::Editor);
    e.note = reason;
    record(std::move(e));
}

void JournalRecorder::recordPulse(bool taken, const QString &outcome, double ms)
{
    JournalEvent e;
    e.classIndex = m_store.CurrentClass();
    if (m_runs.CurrentRow() >= 0) {
        e.entry = m_runs.CurrentRow();
        e.name = m_store.readTextField(m_runs.CurrentRow(), ListField::Name);
    }
    e.clockMs = std::llround(ms);
    e.field = QStringLiteral("pulse");
    e.newValue = taken ? QStringLiteral("taken") : QStringLiteral("refused");
    e.source = journalSourceName(ChangeSource::Barrier);
    e.note = outcome;
    record(std::move(e));
}

void JournalRecorder::recordFile(const QString &what, const QString &path, int entries, ChangeSource source)
{
    JournalEvent e;
    e.classIndex = m_store.CurrentClass();
    e.field = QStringLiteral("file ") + what;
    e.newValue = QString::number(entries);
    e.source = journalSourceName(source);
    e.note = path;
    record(std::move(e));
}
