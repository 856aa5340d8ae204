#include "core/journal/Journal.h"

#include "core/startlist/ListFile.h"
#include "core/system/Clock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <QDateTime>
#include <QUuid>

#include <atomic>
#include <cstdio>
#include <sqlite3.h>

namespace {
const char *const Schema[] = {
    "CREATE TABLE IF NOT EXISTS events ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " at TEXT NOT NULL,"
    " clock_ms INTEGER,"
    " class INTEGER NOT NULL,"
    " entry INTEGER,"
    " name TEXT,"
    " field TEXT NOT NULL,"
    " old TEXT,"
    " new TEXT,"
    " source TEXT NOT NULL,"
    " note TEXT)",
    // The start-up check and the history window ask for one class's newest rows.
    "CREATE INDEX IF NOT EXISTS events_by_class ON events(class, id)",
    // The times entered by hand are looked up among a class's time rows at each class load.
    "CREATE INDEX IF NOT EXISTS events_by_field ON events(class, field, id)",
    // The history of one participant among a class's many rows.
    "CREATE INDEX IF NOT EXISTS events_by_name ON events(class, name, id)",
    // Each class file as last read or written, so the check at start-up reads only the rows after.
    "CREATE TABLE IF NOT EXISTS class_files (class INTEGER PRIMARY KEY, sha256 TEXT, last_id INTEGER NOT NULL)",
    // Each class file's bytes as last kept, read only to rebuild a file that is lost or damaged.
    "CREATE TABLE IF NOT EXISTS class_file_bytes (class INTEGER PRIMARY KEY, sha256 TEXT NOT NULL,"
    " bytes BLOB NOT NULL, last_id INTEGER NOT NULL)",
    // The journal's identity, which the state file beside it repeats.
    "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
};

const QLatin1String StateTag("ZVX1JOURNAL");

struct State
{
    QString id;
    std::int64_t lastId = 0;
};

std::optional<State> readState(const QString &path)
{
    QFile file(path);
    constexpr qint64 MaxStateSize = 256;
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() > MaxStateSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList fields = QString::fromLatin1(file.readAll()).simplified().split(QLatin1Char(' '));
    bool ok = false;
    State state {fields.value(1), fields.value(2).toLongLong(&ok)};
    if (fields.size() != 3 || fields.first() != StateTag || state.id.isEmpty() || !ok)
        return std::nullopt;
    return state;
}

QVariant nullable(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

template<typename T> QVariant nullable(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant(QMetaType(QMetaType::LongLong));
}

JournalEvent readRow(const QSqlQuery &query)
{
    JournalEvent e;
    e.id = query.value(0).toLongLong();
    e.at = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs);
    if (!query.value(2).isNull())
        e.clockMs = query.value(2).toLongLong();
    e.classIndex = query.value(3).toInt();
    if (!query.value(4).isNull())
        e.entry = query.value(4).toInt();
    e.name = query.value(5).toString();
    e.field = query.value(6).toString();
    e.oldValue = query.value(7).toString();
    e.newValue = query.value(8).toString();
    e.source = query.value(9).toString();
    e.note = query.value(10).toString();
    return e;
}

bool beginsOrEndsRun(const JournalEvent &e)
{
    return e.field == QLatin1String("start") || e.field == QLatin1String("stop") || e.field == QLatin1String("reset")
        || e.field == QLatin1String("run lost") || journalStopRun(e);
}

const QString Columns = QStringLiteral("id, at, clock_ms, class, entry, name, field, old, new, source, note");
} // namespace

std::optional<int> journalStopRun(const JournalEvent &e)
{
    const int run = e.field == QLatin1String("time1") ? 1 : e.field == QLatin1String("time2") ? 2 : 0;
    if (run == 0)
        return std::nullopt;
    if (e.source == QLatin1String("key") || e.source == QLatin1String("button") || e.source == QLatin1String("barrier"))
        return run;
    // "reset" also names a run cleared with Ctrl+click: no time, and never while the clock runs.
    if (e.source == QLatin1String("reset") && (e.clockMs || e.newValue != QLatin1String("0")))
        return run;
    return std::nullopt;
}

Journal::Journal(const QString &folder)
    : m_path(QDir(folder).absoluteFilePath(QLatin1String(FileName)))
{
    static std::atomic<int> serial {0};
    m_connection = QStringLiteral("journal-%1").arg(++serial);
}

Journal::~Journal()
{
    close();
}

FileError Journal::failure(const QString &what) const
{
    return FileError {
        m_path,
        QCoreApplication::translate("Journal", "The event journal %1: %2").arg(QDir::toNativeSeparators(m_path), what)};
}

void Journal::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
}

