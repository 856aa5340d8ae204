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
    if (current.isValid() && !m_takingFocus)
        emit cellSelected(current.column(), current.row());
}

void ProtocolGrid::focusInEvent(QFocusEvent *event)
{
    // The base class makes the first cell current when the grid gets the focus without one. That
    // is nobody's choice, so no participant may follow from it: F5 would time the wrong person.
    const bool hadCurrent = currentIndex().isValid();
    m_takingFocus = true;
    QTableView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid())
        selectionModel()->clearCurrentIndex();
    m_takingFocus = false;
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
    // Only the left button clicks a cell; a right click resets no run.
    if (event->button() == Qt::LeftButton && released.isValid() && released == m_pressed)
        emit cellClicked(released.column(), released.row(), modifiers);
    m_pressed = QModelIndex();
}

void ProtocolGrid::keyPressEvent(QKeyEvent *event)
{
    QTableView::keyPressEvent(event);
    emit keyHandled(event->key());
}
