#include "gui/journal/JournalWiring.h"

#include "core/journal/HandMarks.h"
#include "core/journal/JournalRecorder.h"
#include "core/journal/Recovery.h"
#include "core/protocol/ProtocolModel.h"
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/timing/PerfTimer.h"
#include "core/timing/RunControl.h"
#include "core/undo/UndoHistory.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/journal/HandTimeDialog.h"
#include "gui/timing/WarningLine.h"
#include "gui/widgets/ProtocolDelegate.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace {
// A refused undo is news for a moment; a time RESET recorded stays until it is dealt with.
constexpr int ShortNoteMs = 5000;
} // namespace

JournalWiring::JournalWiring(QWidget *window, RaceSession &session, WarningLine &warnings, QAbstractItemView *grid)
    : QObject(window)
    , m_window(window)
    , m_store(session.store())
    , m_runs(session.runs())
    , m_warnings(warnings)
    , m_recorder(&session.recorder())
    , m_history(&session.history())
    , m_grid(grid)
    , m_handMarks(&session.handMarks())
{
    ClassStore &store = m_store;
    RunControl &runs = m_runs;
    connect(m_recorder, &JournalRecorder::journalProblem, this, &JournalWiring::showJournalProblem);
    connect(m_recorder, &JournalRecorder::resetRecorded, this, &JournalWiring::showReset);
    // The note about a RESET time concerns the run it was recorded for.
    connect(&runs, &RunControl::runStarted, this, [this] {
        m_warnings.clear(WarningLine::Note);
        m_warnings.clear(WarningLine::Restored);
    });
    connect(&store, &ClassStore::classLoaded, this, [this](int classIndex) {
        m_warnings.clear(WarningLine::Note);
        // Asked once the load and its messages are over.
        if (!QFileInfo::exists(ClassListPath(classIndex)) || m_store.lastLoadFailed())
            QTimer::singleShot(0, this, [this, classIndex] { offerRebuild(classIndex); });
    });

    const auto action = [this](const char *name, const QKeySequence &keys, void (JournalWiring::*handler)()) {
        auto *a = new QAction(m_window);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, handler);
        m_window->addAction(a);
    };
    action("actUndo", QKeySequence(Qt::CTRL | Qt::Key_Z), &JournalWiring::undo);
    action("actRedo", QKeySequence(Qt::CTRL | Qt::Key_Y), &JournalWiring::redo);

    // The protocol's context menu: a time from an official's stopwatch for the run cell clicked.
    if (auto *menu = grid->findChild<QMenu *>(QStringLiteral("mnuProtocol"))) {
        menu->addSeparator();
        m_handTime = menu->addAction(tr("Enter time by hand..."));
        m_handTime->setObjectName(QStringLiteral("actHandTime"));
        connect(m_handTime, &QAction::triggered, this, &JournalWiring::enterHandTime);
        connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
            m_menuCell = m_grid->indexAt(position);
            const int column = m_menuCell.column();
            // A modal dialog would take the keys from a run on course.
            m_handTime->setEnabled(!m_runs.Running() && column >= ProtocolModel::Time1
                                   && column <= ProtocolModel::Total2);
        });
    }
    if (auto *delegate = qobject_cast<ProtocolDelegate *>(grid->itemDelegate()))
        delegate->setMarker([this](const QModelIndex &index) { return markOf(index); });
    connect(&store, &ClassStore::changed, this, &JournalWiring::followChange);
}

void JournalWiring::followChange(const StoreChange &change)
{
    // A run cleared with Ctrl+click: the note about a time kept by RESET has been dealt with.
    if (change.kind == StoreChange::Kind::Field && change.source == ChangeSource::Reset
        && (change.field == ListField::Time1 || change.field == ListField::Time2) && change.newValue.toInt() == 0)
        m_warnings.clear(WarningLine::Note);
}

QString JournalWiring::markOf(const QModelIndex &index) const
{
    if (index.column() != ProtocolModel::Time1 && index.column() != ProtocolModel::Time2)
        return QString();
    return m_handMarks->isHandTime(index.row(), index.column() == ProtocolModel::Time1 ? 1 : 2) ? handTimeMark()
                                                                                                : QString();
}

void JournalWiring::enterHandTime()
{
    if (m_menuCell.isValid())
        enterHandTimeFor(m_menuCell.row(), m_menuCell.column() >= ProtocolModel::Time2 ? 2 : 1);
}

void JournalWiring::enterHandTimeFor(int row, int run)
{
    if (m_runs.Running() || row < 0 || row >= m_store.entryCount())
        return;
    const ListField field = run == 1 ? ListField::Time1 : ListField::Time2;
    HandTimeDialog dialog(m_store.readTextField(row, ListField::Name), run, m_store.readNumberField(row, field),
                          m_window);
    if (dialog.exec() != QDialog::Accepted || !dialog.time())
        return;
    m_recorder->setNoteForNextChange(dialog.reason());
    [[maybe_unused]] const FileResult saved = m_store.writeResult(row, {{field, *dialog.time()}}, ChangeSource::Hand);
    m_recorder->clearNote();
}

JournalWiring::~JournalWiring() = default;

