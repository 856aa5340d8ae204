#pragma once

#include "core/system/FileResult.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

class QSqlQuery;

// One row of the table "events". Optional columns are NULL in the database when empty.
struct JournalEvent
{
    std::int64_t id = 0; // given by the database
    QDateTime at; // UTC; filled in when empty
    std::optional<std::int64_t> clockMs;
    int classIndex = 0;
    std::optional<int> entry;
    QString name;
    QString field;
    QString oldValue;
    QString newValue;
    QString source;
    QString note;

    friend bool operator==(const JournalEvent &, const JournalEvent &) = default;
};

// The run a row stopped, when it is a stop: a run's time ("time1", "time2") written by the clock
// (the source "key", "button" or "barrier", or "reset" for RESET while running), with the time as
// the clock reading. No value for any other row. Journals of earlier versions wrote a stop as such
// a row without the clock reading, followed by a row "stop" or "reset" of its own.
std::optional<int> journalStopRun(const JournalEvent &event);

// The event journal: "journal.sqlite" in a folder, one row per change, each committed and synced
// before append() returns. A journal that cannot be opened or written never loses the rows given
// to it while the program runs: they wait in memory and go in with the next append that works.
class Journal final
{
    Q_DISABLE_COPY_MOVE(Journal)

public:
    static constexpr char FileName[] = "journal.sqlite";
    // Rows kept in memory while the journal cannot be written; the oldest go first beyond this.
    static constexpr std::size_t MaxWaiting = 100000;

    explicit Journal(const QString &folder);
    ~Journal();

    QString path() const { return m_path; }

    // How long a write waits for a lock another program holds on the journal. Short: the rows
    // wait in memory instead, and the keys never wait.
    static constexpr int BusyTimeoutMs = 5;

    // Opens the database when it is not open yet (again after a failure), then writes the rows
    // still waiting and this one in one transaction.
    FileResult append(JournalEvent event);
    // The rows still waiting, written now; nothing to do when none wait.
    FileResult writeWaiting();
    std::size_t waitingCount() const { return m_waiting.size(); }

    // Rows of a class (0 for every class), of one entry when given, of the given fields when
    // any, oldest first.
    Result<QList<JournalEvent>> events(int classIndex = 0, std::optional<int> entry = std::nullopt,
                                       const QStringList &fields = {});
    // A class's rows written after the row afterId, oldest first: what a reader that has the
    // older ones still lacks.
    Result<QList<JournalEvent>> eventsAfter(int classIndex, std::int64_t afterId);
    // At most limit rows of a class older than the row beforeId (0: from the newest), newest
    // first; of the given names only when any are given, else of the given entry when one is.
    Result<QList<JournalEvent>> olderEvents(int classIndex, std::int64_t beforeId, int limit,
                                            const QStringList &names = {}, std::optional<int> entry = std::nullopt);
    // The class file as the program last read or wrote it: its SHA-256 and the newest row then.
    // Called after every load and save; the check at start-up compares the file with it. With
    // keepBytes (a save, or a load that worked) the file's bytes are kept as well when they
    // changed, one copy per class and only files up to MaxKeptFileSize, so a lost or damaged file
    // can be rebuilt from them and the rows after.
    static constexpr qint64 MaxKeptFileSize = 8LL << 20;
    FileResult noteClassFile(int classIndex, const QString &path, bool keepBytes = false);
    struct KeptFile
    {
        QByteArray bytes;
        std::int64_t lastId = 0; // the rows after this one came after the bytes
    };
    // The class file's bytes as last kept; no value when none are.
    Result<std::optional<KeptFile>> keptClassFile(int classIndex);
    struct Unsaved
    {
        QByteArray sha256; // empty when the file was never noted
        QList<JournalEvent> rows; // the class's rows after the file was noted, oldest first
    };
    Result<Unsaved> unsavedChanges(int classIndex);
    static QByteArray fileSha256(const QString &path);
    // The newest row of a class, if any.
    Result<std::optional<JournalEvent>> lastEvent(int classIndex);
    // The row of a run started and then neither stopped nor reset, nor reported lost since
    // ("run lost"): the program ended with it on course. No value when the last run ended.
    Result<std::optional<JournalEvent>> runOnCourse();
    // A consistent copy of the whole journal through SQLite's online backup.
    FileResult backUpTo(const QString &targetPath);

    // Beside the journal: its id and its newest row, rewritten after every append. A journal file
    // copied back over it, or a log of another database played into it, shows as another id or
    // fewer rows.
    static constexpr char StateFileName[] = "journal.state";
    // Once at start, before the journal is read: a journal that is not the one this folder last
    // wrote is put aside with its log files, and a new one begun. What was put aside, and why, as
    // the operator reads it; empty when all is well.
    QString checkIdentity();
    QString id() const { return m_id; }

private:
    FileResult open();
    void close();
    FileError failure(const QString &what) const;
    // Runs a prepared query and reads its rows.
    Result<QList<JournalEvent>> rowsOf(QSqlQuery &query) const;
    // One transaction; a failure closes the journal, so the next change opens it again.
    FileResult writeInTransaction(const std::function<bool(QSqlQuery &)> &write);
    std::int64_t lastRowId();
    void writeState();

    QString m_path;
    QString m_connection;
    bool m_open = false;
    QString m_id;
    std::deque<JournalEvent> m_waiting;
};
