#pragma once

#include <QStyledItemDelegate>

#include <functional>

// Draws protocol cells (background from the model, one line, vertically centred, cut with
// an ellipsis and then whole in the tooltip, no focus or selection mark) and edits count cells
// with a CountSpinEditor. A typed text that differs from the cell's goes to the model's setData.
class ProtocolDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // Cells that get a small mark in their corner (a time entered by hand shows "H").
    void setMarker(std::function<QString(const QModelIndex &)> marker) { m_marker = std::move(marker); }

signals:
    // The model would not take the typed text (it is no whole number); nothing changed.
    void textRefused(const QString &text) const;

private:
    std::function<QString(const QModelIndex &)> m_marker;
};
