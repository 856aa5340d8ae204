#include "app/ResultsProtocol.h"

#include "startlist/StartListAccess.h"

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

ResultsProtocol::ResultsProtocol()
{
    m_model.SetEntryTextSource(
        [this](int index) { return m_list ? m_list->ReadTextField(index, ListField::Number) : QString(); },
        [this](int index) {
            if (!m_list || index < 0 || index >= m_list->EntryCount())
                return QStringLiteral("?");
            return m_list->ReadTextField(index, ListField::Name);
        });
}

void ResultsProtocol::SetStartList(StartListAccess *list)
{
    m_list = list;
}

bool ResultsProtocol::LoadClass(int classIndex)
{
    if (!m_list || classIndex < 1 || classIndex > 10)
        return false;
    m_list->SelectClass(classIndex);
    std::vector<RunFields> entries(std::size_t(m_list->EntryCount()));
    for (int i = 0; i < int(entries.size()); ++i) {
        RunFields &e = entries[std::size_t(i)];
        e.time1 = m_list->ReadNumberField(i, ListField::Time1);
        e.fp1 = m_list->ReadNumberField(i, ListField::FP1);
        e.fs1 = m_list->ReadNumberField(i, ListField::FS1);
        e.time2 = m_list->ReadNumberField(i, ListField::Time2);
        e.fp2 = m_list->ReadNumberField(i, ListField::FP2);
        e.fs2 = m_list->ReadNumberField(i, ListField::FS2);
    }
    m_model.Rebuild(entries);
    return true;
}

int ResultsProtocol::RowCount() const
{
    return m_model.rowCount();
}

std::int32_t ResultsProtocol::RunTime(int row, int run) const
{
    return m_model.Cell(row, ProtocolModel::RunColumn(run));
}

QString ResultsProtocol::ParticipantName(int row) const
{
    return m_list ? m_list->ReadTextField(row, ListField::Name) : QString();
}

void ResultsProtocol::StoreRunTime(int row, int run, std::int32_t time)
{
    m_model.SetCell(row, ProtocolModel::RunColumn(run), time);
}

void ResultsProtocol::RecalculateRow(int row)
{
    m_model.RecalculateRow(row);
}

void ResultsProtocol::WriteBackRow(int row)
{
    if (!m_list || row < 0 || row >= m_model.rowCount() || row >= m_list->EntryCount())
        return;
    for (const auto &pair : exchangedFields)
        m_list->WriteNumberField(row, pair.field, m_model.Cell(row, pair.column));
    // A result held only in memory would be lost if the machine went down before the next class switch.
    m_list->SaveCurrentClass();
}

void ResultsProtocol::Repaint()
{
    m_model.RepaintAll();
}

QString ResultsProtocol::CommitCountText(int row, int column, const QString &text)
{
    if (!ProtocolModel::IsCountColumn(column) || row < 0 || row >= m_model.rowCount())
        return QString();
    const std::optional<double> value = ParseDecimal(text);
    if (!value)
        return NotAFloatMessage(text);
    m_model.SetCell(row, column, WholeNumberOf(*value));
    GridAfterEdit(row);
    return QString();
}

void ResultsProtocol::GridAfterEdit(int row)
{
    WriteBackRow(row);
    RecalculateRow(row);
}

void ResultsProtocol::ResetRun(int row, int timeColumn)
{
    if (row < 0 || row >= m_model.rowCount() || (timeColumn != ProtocolModel::Time1 && timeColumn != ProtocolModel::Time2))
        return;
    for (int c = timeColumn; c <= timeColumn + 2; ++c)
        m_model.SetCell(row, c, 0);
    RecalculateRow(row);
    WriteBackRow(row);
}
