#pragma once

#include "core/protocol/ResultsProtocol.h"
#include "core/system/FileResult.h"
#include "core/timing/EventClock.h"
#include "core/timing/RunControl.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class ClassStore;
class RaceDayWiring;
class RaceSession;
class BackupWiring;
class JournalWiring;
class ResultsWiring;
class TXJustOne;
class TfrmConfig;
class TfrmInfo;
class TfrmStartList;
class WarningLine;
class QKeyEvent;

namespace Ui {
class TfrmMain;
}

// The main window: time display, run buttons, light barrier picture and the protocol.
class TfrmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmMain)

public:
    explicit TfrmMain(RaceSession &session, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // False when another copy of the program is running; then nothing is to be shown.
    bool isFirstCopy() const;
    void setInfoDialog(TfrmInfo *info) { m_info = info; }
    void setStartListEditor(TfrmStartList *editor) { m_startList = editor; }
    // The dialog's controls hold the automatic lock and the protocol colours in force.
    void setConfigDialog(TfrmConfig *config);

    void LoadClass(int classIndex);

    // The five commands, as the buttons and F5 to F9 trigger them.
    void StartRun(ChangeSource source = ChangeSource::Key) { m_runs->StartRun(source); }
    void StopRun(ChangeSource source = ChangeSource::Key) { m_runs->StopRun(source); }
    void ResetClock(ChangeSource source = ChangeSource::Key) { m_runs->ResetClock(source); }
    void LockStation() { m_runs->LockStation(); }
    void UnlockStation() { m_runs->UnlockStation(); }
    void SelectParticipant(int row) { m_runs->SelectParticipant(row); }
    void ShowTime(TimeMs t) { m_runs->ShowTime(t); }
    void SetControlsEnabled(bool on);
    // Whatever else starts and stops runs (the light barrier) goes through the same control.
    RunControl &runControl() { return *m_runs; }
    RaceSession &session() { return m_session; }

    // Ctrl+Z (backwards) and Ctrl+Y on the current class; why nothing was done, or an empty text.
    QString undoStep(bool backwards);

    // The main window sees F5 to F9 before the focused control, without consuming them. The
    // command takes its time from the key event, not from when it is handled.
    bool FormKeyDown(int key) { return timingKey(key, readPerfCounter()); }
    bool FormKeyDown(const QKeyEvent &event);
    // An ending signal: open dialogs are closed, one try to save, a failure goes to standard
    // error, and the program ends without asking or showing anything.
    void closeWithoutQuestions();

    static QString helpText();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    bool FormClose();
    void showSaveResult(const FileResult &result);
    // The settings file's trouble, under headline ("%1" the file, "%2" the reason).
    void showSettingsResult(const FileResult &result, const QString &headline);
    void showSettingsWarning();
    bool timingKey(int key, std::int64_t count);
    // The run counter at an input event's timestamp; the handler's time where it has none.
    std::int64_t pressCount(quint64 timestamp);
    void edtPenaltySecondsChange();
    void setUpLook();
    void setUpTimers();
    void connectRunControl();
    void setUpGrid();
    void showScoringColumns(const RaceRules &rules);
    void FillClassNames();
    void showCurrentClass();
    void cmbClassChange(int index);
    void cmdStartListClick();
    void edtLaufChange();
    int runEditorValue() const;
    void GridSelectCell(int column, int row);
    void GridCellClick(int column, int row, Qt::KeyboardModifiers modifiers);
    void GridKeyDown(int key);
    void showLoadFailure(const FileError &error);
    void cmdHelpClick();
    void cmdExcelClick();
    void cmdHTMLClick();
    void cmdInfoClick();
    void cmdConfigClick();
    void showParticipantCaption(const QString &caption);
    void TabloUpdateTimer();
    void GridUpdatesTimer();
    void LazerBlinkTimer();

    std::unique_ptr<Ui::TfrmMain> m_ui;
    RaceSession &m_session;
    ClassStore &m_store;
    RunControl *m_runs;
    ResultsProtocol &m_protocol;
    ResultsWiring *m_results = nullptr;
    RaceDayWiring *m_raceDay = nullptr;
    std::unique_ptr<WarningLine> m_warnings;
    JournalWiring *m_journal = nullptr;
    BackupWiring *m_backup = nullptr;
    TfrmStartList *m_startList = nullptr;
    TXJustOne *m_justOne = nullptr;
    bool m_firstCopy = true;
    bool m_askOnClose = true;
    EventClock m_eventClock;
    bool m_eventTimeMissing = false;
    bool m_classNotSaved = false;
    // The warning line's text and tooltip while the settings file is in trouble.
    QStringList m_settingsWarning;
    TfrmInfo *m_info = nullptr;
    TfrmConfig *m_config = nullptr;
};
