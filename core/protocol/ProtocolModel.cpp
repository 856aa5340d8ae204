#include "core/protocol/ProtocolModel.h"

#include "core/marks/MarksKeeper.h"
#include "core/protocol/Standings.h"

#include "core/startlist/ClassStore.h"
#include "core/text/Numbers.h"

#include <utility>

QString formatCellTime(std::int64_t t)
{
    return t < 0 ? QLatin1Char('-') + FormatTime(-t) : FormatTime(t);
}

ListField ProtocolModel::fieldOf(int column)
{
    return column >= 0 && column < ColumnCount ? ProtocolColumns[std::size_t(column)] : ListField::Number;
}

ProtocolModel::ProtocolModel(ClassStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    connect(&store, &ClassStore::changed, this, &ProtocolModel::storeChanged);
    m_rowCount = store.entryCount();
    resetPlaces();
}

void ProtocolModel::setRules(const RaceRules &rules)
{
    if (rules == m_rules)
        return;
    m_rules = rules;
    resetPlaces();
    if (m_rowCount > 0)
        emit dataChanged(index(0, Time1), index(m_rowCount - 1, ColumnCount - 1), {Qt::DisplayRole, Qt::EditRole});
}

void ProtocolModel::setPenaltySeconds(double fpSeconds, double fsSeconds)
{
    RaceRules rules = m_rules;
    rules.fpSeconds = RaceRules::wholeSeconds(fpSeconds);
    rules.fsSeconds = RaceRules::wholeSeconds(fsSeconds);
    setRules(rules);
}

void ProtocolModel::setRunState(const RunState &state)
{
    if (state == m_runState)
        return;
    const int liveRow = isLiveRow(m_runState.currentRow) ? m_runState.currentRow : -1;
    const int left = m_runState.currentRow;
    m_runState = state;
    // A stopped run's row shows the store again; the next run shows it until its first live time.
    if (!state.running)
        m_liveShown = false;
    if (liveRow >= 0 && !isLiveRow(liveRow))
        updatePlace(liveRow);
    // Only the row the station leaves and the one it comes to look different: a repaint of the
    // whole protocol here would hold the interface thread at every start and stop.
    repaintRow(left);
    if (state.currentRow != left)
        repaintRow(state.currentRow);
}

void ProtocolModel::repaintRow(int row)
{
    if (validRow(row))
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {ColorRole, Qt::DisplayRole});
}

void ProtocolModel::setColors(const ProtocolColors &colors)
{
    m_colors = colors;
    repaintAll();
}

void ProtocolModel::showLiveTime(std::int32_t time)
{
    if (!m_runState.running || !validRow(m_runState.currentRow))
        return;
    m_liveShown = true;
    m_liveTime = time;
    RecalculateRow(m_runState.currentRow);
}

void ProtocolModel::RecalculateRow(int row)
{
    if (!validRow(row))
        return;
    // The row's own place cell changes with updatePlace, if at all.
    emit dataChanged(index(row, Time1), index(row, ColumnCount - 1));
    updatePlace(row);
}

RunFields ProtocolModel::runFields(int row) const
{
    if (!validRow(row) || !m_store.list().isValidIndex(row))
        return {};
    RunFields runs = runFieldsOf(m_store.list().at(row));
    if (isLiveRow(row))
        (m_runState.runNumber == 1 ? runs.time1 : runs.time2) = m_liveTime;
    return runs;
}

void ProtocolModel::storeChanged(const StoreChange &change)
{
    if (change.kind != StoreChange::Kind::Field) {
        reset();
        return;
    }
    if (isNumberField(change.field))
        RecalculateRow(change.entry);
    else if (change.field == ListField::Name && validRow(change.entry))
        emit dataChanged(index(change.entry, Name), index(change.entry, Name));
}

void ProtocolModel::reset()
{
    beginResetModel();
    m_rowCount = m_store.entryCount();
    m_liveShown = false;
    resetPlaces();
    endResetModel();
}

void ProtocolModel::setMarks(const MarksKeeper *marks)
{
    m_marks = marks;
    rescore();
}

void ProtocolModel::rescore()
{
    resetPlaces();
    repaintAll();
}