FileResult Journal::open()
{
    if (m_open)
        return {};
    close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        if (!db.isValid())
            return failure(QCoreApplication::translate("Journal", "the database driver is missing"));
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db.open()) {
            const QString reason = db.lastError().text();
            db = QSqlDatabase();
            close();
            return failure(reason);
        }
        QSqlQuery query(db);
        // WAL lets a reader (the history window, a club's query) look while a run is written;
        // FULL syncs every commit, so a row that returned is on the disk.
        bool ok = query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next()
            && query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
        ok = ok && query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        for (const char *statement : Schema)
            ok = ok && query.exec(QLatin1String(statement));
        if (ok) {
            ok = query.prepare(QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('id', ?)"));
            query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            ok = ok && query.exec() && query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'id'"))
                && query.next();
            if (ok)
                m_id = query.value(0).toString();
        }
        if (!ok) {
            const QString reason = query.lastError().isValid()
                ? query.lastError().text()
                : QCoreApplication::translate("Journal", "WAL mode refused");
            query = QSqlQuery();
            db = QSqlDatabase();
            close();
            return failure(reason);
        }
    }
    m_open = true;
    return {};
}

FileResult Journal::append(JournalEvent event)
{
    if (!event.at.isValid())
        event.at = Clock::currentDateTimeUtc();
    m_waiting.push_back(std::move(event));
    while (m_waiting.size() > MaxWaiting)
        m_waiting.pop_front();
    return writeWaiting();
}

FileResult Journal::writeWaiting()
{
    if (m_waiting.empty())
        return {};
    if (FileResult opened = open(); !opened)
        return opened;

    const FileResult written = writeInTransaction([this](QSqlQuery &query) {
        bool ok = query.prepare(QStringLiteral("INSERT INTO events (at, clock_ms, class, entry, name, field, old, new, "
                                               "source, note) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (auto it = m_waiting.begin(); ok && it != m_waiting.end(); ++it) {
            const JournalEvent &e = *it;
            query.addBindValue(e.at.toUTC().toString(Qt::ISODateWithMs));
            query.addBindValue(nullable(e.clockMs));
            query.addBindValue(e.classIndex);
            query.addBindValue(nullable(e.entry));
            query.addBindValue(nullable(e.name));
            query.addBindValue(e.field);
            query.addBindValue(nullable(e.oldValue));
            query.addBindValue(nullable(e.newValue));
            query.addBindValue(e.source);
            query.addBindValue(nullable(e.note));
            ok = query.exec();
        }
        return ok;
    });
    if (written) {
        m_waiting.clear();
        writeState();
    }
    return written;
}

std::int64_t Journal::lastRowId()
{
    if (!open())
        return 0;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return query.exec(QStringLiteral("SELECT COALESCE(max(id), 0) FROM events")) && query.next()
        ? query.value(0).toLongLong()
        : 0;
}

void Journal::writeState()
{
    // Not synced: a state file older than the journal only lets a lost log go unnoticed, the
    // journal is never put aside for it. Written after the rows are committed, so it never
    // counts rows the journal lacks.
    const QString path = QFileInfo(m_path).absoluteDir().absoluteFilePath(QLatin1String(StateFileName));
    const QByteArray text = QStringLiteral("%1 %2 %3\n").arg(StateTag, m_id).arg(lastRowId()).toLatin1();
    QFile file(path + QStringLiteral(".new"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() && file.flush()) {
        file.close();
        ::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData());
    }
}

QString Journal::checkIdentity()
{
    close();
    const QString folder = QFileInfo(m_path).absolutePath();
    const std::optional<State> recorded = readState(QDir(folder).absoluteFilePath(QLatin1String(StateFileName)));
    const QStringList logs {m_path + QStringLiteral("-wal"), m_path + QStringLiteral("-shm")};
    QString why;
    if (!QFileInfo::exists(m_path)) {
        // A log without its database would be played into the new one.
        if (QFileInfo::exists(logs.first()))
            why = QCoreApplication::translate("Journal", "the journal is missing, but its log is there");
    } else if (recorded && open()) {
        const std::int64_t rows = lastRowId();
        if (m_id != recorded->id)
            why = QCoreApplication::translate("Journal", "it is another journal than the one last written here");
        else if (rows < recorded->lastId)
            why = QCoreApplication::translate("Journal", "it has %1 rows where %2 were written")
                      .arg(rows)
                      .arg(recorded->lastId);
    }
    close();
    if (why.isEmpty()) {
        if (open())
            writeState();
        return QString();
    }
    const QString stamp = Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside = QDir(folder).absoluteFilePath(QStringLiteral("journal-%1.sqlite").arg(stamp));
    QStringList moved;
    // Kept together, under names that still belong to each other.
    for (const QString &file : QStringList {m_path} + logs) {
        if (!QFileInfo::exists(file))
            continue;
        const QString target = aside + file.mid(m_path.size());
        if (QFile::rename(file, target))
            moved << QFileInfo(target).fileName();
    }
    if (open())
        writeState();
    return QCoreApplication::translate("Journal", "The event journal was put aside (%1): %2. A new journal was begun.")
        .arg(moved.join(QStringLiteral(", ")), why);
}

FileResult Journal::writeInTransaction(const std::function<bool(QSqlQuery &)> &write)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QString reason;
    {
        QSqlQuery query(db);
        if (db.transaction() && write(query) && db.commit())
            return {};
        reason = query.lastError().isValid() ? query.lastError().text() : db.lastError().text();
        db.rollback();
    }
    // The next change opens the file again: a freed disk or a remounted stick is used then.
    db = QSqlDatabase();
    close();
    return failure(reason);
}

