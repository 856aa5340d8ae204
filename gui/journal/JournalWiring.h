#pragma once

#include "core/journal/Journal.h"
#include "core/startlist/StoreChange.h"
#include "core/system/FileResult.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>

#include <cstdint>

class ClassStore;
class HandMarks;
class JournalRecorder;
class QAbstractItemView;
class QAction;
class QLabel;
class QModelIndex;
class QWidget;
class RaceSession;
class RunControl;
class UndoHistory;
class WarningLine;

// The event journal as the main window offers it: every change written to the journal, Ctrl+Z and
// Ctrl+Y, and the warning line for a journal that cannot be written and for a time RESET recorded.
class JournalWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalWiring)

public:
    JournalWiring(QWidget *window, RaceSession &session, WarningLine &warnings, QAbstractItemView *grid);
    ~JournalWiring() override;

    JournalRecorder &recorder() { return *m_recorder; }
    UndoHistory &history() { return *m_history; }
    HandMarks &handMarks() { return *m_handMarks; }

    // Before any class is loaded: class files the program left behind the journal get the
    // journal's values back, and the warning line says which.
    void restoreAfterCrash();

    void undo();
    void redo();
    // Undo (backwards) or redo, saved at once; why nothing was done, or an empty text.
    QString step(bool backwards);

private:
    // A class file lost or damaged beyond reading: rebuilt from the journal if the operator wants.
    void offerRebuild(int classIndex);
    void enterHandTime();
    void enterHandTimeFor(int row, int run);
    // A run the journal shows on course when the program ended: its time by hand, if wanted.
    void offerLostRun(const JournalEvent &start, const QString &text);
    void followChange(const StoreChange &change);
    QString markOf(const QModelIndex &index) const;
    void showJournalProblem(const FileResult &result);
    void showReset(int row, int run, std::int32_t timeMs, const QString &name);
    void showNote(const QString &text, bool lasting);

    QWidget *m_window;
    ClassStore &m_store;
    RunControl &m_runs;
    WarningLine &m_warnings;
    JournalRecorder *m_recorder;
    UndoHistory *m_history;
    QAbstractItemView *m_grid;
    QAction *m_handTime = nullptr;
    QPersistentModelIndex m_menuCell;
    HandMarks *m_handMarks;
};
