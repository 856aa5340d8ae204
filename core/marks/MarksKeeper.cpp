#include "core/marks/MarksKeeper.h"

#include "core/startlist/ClassStore.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <utility>

MarksKeeper::MarksKeeper(const ClassStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&store, &ClassStore::classLoaded, this, &MarksKeeper::load);
    load(store.CurrentClass());
}

namespace {
bool isClass(int classIndex)
{
    return classIndex >= FirstClass && classIndex <= LastClass;
}
} // namespace

void MarksKeeper::load(int classIndex)
{
    // A class outside the range keeps no marks; the last class's stay where they are.
    m_classIndex = isClass(classIndex) ? classIndex : FirstClass;
    const std::size_t slot = std::size_t(m_classIndex - FirstClass);
    // Read again: the file may have been replaced since this class was last loaded.
    MarksLoad loaded = isClass(classIndex) ? readMarksFile(MarksPath(classIndex)) : MarksLoad {};
    m_classes[slot] = std::move(loaded.marks);
    m_known = std::move(loaded.bytes);
    std::optional<FileError> problem = std::move(loaded.problem);
    if (!problem)
        problem = std::exchange(m_problems[slot], std::nullopt);
    emit marksChanged();
    if (problem)
        emit loadFailed(*problem);
}

ClassMarks MarksKeeper::classMarks(int classIndex) const
{
    if (!isClass(classIndex))
        return {};
    const std::size_t slot = std::size_t(classIndex - FirstClass);
    if (!m_classes[slot]) {
        MarksLoad loaded = readMarksFile(MarksPath(classIndex));
        m_classes[slot] = std::move(loaded.marks);
        m_problems[slot] = std::move(loaded.problem);
    }
    return *m_classes[slot];
}

MarkedRun MarksKeeper::mark(int entry, int run) const
{
    if (entry < 0 || entry >= m_store.entryCount())
        return {};
    return current().mark(m_store.list().at(entry), run);
}

EntryMarks MarksKeeper::marksOf(int entry) const
{
    if (entry < 0 || entry >= m_store.entryCount())
        return {};
    return current().forEntries({m_store.list().at(entry)}).front();
}

std::vector<EntryMarks> MarksKeeper::marks() const
{
    return current().forEntries(m_store.list().entries());
}

FileResult MarksKeeper::setMark(int entry, int run, MarkedRun mark)
{
    if (entry < 0 || entry >= m_store.entryCount() || (run != 1 && run != 2))
        return {};
    ClassMarks &marks = current();
    const MarkedRun before = marks.mark(m_store.list().at(entry), run);
    marks.setMark(m_store.list().at(entry), run, mark);
    emit markSet(entry, run, before, mark);
    emit marksChanged();
    const QString path = MarksPath(m_classIndex);
    QString keptAs;
    FileResult written = writeMarksFileOver(marks, path, m_known, keptAs);
    if (written)
        m_known = marks.toBytes();
    if (!keptAs.isEmpty())
        emit foreignEditKept(QCoreApplication::translate("MarksKeeper",
                                                         "%1 was changed outside the program; that version was "
                                                         "kept as %2.\nMarks added there are not counted.")
                                 .arg(QFileInfo(path).fileName(), QFileInfo(keptAs).fileName()));
    return written;
}
