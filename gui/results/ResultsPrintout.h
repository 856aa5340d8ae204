#pragma once

#include "core/protocol/ClassResults.h"

#include <QPageLayout>

class QPagedPaintDevice;

// The results list on paper: each class from a new page, every page with a header (event, class,
// date, penalty seconds), the column headings and "Seite n von N". A row is never split across
// two pages. Paints onto any paged device: a printer, the print preview or a PDF writer.
class ResultsPrintout final
{
public:
    explicit ResultsPrintout(const ResultsDocument &document);

    // A4 landscape: the columns stay readable. Set on the device before paint().
    static QPageLayout defaultPageLayout();

    // Fits each class's columns, as wide as their texts, to the device's page as it is laid out
    // now; a start number, age or info column that nobody fills is left out. The number of pages
    // painted, 0 when the device cannot be painted on.
    int paint(QPagedPaintDevice &device) const;

private:
    const ResultsDocument &m_document;
};
