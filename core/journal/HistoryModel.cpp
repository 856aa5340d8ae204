#include "core/journal/HistoryModel.h"

#include "core/timing/PerfTimer.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("HistoryModel", text);
}

bool isTimeField(const QString &field)
{
    return field == QLatin1String("time1") || field == QLatin1String("time2") || field == QLatin1String("stop")
        || field == QLatin1String("reset");
}

QString runOf(const QString &text)
{
    return text == QLatin1String("1") ? tr("run 1") : tr("run 2");
}

// A stop's row of its own, written after its time by earlier versions: the time's row shows the stop.
bool repeatsStop(const JournalEvent &e)
{
    return (e.field == QLatin1String("stop") || e.field == QLatin1String("reset")) && e.entry
        && e.newValue != QLatin1String("0");
}

QList<JournalEvent> withoutRepeats(QList<JournalEvent> rows)
{
    rows.removeIf(repeatsStop);
    return rows;
}

// Whose rows these are: the name the journal wrote, or a dash for the class as a whole.
QString participantText(const JournalEvent &e)
{
    if (!e.name.isEmpty())
        return e.name;
    return e.entry ? tr("row %1 without a name").arg(*e.entry + 1) : QStringLiteral("\u2013");
}
} // namespace

QString historyFieldText(const JournalEvent &e)
{
    struct Word
    {
        const char *field;
        const char *text;
    };
    static const Word words[] = {
        {"name", QT_TRANSLATE_NOOP("HistoryModel", "Name")},
        {"age", QT_TRANSLATE_NOOP("HistoryModel", "Age")},
        {"startnr", QT_TRANSLATE_NOOP("HistoryModel", "Start no.")},
        {"info1", QT_TRANSLATE_NOOP("HistoryModel", "Info 1")},
        {"info2", QT_TRANSLATE_NOOP("HistoryModel", "Info 2")},
        {"info3", QT_TRANSLATE_NOOP("HistoryModel", "Info 3")},
        {"time1", QT_TRANSLATE_NOOP("HistoryModel", "Run 1")},
        {"fp1", QT_TRANSLATE_NOOP("HistoryModel", "FP 1")},
        {"fs1", QT_TRANSLATE_NOOP("HistoryModel", "FS 1")},
        {"time2", QT_TRANSLATE_NOOP("HistoryModel", "Run 2")},
        {"fp2", QT_TRANSLATE_NOOP("HistoryModel", "FP 2")},
        {"fs2", QT_TRANSLATE_NOOP("HistoryModel", "FS 2")},
        {"mark1", QT_TRANSLATE_NOOP("HistoryModel", "Mark of run 1")},
        {"mark2", QT_TRANSLATE_NOOP("HistoryModel", "Mark of run 2")},
        {"pulse", QT_TRANSLATE_NOOP("HistoryModel", "Barrier pulse")},
        {"FPSeconds", QT_TRANSLATE_NOOP("HistoryModel", "Penalty seconds FP")},
        {"FSSeconds", QT_TRANSLATE_NOOP("HistoryModel", "Penalty seconds FS")},
        {"file opened", QT_TRANSLATE_NOOP("HistoryModel", "Start list loaded")},
        {"list replaced", QT_TRANSLATE_NOOP("HistoryModel", "List replaced")},
        {"file imported", QT_TRANSLATE_NOOP("HistoryModel", "Start list imported")},
        {"entry added", QT_TRANSLATE_NOOP("HistoryModel", "Row added")},
        {"entries removed", QT_TRANSLATE_NOOP("HistoryModel", "Rows removed")},
    };
    if (e.field == QLatin1String("start"))
        return tr("Start of %1").arg(runOf(e.newValue));
    if (const std::optional<int> run = journalStopRun(e)) {
        const QString which = runOf(QString::number(*run));
        return e.source == QLatin1String("reset") ? tr("RESET in %1").arg(which) : tr("Stop of %1").arg(which);
    }
    if (e.field == QLatin1String("stop"))
        return tr("Stop of %1").arg(runOf(e.oldValue));
    if (e.field == QLatin1String("reset"))
        return tr("RESET in %1").arg(runOf(e.oldValue));
    if (e.field == QLatin1String("run lost"))
        return tr("%1 on course at the program's end").arg(runOf(e.newValue));
    for (const Word &word : words) {
        if (e.field == QLatin1String(word.field))
            return tr(word.text);
    }
    if (e.field.startsWith(QLatin1String("file ")))
        return tr("Class file: %1").arg(e.field.mid(5));
    return e.field;
}

