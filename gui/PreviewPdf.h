#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPrintPreviewDialog;

// "Save as PDF..." of a print preview: asks for the file (starting in folder, which then follows
// the choice), paints the pages as the preview's page layout has them and writes the file whole.
// A failure is shown over the preview. Returns the saved file, or an empty string.
QString savePreviewAsPdf(QPrintPreviewDialog *dialog, const QString &proposedName, const QString &title,
                         QString &folder, const std::function<int(QPagedPaintDevice &)> &paint);
