#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Every field of an entry, the one list the class file, the store, the protocol and the exports
// speak of. First the thirteen of the start list in column and file order ("#" is the position,
// never stored), then the ones scoring works out from the runs and the penalty seconds, never
// stored either. fieldInfo() says what each one is; the protocol, the exports and the live pages
// name their columns by these fields.
enum class ListField : int {
    Number = 0,
    Name,
    Age,
    StartNr,
    Info1,
    Info2,
    Info3,
    Time1,
    FP1,
    FS1,
    Time2,
    FP2,
    FS2,
    Penalty1,
    Total1,
    Penalty2,
    Total2,
    GrandTotal,
    Place,
    // In "Bester Lauf": the better unmarked run's total, which places compare.
    RankValue,
};

// The start list's fields: the editor's columns and a record of the class file.
inline constexpr int ListFieldCount = 13;
inline constexpr int FieldCount = 20;
inline constexpr int ListTextCount = 6;
inline constexpr int ListNumberCount = 6;

constexpr bool isTextField(ListField field)
{
    return field >= ListField::Name && field <= ListField::Info3;
}
constexpr bool isNumberField(ListField field)
{
    return field >= ListField::Time1 && field <= ListField::FS2;
}
constexpr int textSlot(ListField field)
{
    return int(field) - int(ListField::Name);
}
constexpr int numberSlot(ListField field)
{
    return int(field) - int(ListField::Time1);
}
// The time field of a run: 1 is "Lauf 1", any other run number "Lauf 2".
constexpr ListField runTimeField(int run)
{
    return run == 1 ? ListField::Time1 : ListField::Time2;
}

enum class FieldKind {
    Position, // "#": the entry's place in the list
    Text,
    Time, // whole milliseconds
    Count, // penalty counts
    Place, // 0 for none
};

struct FieldInfo
{
    ListField field;
    // The start list editor's column title (translated there); null for the scored fields.
    const char *listTitle;
    // The protocol's and the results' heading.
    const char *heading;
    FieldKind kind;
};

const FieldInfo &fieldInfo(ListField field);
QString listFieldTitle(ListField field);

struct StartListEntry
{
    std::array<QString, ListTextCount> texts;
    std::array<double, ListNumberCount> numbers {};

    friend bool operator==(const StartListEntry &, const StartListEntry &) = default;
};

// The list of one class. Plain data and the editing rules; windows and files build on it.
class StartList final
{
public:
    using Entries = std::vector<StartListEntry>;

    int count() const { return int(m_entries.size()); }
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }
    const Entries &entries() const { return m_entries; }
    Entries &entries() { return m_entries; }
    const StartListEntry &at(int index) const { return m_entries[std::size_t(index)]; }

    // "#" gives the position counted from 1; number fields give their stored value as written to a file.
    QString text(int index, ListField field) const;
    bool setText(int index, ListField field, const QString &text);
    std::int32_t wholeNumber(int index, ListField field) const;
    bool setWholeNumber(int index, ListField field, std::int32_t value);

    void add();
    void append(StartListEntry entry) { m_entries.push_back(std::move(entry)); }
    // Removes the entries whose indices are given; the others keep their order. Returns how many went.
    int removeRows(const std::vector<int> &rows);
    void clear() { m_entries.clear(); }

    // A header click: a new sort column sorts in its own remembered direction, the sort column
    // reverses. Returns the error message when a numeric column holds a text that is no number;
    // then nothing moves and the sort state stays as it was. When given, order receives for each
    // new position the entry's old position (left empty when nothing moved).
    QString sortBy(ListField field, std::vector<std::size_t> *order = nullptr);
    std::optional<ListField> sortColumn() const { return m_sortColumn; }
    bool isDescending(ListField field) const;

private:
    Entries m_entries;
    std::optional<ListField> m_sortColumn;
    std::array<bool, ListTextCount> m_descending {};
};
