#pragma once

#include "core/protocol/RaceRules.h"
#include "core/protocol/Ranking.h"
#include "core/protocol/Scoring.h"
#include "core/timing/PerfTimer.h"
#include "core/timing/RunState.h"

#include <QAbstractTableModel>

#include <array>
#include <cstdint>

class ClassStore;
class MarksKeeper;
struct StoreChange;

// The four protocol colours, as 0xBBGGRR values.
struct ProtocolColors
{
    std::uint32_t defaultColor = 0xFFEAEA;
    std::uint32_t activeColor = 0xB9FFFF;
    std::uint32_t acceptedColor = 0xE9FFD2;
    std::uint32_t undefinedColor = 0xECD9FF;
};

// The protocol's columns, by the field of an entry each one shows. The value that ranks is shown
// only in "Bester Lauf"; the view hides it otherwise.
inline constexpr std::array<ListField, 15> ProtocolColumns {
    ListField::Number,   ListField::Name,   ListField::Time1,      ListField::FP1,   ListField::FS1,
    ListField::Penalty1, ListField::Total1, ListField::Time2,      ListField::FP2,   ListField::FS2,
    ListField::Penalty2, ListField::Total2, ListField::GrandTotal, ListField::Place, ListField::RankValue,
};

// -1 for a field the protocol does not show.
constexpr int protocolColumnOf(ListField field)
{
    for (std::size_t c = 0; c < ProtocolColumns.size(); ++c) {
        if (ProtocolColumns[c] == field)
            return int(c);
    }
    return -1;
}

// The results protocol of the current class: a view of the class store, one row per entry, with
// the penalty times, totals and places worked out from it. It keeps only the places (so the live
// time can move one participant ten times a second without ranking the class again) and the
// running clock, which is shown and never stored.
class ProtocolModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolModel)

public:
    static constexpr int ColumnCount = int(ProtocolColumns.size());
    static constexpr int columnOf(ListField field) { return protocolColumnOf(field); }
    // The columns windows and tests address by name.
    static constexpr int Number = protocolColumnOf(ListField::Number), Name = protocolColumnOf(ListField::Name),
                         Time1 = protocolColumnOf(ListField::Time1), FP1 = protocolColumnOf(ListField::FP1),
                         FS1 = protocolColumnOf(ListField::FS1), Penalty1 = protocolColumnOf(ListField::Penalty1),
                         Total1 = protocolColumnOf(ListField::Total1), Time2 = protocolColumnOf(ListField::Time2),
                         FP2 = protocolColumnOf(ListField::FP2), FS2 = protocolColumnOf(ListField::FS2),
                         Penalty2 = protocolColumnOf(ListField::Penalty2), Total2 = protocolColumnOf(ListField::Total2),
                         GrandTotal = protocolColumnOf(ListField::GrandTotal),
                         Place = protocolColumnOf(ListField::Place), RankValue = protocolColumnOf(ListField::RankValue);

    explicit ProtocolModel(ClassStore &store, QObject *parent = nullptr);

    // The field each column shows.
    static ListField fieldOf(int column);

    // The role under which data() gives a cell's colour, as a 0xBBGGRR number.
    static constexpr int ColorRole = Qt::UserRole;

    // The event's rules; a change rescores every row at once, so one class is never scored with
    // mixed values.
    void setRules(const RaceRules &rules);
    const RaceRules &rules() const { return m_rules; }
    // Whole seconds per FP and FS count, the rest of the rules kept.
    void setPenaltySeconds(double fpSeconds, double fsSeconds);
    std::int64_t fpSeconds() const { return m_rules.fpSeconds; }
    std::int64_t fsSeconds() const { return m_rules.fsSeconds; }
    ScoringRules scoringRules() const { return m_rules.penalties(); }
    void setRunState(const RunState &state);
    const RunState &runState() const { return m_runState; }
    void setColors(const ProtocolColors &colors);

    // The marks of the runs: a marked run shows its mark and no total, and places follow the
    // scoring mode and the marks (see rankValueOf). Call rescore() when the marks changed.
    void setMarks(const MarksKeeper *marks);
    void rescore();

    // The running clock of the current participant's run, shown in its cells until the run stops.
    void showLiveTime(std::int32_t time);
    // The derived cells and the places after a change of the row's runs.
    void RecalculateRow(int row);

    // What the row shows: the stored runs, the running one with the live time.
    RunFields runFields(int row) const;
    // The "Platz" cell is worked out from the other rows, never stored: 0 for no place.
    std::int32_t cell(int row, int column) const;

    static bool isTimeColumn(int column);
    static bool isCountColumn(int column);

    QString cellText(int row, int column) const;
    std::uint32_t cellColor(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // A penalty count typed into its cell: false when the text is no whole number (nothing
    // changes). The store keeps it and saves the class file.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void storeChanged(const StoreChange &change);
    void reset();
    // Every cell, for changes of the run state or the colours.
    void repaintAll();
    void repaintRow(int row);
    bool validRow(int row) const { return row >= 0 && row < m_rowCount; }
    bool isLiveRow(int row) const { return m_liveShown && m_runState.running && row == m_runState.currentRow; }
    void resetPlaces();
    std::optional<std::uint32_t> placeKey(int row) const;
    // After a change of one row; every shown place may move.
    void updatePlace(int row);

    ClassStore &m_store;
    int m_rowCount = 0;
    PlaceIndex m_places;
    RaceRules m_rules;
    RunState m_runState;
    bool m_liveShown = false;
    std::int32_t m_liveTime = 0;
    ProtocolColors m_colors;
    const MarksKeeper *m_marks = nullptr;
};

// Time cell text; a negative value shows as a minus sign before the formatted size.
QString formatCellTime(std::int64_t t);