QString historySourceText(const QString &source)
{
    static const char *const words[][2] = {
        {"load", QT_TRANSLATE_NOOP("HistoryModel", "loaded")},
        {"key", QT_TRANSLATE_NOOP("HistoryModel", "key")},
        {"button", QT_TRANSLATE_NOOP("HistoryModel", "button")},
        {"barrier", QT_TRANSLATE_NOOP("HistoryModel", "light barrier")},
        {"typed", QT_TRANSLATE_NOOP("HistoryModel", "typed")},
        {"editor", QT_TRANSLATE_NOOP("HistoryModel", "editor")},
        {"reset", QT_TRANSLATE_NOOP("HistoryModel", "reset")},
        {"hand", QT_TRANSLATE_NOOP("HistoryModel", "by hand")},
        {"undo", QT_TRANSLATE_NOOP("HistoryModel", "undone")},
        {"redo", QT_TRANSLATE_NOOP("HistoryModel", "redone")},
        {"import", QT_TRANSLATE_NOOP("HistoryModel", "imported")},
        {"restore", QT_TRANSLATE_NOOP("HistoryModel", "restored")},
        {"marshal", QT_TRANSLATE_NOOP("HistoryModel", "marshal post")},
    };
    for (const auto &word : words) {
        if (source == QLatin1String(word[0]))
            return tr(word[1]);
    }
    return source;
}

QString historyValueText(const QString &field, const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("\u2013");
    if (isTimeField(field)) {
        bool number = false;
        const qint64 ms = value.toLongLong(&number);
        if (number)
            return ms < 0 ? QLatin1Char('-') + FormatTime(-ms) : FormatTime(ms);
    }
    if (field == QLatin1String("file opened") || field == QLatin1String("list replaced")
        || field == QLatin1String("file imported") || field == QLatin1String("entry added")
        || field == QLatin1String("entries removed"))
        return tr("%1 entries").arg(value);
    if (field == QLatin1String("pulse"))
        return value == QLatin1String("taken") ? tr("taken") : tr("refused");
    return value;
}

HistoryModel::HistoryModel(Journal &journal, QObject *parent)
    : QAbstractTableModel(parent)
    , m_journal(journal)
{
}

FileResult HistoryModel::load(int classIndex, const std::optional<Person> &person)
{
    beginResetModel();
    m_class = classIndex;
    m_person = person;
    m_events.clear();
    m_names.clear();
    m_more = false;
    m_oldestRead = 0;
    FileResult result = [this]() -> FileResult {
        const Result<std::optional<JournalEvent>> newest = m_journal.lastEvent(m_class);
        if (!newest)
            return newest.error();
        m_newestId = newest.value() ? newest.value()->id : 0;
        if (m_person && !m_person->name.isEmpty()) {
            // The names it had before: a rename row carries the new name and the old one.
            const Result<QList<JournalEvent>> renames
                = m_journal.events(m_class, std::nullopt, {QStringLiteral("name")});
            if (!renames)
                return renames.error();
            m_names.insert(m_person->name);
            const QList<JournalEvent> &rows = renames.value();
            for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
                if (m_names.contains(it->name) && !it->oldValue.isEmpty())
                    m_names.insert(it->oldValue);
            }
        }
        m_more = true;
        const Result<QList<JournalEvent>> page = olderPage();
        if (!page)
            return page.error();
        m_events = page.value();
        return {};
    }();
    endResetModel();
    return result;
}

