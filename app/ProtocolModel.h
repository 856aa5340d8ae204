#pragma once

#include "app/PerfTimer.h"

#include <QAbstractTableModel>
#include <QColor>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The times and penalty counts a protocol row exchanges with its start list entry.
struct RunFields
{
    std::int32_t time1 = 0, fp1 = 0, fs1 = 0, time2 = 0, fp2 = 0, fs2 = 0;
    friend bool operator==(const RunFields &, const RunFields &) = default;
};

// The four protocol colours, as 0xBBGGRR values.
struct ProtocolColors
{
    std::uint32_t defaultColor = 0xFFEAEA;
    std::uint32_t activeColor = 0xB9FFFF;
    std::uint32_t acceptedColor = 0xE9FFD2;
    std::uint32_t undefinedColor = 0xECD9FF;
};

// What drawing a cell depends on besides the cell itself.
struct ProtocolViewState
{
    bool running = false;
    int currentRow = -1;
    int runNumber = 1; // 1, 2, or 0 for an empty run editor
    ProtocolColors colors;
};

// The results protocol of one class: one row per start list entry, 14 signed 32-bit cells.
class ProtocolModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolModel)

public:
    enum Column {
        Number = 0, Name, Time1, FP1, FS1, Penalty1, Total1,
        Time2, FP2, FS2, Penalty2, Total2, GrandTotal, Place, ColumnCount
    };
    using Row = std::array<std::int32_t, ColumnCount>;

    explicit ProtocolModel(QObject *parent = nullptr);

    // Penalty seconds per FP and FS count, read afresh at every recalculation.
    void SetPenaltySecondsSource(std::function<double()> fpSeconds, std::function<double()> fsSeconds);
    // The entry's "#" and "Name" texts, by entry index; the name source answers "?" for an index
    // outside the start list.
    void SetEntryTextSource(std::function<QString(int)> number, std::function<QString(int)> name);
    void SetViewState(std::function<ProtocolViewState()> state);

    // Replaces every row at once; the view repaints once.
    void Rebuild(const std::vector<RunFields> &entries);
    void RecalculateRow(int row);
    RunFields RowFields(int row) const;

    std::int32_t Cell(int row, int column) const;
    void SetCell(int row, int column, std::int32_t value);
    // Repaints every cell, for changes of the view state.
    void RepaintAll();

    static bool IsTimeColumn(int column);
    static bool IsCountColumn(int column);
    // The run column of a run number: 1 chooses "Lauf 1", anything else "Lauf 2".
    static int RunColumn(int run) { return run == 1 ? Time1 : Time2; }

    QString CellText(int row, int column) const;
    QColor CellColor(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    bool validRow(int row) const { return row >= 0 && row < int(m_rows.size()); }
    void recalculate(Row &row) const;
    void recalculateRun(Row &row, int timeColumn) const;

    std::vector<Row> m_rows;
    std::function<double()> m_fpSeconds;
    std::function<double()> m_fsSeconds;
    std::function<QString(int)> m_numberText;
    std::function<QString(int)> m_nameText;
    std::function<ProtocolViewState()> m_viewState;
};

// Time cell text; a negative value shows as a minus sign before the formatted size.
QString FormatCellTime(std::int64_t t);