void JournalWiring::restoreAfterCrash()
{
    QStringList shown;
    // The check may put the journal file aside; nothing else may hold it meanwhile.
    m_recorder->closeWriter();
    Journal &journal = m_recorder->journal();
    if (const QString aside = journal.checkIdentity(); !aside.isEmpty())
        shown << aside;
    if (const std::optional<JournalEvent> start = journal.runOnCourse().value_or(std::nullopt)) {
        const QString text
            = tr("Run %1 of %2 was on course when the program ended (started at %3); no time was saved.")
                  .arg(start->newValue, start->name, start->at.toLocalTime().toString(QStringLiteral("HH:mm:ss")));
        shown << text;
        // Said once: the next start does not name it again.
        JournalEvent lost = *start;
        lost.id = 0;
        lost.at = {};
        lost.clockMs.reset();
        lost.field = QStringLiteral("run lost");
        lost.source = QStringLiteral("restore");
        lost.note.clear();
        [[maybe_unused]] const FileResult written = journal.append(lost);
        // Asked once the class in use then is loaded and the window shows.
        QTimer::singleShot(0, this, [this, start = *start, text] { offerLostRun(start, text); });
    }
    QStringList restored;
    for (const ClassRecovery &recovery : restoreFromJournal(m_recorder->journal())) {
        const QString counted
            = (recovery.saved ? tr("class %1: %2 value(s)") : tr("class %1: %2 value(s) not restored, %3"))
                  .arg(recovery.classIndex)
                  .arg(recovery.restored);
        restored << (recovery.saved ? counted : counted.arg(recovery.saved.error().reason));
    }
    if (!restored.isEmpty())
        shown << tr("Restored from the journal:\n%1").arg(restored.join(QStringLiteral("; ")));
    // It stays until the first run starts, so the operator sees it whatever is opened first.
    if (!shown.isEmpty())
        m_warnings.show(WarningLine::Restored, shown.join(QLatin1Char('\n')));
}

void JournalWiring::offerLostRun(const JournalEvent &start, const QString &text)
{
    const int row = start.entry.value_or(-1);
    const int run = start.newValue.toInt();
    // Only where the driver is still the one that started: the list may have changed since.
    if (m_runs.Running() || m_store.CurrentClass() != start.classIndex || row < 0 || row >= m_store.entryCount()
        || m_store.readTextField(row, ListField::Name) != start.name || (run != 1 && run != 2))
        return;
    if (OperatorDialogs::askYesNo(m_window, tr("%1\n\nEnter the time from a stopwatch now?").arg(text)))
        enterHandTimeFor(row, run);
}

void JournalWiring::offerRebuild(int classIndex)
{
    const QString path = ClassListPath(classIndex);
    // A question would take the keys from a run on course; the class may have changed meanwhile.
    if (m_runs.Running() || m_store.CurrentClass() != classIndex
        || (QFileInfo::exists(path) && !m_store.lastLoadFailed())
        || !canRebuildClassFile(m_recorder->journal(), classIndex))
        return;
    if (!OperatorDialogs::askYesNo(m_window,
                                   tr("The class file %1 is missing or cannot be read.\n\nRestore it from the journal?")
                                       .arg(QDir::toNativeSeparators(path))))
        return;
    // The rows of this class still on their way belong in the rebuilt file.
    m_recorder->flush();
    const Result<int> rebuilt = rebuildClassFile(m_recorder->journal(), classIndex, path);
    if (!rebuilt) {
        OperatorDialogs::showError(m_window, rebuilt.error().message());
        return;
    }
    if (const FileResult loaded = m_store.LoadCurrentClass(); !loaded) {
        OperatorDialogs::showError(m_window, loaded.error().message());
        return;
    }
    m_warnings.clear(WarningLine::Save);
    m_warnings.show(WarningLine::Restored,
                    tr("Restored from the journal:\n%1").arg(tr("class %1: file rebuilt").arg(classIndex)));
}

void JournalWiring::undo()
{
    if (const QString refused = step(true); !refused.isEmpty())
        showNote(refused, false);
}

void JournalWiring::redo()
{
    if (const QString refused = step(false); !refused.isEmpty())
        showNote(refused, false);
}

QString JournalWiring::step(bool backwards)
{
    std::optional<UndoHistory::Guarded> guarded;
    if (m_runs.Running())
        guarded
            = UndoHistory::Guarded {m_runs.CurrentRow(), m_runs.runNumber() == 1 ? ListField::Time1 : ListField::Time2};
    QString refusal;
    const std::optional<StoreChange> done
        = backwards ? m_history->undo(guarded, &refusal) : m_history->redo(guarded, &refusal);
    if (!done)
        return refusal;
    m_warnings.clear(WarningLine::Note);
    // A failure shows in the warning line through the store.
    [[maybe_unused]] const FileResult saved = m_store.SaveCurrentClass();
    return QString();
}

void JournalWiring::showJournalProblem(const FileResult &result)
{
    if (result.ok()) {
        m_warnings.clear(WarningLine::Journal);
        return;
    }
    m_warnings.show(WarningLine::Journal,
                    tr("JOURNAL NOT WRITTEN: %1\nTiming goes on; retried at the next change.")
                        .arg(QFileInfo(result.error().path).fileName()),
                    result.error().reason);
}

void JournalWiring::showReset(int row, int run, std::int32_t timeMs, const QString &name)
{
    Q_UNUSED(row)
    showNote(tr("RESET kept %1 as run %2 of %3.\nCtrl+Z or Ctrl+click removes it.")
                 .arg(FormatTime(timeMs))
                 .arg(run == 1 ? 1 : 2)
                 .arg(name),
             true);
}

void JournalWiring::showNote(const QString &text, bool lasting)
{
    m_warnings.show(WarningLine::Note, text);
    if (lasting)
        return;
    QTimer::singleShot(ShortNoteMs, this, [this, text] {
        if (m_warnings.text(WarningLine::Note) == text)
            m_warnings.clear(WarningLine::Note);
    });
}