Result<QList<JournalEvent>> Journal::events(int classIndex, std::optional<int> entry, const QStringList &fields)
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    QString sql = QStringLiteral("SELECT %1 FROM events").arg(Columns);
    // A few kinds of rows among many: the planner would walk the whole class in id order.
    if (classIndex > 0 && !fields.isEmpty())
        sql += QStringLiteral(" INDEXED BY events_by_field");
    QStringList where;
    if (classIndex > 0)
        where << QStringLiteral("class = :class");
    if (entry)
        where << QStringLiteral("entry = :entry");
    QStringList fieldNames;
    for (int i = 0; i < fields.size(); ++i)
        fieldNames << QStringLiteral(":f%1").arg(i);
    if (!fields.isEmpty())
        where << QStringLiteral("field IN (%1)").arg(fieldNames.join(QStringLiteral(", ")));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY id");
    query.setForwardOnly(true);
    query.prepare(sql);
    if (classIndex > 0)
        query.bindValue(QStringLiteral(":class"), classIndex);
    if (entry)
        query.bindValue(QStringLiteral(":entry"), *entry);
    for (int i = 0; i < fields.size(); ++i)
        query.bindValue(fieldNames.at(i), fields.at(i));
    return rowsOf(query);
}

Result<QList<JournalEvent>> Journal::rowsOf(QSqlQuery &query) const
{
    if (!query.exec())
        return failure(query.lastError().text());
    QList<JournalEvent> rows;
    while (query.next())
        rows << readRow(query);
    return rows;
}

Result<QList<JournalEvent>> Journal::eventsAfter(int classIndex, std::int64_t afterId)
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM events WHERE class = ? AND id > ? ORDER BY id").arg(Columns));
    query.addBindValue(classIndex);
    query.addBindValue(qint64(afterId));
    return rowsOf(query);
}

Result<QList<JournalEvent>> Journal::olderEvents(int classIndex, std::int64_t beforeId, int limit,
                                                 const QStringList &names, std::optional<int> entry)
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT %1 FROM events WHERE class = ?").arg(Columns);
    if (beforeId > 0)
        sql += QStringLiteral(" AND id < ?");
    if (!names.isEmpty()) {
        QStringList marks;
        for (qsizetype i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        sql += QStringLiteral(" AND name IN (%1)").arg(marks.join(QStringLiteral(", ")));
    } else if (entry) {
        sql += QStringLiteral(" AND entry = ?");
    }
    sql += QStringLiteral(" ORDER BY id DESC LIMIT ?");
    query.prepare(sql);
    query.addBindValue(classIndex);
    if (beforeId > 0)
        query.addBindValue(qint64(beforeId));
    for (const QString &name : names)
        query.addBindValue(name);
    if (names.isEmpty() && entry)
        query.addBindValue(*entry);
    query.addBindValue(limit);
    return rowsOf(query);
}

