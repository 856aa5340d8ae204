#include "core/protocol/ResultsProtocol.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "core/text/Numbers.h"

#include <vector>

namespace {
constexpr struct
{
    ProtocolModel::Column column;
    ListField field;
} exchangedFields[] = {
    {ProtocolModel::Time1, ListField::Time1}, {ProtocolModel::FP1, ListField::FP1},
    {ProtocolModel::FS1, ListField::FS1},     {ProtocolModel::Time2, ListField::Time2},
    {ProtocolModel::FP2, ListField::FP2},     {ProtocolModel::FS2, ListField::FS2},
};
} // namespace

ResultsProtocol::ResultsProtocol(ClassStore &store)
    : m_store(store)
{
    m_model.setEntries(&store.list());
}

bool ResultsProtocol::LoadClass(int classIndex)
{
    if (classIndex < FirstClass || classIndex > LastClass)
        return false;
    // The store reports a failure itself; the rows follow whatever list it holds now.
    [[maybe_unused]] const FileResult selected = m_store.SelectClass(classIndex);
    rebuild();
    return true;
}

void ResultsProtocol::rebuild()
{
    const StartList &list = m_store.list();
    std::vector<RunFields> entries(std::size_t(list.count()));
    for (int i = 0; i < int(entries.size()); ++i) {
        RunFields &e = entries[std::size_t(i)];
        e.time1 = list.wholeNumber(i, ListField::Time1);
        e.fp1 = list.wholeNumber(i, ListField::FP1);
        e.fs1 = list.wholeNumber(i, ListField::FS1);
        e.time2 = list.wholeNumber(i, ListField::Time2);
        e.fp2 = list.wholeNumber(i, ListField::FP2);
        e.fs2 = list.wholeNumber(i, ListField::FS2);
    }
    m_model.rebuild(entries);
}

int ResultsProtocol::rowCount() const
{
    return m_model.rowCount();
}

std::int32_t ResultsProtocol::runTime(int row, int run) const
{
    return m_model.cell(row, ProtocolModel::runColumn(run));
}

QString ResultsProtocol::participantName(int row) const
{
    return m_store.readTextField(row, ListField::Name);
}

void ResultsProtocol::storeRunTime(int row, int run, std::int32_t time)
{
    m_model.setCell(row, ProtocolModel::runColumn(run), time);
}

void ResultsProtocol::recalculateRow(int row)
{
    m_model.recalculateRow(row);
}

void ResultsProtocol::writeBackRow(int row)
{
    if (row < 0 || row >= m_model.rowCount() || row >= m_store.entryCount())
        return;
    // A count typed while the participant is on course is saved, but the clock's running time
    // is no result yet: the file keeps the run's time as it was.
    const RunState &state = m_model.runState();
    const int runningColumn =
        state.running && state.currentRow == row ? ProtocolModel::runColumn(state.runNumber) : -1;
    for (const auto &pair : exchangedFields) {
        if (pair.column != runningColumn)
            m_store.writeNumberField(row, pair.field, m_model.cell(row, pair.column));
    }
    // A result held only in memory would be lost if the machine went down before the next class
    // switch. A failure is reported by the store; the time stays here and the next save retries.
    [[maybe_unused]] const FileResult saved = m_store.SaveCurrentClass();
}

void ResultsProtocol::showRunState(const RunState &state)
{
    m_model.setRunState(state);
}

bool ResultsProtocol::commitCountText(int row, int column, const QString &text)
{
    if (!ProtocolModel::isCountColumn(column) || row < 0 || row >= m_model.rowCount())
        return true;
    const std::optional<std::int32_t> count = parseWholeNumber(text);
    if (!count)
        return false;
    m_model.setCell(row, column, *count);
    GridAfterEdit(row);
    return true;
}

void ResultsProtocol::GridAfterEdit(int row)
{
    writeBackRow(row);
    recalculateRow(row);
}

void ResultsProtocol::resetRun(int row, int timeColumn)
{
    if (row < 0 || row >= m_model.rowCount() || (timeColumn != ProtocolModel::Time1 && timeColumn != ProtocolModel::Time2))
        return;
    for (int c = timeColumn; c <= timeColumn + 2; ++c)
        m_model.setCell(row, c, 0);
    recalculateRow(row);
    writeBackRow(row);
}
