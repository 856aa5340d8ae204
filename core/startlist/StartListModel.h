#pragma once

#include "core/startlist/StartList.h"

#include <QAbstractTableModel>

// The grid's view of the current list: thirteen columns in field order, the texts editable.
class StartListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartListModel)

public:
    explicit StartListModel(QObject *parent = nullptr);

    const StartList &list() const { return m_list; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // A batch of changes to the whole list, shown once at the end.
    template<typename Change>
    auto changeAll(Change &&change)
    {
        beginResetModel();
        struct EndReset
        {
            StartListModel *model;
            ~EndReset() { model->endResetModel(); }
        } end{this};
        return change(m_list);
    }

    void addRow();
    int removeRows(const std::vector<int> &rows);
    QString sortBy(ListField field);
    bool setWholeNumber(int index, ListField field, std::int32_t value);

private:
    StartList m_list;
};
