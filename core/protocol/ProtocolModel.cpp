#include "core/protocol/ProtocolModel.h"

#include "core/text/WholeNumber.h"

#include <cmath>
#include <utility>

namespace {
const char *const headers[ProtocolModel::ColumnCount] = {
    "#", "Name", "Lauf 1", "FP", "FS", "Fehler", "Gesamt", "Lauf 2", "FP", "FS", "Fehler", "Gesamt", "Ges.Zeit", "Platz",
};

// Whole penalty seconds: truncated toward zero, 0 for anything that is not a number.
std::int64_t wholeSeconds(double value)
{
    return std::isfinite(value) ? static_cast<std::int64_t>(std::trunc(value)) : 0;
}
} // namespace

QString formatCellTime(std::int64_t t)
{
    return t < 0 ? QLatin1Char('-') + FormatTime(-t) : FormatTime(t);
}

ProtocolModel::ProtocolModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ProtocolModel::setPenaltySeconds(double fpSeconds, double fsSeconds)
{
    const std::int64_t fp = wholeSeconds(fpSeconds);
    const std::int64_t fs = wholeSeconds(fsSeconds);
    if (fp == m_fpSeconds && fs == m_fsSeconds)
        return;
    m_fpSeconds = fp;
    m_fsSeconds = fs;
    for (Row &row : m_rows)
        recalculate(row);
    resetPlaces();
    if (!m_rows.empty())
        emit dataChanged(index(0, Time1), index(rowCount() - 1, Place), {Qt::DisplayRole, Qt::EditRole});
}

void ProtocolModel::setEntries(const StartList *entries)
{
    m_entries = entries;
}

void ProtocolModel::setRunState(const RunState &state)
{
    if (state == m_runState)
        return;
    m_runState = state;
    repaintAll();
}

void ProtocolModel::setColors(const ProtocolColors &colors)
{
    m_colors = colors;
    repaintAll();
}

void ProtocolModel::rebuild(const std::vector<RunFields> &entries)
{
    beginResetModel();
    m_rows.assign(entries.size(), Row{});
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Row &row = m_rows[i];
        const RunFields &e = entries[i];
        row[Number] = row[Name] = static_cast<std::int32_t>(i);
        row[Time1] = e.time1;
        row[FP1] = e.fp1;
        row[FS1] = e.fs1;
        row[Time2] = e.time2;
        row[FP2] = e.fp2;
        row[FS2] = e.fs2;
        recalculate(row);
    }
    resetPlaces();
    endResetModel();
}

void ProtocolModel::recalculateRun(Row &row, int timeColumn) const
{
    const std::int64_t time = row[timeColumn];
    // Each count times 1000 wraps at 32 bits; the rest is 64-bit arithmetic.
    const std::int64_t fp = wrappingMul32(row[timeColumn + 1], 1000);
    const std::int64_t fs = wrappingMul32(row[timeColumn + 2], 1000);
    const std::int64_t penalty =
        wrappingAdd64(wrappingMul64(fp, m_fpSeconds), wrappingMul64(fs, m_fsSeconds));
    row[timeColumn + 3] = wrapToInt32(penalty);
    row[timeColumn + 4] = wrapToInt32(wrappingAdd64(time, penalty));
}

void ProtocolModel::recalculate(Row &row) const
{
    recalculateRun(row, Time1);
    recalculateRun(row, Time2);
    row[GrandTotal] = wrapToInt32(std::int64_t(row[Total1]) + row[Total2]);
}

void ProtocolModel::recalculateRow(int r)
{
    if (!validRow(r))
        return;
    recalculate(m_rows[std::size_t(r)]);
    emit dataChanged(index(r, Time1), index(r, GrandTotal));
    updatePlace(r);
}

void ProtocolModel::resetPlaces()
{
    std::vector<std::optional<std::uint32_t>> keys;
    keys.reserve(m_rows.size());
    for (const Row &row : m_rows)
        keys.push_back(rankKey(row[Time1], row[Time2], row[GrandTotal]));
    m_places.reset(keys);
}

void ProtocolModel::updatePlace(int r)
{
    const Row &row = m_rows[std::size_t(r)];
    if (m_places.update(r, rankKey(row[Time1], row[Time2], row[GrandTotal])))
        emit dataChanged(index(0, Place), index(rowCount() - 1, Place), {Qt::DisplayRole, Qt::EditRole});
}

RunFields ProtocolModel::rowFields(int r) const
{
    if (!validRow(r))
        return {};
    const Row &row = m_rows[std::size_t(r)];
    return {row[Time1], row[FP1], row[FS1], row[Time2], row[FP2], row[FS2]};
}

std::int32_t ProtocolModel::cell(int row, int column) const
{
    if (!validRow(row) || column < 0 || column >= ColumnCount)
        return 0;
    if (column == Place)
        return m_places.place(row);
    return m_rows[std::size_t(row)][std::size_t(column)];
}

void ProtocolModel::setCell(int row, int column, std::int32_t value)
{
    if (!validRow(row) || column < 0 || column >= ColumnCount || column == Place)
        return;
    m_rows[std::size_t(row)][std::size_t(column)] = value;
    emit dataChanged(index(row, column), index(row, column));
    if (column == Time1 || column == Time2 || column == GrandTotal)
        updatePlace(row);
}

void ProtocolModel::repaintAll()
{
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {ColorRole, Qt::DisplayRole});
}

bool ProtocolModel::isTimeColumn(int column)
{
    switch (column) {
    case Time1: case Penalty1: case Total1: case Time2: case Penalty2: case Total2: case GrandTotal:
        return true;
    default:
        return false;
    }
}

bool ProtocolModel::isCountColumn(int column)
{
    return column == FP1 || column == FS1 || column == FP2 || column == FS2;
}

QString ProtocolModel::cellText(int row, int column) const
{
    const std::int32_t v = cell(row, column);
    if (column == Number)
        return QString::number(std::int64_t(v) + 1);
    if (column == Name)
        return m_entries && m_entries->isValidIndex(v) ? m_entries->text(v, ListField::Name) : QStringLiteral("?");
    if (isCountColumn(column))
        return QString::number(v);
    if (isTimeColumn(column)) {
        QString text = formatCellTime(v);
        // The running participant's times show tenths only.
        if (m_runState.running && row == m_runState.currentRow)
            text.chop(1);
        return text;
    }
    if (column == Place && v > 0)
        return QString::number(v);
    return QString();
}

std::uint32_t ProtocolModel::cellColor(int row, int column) const
{
    const RunState &state = m_runState;
    if (row == state.currentRow
        && ((state.runNumber == 1 && column <= Total1)
            || (state.runNumber == 2 && (column <= Name || (column >= Time2 && column <= Total2)))))
        return m_colors.activeColor;
    if (column <= Name || column >= GrandTotal)
        return m_colors.defaultColor;
    const int timeColumn = column <= Total1 ? Time1 : Time2;
    return cell(row, timeColumn) > 0 ? m_colors.acceptedColor : m_colors.undefinedColor;
}

int ProtocolModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProtocolModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProtocolModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::EditRole:
        return cell(index.row(), index.column());
    case ColorRole:
        return cellColor(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue((index.column() <= Name || index.column() == Place ? Qt::AlignLeft : Qt::AlignHCenter)
                                   | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ProtocolModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(headers[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ProtocolModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && isCountColumn(index.column()))
        result |= Qt::ItemIsEditable;
    return result;
}
