#include "core/journal/UndoHistory.h"

#include "core/startlist/ClassStore.h"

#include <algorithm>

UndoHistory::UndoHistory(ClassStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&store, &ClassStore::changed, this, &UndoHistory::storeChanged, Qt::DirectConnection);
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
    Step step {change, nullptr};
    if (change.kind == StoreChange::Kind::ListReplaced || change.kind == StoreChange::Kind::EntriesRemoved)
        step.after = std::make_shared<const StartList>(m_store.list());
    Steps &steps = m_undo[std::size_t(change.classIndex - 1)];
    steps.push_back(std::move(step));
    if (steps.size() > MaxSteps)
        steps.erase(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() - MaxSteps));
    m_redo[std::size_t(change.classIndex - 1)].clear();
}

bool UndoHistory::holds(const Step &step, bool backwards) const
{
    const StoreChange &c = step.change;
    const QVariant &expected = backwards ? c.newValue : c.oldValue;
    switch (c.kind) {
    case StoreChange::Kind::Field:
        if (c.entry < 0 || c.entry >= m_store.entryCount())
            return false;
        if (isNumberField(c.field))
            return m_store.readNumberField(c.entry, c.field) == expected.toInt();
        return m_store.readTextField(c.entry, c.field) == expected.toString();
    case StoreChange::Kind::EntryAdded:
    case StoreChange::Kind::EntriesRemoved:
    case StoreChange::Kind::ListReplaced:
        return false;
    }
    return false;
}

bool UndoHistory::apply(const Step &step, bool backwards)
{
    const StoreChange &c = step.change;
    if (c.kind != StoreChange::Kind::Field || !isNumberField(c.field))
        return false;
    const QVariant &value = backwards ? c.oldValue : c.newValue;
    m_applying = true;
    m_store.writeNumberField(c.entry, c.field, value.toInt(), backwards ? ChangeSource::Undo : ChangeSource::Redo);
    m_applying = false;
    return true;
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
    if (guarded && step.change.kind == StoreChange::Kind::Field && step.change.entry == guarded->entry
        && step.change.field == guarded->field)
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
