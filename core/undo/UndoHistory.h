#pragma once

#include "core/startlist/StoreChange.h"

#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class ClassStore;

// Undo and redo of the changes of results and entries, one change at a time and per class, on the
// class store's own change announcements. An undo writes the old value back through the store
// (source Undo), so it is journaled and saved like any other change.
class UndoHistory final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UndoHistory)

public:
    // Steps kept per class; the oldest go first beyond this.
    static constexpr std::size_t MaxSteps = 100000;

    // A field undo must not touch: the time of the run on course, which the clock owns.
    struct Guarded
    {
        int entry = -1;
        ListField field = ListField::Time1;
    };

    explicit UndoHistory(ClassStore &store, QObject *parent = nullptr);

    bool canUndo() const;
    bool canRedo() const;
    // The change the next undo would take back, if any.
    const StoreChange *nextUndo() const;

    // Take back the last change of the current class, or make the last undone change again.
    // Refused (with the reason in the operator's words) when the change concerns the guarded
    // field, or when the store no longer holds what the change left there.
    std::optional<StoreChange> undo(const std::optional<Guarded> &guarded, QString *refusal = nullptr);
    std::optional<StoreChange> redo(const std::optional<Guarded> &guarded, QString *refusal = nullptr);

signals:
    // After an undo or redo; the change as it was made again (with its Undo or Redo source).
    void applied(const StoreChange &change);

private:
    struct Step
    {
        StoreChange change;
        // The list after a change of entries, so a redo can bring it back.
        std::shared_ptr<const StartList> after;
        // Fields of the same entry written with it as one result (a run cleared with Ctrl+click).
        std::vector<StoreChange> joined;
    };
    using Steps = std::vector<Step>;

    void storeChanged(const StoreChange &change);
    std::optional<StoreChange> move(Steps &from, Steps &to, bool backwards, const std::optional<Guarded> &guarded,
                                    QString *refusal);
    bool holds(const Step &step, bool backwards) const;
    bool holdsField(const StoreChange &change, bool backwards) const;
    bool apply(const Step &step, bool backwards);
    Steps &undoSteps();
    Steps &redoSteps();

    ClassStore &m_store;
    // Index 0 is class 1.
    std::array<Steps, 10> m_undo;
    std::array<Steps, 10> m_redo;
    bool m_applying = false;
    // A cleared run is written field by field and then saved; until the save its fields are one step.
    bool m_resultOpen = false;
};
