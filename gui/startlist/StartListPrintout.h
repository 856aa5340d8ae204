#pragma once

#include "core/startlist/StartListSheets.h"

#include <QPageLayout>

class ClassStore;
class QPagedPaintDevice;
class QWidget;

// The start lists on paper: each class from a new page in start order with start number, name,
// age and club, and empty boxes for both runs' time and counts. Every page has the heading and
// "Seite n von N"; rows are tall enough to write in and never split across pages.
class StartListPrintout final
{
public:
    explicit StartListPrintout(const StartListSheets &sheets);

    // A4 portrait.
    static QPageLayout defaultPageLayout();
    // The number of pages painted; 0 when the device cannot be painted on.
    int paint(QPagedPaintDevice &device) const;

private:
    const StartListSheets &m_sheets;
};

// The print preview of the current class's start list, with a switch to all classes and a PDF
// button, headed as rules say. Window-modal over parent; a class file that cannot be read is shown
// by parent.
void printStartLists(QWidget *parent, const ClassStore &store, const RaceRules &rules);
