#pragma once

#include "core/startlist/StartList.h"

#include <QAbstractTableModel>

#include <array>
#include <vector>

class ClassStore;

// The editor grid's view of the store's current list: thirteen columns in field order, the texts
// editable. Edits go to the store, which tells this model what changed.
class StartListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartListModel)

public:
    explicit StartListModel(ClassStore &store, QObject *parent = nullptr);

    const StartList &list() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The headings of Info1..Info3; an empty one keeps the designed title.
    void setInfoTitles(const std::array<QString, 3> &titles);

private:
    // The store brackets its changes with the model's notifications.
    friend class ClassStore;
    void cellChanged(int row, ListField field);
    // Selection and focus move with their entries: an action on the selected rows right after a
    // sort must reach the same participants. order holds each new row's old row.
    void followOrder(const std::vector<std::size_t> &order);

    ClassStore &m_store;
    std::array<QString, 3> m_infoTitles;
};
