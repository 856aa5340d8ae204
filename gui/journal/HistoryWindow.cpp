#include "gui/journal/HistoryWindow.h"

#include "core/journal/HistoryRestore.h"
#include "core/journal/JournalRecorder.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/Clock.h"
#include "core/timing/RunControl.h"
#include "gui/common/PreviewPdf.h"
#include "gui/journal/HistoryPrintout.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include <memory>

HistoryWindow::HistoryWindow(QWidget *mainWindow, RaceSession &session,
                             std::function<bool(const QKeyEvent &)> timingKey)
    : QWidget(mainWindow, Qt::Window)
    , m_session(session)
    , m_store(session.store())
    , m_runs(session.runs())
    , m_recorder(session.recorder())
    , m_timingKey(std::move(timingKey))
    , m_model(new HistoryModel(m_recorder.journal(), this))
    , m_table(new QTableView(this))
    , m_onePerson(new QRadioButton(this))
    , m_wholeClass(new QRadioButton(tr("Whole class"), this))
    , m_restore(new QPushButton(tr("Restore"), this))
    , m_status(new QLabel(this))
    , m_follow(new QTimer(this))
{
    setObjectName(QStringLiteral("frmHistory"));
    m_onePerson->setObjectName(QStringLiteral("optPerson"));
    m_wholeClass->setObjectName(QStringLiteral("optClass"));
    m_table->setObjectName(QStringLiteral("grdHistory"));
    m_restore->setObjectName(QStringLiteral("cmdRestore"));
    m_status->setObjectName(QStringLiteral("lblHistoryStatus"));

    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Fixed row heights and widths: a journal of many thousand rows is not measured row by row.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {7, 16, 20, 16, 22, 18};
    for (int c = 0; c < int(std::size(widths)); ++c)
        m_table->setColumnWidth(c, widths[c] * digit);

    auto *print = new QPushButton(tr("Print..."), this);
    print->setObjectName(QStringLiteral("cmdPrint"));
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    m_restore->setToolTip(tr("Puts back the value the chosen change replaced."));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *scope = new QHBoxLayout;
    scope->addWidget(m_onePerson);
    scope->addWidget(m_wholeClass);
    scope->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_restore);
    buttons->addWidget(print);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(scope);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(1000, 520);

    connect(m_onePerson, &QRadioButton::toggled, this, &HistoryWindow::scopeChosen);
    connect(m_restore, &QPushButton::clicked, this, &HistoryWindow::restoreSelected);
    connect(print, &QPushButton::clicked, this, &HistoryWindow::print);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto *leave = new QAction(this);
    leave->setShortcut(QKeySequence::Cancel);
    addAction(leave);
    connect(leave, &QAction::triggered, this, &QWidget::close);

    // New rows come in after the change that made them has gone through; many at once, one read.
    m_follow->setSingleShot(true);
    m_follow->setInterval(0);
    connect(m_follow, &QTimer::timeout, this, &HistoryWindow::follow);
    connect(&m_recorder, &JournalRecorder::recorded, this, [this] {
        if (isVisible())
            m_follow->start();
    });
    connect(&m_store, &ClassStore::classLoaded, this, [this] {
        if (!isVisible())
            return;
        m_person.reset();
        reload();
    });
    connect(&m_session, &RaceSession::rulesChanged, this, &HistoryWindow::updateTitle);

    // The timing keys pressed here are the main window's.
    createWinId();
    windowHandle()->installEventFilter(this);
}

void HistoryWindow::showFor(std::optional<int> entry)
{
    m_person.reset();
    if (entry && m_store.list().isValidIndex(*entry))
        m_person = HistoryModel::Person {*entry, m_store.readTextField(*entry, ListField::Name)};
    reload();
    if (!isVisible())
        place();
    show();
    raise();
    activateWindow();
}

