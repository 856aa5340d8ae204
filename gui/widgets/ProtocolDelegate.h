#pragma once

#include <QStyledItemDelegate>

// Draws protocol cells (background from the model, one line, vertically centred, cut with
// an ellipsis and then whole in the tooltip, no focus or selection mark) and edits count cells
// with a CountSpinEditor.
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

signals:
    // Only when the typed text differs from the cell's text; the receiver decides what it means.
    void textEntered(const QModelIndex &index, const QString &text) const;
};
