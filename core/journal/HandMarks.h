#pragma once

#include "core/journal/Journal.h"
#include "core/marks/HandTimes.h"
#include "core/startlist/StoreChange.h"

#include <QList>
#include <QObject>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

class ClassStore;

// Which runs hold a time entered by hand: those of the current class follow the store's changes,
// those of other classes are read from the journal when asked. It is the program's source of hand
// times for the protocol, the exports and the live results while it exists.
class HandMarks final : public QObject, public HandTimesSource
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandMarks)

public:
    HandMarks(const ClassStore &store, Journal &journal, QObject *parent = nullptr);
    ~HandMarks() override;

    // Whether the run's time of the entry (its row in the current class) is the one entered by hand.
    bool isHandTime(int entry, int run) const;
    ClassHandTimes handTimes(int classIndex) const override;

    // The journal's rows of a class, oldest first, replayed.
    static ClassHandTimes fromRows(const QList<JournalEvent> &rows);

private:
    const ClassHandTimes &current() const;
    void follow(const StoreChange &change);

    const ClassStore &m_store;
    Journal &m_journal;
    // Read when first asked: a second copy of the program that ends at once never opens the journal.
    mutable std::optional<ClassHandTimes> m_current;
    // Other classes as last read, with the newest journal row of the class then: a class whose
    // rows have not grown since is not read again.
    mutable std::map<int, std::pair<std::int64_t, ClassHandTimes>> m_others;
};
