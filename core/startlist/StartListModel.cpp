#include "core/startlist/StartListModel.h"

#include "core/settings/RaceDaySettings.h"
#include "core/startlist/ClassStore.h"

#include <QCoreApplication>

namespace {
bool isCell(const QModelIndex &index, const QAbstractItemModel *model, int rows)
{
    return index.isValid() && index.model() == model && !index.parent().isValid() && index.row() < rows
        && index.column() < ListFieldCount;
}
} // namespace

StartListModel::StartListModel(ClassStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
}

const StartList &StartListModel::list() const
{
    return m_store.list();
}

int StartListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : list().count();
}

int StartListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ListFieldCount;
}

QVariant StartListModel::data(const QModelIndex &index, int role) const
{
    if (!isCell(index, this, list().count()))
        return QVariant();
    const auto field = ListField(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return list().text(index.row(), field);
    case Qt::TextAlignmentRole:
        return field == ListField::Number ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                          : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

bool StartListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !isCell(index, this, list().count()))
        return false;
    return m_store.writeTextField(index.row(), ListField(index.column()), value.toString(), ChangeSource::Editor);
}

QVariant StartListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ListFieldCount)
        return QVariant();
    if (role == Qt::DisplayRole && section >= int(ListField::Info1) && section <= int(ListField::Info3)) {
        const int info = section - int(ListField::Info1) + 1;
        const QString &title = m_infoTitles[std::size_t(info - 1)];
        return title.isEmpty() ? infoTitleOf({}, info) : title;
    }
    if (role == Qt::DisplayRole)
        return QCoreApplication::translate("StartListModel", listFieldTitle(ListField(section)).toLatin1().constData());
    return QVariant();
}

Qt::ItemFlags StartListModel::flags(const QModelIndex &index) const
{
    if (!isCell(index, this, list().count()))
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (isTextField(ListField(index.column())))
        result |= Qt::ItemIsEditable;
    return result;
}

void StartListModel::setInfoTitles(const std::array<QString, 3> &titles)
{
    if (titles == m_infoTitles)
        return;
    m_infoTitles = titles;
    emit headerDataChanged(Qt::Horizontal, int(ListField::Info1), int(ListField::Info3));
}

void StartListModel::cellChanged(int row, ListField field)
{
    const QModelIndex cell = index(row, int(field));
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

void StartListModel::followOrder(const std::vector<std::size_t> &order)
{
    if (order.empty())
        return;
    std::vector<int> newRowOf(order.size());
    for (std::size_t row = 0; row < order.size(); ++row)
        newRowOf[order[row]] = int(row);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from) {
        const auto row = std::size_t(index.row());
        to << (row < newRowOf.size() ? this->index(newRowOf[row], index.column()) : index);
    }
    changePersistentIndexList(from, to);
}
