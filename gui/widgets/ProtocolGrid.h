#pragma once

#include <QPersistentModelIndex>
#include <QTableView>

// The protocol grid: reports every selection the operator makes (also of the cell already
// selected), completed left clicks with the modifiers held at the click, and keys after its own
// handling of them.
class ProtocolGrid final : public QTableView
{
    Q_OBJECT

public:
    explicit ProtocolGrid(QWidget *parent = nullptr);

    // Moves the selection to a column of the selected row, reported like an operator's move.
    void selectColumnOfCurrentRow(int column);

signals:
    void cellSelected(int column, int row);
    void cellClicked(int column, int row, Qt::KeyboardModifiers modifiers);
    void keyHandled(int key);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPersistentModelIndex m_pressed;
    bool m_reportedByPress = false;
    bool m_takingFocus = false;
};
