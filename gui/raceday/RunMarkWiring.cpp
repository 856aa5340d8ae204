#include "gui/raceday/RunMarkWiring.h"

#include "core/marks/MarksKeeper.h"
#include "gui/common/OperatorDialogs.h"

#include <QAbstractItemView>
#include <QAction>
#include <QMenu>

RunMarkWiring::RunMarkWiring(QWidget *window, QAbstractItemView *grid, QMenu *menu, MarksKeeper &marks, int timeColumn1,
                             int timeColumn2, int nameColumn, std::function<int()> activeRun)
    : QObject(window)
    , m_window(window)
    , m_grid(grid)
    , m_marks(marks)
    , m_timeColumns {timeColumn1, timeColumn2}
    , m_nameColumn(nameColumn)
    , m_activeRun(std::move(activeRun))
{
    menu->addSeparator();
    const struct
    {
        RunMark mark;
        const char *name;
        const char *text;
        Qt::Key key;
    } items[] = {
        {RunMark::NotStarted, "actMarkNotStarted", QT_TR_NOOP("Did not start (n.a.)"), Qt::Key_N},
        {RunMark::DidNotFinish, "actMarkNotFinished", QT_TR_NOOP("Did not finish (DNF)"), Qt::Key_F},
        {RunMark::Disqualified, "actMarkDisqualified", QT_TR_NOOP("Disqualified (DSQ)..."), Qt::Key_Q},
        {RunMark::None, "actMarkClear", QT_TR_NOOP("Clear the mark"), Qt::Key_Backspace},
    };
    for (const auto &item : items) {
        QAction *action = menu->addAction(tr(item.text));
        action->setObjectName(QLatin1String(item.name));
        // Shown in the menu as a hint; the keys act while the menu is open.
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | item.key));
        action->setShortcutContext(Qt::WidgetShortcut);
        const int mark = int(item.mark);
        connect(action, &QAction::triggered, this, [this, mark] { markChosen(mark); });
        m_actions << action;
        // The same keys in the grid: the current row's active run.
        auto *key = new QAction(grid);
        key->setObjectName(QLatin1String(item.name) + QStringLiteral("Key"));
        key->setShortcut(action->shortcut());
        key->setShortcutContext(Qt::WidgetShortcut);
        grid->addAction(key);
        connect(key, &QAction::triggered, this, [this, mark] {
            const QModelIndex current = m_grid->currentIndex();
            if (current.isValid())
                markRun(current.row(), m_activeRun(), mark);
        });
        m_keys << key;
    }
    connect(grid, &QWidget::customContextMenuRequested, this, &RunMarkWiring::cellChosen);
}

void RunMarkWiring::setEnabled(bool on)
{
    m_enabled = on;
    for (QAction *action : m_actions + m_keys)
        action->setEnabled(on);
}

int RunMarkWiring::runOf(const QModelIndex &cell) const
{
    if (!cell.isValid())
        return 0;
    return cell.column() == m_timeColumns[0] ? 1 : cell.column() == m_timeColumns[1] ? 2 : 0;
}

void RunMarkWiring::cellChosen(const QPoint &position)
{
    m_cell = m_grid->indexAt(position);
    const int run = runOf(m_cell);
    const RunMark current = run ? m_marks.mark(m_cell.row(), run).mark : RunMark::None;
    for (QAction *action : m_actions) {
        const bool clear = action->objectName() == QLatin1String("actMarkClear");
        action->setEnabled(m_enabled && run != 0 && (clear ? current != RunMark::None : true));
    }
}

void RunMarkWiring::markChosen(int mark)
{
    markRun(m_cell.row(), runOf(m_cell), mark);
}

void RunMarkWiring::markRun(int row, int run, int mark)
{
    if (!m_enabled || (run != 1 && run != 2) || row < 0 || row >= m_grid->model()->rowCount())
        return;
    MarkedRun marked {RunMark(mark), {}};
    if (marked.mark == RunMark::Disqualified) {
        const QString driver = m_grid->model()->index(row, m_nameColumn).data().toString();
        marked.reason = OperatorDialogs::askText(
            m_window, tr("Reason for the disqualification of %1 in run %2:").arg(driver).arg(run));
        if (marked.reason.isNull())
            return;
    }
    emit saveFinished(m_marks.setMark(row, run, marked));
}
