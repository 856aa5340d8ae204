#pragma once

#include <QDateTime>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

// What the history window prints: the rows as it lists them, taken when printing began.
struct HistorySheet
{
    QString className;
    QString person; // empty for the whole class
    QDateTime printed;
    QStringList headings;
    QList<QStringList> rows;
};

// The history of a class or a participant on paper, for a protest: every page with the class,
// the participant or "alle", the date, the column headings and "Seite n von N". Long reasons
// wrap; a row is never split across two pages.
class HistoryPrintout final
{
public:
    explicit HistoryPrintout(const HistorySheet &sheet);

    // A4 landscape, as the results.
    static QPageLayout defaultPageLayout();
    // The number of pages painted; 0 when the device cannot be painted on.
    int paint(QPagedPaintDevice &device) const;

private:
    const HistorySheet &m_sheet;
};