void HistoryWindow::place()
{
    const QStringList kept = SettingsStore().read(Setting::HistoryWindowPlace).value_or(QString()).split(u',');
    if (kept.size() == 4) {
        const QRect rect(kept[0].toInt(), kept[1].toInt(), kept[2].toInt(), kept[3].toInt());
        const QScreen *screen = QGuiApplication::screenAt(rect.center());
        if (rect.isValid() && screen && screen->availableGeometry().intersects(rect)) {
            setGeometry(rect);
            return;
        }
    }
    if (m_placed)
        return;
    const QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
    if (!main)
        return;
    const QScreen *screen = main->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect mainRect = main->frameGeometry();
    // The clock and the run buttons end at the line above the class selector.
    const QWidget *line = main->findChild<QWidget *>(QStringLiteral("Bevel1"));
    const int runAreaBottom = main->mapToGlobal(QPoint(0, line ? line->y() : main->height() / 2)).y();
    const QSize wanted(1000, 520), least(560, 220);
    const int right = room.right() - mainRect.right();
    const int left = mainRect.left() - room.left();
    QRect chosen;
    if (right >= least.width() || left >= least.width()) {
        const bool onRight = right >= left;
        const int width = std::min(wanted.width(), onRight ? right : left);
        const int height = std::min(wanted.height(), room.height());
        const int x = onRight ? mainRect.right() + 1 : mainRect.left() - width;
        const int y = std::clamp(mainRect.top(), room.top(), room.bottom() + 1 - height);
        chosen = QRect(x, y, width, height);
    } else {
        // Under them, over the protocol, as tall as the screen allows.
        const int top = runAreaBottom + 1;
        const int height = std::max(least.height(), std::min(wanted.height(), room.bottom() + 1 - top));
        const int width = std::min(wanted.width(), room.width());
        const int x = std::clamp(mainRect.left(), room.left(), room.right() + 1 - width);
        chosen = QRect(x, top, width, height);
    }
    // The frame goes round the window; the rectangle is the whole window's.
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    setGeometry(chosen.marginsRemoved(frame));
    m_placed = true;
}

void HistoryWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    // A place that could not be kept costs the operator one move at the next start, nothing more.
    const QRect r = geometry();
    [[maybe_unused]] const FileResult kept
        = SettingsStore().write(Setting::HistoryWindowPlace,
                                QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
}

void HistoryWindow::reload()
{
    const QSignalBlocker blockOne(m_onePerson), blockAll(m_wholeClass);
    m_onePerson->setEnabled(m_person.has_value());
    m_onePerson->setText(
        m_person ? tr("This participant: %1")
                       .arg(m_person->name.isEmpty() ? tr("row %1").arg(m_person->entry + 1) : m_person->name)
                 : tr("This participant"));
    (m_person ? m_onePerson : m_wholeClass)->setChecked(true);
    showRead(m_model->load(m_store.CurrentClass(), m_person));
}

void HistoryWindow::showRead(const FileResult &read)
{
    // An empty list says so, rather than looking as if nothing had been read.
    if (!read)
        setStatus(read.error().message(), false);
    else
        setStatus(m_model->rowCount() > 0 ? QString() : tr("The journal holds no change for this yet."), true);
    updateTitle();
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
}

void HistoryWindow::follow()
{
    const FileResult read = m_model->follow();
    if (!read)
        setStatus(read.error().message(), false);
    else if (m_model->rowCount() > 0 && m_status->text() == tr("The journal holds no change for this yet."))
        setStatus(QString(), true);
}

void HistoryWindow::scopeChosen()
{
    showRead(m_model->showPerson(m_onePerson->isChecked() ? m_person : std::nullopt));
}

void HistoryWindow::updateTitle()
{
    const QString who = m_model->person() ? m_onePerson->text().section(QStringLiteral(": "), 1) : tr("all");
    setWindowTitle(tr("History - %1 - %2").arg(m_session.rules().className(m_store.CurrentClass()), who));
}

