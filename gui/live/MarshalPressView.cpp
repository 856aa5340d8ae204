#include "gui/live/MarshalPressView.h"

#include "core/timing/RunControl.h"

#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QColor Flash(255, 225, 90);
constexpr int RowId = Qt::UserRole + 1;
} // namespace

MarshalPressView::MarshalPressView(MarshalDesk &desk, RunControl &runs, QWidget *parent)
    : QWidget(parent)
    , m_desk(desk)
    , m_runs(runs)
    , lblMarshalPosts(new QLabel(this))
    , lstMarshalPresses(new QListWidget(this))
    , m_refresh(new QTimer(this))
{
    setObjectName(QStringLiteral("frmMarshalPresses"));
    setFocusPolicy(Qt::NoFocus);
    lblMarshalPosts->setObjectName(QStringLiteral("lblMarshalPosts"));
    lblMarshalPosts->setTextFormat(Qt::RichText);
    lblMarshalPosts->setWordWrap(true);
    lstMarshalPresses->setObjectName(QStringLiteral("lstMarshalPresses"));
    lstMarshalPresses->setFocusPolicy(Qt::NoFocus);
    lstMarshalPresses->setSelectionMode(QAbstractItemView::NoSelection);
    lstMarshalPresses->setWordWrap(true);
    auto *title = new QLabel(tr("Marshal posts"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(title);
    layout->addWidget(lblMarshalPosts);
    layout->addWidget(lstMarshalPresses, 1);

    connect(&desk, &MarshalDesk::pressApplied, this, &MarshalPressView::add);
    connect(&desk, &MarshalDesk::heard, this, &MarshalPressView::showPosts);
    m_refresh->setInterval(5000);
    connect(m_refresh, &QTimer::timeout, this, &MarshalPressView::showPosts);
    m_refresh->start();
    showPosts();
}

QString MarshalPressView::rowText(const MarshalPressNote &note)
{
    return tr("Post %1: %2, run %3, %4 %5, %6")
        .arg(note.post)
        .arg(note.driver)
        .arg(note.run)
        .arg(note.delta > 0 ? QStringLiteral("+1") : QStringLiteral("\u22121"))
        .arg(note.fs ? QStringLiteral("FS") : QStringLiteral("FP"))
        .arg(note.pressedAt.toString(QStringLiteral("HH:mm:ss")));
}

void MarshalPressView::add(const MarshalPressNote &note)
{
    auto *item = new QListWidgetItem(rowText(note));
    const quint64 id = ++m_lastRow;
    item->setData(RowId, id);
    item->setBackground(Flash);
    lstMarshalPresses->insertItem(0, item);
    while (lstMarshalPresses->count() > MaxRows)
        delete lstMarshalPresses->takeItem(lstMarshalPresses->count() - 1);
    QTimer::singleShot(FlashMs, this, [this, id] {
        for (int row = 0; row < lstMarshalPresses->count(); ++row) {
            if (lstMarshalPresses->item(row)->data(RowId).toULongLong() == id)
                lstMarshalPresses->item(row)->setBackground(QBrush());
        }
    });
    showPosts();
}

void MarshalPressView::showPosts()
{
    const std::int64_t now = m_desk.now();
    const bool runsGoOn
        = m_runs.Running() || (m_desk.lastRunActivity() > 0 && now - m_desk.lastRunActivity() < SilentMs);
    QStringList posts;
    QStringList names;
    for (const MarshalPost &post : m_desk.settings().posts) {
        const bool silent = runsGoOn && now - m_desk.lastHeard(post.number) > SilentMs;
        posts << QStringLiteral("<span style=\"color:%1\">%2</span>")
                     .arg(silent ? QStringLiteral("#a0a0a0") : QStringLiteral("#000000"), tr("P%1").arg(post.number));
        names << QStringLiteral("%1: %2%3")
                     .arg(post.number)
                     .arg(post.name.toHtmlEscaped(), silent ? tr(" (not heard from for 2 minutes)") : QString());
    }
    lblMarshalPosts->setText(posts.join(QStringLiteral(" ")));
    lblMarshalPosts->setToolTip(names.join(QStringLiteral("<br>")));
}