std::optional<std::uint32_t> ProtocolModel::placeKey(int r) const
{
    const RunFields runs = runFields(r);
    return rankValueOf(runs, scoreRuns(runs, m_rules.penalties()), m_marks ? m_marks->marksOf(r) : EntryMarks {},
                       m_rules.scoring);
}

void ProtocolModel::resetPlaces()
{
    std::vector<std::optional<std::uint32_t>> keys;
    keys.reserve(std::size_t(m_rowCount));
    for (int r = 0; r < m_rowCount; ++r)
        keys.push_back(placeKey(r));
    m_places.reset(keys);
}

void ProtocolModel::updatePlace(int r)
{
    if (m_places.update(r, placeKey(r)))
        emit dataChanged(index(0, Place), index(m_rowCount - 1, Place), {Qt::DisplayRole, Qt::EditRole});
}

std::int32_t ProtocolModel::cell(int row, int column) const
{
    if (!validRow(row) || column < 0 || column >= ColumnCount)
        return 0;
    const ListField field = fieldOf(column);
    // "#" and "Name" hold the entry's index.
    if (field == ListField::Number || field == ListField::Name)
        return row;
    if (field == ListField::Place)
        return m_places.place(row);
    if (field == ListField::RankValue)
        return std::int32_t(placeKey(row).value_or(0));
    ScoredEntry entry;
    entry.runs = runFields(row);
    if (!isNumberField(field))
        entry.score = scoreRuns(entry.runs, m_rules.penalties());
    return entry.value(field);
}

void ProtocolModel::repaintAll()
{
    if (m_rowCount > 0)
        emit dataChanged(index(0, 0), index(m_rowCount - 1, ColumnCount - 1), {ColorRole, Qt::DisplayRole});
}

bool ProtocolModel::isTimeColumn(int column)
{
    return column >= 0 && column < ColumnCount && fieldInfo(fieldOf(column)).kind == FieldKind::Time;
}

bool ProtocolModel::isCountColumn(int column)
{
    return column >= 0 && column < ColumnCount && fieldInfo(fieldOf(column)).kind == FieldKind::Count;
}

QString ProtocolModel::cellText(int row, int column) const
{
    const std::int32_t v = cell(row, column);
    if (column == Number)
        return QString::number(std::int64_t(v) + 1);
    if (column == Name)
        return m_store.list().isValidIndex(v) ? m_store.list().text(v, ListField::Name) : QStringLiteral("?");
    if (isCountColumn(column))
        return QString::number(v);
    if (m_marks && (column == GrandTotal || (column >= Time1 && column <= Total2))) {
        // A marked run shows its mark and no total; a marked driver has no "Ges.Zeit".
        const int run = column < Time2 ? 1 : 2;
        const RunMark mark = column == GrandTotal ? m_marks->marksOf(row).heaviest() : m_marks->mark(row, run).mark;
        if (mark != RunMark::None && (column == Time1 || column == Time2))
            return runMarkText(mark);
        if (mark != RunMark::None && (column == Total1 || column == Total2 || column == GrandTotal))
            return QString();
    }
    if (column == RankValue)
        return placeKey(row) ? formatCellTime(v) : QString();
    if (column == Place && v == 0 && m_marks)
        return runMarkText(m_marks->marksOf(row).heaviest());
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
    return parent.isValid() ? 0 : m_rowCount;
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
        return QVariant::fromValue(
            (index.column() <= Name || index.column() == Place ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool ProtocolModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) || !isCountColumn(index.column()))
        return false;
    const std::optional<std::int32_t> count = parseWholeNumber(value.toString());
    if (!count)
        return false;
    // A failed save is the store's to report; the count stays in memory and the next save retries.
    [[maybe_unused]] const FileResult saved
        = m_store.writeResult(index.row(), {{fieldOf(index.column()), *count}}, ChangeSource::Typed);
    return true;
}

QVariant ProtocolModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString heading = QString::fromUtf8(fieldInfo(fieldOf(section)).heading);
    // Short, as "Ges.Zeit" is, to fit the protocol's column; the tooltip names it in full.
    if (role == Qt::DisplayRole)
        return section == RankValue ? QStringLiteral("B.Lauf") : heading;
    if (role == Qt::ToolTipRole && section == RankValue)
        return heading;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ProtocolModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && isCountColumn(index.column()))
        result |= Qt::ItemIsEditable;
    return result;
}
