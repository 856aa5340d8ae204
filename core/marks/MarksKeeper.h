#pragma once

#include "core/marks/RunMarks.h"

#include <QObject>

class ClassStore;

// The marks of the current class, loaded with it and saved to its marks file at every change.
class MarksKeeper final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarksKeeper)

public:
    explicit MarksKeeper(const ClassStore &store, QObject *parent = nullptr);

    MarkedRun mark(int entry, int run) const;
    EntryMarks marksOf(int entry) const;
    std::vector<EntryMarks> marks() const;
    // Sets or (with RunMark::None) clears the mark and saves the marks file at once.
    FileResult setMark(int entry, int run, MarkedRun mark);

signals:
    // One mark set or cleared, before the marks are shown anew: the journal keeps it first.
    void markSet(int entry, int run, const MarkedRun &before, const MarkedRun &after);
    void marksChanged();
    // The marks file of the class just loaded was damaged: kept beside it and reported.
    void loadFailed(const FileError &error);
    // Someone else changed the marks file since it was read: their file was moved aside before
    // the save, and text says where.
    void foreignEditKept(const QString &text);

private:
    void load(int classIndex);

    const ClassStore &m_store;
    ClassMarks m_marks;
    // The file as last read or written, to notice a change made outside the program.
    std::optional<QByteArray> m_known;
    int m_classIndex = 0;
};
