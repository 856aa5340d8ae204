#include "gui/WarningLine.h"

#include <QLabel>
#include <QStringList>

void WarningLine::show(Kind kind, const QString &text, const QString &details)
{
    m_texts[kind] = text;
    m_details[kind] = details.isEmpty() ? text : details;
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
    // The line has room for a few words; each line is cut to fit and the tooltip keeps the whole.
    QStringList lines = shown.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = m_label->fontMetrics().elidedText(line, Qt::ElideRight, m_label->contentsRect().width() - 8);
    m_label->setText(lines.join(QLatin1Char('\n')));
    m_label->setToolTip(tips.join(QStringLiteral("\n\n")));
    m_label->setVisible(!shown.isEmpty());
}
