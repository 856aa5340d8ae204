#include "core/startlist/StartList.h"

#include "core/text/Numbers.h"

#include <algorithm>

namespace {
// The list titles are marked so the check of the German catalogue sees the grid's column titles.
constexpr FieldInfo fields[FieldCount] = {
    {ListField::Number, QT_TRANSLATE_NOOP("StartListModel", "#"), "#", FieldKind::Position},
    {ListField::Name, QT_TRANSLATE_NOOP("StartListModel", "Name"), "Name", FieldKind::Text},
    {ListField::Age, QT_TRANSLATE_NOOP("StartListModel", "Age"), "Alter", FieldKind::Text},
    {ListField::StartNr, QT_TRANSLATE_NOOP("StartListModel", "Start-Nr"), "Start-Nr", FieldKind::Text},
    {ListField::Info1, QT_TRANSLATE_NOOP("StartListModel", "Info1"), "Info1", FieldKind::Text},
    {ListField::Info2, QT_TRANSLATE_NOOP("StartListModel", "Info2"), "Info2", FieldKind::Text},
    {ListField::Info3, QT_TRANSLATE_NOOP("StartListModel", "Info3"), "Info3", FieldKind::Text},
    {ListField::Time1, QT_TRANSLATE_NOOP("StartListModel", "Time1"), "Lauf 1", FieldKind::Time},
    {ListField::FP1, QT_TRANSLATE_NOOP("StartListModel", "FP1"), "FP", FieldKind::Count},
    {ListField::FS1, QT_TRANSLATE_NOOP("StartListModel", "FS1"), "FS", FieldKind::Count},
    {ListField::Time2, QT_TRANSLATE_NOOP("StartListModel", "Time2"), "Lauf 2", FieldKind::Time},
    {ListField::FP2, QT_TRANSLATE_NOOP("StartListModel", "FP2"), "FP", FieldKind::Count},
    {ListField::FS2, QT_TRANSLATE_NOOP("StartListModel", "FS2"), "FS", FieldKind::Count},
    {ListField::Penalty1, nullptr, "Fehler", FieldKind::Time},
    {ListField::Total1, nullptr, "Gesamt", FieldKind::Time},
    {ListField::Penalty2, nullptr, "Fehler", FieldKind::Time},
    {ListField::Total2, nullptr, "Gesamt", FieldKind::Time},
    {ListField::GrandTotal, nullptr, "Ges.Zeit", FieldKind::Time},
    {ListField::Place, nullptr, "Platz", FieldKind::Place},
    {ListField::RankValue, nullptr, "Bester Lauf", FieldKind::Time},
};

constexpr bool inFieldOrder()
{
    for (int i = 0; i < FieldCount; ++i) {
        if (int(fields[i].field) != i)
            return false;
    }
    return true;
}
static_assert(inFieldOrder());
} // namespace

const FieldInfo &fieldInfo(ListField field)
{
    const int i = int(field);
    return fields[i >= 0 && i < FieldCount ? i : 0];
}

QString listFieldTitle(ListField field)
{
    const int i = int(field);
    return i >= 0 && i < ListFieldCount ? QString::fromLatin1(fields[i].listTitle) : QString();
}

QString StartList::text(int index, ListField field) const
{
    if (!isValidIndex(index))
        return QString();
    if (field == ListField::Number)
        return QString::number(index + 1);
    if (isTextField(field))
        return at(index).texts[std::size_t(textSlot(field))];
    if (isNumberField(field))
        return formatGeneralNumber(at(index).numbers[std::size_t(numberSlot(field))]);
    return QString();
}

bool StartList::setText(int index, ListField field, const QString &text)
{
    if (!isValidIndex(index) || !isTextField(field))
        return false;
    m_entries[std::size_t(index)].texts[std::size_t(textSlot(field))] = text;
    return true;
}

std::int32_t StartList::wholeNumber(int index, ListField field) const
{
    if (!isValidIndex(index))
        return 0;
    if (field == ListField::Number)
        return index + 1;
    if (!isNumberField(field))
        return 0;
    return wholeNumberOf(at(index).numbers[std::size_t(numberSlot(field))]);
}

bool StartList::setWholeNumber(int index, ListField field, std::int32_t value)
{
    if (!isValidIndex(index) || !isNumberField(field))
        return false;
    m_entries[std::size_t(index)].numbers[std::size_t(numberSlot(field))] = double(value);
    return true;
}

void StartList::add()
{
    m_entries.emplace_back();
}

int StartList::removeRows(const std::vector<int> &rows)
{
    std::vector<bool> selected(m_entries.size(), false);
    for (int row : rows)
        if (isValidIndex(row))
            selected[std::size_t(row)] = true;
    std::size_t index = 0;
    const auto firstRemoved
        = std::remove_if(m_entries.begin(), m_entries.end(), [&](const StartListEntry &) { return selected[index++]; });
    const int removed = int(m_entries.end() - firstRemoved);
    m_entries.erase(firstRemoved, m_entries.end());
    return removed;
}

bool StartList::isDescending(ListField field) const
{
    return isTextField(field) && m_descending[std::size_t(textSlot(field))];
}

QString StartList::sortBy(ListField field, std::vector<std::size_t> *newOrder)
{
    if (!isTextField(field))
        return QString();
    const auto slot = std::size_t(textSlot(field));
    const bool descending = m_sortColumn == field ? !m_descending[slot] : m_descending[slot];

    std::vector<std::size_t> order(m_entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;

    if (field == ListField::Age || field == ListField::StartNr) {
        std::vector<double> keys(m_entries.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const QString &text = m_entries[i].texts[slot];
            const std::optional<double> key = parseDecimal(text);
            if (!key)
                return notAFloatMessage(text);
            keys[i] = *key;
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return descending ? keys[b] < keys[a] : keys[a] < keys[b];
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const QString &x = m_entries[a].texts[slot];
            const QString &y = m_entries[b].texts[slot];
            return descending ? QString::compare(y, x, Qt::CaseSensitive) < 0
                              : QString::compare(x, y, Qt::CaseSensitive) < 0;
        });
    }

    Entries sorted;
    sorted.reserve(m_entries.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(m_entries[i]));
    m_entries = std::move(sorted);
    if (newOrder)
        *newOrder = std::move(order);
    m_sortColumn = field;
    m_descending[slot] = descending;
    return QString();
}
