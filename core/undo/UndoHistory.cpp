#include "core/undo/UndoHistory.h"

#include "core/startlist/ClassStore.h"

#include <algorithm>

UndoHistory::UndoHistory(ClassStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&store, &ClassStore::changed, this, &UndoHistory::storeChanged, Qt::DirectConnection);
    connect(
        &store, &ClassStore::saving, this, [this] { m_resultOpen = false; }, Qt::DirectConnection);
}

UndoHistory::Steps &UndoHistory::undoSteps()
{
    return m_undo[std::size_t(std::clamp(m_store.CurrentClass(), 1, 10) - 1)];
}

UndoHistory::Steps &UndoHistory::redoSteps()
{
    return m_redo[std::size_t(std::clamp(m_store.CurrentClass(), 1, 10) - 1)];
}

bool UndoHistory::canUndo() const
{
    return !const_cast<UndoHistory *>(this)->undoSteps().empty();
}

bool UndoHistory::canRedo() const
{
    return !const_cast<UndoHistory *>(this)->redoSteps().empty();
}

const StoreChange *UndoHistory::nextUndo() const
{
    const Steps &steps = const_cast<UndoHistory *>(this)->undoSteps();
    return steps.empty() ? nullptr : &steps.back().change;
}

void UndoHistory::storeChanged(const StoreChange &change)
{
    // A class file read in is where the history of that class stands; it is not a change to take
    // back. What an undo or redo writes moves between the stacks in move().
    if (m_applying || change.source == ChangeSource::Load || change.classIndex < 1 || change.classIndex > 10)
        return;
    Steps &steps = m_undo[std::size_t(change.classIndex - 1)];
    const bool clearing = change.kind == StoreChange::Kind::Field && change.source == ChangeSource::Reset;
    if (clearing && m_resultOpen && !steps.empty() && steps.back().change.source == ChangeSource::Reset
        && steps.back().change.entry == change.entry) {
        steps.back().joined.push_back(change);
        return;
    }
    m_resultOpen = clearing;
    Step step {change, nullptr, {}};
    if (change.kind != StoreChange::Kind::Field)
        step.after = std::make_shared<const StartList>(m_store.list());
    steps.push_back(std::move(step));
    if (steps.size() > MaxSteps)
        steps.erase(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() - MaxSteps));
    m_redo[std::size_t(change.classIndex - 1)].clear();
}

namespace {
bool sameEntries(const StartList &a, const StartList &b, int count)
{
    return a.count() >= count && b.count() >= count
        && std::equal(a.entries().begin(), a.entries().begin() + count, b.entries().begin());
}
} // namespace

bool UndoHistory::holdsField(const StoreChange &c, bool backwards) const
{
    const QVariant &expected = backwards ? c.newValue : c.oldValue;
    if (!m_store.list().isValidIndex(c.entry))
        return false;
    if (isNumberField(c.field))
        return m_store.readNumberField(c.entry, c.field) == expected.toInt();
    return m_store.readTextField(c.entry, c.field) == expected.toString();
}

bool UndoHistory::holds(const Step &step, bool backwards) const
{
    const StoreChange &c = step.change;
    const StartList &now = m_store.list();
    switch (c.kind) {
    case StoreChange::Kind::Field:
        return holdsField(c, backwards)
            && std::all_of(step.joined.begin(), step.joined.end(),
                           [&](const StoreChange &j) { return holdsField(j, backwards); });
    case StoreChange::Kind::EntryAdded:
        // Before the entry was added the list was the one after, without its last entry.
        return backwards ? now.count() == step.after->count() && sameEntries(now, *step.after, now.count())
                         : now.count() == c.entry && sameEntries(now, *step.after, c.entry);
    case StoreChange::Kind::EntriesRemoved:
    case StoreChange::Kind::ListReplaced: {
        const StartList *expected = backwards ? step.after.get() : c.before.get();
        return expected && now.count() == expected->count() && sameEntries(now, *expected, now.count());
    }
    }
    return false;
}

bool UndoHistory::apply(const Step &step, bool backwards)
{
    const StoreChange &c = step.change;
    const ChangeSource source = backwards ? ChangeSource::Undo : ChangeSource::Redo;
    m_applying = true;
    bool done = true;
    switch (c.kind) {
    case StoreChange::Kind::Field: {
        std::vector<StoreChange> fields {c};
        fields.insert(fields.end(), step.joined.begin(), step.joined.end());
        if (backwards)
            std::reverse(fields.begin(), fields.end());
        for (const StoreChange &f : fields) {
            const QVariant &value = backwards ? f.oldValue : f.newValue;
            done = (isNumberField(f.field) ? m_store.writeNumberField(f.entry, f.field, value.toInt(), source)
                                           : m_store.writeTextField(f.entry, f.field, value.toString(), source))
                && done;
        }
        break;
    }
    case StoreChange::Kind::EntryAdded:
        if (backwards)
            done = m_store.removeEntries({c.entry}, source) == 1;
        else
            m_store.addEntry(source);
        break;
    case StoreChange::Kind::EntriesRemoved:
    case StoreChange::Kind::ListReplaced:
        m_store.replaceList(backwards ? *c.before : *step.after, source);
        break;
    }
    m_applying = false;
    return done;
}

std::optional<StoreChange> UndoHistory::move(Steps &from, Steps &to, bool backwards,
                                             const std::optional<Guarded> &guarded, QString *refusal)
{
    const auto refuse = [refusal](const QString &reason) {
        if (refusal)
            *refusal = reason;
        return std::nullopt;
    };
    if (from.empty())
        return refuse(backwards ? tr("Nothing to undo in this class.") : tr("Nothing to redo in this class."));
    const Step &step = from.back();
    const auto isGuarded = [&](const StoreChange &c) {
        return c.kind == StoreChange::Kind::Field && c.entry == guarded->entry && c.field == guarded->field;
    };
    if (guarded && (isGuarded(step.change) || std::any_of(step.joined.begin(), step.joined.end(), isGuarded)))
        return refuse(tr("The time of the run on course belongs to the clock; stop the run first."));
    if (!holds(step, backwards) || !apply(step, backwards)) {
        // Something else changed the list since (a class file read again, a row removed): this
        // step and those before it no longer fit, so they go rather than write a wrong value.
        from.clear();
        return refuse(tr("This change can no longer be taken back: the list has changed since."));
    }
    StoreChange done = step.change;
    done.source = backwards ? ChangeSource::Undo : ChangeSource::Redo;
    if (backwards)
        std::swap(done.oldValue, done.newValue);
    to.push_back(from.back());
    from.pop_back();
    emit applied(done);
    return done;
}

std::optional<StoreChange> UndoHistory::undo(const std::optional<Guarded> &guarded, QString *refusal)
{
    return move(undoSteps(), redoSteps(), true, guarded, refusal);
}

std::optional<StoreChange> UndoHistory::redo(const std::optional<Guarded> &guarded, QString *refusal)
{
    return move(redoSteps(), undoSteps(), false, guarded, refusal);
}
