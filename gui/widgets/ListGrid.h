#pragma once

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

// The grid of the start list editor and the class editor: 22-pixel rows under an 18-pixel header,
// grey grid lines, full-row selection, the focused row white and the others in alternating greys.
// Enter and a plain click on the focused cell start editing; finishEditing() commits an open editor,
// so a class switch or closing takes what is being typed.
class ListGridView final : public QTableView
{
    Q_OBJECT

public:
    explicit ListGridView(QWidget *parent = nullptr);

    void finishEditing();
    // Applied to every text entered in a cell before the model takes it.
    void setEnteredTextFilter(std::function<QString(const QString &)> filter);

signals:
    // A text was entered in a cell: as typed, and as the filter let the model take it.
    void textEntered(const QString &typed, const QString &taken);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    class Delegate;
    Delegate *m_delegate;
};
