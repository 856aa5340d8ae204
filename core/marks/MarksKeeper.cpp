#include "core/marks/MarksKeeper.h"

#include "core/startlist/ClassStore.h"

MarksKeeper::MarksKeeper(const ClassStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&store, &ClassStore::classLoaded, this, &MarksKeeper::load);
    load(store.CurrentClass());
}

void MarksKeeper::load(int classIndex)
{
    m_classIndex = classIndex;
    MarksLoad loaded = readMarksFile(MarksPath(classIndex));
    m_marks = std::move(loaded.marks);
    emit marksChanged();
    if (loaded.problem)
        emit loadFailed(*loaded.problem);
}

MarkedRun MarksKeeper::mark(int entry, int run) const
{
    if (entry < 0 || entry >= m_store.entryCount())
        return {};
    return m_marks.mark(m_store.list().at(entry), run);
}

EntryMarks MarksKeeper::marksOf(int entry) const
{
    if (entry < 0 || entry >= m_store.entryCount())
        return {};
    return m_marks.forEntries({m_store.list().at(entry)}).front();
}

std::vector<EntryMarks> MarksKeeper::marks() const
{
    return m_marks.forEntries(m_store.list().entries());
}

FileResult MarksKeeper::setMark(int entry, int run, MarkedRun mark)
{
    if (entry < 0 || entry >= m_store.entryCount() || (run != 1 && run != 2))
        return {};
    const MarkedRun before = m_marks.mark(m_store.list().at(entry), run);
    m_marks.setMark(m_store.list().at(entry), run, mark);
    emit markSet(entry, run, before, mark);
    emit marksChanged();
    return writeMarksFile(m_marks, MarksPath(m_classIndex));
}
