#include "core/journal/HandMarks.h"

#include "core/journal/JournalRecorder.h"
#include "core/startlist/ClassStore.h"

namespace {
HandSource handSourceOf(const QString &journalSource)
{
    if (journalSource == journalSourceName(ChangeSource::Hand))
        return HandSource::Hand;
    // A restore from the history or after a crash puts back a value the journal already holds.
    if (journalSource == journalSourceName(ChangeSource::Undo) || journalSource == journalSourceName(ChangeSource::Redo)
        || journalSource == journalSourceName(ChangeSource::Restore))
        return HandSource::PutBack;
    return HandSource::Other;
}

int runOfField(const QString &field)
{
    if (field == journalFieldName(ListField::Time1))
        return 1;
    if (field == journalFieldName(ListField::Time2))
        return 2;
    return 0;
}

QStringList timeFields()
{
    return {journalFieldName(ListField::Time1), journalFieldName(ListField::Time2)};
}
} // namespace

HandMarks::HandMarks(const ClassStore &store, Journal &journal, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_journal(journal)
{
    connect(&store, &ClassStore::changed, this, &HandMarks::follow);
}

HandMarks::~HandMarks() = default;

ClassHandTimes HandMarks::fromRows(const QList<JournalEvent> &rows)
{
    ClassHandTimes hands;
    for (const JournalEvent &e : rows) {
        // A stop without a participant changed no one's time.
        if (!e.entry)
            continue;
        if (const int run = runOfField(e.field))
            hands.follow(e.name, run, e.newValue.toInt(), handSourceOf(e.source));
    }
    return hands;
}

const ClassHandTimes &HandMarks::current() const
{
    // A journal that cannot be read leaves the class without marks; the recorder reports it.
    if (!m_current)
        m_current = fromRows(m_journal.events(m_store.CurrentClass(), std::nullopt, timeFields()).value_or({}));
    return *m_current;
}

void HandMarks::follow(const StoreChange &change)
{
    if (change.kind == StoreChange::Kind::ListReplaced && change.source == ChangeSource::Load) {
        m_current.reset();
        return;
    }
    if (change.kind != StoreChange::Kind::Field
        || (change.field != ListField::Time1 && change.field != ListField::Time2))
        return;
    const int run = change.field == ListField::Time1 ? 1 : 2;
    // The journal may hold this change already; following it twice changes nothing.
    current();
    m_current->follow(m_store.readTextField(change.entry, ListField::Name), run, change.newValue.toInt(),
                      handSourceOf(journalSourceName(change.source)));
}

bool HandMarks::isHandTime(int entry, int run) const
{
    if (entry < 0 || entry >= m_store.entryCount())
        return false;
    return current().isHandTime(m_store.readTextField(entry, ListField::Name), run,
                                m_store.readNumberField(entry, runTimeField(run)));
}

ClassHandTimes HandMarks::handTimes(int classIndex) const
{
    if (classIndex == m_store.CurrentClass())
        return current();
    const Result<std::optional<JournalEvent>> newest = m_journal.lastEvent(classIndex);
    if (!newest)
        return {};
    const std::int64_t id = newest.value() ? newest.value()->id : 0;
    const auto cached = m_others.find(classIndex);
    if (cached != m_others.end() && cached->second.first == id)
        return cached->second.second;
    const Result<QList<JournalEvent>> rows = m_journal.events(classIndex, std::nullopt, timeFields());
    if (!rows)
        return {};
    return m_others.insert_or_assign(classIndex, std::pair {id, fromRows(rows.value())}).first->second.second;
}
