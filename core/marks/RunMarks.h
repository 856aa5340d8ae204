#pragma once

#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// What happened to a run that has no valid time: did not start ("n.a."), did not finish ("DNF")
// or disqualified ("DSQ", with a reason).
enum class RunMark : int { None = 0, NotStarted, DidNotFinish, Disqualified };

// "n.a.", "DNF", "DSQ"; empty for None.
QString runMarkText(RunMark mark);

struct MarkedRun
{
    RunMark mark = RunMark::None;
    QString reason;

    friend bool operator==(const MarkedRun &, const MarkedRun &) = default;
};

struct EntryMarks
{
    std::array<MarkedRun, 2> runs;

    const MarkedRun &run(int run) const { return runs[run == 1 ? 0 : 1]; }
    bool any() const { return runs[0].mark != RunMark::None || runs[1].mark != RunMark::None; }
    // The heavier of the two: DSQ over DNF over n.a.
    RunMark heaviest() const { return std::max(runs[0].mark, runs[1].mark); }

    friend bool operator==(const EntryMarks &, const EntryMarks &) = default;
};

// The marks of one class. They are kept by the entry's start number and name, not by its
// position, so a mark follows its driver through sorting, adding and removing in the editor.
class ClassMarks final
{
public:
    MarkedRun mark(const StartListEntry &entry, int run) const;
    // RunMark::None clears the run's mark.
    void setMark(const StartListEntry &entry, int run, MarkedRun mark);
    // The marks of each entry, in list order.
    std::vector<EntryMarks> forEntries(const StartList::Entries &entries) const;
    bool isEmpty() const { return m_marks.empty(); }

    // The side file's text; see readMarksFile for its layout.
    QByteArray toBytes() const;
    // A failure names the first line that is not a mark, with its number.
    static Result<ClassMarks> fromBytes(const QByteArray &bytes, const QString &path);

    friend bool operator==(const ClassMarks &, const ClassMarks &) = default;

private:
    using Key = std::pair<QString, QString>;
    static Key keyOf(const StartListEntry &entry);
    std::map<Key, EntryMarks> m_marks;
};

// List01.marks .. List10.marks beside the class files. The class file stays as it is.
QString MarksPath(int classIndex);

// The marks file, UTF-8 text with CR LF line ends (LF alone is read too):
//
//   [ZVX1MARKS]
//   <run>\t<mark>\t<start number>\t<name>\t<reason>      one line per marked run
//   [ZVX1END]
//
// run is 1 or 2; mark is NA (did not start), DNF or DSQ; reason may be empty. In the texts a
// backslash is written "\\", a tab "\t" and a line break "\n". No file means no marks.
//
// A file over MaxMarksFileSize is damaged: no event has that many marks, and it is not read.
inline constexpr qint64 MaxMarksFileSize = 1LL << 20;
struct MarksLoad
{
    ClassMarks marks;
    // A damaged file: the marks are empty, the original was kept beside it (".bak") and this says so.
    std::optional<FileError> problem;
    // The bytes of the file as read; no value when there was none or it was moved aside.
    std::optional<QByteArray> bytes;
};
MarksLoad readMarksFile(const QString &path);
FileResult writeMarksFile(const ClassMarks &marks, const QString &path);
// Writes marks over the file as it was last read or written (known; no value: there was none).
// A file someone else has changed since is first moved aside, under the name keptAs is given.
FileResult writeMarksFileOver(const ClassMarks &marks, const QString &path, const std::optional<QByteArray> &known,
                              QString &keptAs);
