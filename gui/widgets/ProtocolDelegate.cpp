#include "gui/widgets/ProtocolDelegate.h"

#include "core/protocol/ProtocolModel.h"
#include "gui/common/Colors.h"
#include "gui/widgets/CountSpinEditor.h"
#include "gui/widgets/CutTextTip.h"
#include "gui/widgets/DrawnText.h"

#include <QPainter>

#include <algorithm>

void ProtocolDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    const QVariant background = index.data(ProtocolModel::ColorRole);
    if (background.isValid())
        painter->fillRect(option.rect, colorFromBgr(background.value<std::uint32_t>()));
    const QRect textRect = option.rect.adjusted(1, 1, -1, -1);
    const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    const QString text = option.fontMetrics.elidedText(drawnText(index.data(Qt::DisplayRole).toString()),
                                                       Qt::ElideRight, textRect.width());
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::WindowText));
    painter->drawText(textRect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine), text);
    if (const QString mark = m_marker ? m_marker(index) : QString(); !mark.isEmpty()) {
        QFont small = option.font;
        small.setPixelSize(std::max(7, option.rect.height() / 3));
        painter->setFont(small);
        painter->drawText(option.rect.adjusted(1, 0, 0, 0), int(Qt::AlignLeft | Qt::AlignTop), mark);
    }
    painter->restore();
}

bool ProtocolDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                 const QModelIndex &index)
{
    // The width paint() draws in.
    return showCutTextTip(event, view, index, option.fontMetrics, option.rect.width() - 2)
        || QStyledItemDelegate::helpEvent(event, view, option, index);
}

QWidget *ProtocolDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    if (!(index.flags() & Qt::ItemIsEditable))
        return nullptr;
    auto *editor = new CountSpinEditor(parent);
    editor->setObjectName(QStringLiteral("CountEditor"));
    return editor;
}

void ProtocolDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *spin = qobject_cast<CountSpinEditor *>(editor))
        spin->loadText(index.data(Qt::DisplayRole).toString());
}

void ProtocolDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *spin = qobject_cast<CountSpinEditor *>(editor);
    if (!spin)
        return;
    const QString text = spin->text();
    if (text != index.data(Qt::DisplayRole).toString() && !model->setData(index, text, Qt::EditRole))
        emit textRefused(text);
}
