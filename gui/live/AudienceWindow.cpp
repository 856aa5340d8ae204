#include "gui/live/AudienceWindow.h"

#include "core/protocol/ProtocolModel.h"
#include "core/timing/PerfTimer.h"
#include "gui/widgets/OvrenLiquidIndicator.h"

#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int TopCount = 10;

QString nameWithNumber(const LiveClass &c, int row)
{
    const QString &name = c.text(row, ListField::Name), &startNr = c.text(row, ListField::StartNr);
    return startNr.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, startNr);
}
} // namespace

AudienceWindow::AudienceWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_class(new QLabel(this))
    , m_display(new TOvrenLiquidIndicator(this))
    , m_onCourse(new QLabel(this))
    , m_last(new QLabel(this))
    , m_top(new QTableWidget(TopCount, 3, this))
{
    setObjectName(QStringLiteral("frmAudience"));
    setWindowTitle(tr("Audience"));
    setStyleSheet(QStringLiteral("AudienceWindow, QTableWidget { background: black; color: white; }"
                                 "QLabel { color: white; } QHeaderView::section { background: #222; color: #ccc; }"));
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    setPalette(dark);

    m_class->setObjectName(QStringLiteral("lblAudienceClass"));
    m_onCourse->setObjectName(QStringLiteral("lblAudienceOnCourse"));
    m_last->setObjectName(QStringLiteral("lblAudienceLast"));
    m_top->setObjectName(QStringLiteral("grdAudienceTop"));
    TOvrenLiquidIndicator::configureAsTablo(*m_display);
    m_display->setObjectName(QStringLiteral("AudienceTablo"));
    m_display->setMinimumSize(200, 40);
    m_display->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_top->setHorizontalHeaderLabels({tr("Place"), tr("Name"), tr("Total")});
    m_top->verticalHeader()->hide();
    m_top->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_top->setSelectionMode(QAbstractItemView::NoSelection);
    m_top->setFocusPolicy(Qt::NoFocus);
    m_top->setShowGrid(false);
    m_top->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_top->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_top->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_class);
    layout->addWidget(m_display, 3);
    layout->addWidget(m_onCourse);
    layout->addWidget(m_last);
    layout->addWidget(m_top, 4);
    m_top->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    m_top->installEventFilter(this);

    m_clock.setInterval(50);
    connect(&m_clock, &QTimer::timeout, this, &AudienceWindow::tick);
    resize(960, 720);
}

void AudienceWindow::showSnapshot(const LiveSnapshotPtr &snapshot)
{
    m_snapshot = snapshot;
    if (!snapshot)
        return;
    const LiveSnapshot &s = *snapshot;
    const int shownClass = s.running ? s.onCourse.classIndex : s.currentClass;
    const LiveClass *c = s.classAt(shownClass);
    m_class->setText(c ? c->name : QString());

    const int runner = s.running && c ? c->rowOf(s.onCourse.number) : -1;
    m_onCourse->setText(runner >= 0 ? tr("On course: %1, run %2").arg(nameWithNumber(*c, runner)).arg(s.onCourse.run)
                                    : QString());
    const LiveClass *lastClass = s.classAt(s.lastFinish.classIndex);
    const int last = lastClass ? lastClass->rowOf(s.lastFinish.number) : -1;
    if (last >= 0) {
        const EntryStanding &e = lastClass->standing(last);
        const QString place = e.place > 0 ? tr("place %1").arg(e.place)
            : e.mark != RunMark::None     ? runMarkText(e.mark)
                                          : tr("no place yet");
        m_last->setText(
            tr("Finished: %1  %2  %3").arg(nameWithNumber(*lastClass, last), FormatTime(s.lastFinish.timeMs), place));
    } else {
        m_last->clear();
    }

    // Ranked by the value that ranks; in "Bester Lauf" that value is what the last column shows.
    const bool best = s.rules.scoring == ScoringMode::BestRun;
    m_top->horizontalHeaderItem(2)->setText(best ? tr("Best run") : tr("Total"));
    for (int row = 0; row < TopCount; ++row) {
        const int entry = c && row < int(c->standings.order.size()) ? c->standings.order[std::size_t(row)] : -1;
        const EntryStanding *standing = entry >= 0 && c->standing(entry).place > 0 ? &c->standing(entry) : nullptr;
        const std::optional<std::int32_t> shown = !standing ? std::nullopt
            : best && standing->rankValue ? std::optional<std::int32_t>(std::int32_t(*standing->rankValue))
                                          : standing->total;
        const QString texts[]
            = {standing ? QString::number(standing->place) : QString(),
               standing ? nameWithNumber(*c, entry) : QString(), shown ? formatCellTime(*shown) : QString()};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem *item = m_top->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(column == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
                m_top->setItem(row, column, item);
            }
            item->setText(texts[column]);
            if (standing && runner == entry)
                item->setBackground(QColor(0x44, 0x38, 0));
            else
                item->setBackground(Qt::black);
        }
    }
    if (s.running) {
        if (!m_clock.isActive())
            m_clock.start();
        tick();
    } else {
        m_clock.stop();
        m_display->setText(FormatTime(s.lastFinish.number > 0 ? s.lastFinish.timeMs : 0));
    }
}

void AudienceWindow::tick()
{
    if (!m_snapshot || !m_snapshot->running)
        return;
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_snapshot->onCourse.startEpochMs;
    m_display->setText(FormatTime(std::max<qint64>(0, elapsed)));
}

void AudienceWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    emit shownChanged(true);
}

void AudienceWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_clock.stop();
    emit shownChanged(false);
}

void AudienceWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        setWindowState(windowState() ^ Qt::WindowFullScreen);
        return;
    }
    if (event->key() == Qt::Key_Escape && isFullScreen()) {
        showNormal();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AudienceWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Type grows with the window, so the far end of the hall reads it too.
    const int unit = std::max(12, std::min(width() / 40, height() / 30));
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(unit * 2);
    m_class->setFont(font);
    font.setPixelSize(unit * 3 / 2);
    m_onCourse->setFont(font);
    m_last->setFont(font);
    m_top->setColumnWidth(0, unit * 5);
    m_top->setColumnWidth(2, unit * 9);
}

bool AudienceWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_top && event->type() == QEvent::Resize)
        fitRows();
    return QWidget::eventFilter(watched, event);
}

void AudienceWindow::fitRows()
{
    // Ten rows and the heading fill whatever height the layout leaves the table, so a small
    // window never cuts the top ten.
    const int row = std::max(8, (m_top->height() - 2 * m_top->frameWidth()) / (TopCount + 1));
    QFont font = m_top->font();
    font.setBold(true);
    font.setPixelSize(std::max(7, row * 2 / 3));
    m_top->setFont(font);
    m_top->horizontalHeader()->setFont(font);
    m_top->verticalHeader()->setMinimumSectionSize(row);
    m_top->verticalHeader()->setDefaultSectionSize(row);
    m_top->horizontalHeader()->setFixedHeight(row);
}