QByteArray Journal::fileSha256(const QString &path)
{
    // A FIFO or device in the class file's place would block the read or never end.
    if (!QFileInfo(path).isFile())
        return QByteArray();
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxListFileSize || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

FileResult Journal::noteClassFile(int classIndex, const QString &path, bool keepBytes)
{
    if (FileResult opened = open(); !opened)
        return opened;
    // Read once for both: the hash the check at start-up compares, and the bytes kept.
    QByteArray bytes;
    bool readable = false;
    if (QFileInfo(path).isFile()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= MaxListFileSize) {
            bytes = file.readAll();
            readable = file.error() == QFileDevice::NoError;
        }
    }
    const QString sha256 = readable
        ? QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())
        : QString();
    return writeInTransaction([&](QSqlQuery &query) {
        bool ok = query.prepare(QStringLiteral("INSERT OR REPLACE INTO class_files (class, sha256, last_id)"
                                               " VALUES (?, ?, (SELECT COALESCE(max(id), 0) FROM events))"));
        query.addBindValue(classIndex);
        query.addBindValue(sha256);
        ok = ok && query.exec();
        if (ok && keepBytes && readable && bytes.size() <= MaxKeptFileSize) {
            // Unchanged bytes stay as they are: the rows since then lead to the same file again.
            ok = query.prepare(
                QStringLiteral("INSERT INTO class_file_bytes (class, sha256, bytes, last_id)"
                               " VALUES (?, ?, ?, (SELECT COALESCE(max(id), 0) FROM events))"
                               " ON CONFLICT(class) DO UPDATE SET sha256 = excluded.sha256, bytes = excluded.bytes,"
                               " last_id = excluded.last_id WHERE class_file_bytes.sha256 <> excluded.sha256"));
            query.addBindValue(classIndex);
            query.addBindValue(sha256);
            query.addBindValue(bytes);
            ok = ok && query.exec();
        }
        return ok;
    });
}

Result<std::optional<Journal::KeptFile>> Journal::keptClassFile(int classIndex)
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // Where the file was noted later with the same bytes, the rows up to then are in them.
    query.prepare(QStringLiteral("SELECT b.bytes, CASE WHEN f.sha256 = b.sha256 THEN max(f.last_id, b.last_id)"
                                 " ELSE b.last_id END FROM class_file_bytes b LEFT JOIN class_files f"
                                 " ON f.class = b.class WHERE b.class = ?"));
    query.addBindValue(classIndex);
    if (!query.exec())
        return failure(query.lastError().text());
    if (!query.next())
        return std::optional<KeptFile>();
    return std::optional<KeptFile>(KeptFile {query.value(0).toByteArray(), query.value(1).toLongLong()});
}

Result<Journal::Unsaved> Journal::unsavedChanges(int classIndex)
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT sha256, last_id FROM class_files WHERE class = ?"));
    query.addBindValue(classIndex);
    if (!query.exec())
        return failure(query.lastError().text());
    Unsaved unsaved;
    if (!query.next())
        return unsaved;
    unsaved.sha256 = query.value(0).toString().toLatin1();
    const qint64 lastId = query.value(1).toLongLong();
    query.prepare(QStringLiteral("SELECT %1 FROM events WHERE class = ? AND id > ? ORDER BY id").arg(Columns));
    query.addBindValue(classIndex);
    query.addBindValue(lastId);
    if (!query.exec())
        return failure(query.lastError().text());
    while (query.next())
        unsaved.rows << readRow(query);
    return unsaved;
}

Result<std::optional<JournalEvent>> Journal::lastEvent(int classIndex)
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT %1 FROM events WHERE class = ? ORDER BY id DESC LIMIT 1").arg(Columns));
    query.addBindValue(classIndex);
    if (!query.exec())
        return failure(query.lastError().text());
    if (!query.next())
        return std::optional<JournalEvent>();
    return std::optional<JournalEvent>(readRow(query));
}

Result<std::optional<JournalEvent>> Journal::runOnCourse()
{
    if (FileResult opened = open(); !opened)
        return opened.error();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // Newest first, up to the row that began or ended a run; a time typed meanwhile ends none.
    query.prepare(QStringLiteral("SELECT %1 FROM events WHERE field IN ('start', 'stop', 'reset', 'run lost', 'time1',"
                                 " 'time2') ORDER BY id DESC")
                      .arg(Columns));
    if (!query.exec())
        return failure(query.lastError().text());
    while (query.next()) {
        const JournalEvent e = readRow(query);
        if (beginsOrEndsRun(e))
            return e.field == QLatin1String("start") ? std::optional<JournalEvent>(e) : std::nullopt;
    }
    return std::optional<JournalEvent>();
}

FileResult Journal::backUpTo(const QString &targetPath)
{
    if (FileResult opened = open(); !opened)
        return opened;
    const QVariant handle = QSqlDatabase::database(m_connection, false).driver()->handle();
    auto *source = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    if (!source)
        return failure(QCoreApplication::translate("Journal", "no database handle"));
    sqlite3 *target = nullptr;
    const QByteArray name = QFile::encodeName(targetPath);
    int rc = sqlite3_open_v2(name.constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        if (sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main")) {
            rc = sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        } else {
            rc = sqlite3_errcode(target);
        }
    }
    const QString reason = QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc));
    sqlite3_close(target);
    if (rc != SQLITE_OK)
        return FileError {targetPath,
                          QCoreApplication::translate("Journal", "The copy of the event journal %1: %2")
                              .arg(QDir::toNativeSeparators(targetPath), reason)};
    return {};
}
