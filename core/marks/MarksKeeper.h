#pragma once

#include "core/marks/RunMarks.h"
#include "core/settings/ClassNames.h"

#include <QObject>

#include <array>

class ClassStore;

// The marks of the current class, loaded with it and saved to its marks file at every change, and
// those of the other classes, each read from its file the first time it is asked for. Whatever
// scores or renders takes marks from here and never reads a marks file itself.
class MarksKeeper final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarksKeeper)

public:
    explicit MarksKeeper(const ClassStore &store, QObject *parent = nullptr);

    MarkedRun mark(int entry, int run) const;
    EntryMarks marksOf(int entry) const;
    std::vector<EntryMarks> marks() const;
    // Any class's marks; the current class's as set, the others as read once. Empty outside the classes.
    ClassMarks classMarks(int classIndex) const;
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
    ClassMarks &current() { return *m_classes[std::size_t(m_classIndex - FirstClass)]; }
    const ClassMarks &current() const { return *m_classes[std::size_t(m_classIndex - FirstClass)]; }

    const ClassStore &m_store;
    // No value: not read yet.
    mutable std::array<std::optional<ClassMarks>, ClassCount> m_classes;
    // A damaged file met while reading another class, reported when that class is loaded.
    mutable std::array<std::optional<FileError>, ClassCount> m_problems;
    // The file as last read or written, to notice a change made outside the program.
    std::optional<QByteArray> m_known;
    int m_classIndex = FirstClass;
};
