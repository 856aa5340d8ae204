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
    m_label->setText(shown);
    m_label->setToolTip(tips.join(QStringLiteral("\n\n")));
    m_label->setVisible(!shown.isEmpty());
}
