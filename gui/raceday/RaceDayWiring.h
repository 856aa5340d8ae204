#pragma once

#include "core/system/FileResult.h"

#include <QObject>

#include <functional>

class ClassStore;
class MarksKeeper;
class RaceSession;
class RunMarkWiring;
class QLabel;
class QToolButton;
class QWidget;

// What the race day adds to the main window: the event button beside the other tools,
// "Noch zu fahren: N" beside the run editor (the participants of the class still without a time
// or a mark in the current run) and the marks of runs in the protocol grid's context menu.
class RaceDayWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RaceDayWiring)

public:
    // The button goes into toolbar at the given place, the count into window beside the run editor.
    RaceDayWiring(QWidget *window, QWidget *toolbar, RaceSession &session, std::function<int()> currentRun);

    // Off while a run is timed, like the window's other controls.
    void setEnabled(bool on);
    void showRemaining();
    // Participants of the current class with neither a time nor a mark in run (1, else 2).
    MarksKeeper &marks() { return *m_marks; }
    static int remainingIn(const ClassStore &store, const MarksKeeper &marks, int run);

signals:
    // A save of the marks file, for the warning line.
    void saveFinished(const FileResult &result);

private:
    void cmdEventClick();

    QWidget *m_window;
    RaceSession &m_session;
    ClassStore &m_store;
    std::function<int()> m_currentRun;
    QToolButton *m_button;
    QLabel *m_remaining;
    MarksKeeper *m_marks;
    RunMarkWiring *m_markActions = nullptr;
};
