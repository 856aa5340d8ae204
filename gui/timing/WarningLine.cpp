#include "gui/timing/WarningLine.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Every row keeps room for both buttons, so all texts wrap at the same width.
constexpr int ButtonSize = 22;
} // namespace

WarningLine::WarningLine(QLabel *label)
    : m_label(label)
{
    m_label->installEventFilter(this);
}

void WarningLine::setPanel(QWidget *window, const QRect &area)
{
    m_area = area;
    m_panel = new QFrame(window);
    m_panel->setObjectName(QStringLiteral("warningPanel"));
    m_panel->setStyleSheet(QStringLiteral("#warningPanel { background: #fdfdfd; border: 1px solid #808080; }"));
    auto *rows = new QVBoxLayout(m_panel);
    rows->setContentsMargins(3, 3, 3, 3);
    rows->setSpacing(2);
    m_panel->hide();
    refresh();
}

void WarningLine::show(Kind kind, const QString &text, const QString &details)
{
    // The same message again changes nothing: the panel is rebuilt only when a text changes, as
    // a start clears notes and a failing journal repeats its message at every change.
    const QString &shownDetails = details.isEmpty() ? text : details;
    if (text == m_texts[kind] && shownDetails == m_details[kind])
        return;
    // A new message gets its time and opens a folded panel.
    if (text != m_texts[kind]) {
        m_since[kind] = QTime::currentTime();
        if (!text.isEmpty())
            m_folded = false;
    }
    m_texts[kind] = text;
    m_details[kind] = shownDetails;
    refresh();
}

void WarningLine::refresh()
{
    QStringList tips;
    QString shown;
    for (int k = 0; k < KindCount; ++k) {
        if (m_texts[k].isEmpty())
            continue;
        if (shown.isEmpty())
            shown = m_texts[k];
        tips << m_details[k];
    }
    m_label->setText(shown);
    m_label->setToolTip(tips.join(QStringLiteral("\n\n")));
    m_label->setVisible(!shown.isEmpty());
    if (m_panel)
        fillPanel();
}

void WarningLine::fillPanel()
{
    auto *rows = static_cast<QVBoxLayout *>(m_panel->layout());
    // The panel's buttons take no focus, so no key ever leaves the run buttons for them.
    const auto smallButton = [this](const char *name, const QString &text, const QString &tip) {
        auto *button = new QToolButton(m_panel);
        button->setObjectName(QLatin1String(name));
        button->setText(text);
        button->setToolTip(tip);
        button->setAutoRaise(true);
        button->setFixedSize(ButtonSize, ButtonSize);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    while (QLayoutItem *item = rows->takeAt(0)) {
        if (QLayout *row = item->layout()) {
            while (QLayoutItem *part = row->takeAt(0)) {
                // Later: the dismiss button clicked may be among them.
                if (QWidget *widget = part->widget()) {
                    widget->hide();
                    widget->deleteLater();
                }
                delete part;
            }
        }
        delete item;
    }
    int count = 0;
    for (int k = 0; k < KindCount; ++k) {
        if (m_texts[k].isEmpty())
            continue;
        ++count;
        const Kind kind = Kind(k);
        auto *row = new QHBoxLayout;
        row->setSpacing(6);
        auto *time = new QLabel(m_since[k].toString(QStringLiteral("HH:mm:ss")), m_panel);
        time->setObjectName(QStringLiteral("lblWarningTime"));
        time->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto *text = new QLabel(m_panel);
        text->setObjectName(QStringLiteral("lblWarningText"));
        // One line per message where the width allows; the details stay in the tooltip.
        text->setText(QString(m_texts[k]).replace(QLatin1Char('\n'), QStringLiteral(" \u2013 ")));
        text->setToolTip(m_details[k]);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        const QString colors = isNotice(kind) ? QStringLiteral("color: black; background: #ffe08a;")
                                              : QStringLiteral("color: white; background: #b00000;");
        text->setStyleSheet(QStringLiteral("QLabel { %1 border-radius: 3px; padding: 2px 4px; }").arg(colors));
        row->addWidget(time);
        row->addWidget(text, 1);
        if (isNotice(kind)) {
            auto *dismiss = smallButton("cmdDismissWarning", QStringLiteral("\u00d7"), tr("Dismiss this notice"));
            QObject::connect(dismiss, &QToolButton::clicked, this, [this, kind] { clear(kind); });
            row->addWidget(dismiss);
        } else {
            row->addSpacing(ButtonSize + row->spacing());
        }
        if (count == 1) {
            auto *fold = smallButton("cmdFoldWarnings", QStringLiteral("\u25b4"),
                                     tr("Hide the messages; a click on the warning box shows them again"));
            QObject::connect(fold, &QToolButton::clicked, this, [this] {
                m_folded = true;
                m_panel->hide();
            });
            row->addWidget(fold);
        } else {
            row->addSpacing(ButtonSize + row->spacing());
        }
        rows->addLayout(row);
        // Shown now, not on the next round of events, so the panel's height counts them.
        for (int i = 0; i < row->count(); ++i)
            if (QWidget *widget = row->itemAt(i)->widget())
                widget->show();
    }
    if (count == 0 || m_folded) {
        m_panel->hide();
        return;
    }
    // Wrapped texts are as tall as the panel's width makes them.
    const int needed
        = rows->hasHeightForWidth() ? rows->totalHeightForWidth(m_area.width()) : rows->totalSizeHint().height();
    m_panel->setGeometry(m_area.x(), m_area.y(), m_area.width(), std::min(needed, m_area.height()));
    m_panel->show();
    m_panel->raise();
}

bool WarningLine::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the box opens or folds the panel.
    if (watched == m_label && event->type() == QEvent::MouseButtonRelease && m_panel) {
        m_folded = m_panel->isVisible();
        fillPanel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
