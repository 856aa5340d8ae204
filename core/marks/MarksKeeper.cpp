#include "core/marks/MarksKeeper.h"

#include "core/startlist/ClassStore.h"

#include <QCoreApplication>
#include <QFileInfo>

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
    m_known = std::move(loaded.bytes);
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
    const QString path = MarksPath(m_classIndex);
    QString keptAs;
    FileResult written = writeMarksFileOver(m_marks, path, m_known, keptAs);
    if (written)
        m_known = m_marks.toBytes();
    if (!keptAs.isEmpty())
        emit foreignEditKept(QCoreApplication::translate("MarksKeeper",
                                                         "%1 was changed outside the program; that version was "
                                                         "kept as %2.\nMarks added there are not counted.")
                                 .arg(QFileInfo(path).fileName(), QFileInfo(keptAs).fileName()));
    return written;
}
