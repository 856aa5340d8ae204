#include "app/ProtocolModel.h"

#include "app/WholeNumber.h"
#include "widgets/Colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>
#include <utility>

namespace {
const char *const headers[ProtocolModel::ColumnCount] = {
    "#", "Name", "Lauf 1", "FP", "FS", "Fehler", "Gesamt", "Lauf 2", "FP", "FS", "Fehler", "Gesamt", "Ges.Zeit", "Platz",
};

// Whole penalty seconds: truncated toward zero, 0 for anything that is not a number.
std::int64_t wholeSeconds(const std::function<double()> &source)
{
    const double value = source ? source() : 0.0;
    return std::isfinite(value) ? static_cast<std::int64_t>(std::trunc(value)) : 0;
}

QColor buttonFace()
{
    return QGuiApplication::palette().color(QPalette::Button);
}
} // namespace

QString FormatCellTime(std::int64_t t)
{
    return t < 0 ? QLatin1Char('-') + FormatTime(-t) : FormatTime(t);
}

ProtocolModel::ProtocolModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_fpSeconds([] { return 2.0; })
    , m_fsSeconds([] { return 10.0; })
    , m_viewState([] { return ProtocolViewState{}; })
{
}

void ProtocolModel::SetPenaltySecondsSource(std::function<double()> fpSeconds, std::function<double()> fsSeconds)
{
    m_fpSeconds = std::move(fpSeconds);
    m_fsSeconds = std::move(fsSeconds);
}

void ProtocolModel::SetEntryTextSource(std::function<QString(int)> number, std::function<QString(int)> name)
{
    m_numberText = std::move(number);
    m_nameText = std::move(name);
}

void ProtocolModel::SetViewState(std::function<ProtocolViewState()> state)
{
    m_viewState = std::move(state);
}

void ProtocolModel::Rebuild(const std::vector<RunFields> &entries)
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
    endResetModel();
}

void ProtocolModel::recalculateRun(Row &row, int timeColumn) const
{
    const std::int64_t time = row[timeColumn];
    // Each count times 1000 wraps at 32 bits; the rest is 64-bit arithmetic.
    const std::int64_t fp = WrappingMul32(row[timeColumn + 1], 1000);
    const std::int64_t fs = WrappingMul32(row[timeColumn + 2], 1000);
    const std::int64_t penalty =
        WrappingAdd64(WrappingMul64(fp, wholeSeconds(m_fpSeconds)), WrappingMul64(fs, wholeSeconds(m_fsSeconds)));
    row[timeColumn + 3] = WrapToInt32(penalty);
    row[timeColumn + 4] = WrapToInt32(WrappingAdd64(time, penalty));
}

void ProtocolModel::recalculate(Row &row) const
{
    recalculateRun(row, Time1);
    recalculateRun(row, Time2);
    row[GrandTotal] = WrapToInt32(std::int64_t(row[Total1]) + row[Total2]);
}

void ProtocolModel::RecalculateRow(int r)
{
    if (!validRow(r))
        return;
    recalculate(m_rows[std::size_t(r)]);
    emit dataChanged(index(r, Time1), index(r, GrandTotal));
}

RunFields ProtocolModel::RowFields(int r) const
{
    if (!validRow(r))
        return {};
    const Row &row = m_rows[std::size_t(r)];
    return {row[Time1], row[FP1], row[FS1], row[Time2], row[FP2], row[FS2]};
}

std::int32_t ProtocolModel::Cell(int row, int column) const
{
    if (!validRow(row) || column < 0 || column >= ColumnCount)
        return 0;
    return m_rows[std::size_t(row)][std::size_t(column)];
}

void ProtocolModel::SetCell(int row, int column, std::int32_t value)
{
    if (!validRow(row) || column < 0 || column >= ColumnCount)
        return;
    m_rows[std::size_t(row)][std::size_t(column)] = value;
    emit dataChanged(index(row, column), index(row, column));
}

void ProtocolModel::RepaintAll()
{
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::BackgroundRole, Qt::DisplayRole});
}

bool ProtocolModel::IsTimeColumn(int column)
{
    switch (column) {
    case Time1: case Penalty1: case Total1: case Time2: case Penalty2: case Total2: case GrandTotal:
        return true;
    default:
        return false;
    }
}

bool ProtocolModel::IsCountColumn(int column)
{
    return column == FP1 || column == FS1 || column == FP2 || column == FS2;
}

QString ProtocolModel::CellText(int row, int column) const
{
    const std::int32_t v = Cell(row, column);
    if (column == Number)
        return m_numberText ? m_numberText(v) : QString::number(std::int64_t(v) + 1);
    if (column == Name)
        return m_nameText ? m_nameText(v) : QStringLiteral("?");
    if (IsCountColumn(column))
        return QString::number(v);
    if (IsTimeColumn(column)) {
        QString text = FormatCellTime(v);
        const ProtocolViewState state = m_viewState();
        // The running participant's times show tenths only.
        if (state.running && row == state.currentRow)
            text.chop(1);
        return text;
    }
    return QString();
}

QColor ProtocolModel::CellColor(int row, int column) const
{
    if (!validRow(row))
        return buttonFace();
    const ProtocolViewState state = m_viewState();
    if (row == state.currentRow
        && ((state.runNumber == 1 && column <= Total1)
            || (state.runNumber == 2 && (column <= Name || (column >= Time2 && column <= Total2)))))
        return ColorFromBgr(state.colors.activeColor);
    if (column <= Name || column >= GrandTotal)
        return ColorFromBgr(state.colors.defaultColor);
    const int timeColumn = column <= Total1 ? Time1 : Time2;
    return ColorFromBgr(Cell(row, timeColumn) > 0 ? state.colors.acceptedColor : state.colors.undefinedColor);
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
        return CellText(index.row(), index.column());
    case Qt::EditRole:
        return Cell(index.row(), index.column());
    case Qt::BackgroundRole:
        return CellColor(index.row(), index.column());
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
    if (index.isValid() && IsCountColumn(index.column()))
        result |= Qt::ItemIsEditable;
    return result;
}
