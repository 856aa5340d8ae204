#include "core/live/LiveScoring.h"

#include "core/protocol/ClassResults.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/StartList.h"

LiveClass scoreLiveClass(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    const ClassResults results = classResults(classIndex, list, fpSeconds, fsSeconds);
    const std::vector<EntryMarks> marks = readMarksFile(MarksPath(classIndex)).marks.forEntries(list.entries());
    LiveClass result;
    result.index = classIndex;
    result.name = results.className;
    result.lines.reserve(results.lines.size());
    for (const ResultLine &line : results.lines) {
        LiveEntry entry;
        entry.number = line.value(ResultColumn::Number);
        const int row = entry.number - 1;
        entry.startNr = line.text(ResultColumn::StartNr);
        entry.name = line.text(ResultColumn::Name);
        entry.age = list.text(row, ListField::Age);
        entry.info1 = line.text(ResultColumn::Info1);
        entry.info2 = line.text(ResultColumn::Info2);
        entry.info3 = line.text(ResultColumn::Info3);
        entry.time1 = line.value(ResultColumn::Time1);
        entry.fp1 = line.value(ResultColumn::FP1);
        entry.fs1 = line.value(ResultColumn::FS1);
        entry.penalty1 = line.value(ResultColumn::Penalty1);
        entry.total1 = line.value(ResultColumn::Total1);
        entry.time2 = line.value(ResultColumn::Time2);
        entry.fp2 = line.value(ResultColumn::FP2);
        entry.fs2 = line.value(ResultColumn::FS2);
        entry.penalty2 = line.value(ResultColumn::Penalty2);
        entry.total2 = line.value(ResultColumn::Total2);
        entry.grandTotal = line.value(ResultColumn::GrandTotal);
        entry.place = line.value(ResultColumn::Place);
        if (row >= 0 && row < int(marks.size()))
            entry.marks = marks[std::size_t(row)];
        entry.handRuns = line.handRuns;
        entry.time1Text = line.text(ResultColumn::Time1);
        entry.total1Text = line.text(ResultColumn::Total1);
        entry.time2Text = line.text(ResultColumn::Time2);
        entry.total2Text = line.text(ResultColumn::Total2);
        entry.grandTotalText = line.text(ResultColumn::GrandTotal);
        result.lines.push_back(std::move(entry));
    }
    return result;
}

LiveClass scoreLiveClassFile(int classIndex, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    StartList list;
    const Result<bool> read = ReadListFile(list, ClassListPath(classIndex), false);
    if (!read) {
        LiveClass failed = scoreLiveClass(classIndex, StartList(), fpSeconds, fsSeconds);
        failed.error = read.error().message();
        return failed;
    }
    if (!read.value())
        list.clear();
    return scoreLiveClass(classIndex, list, fpSeconds, fsSeconds);
}
