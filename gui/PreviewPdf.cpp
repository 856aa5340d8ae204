#include "gui/PreviewPdf.h"

#include "core/protocol/ProtocolExport.h"
#include "gui/OperatorDialogs.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

QString savePreviewAsPdf(QPrintPreviewDialog *dialog, const QString &proposedName, const QString &title,
                         QString &folder, const std::function<int(QPagedPaintDevice &)> &paint)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("ResultsActions", text); };
    const OperatorDialogs::ChosenFile chosen = OperatorDialogs::getExportFileName(
        dialog, tr("Save as PDF..."), {{tr("PDF document (*.pdf)"), proposedName}}, QStringLiteral("pdf"), folder);
    if (chosen.path.isEmpty())
        return QString();
    folder = QFileInfo(chosen.path).absolutePath();

    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&bytes);
        pdf.setCreator(QStringLiteral("Zorvexa"));
        pdf.setTitle(title);
        // The page as the operator set it up in the preview.
        pdf.setPageLayout(dialog->printer()->pageLayout());
        if (paint(pdf) == 0) {
            OperatorDialogs::showError(dialog, tr("The PDF could not be made."));
            return QString();
        }
    }
    const FileResult written = writeExportFile(chosen.path, bytes.data());
    if (!written) {
        OperatorDialogs::showError(dialog, written.error().message());
        return QString();
    }
    return chosen.path;
}
