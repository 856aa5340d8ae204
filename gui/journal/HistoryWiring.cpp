#include "gui/journal/HistoryWiring.h"

#include "gui/journal/HistoryWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QMenu>

HistoryWiring::HistoryWiring(QWidget *window, RaceSession &session, QAbstractItemView *grid,
                             std::function<bool(const QKeyEvent &)> timingKey)
    : QObject(window)
    , m_history(new HistoryWindow(window, session, std::move(timingKey)))
    , m_grid(grid)
{
    auto *key = new QAction(window);
    key->setObjectName(QStringLiteral("actHistoryKey"));
    key->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    key->setShortcutContext(Qt::WindowShortcut);
    window->addAction(key);
    connect(key, &QAction::triggered, this, [this] {
        const QModelIndex current = m_grid->currentIndex();
        m_history->showFor(current.isValid() ? std::optional<int>(current.row()) : std::nullopt);
    });

    // Ctrl+Z and Ctrl+Y reach the journal from the history window too: it is where a mistake shows.
    for (const char *name : {"actUndo", "actRedo"})
        if (auto *step = window->findChild<QAction *>(QLatin1String(name)))
            m_history->addAction(step);

    if (auto *menu = grid->findChild<QMenu *>(QStringLiteral("mnuProtocol"))) {
        QAction *item = menu->addAction(tr("History..."));
        item->setObjectName(QStringLiteral("actHistory"));
        connect(item, &QAction::triggered, this,
                [this] { m_history->showFor(m_menuRow >= 0 ? std::optional<int>(m_menuRow) : std::nullopt); });
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this](const QPoint &position) { m_menuRow = m_grid->indexAt(position).row(); });
    }
}