void HistoryWindow::restoreSelected()
{
    const QModelIndexList chosen = m_table->selectionModel()->selectedRows();
    const JournalEvent *row = chosen.isEmpty() ? nullptr : m_model->eventAt(chosen.first().row());
    if (!row) {
        setStatus(tr("Choose the change to take back first."), false);
        return;
    }
    std::optional<UndoHistory::Guarded> guarded;
    if (m_runs.Running())
        guarded = UndoHistory::Guarded {m_runs.CurrentRow(), runTimeField(m_runs.runNumber())};
    const JournalEvent restored = *row;
    const RestorePlan plan = planRestore(restored, m_store, guarded);
    if (!plan.refusal.isEmpty()) {
        setStatus(plan.refusal, false);
        return;
    }
    const FileResult saved = restoreRow(m_store, m_recorder, restored, plan);
    follow();
    const QString done = tr("Row %1 restored: %2 of %3 is %4 again.")
                             .arg(restored.id)
                             .arg(historyFieldText(restored), m_store.readTextField(plan.entry, ListField::Name),
                                  historyValueText(restored.field, plan.value));
    // A failed save shows in the main window's warning line as well.
    setStatus(saved ? done : tr("%1\nThe class file was not saved: %2").arg(done, saved.error().reason), saved.ok());
}

void HistoryWindow::print()
{
    // On paper every row counts, also those not scrolled to yet.
    if (const FileResult read = m_model->fetchAll(); !read) {
        setStatus(read.error().message(), false);
        return;
    }
    auto sheet = std::make_shared<HistorySheet>();
    sheet->className = m_session.rules().className(m_store.CurrentClass());
    sheet->person = m_model->person() ? m_onePerson->text().section(QStringLiteral(": "), 1) : QString();
    sheet->printed = Clock::currentDateTime();
    for (int c = 0; c < m_model->columnCount(); ++c)
        sheet->headings << m_model->headerData(c, Qt::Horizontal).toString();
    for (int r = 0; r < m_model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_model->columnCount(); ++c)
            cells << m_model->index(r, c).data().toString();
        sheet->rows << cells;
    }

    // Not modal: the main window goes on timing while the preview is open.
    const PdfPreview preview
        = makePdfPreview(this, QStringLiteral("HistoryPreview"), windowTitle(), HistoryPrintout::defaultPageLayout(),
                         [sheet](QPrinter &printer) { HistoryPrintout(*sheet).paint(printer); });
    // Named pointers, not a structured binding: clang 14 cannot capture those in a lambda.
    QPrintPreviewDialog *const dialog = preview.dialog;
    QAction *const save = preview.savePdf;
    connect(save, &QAction::triggered, dialog, [this, dialog, sheet] {
        static QString folder = QDir::homePath();
        static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
        QString proposed
            = QStringLiteral("%1 %2 %3 %4")
                  .arg(tr("History"), sheet->className, sheet->person.isEmpty() ? tr("all") : sheet->person,
                       sheet->printed.toString(QStringLiteral("yyyy-MM-dd")));
        proposed = proposed.replace(unsafe, QStringLiteral("_")).trimmed() + QStringLiteral(".pdf");
        const QString path
            = savePreviewAsPdf(dialog, proposed, dialog->windowTitle(), folder,
                               [sheet](QPagedPaintDevice &pdf) { return HistoryPrintout(*sheet).paint(pdf); });
        if (!path.isEmpty())
            setStatus(tr("Saved: %1").arg(QDir::toNativeSeparators(path)), true);
    });
    dialog->show();
}

void HistoryWindow::setStatus(const QString &text, bool good)
{
    m_status->setText(text);
    m_status->setStyleSheet(good ? QString() : QStringLiteral("QLabel { color: #b00020; font-weight: bold; }"));
}

bool HistoryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == windowHandle() && m_timingKey
        && m_timingKey(*static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}
