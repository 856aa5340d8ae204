#pragma once

#include <QList>
#include <QString>

#include <functional>

class QAction;
class QPageLayout;
class QPagedPaintDevice;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

// A print preview, deleted when closed, with "Save as PDF..." (object name "actSavePdf") on its
// tool bar after any extra actions. What it paints should be its own copy: the class may change
// while it is open. The caller connects the save action and opens the dialog.
struct PdfPreview
{
    QPrintPreviewDialog *dialog;
    QAction *savePdf;
};
PdfPreview makePdfPreview(QWidget *parent, const QString &objectName, const QString &title, const QPageLayout &layout,
                          const std::function<void(QPrinter &)> &paint, const QList<QAction *> &extra = {});

// "Save as PDF..." of a print preview: asks for the file (starting in folder, which then follows
// the choice), paints the pages as the preview's page layout has them and writes the file whole.
// A failure is shown over the preview. Returns the saved file, or an empty string.
QString savePreviewAsPdf(QPrintPreviewDialog *dialog, const QString &proposedName, const QString &title,
                         QString &folder, const std::function<int(QPagedPaintDevice &)> &paint);
