#pragma once

#include "core/system/FileResult.h"

#include <QModelIndex>
#include <QObject>

#include <functional>

class MarksKeeper;
class QAbstractItemView;
class QAction;
class QMenu;
class QWidget;

// Marks of a run from the protocol grid's context menu: on a run's time cell, "n.a.", "DNF",
// "DSQ" (asking for the reason) and clearing the mark. The menu's keys, pressed in the grid, mark
// the current row's active run. The save of the marks file is reported through saveFinished, for
// the window's warning line: no box may take the keys.
class RunMarkWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunMarkWiring)

public:
    // timeColumn1 and timeColumn2 are the grid's columns of the two runs' times, nameColumn the
    // driver's; activeRun gives the run the clock times (1 or 2, 0 for none).
    RunMarkWiring(QWidget *window, QAbstractItemView *grid, QMenu *menu, MarksKeeper &marks, int timeColumn1,
                  int timeColumn2, int nameColumn, std::function<int()> activeRun);

    void setEnabled(bool on);

signals:
    void saveFinished(const FileResult &result);

private:
    void cellChosen(const QPoint &position);
    void markChosen(int mark);
    void markRun(int row, int run, int mark);
    int runOf(const QModelIndex &cell) const;

    QWidget *m_window;
    QAbstractItemView *m_grid;
    MarksKeeper &m_marks;
    int m_timeColumns[2];
    int m_nameColumn;
    std::function<int()> m_activeRun;
    QList<QAction *> m_actions;
    QList<QAction *> m_keys;
    QModelIndex m_cell;
    bool m_enabled = true;
};
