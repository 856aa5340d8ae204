#include "gui/widgets/CutTextTip.h"

#include "gui/widgets/DrawnText.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QToolTip>

bool showCutTextTip(QHelpEvent *event, QAbstractItemView *view, const QModelIndex &index, const QFontMetrics &metrics,
                    int textWidth)
{
    if (!event || !view || event->type() != QEvent::ToolTip || !index.isValid()
        || index.data(Qt::ToolTipRole).isValid())
        return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty() || metrics.horizontalAdvance(drawnText(text)) <= textWidth)
        return false;
    const QRect cell = view->visualRect(index);
    // A text of megabytes shows as much of itself as a cell would draw.
    QToolTip::showText(event->globalPos(), drawnText(text), view->viewport(),
                       QRect(view->viewport()->mapToGlobal(cell.topLeft()), cell.size()));
    return true;
}
