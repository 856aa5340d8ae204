#pragma once

#include <QObject>

#include <functional>

class HistoryWindow;
class QAbstractItemView;
class QKeyEvent;
class QWidget;
class RaceSession;

// Where the main window opens the history: "History..." in the protocol's context menu for the
// participant of the row clicked, and Ctrl+H for the current row (or the whole class).
class HistoryWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryWiring)

public:
    HistoryWiring(QWidget *window, RaceSession &session, QAbstractItemView *grid,
                  std::function<bool(const QKeyEvent &)> timingKey);

private:
    HistoryWindow *m_history;
    QAbstractItemView *m_grid;
    int m_menuRow = -1;
};
