#include "gui/widgets/ProtocolGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>

ProtocolGrid::ProtocolGrid(QWidget *parent)
    : QTableView(parent)
{
}

void ProtocolGrid::selectColumnOfCurrentRow(int column)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const QModelIndex target = model()->index(current.row(), column);
    if (target == current)
        emit cellSelected(column, current.row());
    else
        setCurrentIndex(target);
}

void ProtocolGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    m_reportedByPress = true;
    if (current.isValid())
        emit cellSelected(current.column(), current.row());
}

void ProtocolGrid::mousePressEvent(QMouseEvent *event)
{
    m_reportedByPress = false;
    const QModelIndex before = currentIndex();
    QTableView::mousePressEvent(event);
    m_pressed = indexAt(event->position().toPoint());
    // Pressing the cell that is already selected selects it again.
    if (!m_reportedByPress && m_pressed.isValid() && m_pressed == before)
        emit cellSelected(m_pressed.column(), m_pressed.row());
}

void ProtocolGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const QModelIndex released = indexAt(event->position().toPoint());
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    QTableView::mouseReleaseEvent(event);
    if (released.isValid() && released == m_pressed)
        emit cellClicked(released.column(), released.row(), modifiers);
    m_pressed = QModelIndex();
}

void ProtocolGrid::keyPressEvent(QKeyEvent *event)
{
    QTableView::keyPressEvent(event);
    emit keyHandled(event->key());
}
