#pragma once

#include "core/protocol/Ranking.h"
#include "core/startlist/StartList.h"
#include "core/timing/PerfTimer.h"
#include "core/timing/RunState.h"

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
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

    // The role under which data() gives a cell's colour, as a 0xBBGGRR number.
    static constexpr int ColorRole = Qt::UserRole;

    // Whole seconds per FP and FS count; a change rescores every row at once, so one class is
    // never scored with mixed values.
    void setPenaltySeconds(double fpSeconds, double fsSeconds);
    std::int64_t fpSeconds() const { return m_fpSeconds; }
    std::int64_t fsSeconds() const { return m_fsSeconds; }
    // The entries whose "#" and "Name" the rows show; an index outside them shows "?" as its name.
    void setEntries(const StartList *entries);
    void setRunState(const RunState &state);
    const RunState &runState() const { return m_runState; }
    void setColors(const ProtocolColors &colors);

    // Replaces every row at once; the view repaints once.
    void rebuild(const std::vector<RunFields> &entries);
    void recalculateRow(int row);
    RunFields rowFields(int row) const;

    // The "Platz" cell is worked out from the other rows, never stored: 0 for no place.
    std::int32_t cell(int row, int column) const;
    void setCell(int row, int column, std::int32_t value);

    static bool isTimeColumn(int column);
    static bool isCountColumn(int column);
    // The run column of a run number: 1 chooses "Lauf 1", anything else "Lauf 2".
    static int runColumn(int run) { return run == 1 ? Time1 : Time2; }

    QString cellText(int row, int column) const;
    std::uint32_t cellColor(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // Every cell, for changes of the run state or the colours.
    void repaintAll();
    bool validRow(int row) const { return row >= 0 && row < int(m_rows.size()); }
    void recalculate(Row &row) const;
    void recalculateRun(Row &row, int timeColumn) const;
    void resetPlaces();
    // After a change of one row; every shown place may move.
    void updatePlace(int row);

    std::vector<Row> m_rows;
    PlaceIndex m_places;
    std::int64_t m_fpSeconds = 2;
    std::int64_t m_fsSeconds = 10;
    const StartList *m_entries = nullptr;
    RunState m_runState;
    ProtocolColors m_colors;
};

// Time cell text; a negative value shows as a minus sign before the formatted size.
QString formatCellTime(std::int64_t t);
