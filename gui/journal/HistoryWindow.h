#pragma once

#include "core/journal/HistoryModel.h"

#include <QWidget>

#include <functional>
#include <optional>

class ClassStore;
class JournalRecorder;
class QKeyEvent;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;
class RaceSession;
class RunControl;

// "Verlauf": the journal of the current class or one participant, newest first, with the
// restore of a replaced value and a printout for protests. Not modal: the main window keeps
// timing, and the timing keys pressed here go to it.
class HistoryWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryWindow)

public:
    // timingKey is the main window's handling of F5 to F9; true when the key was one of them.
    HistoryWindow(QWidget *mainWindow, RaceSession &session, std::function<bool(const QKeyEvent &)> timingKey);

    // Shows and raises the window for the entry of the current class, or the whole class.
    void showFor(std::optional<int> entry);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void reload();
    // Where the operator left it, else beside the clock and the run buttons, never over them.
    void place();
    void follow();
    void scopeChosen();
    void restoreSelected();
    void print();
    void updateTitle();
    void showRead(const FileResult &read);
    void setStatus(const QString &text, bool good);

    RaceSession &m_session;
    ClassStore &m_store;
    RunControl &m_runs;
    JournalRecorder &m_recorder;
    std::function<bool(const QKeyEvent &)> m_timingKey;
    HistoryModel *m_model;
    QTableView *m_table;
    QRadioButton *m_onePerson;
    QRadioButton *m_wholeClass;
    QPushButton *m_restore;
    QLabel *m_status;
    QTimer *m_follow;
    std::optional<HistoryModel::Person> m_person; // the participant the window was opened for
    bool m_placed = false;
};