Result<QList<JournalEvent>> HistoryModel::olderPage()
{
    const QStringList names(m_names.cbegin(), m_names.cend());
    // A page of repeats alone shows nothing: the next one is read then.
    for (;;) {
        const Result<QList<JournalEvent>> page
            = m_journal.olderEvents(m_class, m_oldestRead > 0 ? m_oldestRead : m_newestId + 1, PageSize, names,
                                    m_person ? std::optional<int>(m_person->entry) : std::nullopt);
        if (!page) {
            m_more = false;
            return page;
        }
        m_more = page.value().size() == PageSize;
        if (!page.value().isEmpty())
            m_oldestRead = page.value().constLast().id;
        QList<JournalEvent> shown = withoutRepeats(page.value());
        if (!shown.isEmpty() || !m_more)
            return shown;
    }
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_more)
        return;
    const Result<QList<JournalEvent>> page = olderPage();
    if (!page || page.value().isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_events.size()), int(m_events.size() + page.value().size()) - 1);
    m_events << page.value();
    endInsertRows();
}

FileResult HistoryModel::fetchAll()
{
    while (m_more) {
        const int before = int(m_events.size());
        fetchMore(QModelIndex());
        if (int(m_events.size()) == before && m_more)
            return FileError {m_journal.path(), tr("The older rows could not be read.")};
    }
    return {};
}

FileResult HistoryModel::follow()
{
    const Result<QList<JournalEvent>> rows = m_journal.eventsAfter(m_class, m_newestId);
    if (!rows)
        return rows.error();
    QList<JournalEvent> added;
    for (const JournalEvent &e : rows.value()) {
        m_newestId = e.id;
        if (!repeatsStop(e) && followsPerson(e))
            added.prepend(e);
    }
    if (added.isEmpty())
        return {};
    // The newest go on top; rows already shown keep their selection.
    beginInsertRows(QModelIndex(), 0, int(added.size()) - 1);
    m_events = added + m_events;
    endInsertRows();
    return {};
}

bool HistoryModel::followsPerson(const JournalEvent &e)
{
    if (!m_person)
        return true;
    if (m_person->name.isEmpty())
        return e.entry == m_person->entry;
    if (m_names.contains(e.name))
        return true;
    // Renamed since the window opened: the new name is the person's too.
    if (e.field == QLatin1String("name") && e.entry == m_person->entry && m_names.contains(e.oldValue)) {
        m_names.insert(e.name);
        return true;
    }
    return false;
}

const JournalEvent *HistoryModel::eventAt(int row) const
{
    return row >= 0 && row < int(m_events.size()) ? &m_events.at(row) : nullptr;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_events.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    const JournalEvent *e = eventAt(index.row());
    if (!e || (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole))
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return index.column() == Id ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    switch (index.column()) {
    case Id:
        return QString::number(e->id);
    case When:
        return e->at.toLocalTime().toString(QStringLiteral("dd.MM. HH:mm:ss"));
    case Participant:
        return participantText(*e);
    case What:
        return historyFieldText(*e);
    case Change: {
        // A start names only its run; a stop its time.
        if (e->field == QLatin1String("start") || e->field == QLatin1String("run lost"))
            return QString();
        if (e->field == QLatin1String("stop") || e->field == QLatin1String("reset")
            || e->field == QLatin1String("pulse") || journalStopRun(*e))
            return historyValueText(e->field, e->newValue);
        return historyValueText(e->field, e->oldValue) + QStringLiteral(" \u2192 ")
            + historyValueText(e->field, e->newValue);
    }
    case Source:
        return historySourceText(e->source);
    case Note:
        return e->note;
    }
    return QVariant();
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Id:
        return tr("Row");
    case When:
        return tr("When");
    case Participant:
        return tr("Participant");
    case What:
        return tr("What");
    case Change:
        return tr("Old -> new");
    case Source:
        return tr("Source");
    case Note:
        return tr("Reason / note");
    }
    return QVariant();
}
