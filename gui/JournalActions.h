#pragma once

#include "core/startlist/StoreChange.h"
#include "core/system/FileResult.h"

#include <QObject>
#include <QString>

#include <cstdint>

class ClassStore;
class JournalRecorder;
class QAbstractItemView;
class QAction;
class QLabel;
class QWidget;
class ResultsProtocol;
class RunControl;
class UndoHistory;
class WarningLine;

// The event journal as the main window offers it: every change written to the journal, Ctrl+Z and
// Ctrl+Y, and the warning line for a journal that cannot be written and for a time RESET recorded.
class JournalActions final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalActions)

public:
    JournalActions(QWidget *window, ClassStore &store, RunControl &runs, ResultsProtocol &protocol,
                   WarningLine &warnings);
    ~JournalActions() override;

    JournalRecorder &recorder() { return *m_recorder; }
    UndoHistory &history() { return *m_history; }

    // Before any class is loaded: class files the program left behind the journal get the
    // journal's values back, and the warning line says which.
    void restoreAfterCrash();

    // F5 to F9 as the window sees them, before the command runs: the journal names the key.
    void commandKey(int key);
    // A run button pressed, before the command runs.
    void commandButton(ChangeSource source);

    // Pulses of the barrier panel's control: the starts and stops they give, and what became of each.
    void watchBarrier(QObject &panel);

    void undo();
    void redo();

private:
    void step(bool backwards);
    void showJournalProblem(const FileResult &result);
    void showReset(int row, int run, std::int32_t timeMs, const QString &name);
    void showNote(const QString &text, bool lasting);

    QWidget *m_window;
    ClassStore &m_store;
    RunControl &m_runs;
    ResultsProtocol &m_protocol;
    WarningLine &m_warnings;
    JournalRecorder *m_recorder;
    UndoHistory *m_history;
};
