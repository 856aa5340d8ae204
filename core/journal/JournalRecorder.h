#pragma once

#include "core/journal/Journal.h"
#include "core/startlist/StoreChange.h"
#include "core/system/FileResult.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class ClassStore;
class DiskQueue;
class RunControl;

// The journal's column values for a field and a source; clubs query the table by them.
QString journalFieldName(ListField field);
QString journalSourceName(ChangeSource source);

// Turns what the class store, run control and the main window announce into rows of the journal.
// Connected directly, so each row is queued before the change reaches the screen. With a disk
// queue the rows are written on its thread in the order they came, and the class files' saves
// among them; without one each row is committed before the change goes on. A journal that cannot
// be written is reported through journalProblem and never stops anything.
class JournalRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalRecorder)

public:
    static constexpr int RetryMs = 1000;

    JournalRecorder(ClassStore &store, RunControl &runs, const QString &folder, DiskQueue *disk = nullptr,
                    QObject *parent = nullptr);
    ~JournalRecorder() override;

    // For reading on this thread, and for the check at start-up while the writer is closed.
    Journal &journal() { return *m_journal; }
    // Returns when every row given so far is written (or waits in memory after a failure).
    void flush();
    // Flushes, then lets go of the writer's connection: the journal file may be put aside now.
    // The next row opens it again.
    void closeWriter();

    // The reason the operator gave goes with the rows of the next write to the store.
    void setNoteForNextChange(const QString &note) { m_nextNote = note; }
    void clearNote() { m_nextNote.clear(); }

    void recordPenaltySeconds(const QString &field, double oldSeconds, double newSeconds);
    // A pulse of the barrier: what became of it, in the words the status line shows.
    // A run's mark (n.a., DNF, DSQ) set or cleared; the reason of a disqualification as the note.
    void recordMark(int entry, int run, const QString &before, const QString &after, const QString &reason);
    void recordPulse(bool taken, const QString &outcome, double ms);
    // A class file opened, merged, cleared or imported; what names the action.
    void recordFile(const QString &what, const QString &path, int entries, ChangeSource source);
    // A row of its own, for actions whose reason the operator gave (a hand time, a restore).
    void record(JournalEvent event);

    // The last append's outcome: a failure stays until an append works again.
    const FileResult &lastResult() const { return m_last; }

signals:
    // After an append whose outcome differs from the one before: a failure, or the first success
    // after one.
    void journalProblem(const FileResult &result);
    // A stop that RESET gave while the clock was running: the partial time stays as the result.
    void resetRecorded(int row, int run, std::int32_t timeMs, const QString &name);
    // After every row that reached the journal (with those that waited before it).
    void recorded();

private:
    void storeChanged(const StoreChange &change);
    void runStarted(int row, int run, std::int64_t startCount, ChangeSource source);
    void imported(int classIndex, const QString &file, int entries);
    void runStopping(int row, int run, std::int32_t timeMs, ChangeSource source);
    void runStopped(int row, int run, std::int32_t timeMs, ChangeSource source);
    void noteClassFile(int classIndex, bool keepBytes);
    // Runs write where the rows are written and reports its outcome back on this thread.
    void write(std::function<FileResult(Journal &)> write, bool rows);
    void written(FileResult result, bool rows);
    Journal &writer();
    void report(FileResult result, bool rowsWaiting);
    void retryWaiting();
    std::optional<std::int64_t> clockNow() const;

    ClassStore &m_store;
    RunControl &m_runs;
    QString m_folder;
    DiskQueue *m_disk;
    std::unique_ptr<Journal> m_journal;
    // Only ever touched on the disk queue's thread: a database connection belongs to one thread.
    std::unique_ptr<Journal> m_writer;
    FileResult m_last;
    QString m_nextNote;
    // The stop whose time is going into the store: that change is journaled as the stop.
    struct Stop
    {
        int row = -1;
        int run = 1;
        std::int32_t timeMs = 0;
        bool written = false;
    };
    std::optional<Stop> m_stop;
    // Rows that could not be written (a lock, a full disk) are tried again without a new change.
    QTimer m_retry;
};
