#include "gui/common/PreviewPdf.h"

#include "core/protocol/ProtocolExport.h"
#include "gui/common/OperatorDialogs.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

QString savePreviewAsPdf(QPrintPreviewDialog *dialog, const QString &proposedName, const QString &title,
                         QString &folder, const std::function<int(QPagedPaintDevice &)> &paint)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("ResultsWiring", text); };
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
        // The page as the operator set it up in the preview, at the preview's resolution: the
        // rows' measured heights, and so the pages, are the same as shown there.
        pdf.setPageLayout(dialog->printer()->pageLayout());
        pdf.setResolution(dialog->printer()->resolution());
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

PdfPreview makePdfPreview(QWidget *parent, const QString &objectName, const QString &title, const QPageLayout &layout,
                          const std::function<void(QPrinter &)> &paint, const QList<QAction *> &extra)
{
    auto *dialog = new QPrintPreviewDialog(parent);
    dialog->setObjectName(objectName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->printer()->setPageLayout(layout);
    dialog->printer()->setDocName(title);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [paint](QPrinter *printer) { paint(*printer); });
    auto *save = new QAction(QIcon::fromTheme(QStringLiteral("document-save-as")),
                             QCoreApplication::translate("ResultsWiring", "Save as PDF..."), dialog);
    save->setObjectName(QStringLiteral("actSavePdf"));
    QToolBar *bar = dialog->findChild<QToolBar *>();
    if (bar)
        bar->addSeparator();
    for (QAction *action : extra + QList<QAction *> {save}) {
        action->setParent(dialog);
        if (bar)
            bar->addAction(action);
        dialog->addAction(action);
    }
    return {dialog, save};
}
