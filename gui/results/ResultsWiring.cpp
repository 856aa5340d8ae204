#include "gui/results/ResultsWiring.h"

#include "core/journal/HandMarks.h"
#include "core/marks/MarksKeeper.h"
#include "core/protocol/ExportedResults.h"
#include "core/protocol/ProtocolExport.h"
#include "core/protocol/ProtocolModel.h"
#include "core/protocol/ResultsPage.h"
#include "core/protocol/ResultsWorkbook.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/PreviewPdf.h"
#include "gui/results/ResultsPrintout.h"

#include <QAbstractItemView>
#include <QAction>
#include <QBoxLayout>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {
// Long enough to read after the dialog has closed, short enough not to be taken for news later.
constexpr int NoticeMs = 20'000;
} // namespace

ResultsWiring::ResultsWiring(QWidget *window, RaceSession &session, QAbstractItemView *grid)
    : QObject(window)
    , m_window(window)
    , m_session(session)
    , m_store(session.store())
    , m_grid(grid)
    , m_print(new QAction(tr("Print preview..."), window))
    , m_gridMenu(new QMenu(grid))
    , m_notice(new QLabel(window))
    , m_noticeTime(new QTimer(this))
    , m_folder(QDir::homePath())
{
    // In the warning line's place, above it: a standing warning shows again when the notice goes.
    m_notice->setObjectName(QStringLiteral("lblExportNotice"));
    if (const QLabel *warning = window->findChild<QLabel *>(QStringLiteral("lblSaveWarning")))
        m_notice->setGeometry(warning->geometry());
    m_notice->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: #1d6b2a; border-radius: 3px; padding: 1px 4px; }"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    m_notice->setFont(font);
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->hide();
    m_noticeTime->setSingleShot(true);
    m_noticeTime->setInterval(NoticeMs);
    connect(m_noticeTime, &QTimer::timeout, m_notice, &QWidget::hide);
    connect(&m_store, &ClassStore::saveFinished, m_notice, [this](const FileResult &result) {
        if (!result.ok())
            m_notice->hide();
    });

    m_print->setObjectName(QStringLiteral("actPrintPreview"));
    m_print->setShortcut(QKeySequence::Print);
    m_print->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_print);
    connect(m_print, &QAction::triggered, this, &ResultsWiring::showPrintPreview);

    m_gridMenu->setObjectName(QStringLiteral("mnuProtocol"));
    m_gridMenu->addAction(m_print);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, &ResultsWiring::showGridMenu);
}

void ResultsWiring::setEnabled(bool on)
{
    m_print->setEnabled(on);
}

QString ResultsWiring::proposedFileName(const QString &what, const QDate &date, const QString &suffix)
{
    QString name = what + QLatin1Char(' ') + date.toString(QStringLiteral("yyyy-MM-dd"));
    // A class name may hold characters that are no good in a file name.
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    name.replace(unsafe, QStringLiteral("_"));
    return name.trimmed() + QLatin1Char('.') + suffix;
}

ClassResults ResultsWiring::currentClassResults(const RaceRules &rules) const
{
    const int c = m_store.CurrentClass();
    return classResults(c, m_store.list(), m_session.marks().marks(), m_session.handMarks().handTimes(c), rules);
}

ResultsDocument ResultsWiring::currentClassDocument() const
{
    const RaceRules &rules = m_session.rules();
    ResultsDocument document = resultsHeading(rules);
    document.classes.push_back(currentClassResults(rules));
    return document;
}

Result<ResultsDocument> ResultsWiring::allClassesDocument() const
{
    const RaceRules &rules = m_session.rules();
    ResultsDocument document = resultsHeading(rules);
    for (int c = FirstClass; c <= LastClass; ++c) {
        if (c == m_store.CurrentClass()) {
            // The class in memory holds results that may not have reached its file yet.
            ClassResults results = currentClassResults(rules);
            if (!exportedLines(results).empty())
                document.classes.push_back(std::move(results));
            continue;
        }
        Result<ClassResults> results
            = classResultsFromFile(c, m_session.marks().classMarks(c), m_session.handMarks().handTimes(c), rules);
        if (!results)
            return results.error();
        if (!exportedLines(results.value()).empty())
            document.classes.push_back(results.value());
    }
    if (document.classes.empty())
        return currentClassDocument();
    return document;
}

bool ResultsWiring::chooseTarget(const QString &caption, const QString &filterFormat, const QString &suffix,
                                 QString &path, ResultsDocument &document)
{
    const QDate today = m_session.rules().event.date;
    const QString className = m_session.rules().className(m_store.CurrentClass());
    const QList<OperatorDialogs::SaveChoice> choices {
        {filterFormat.arg(tr("this class"), suffix), proposedFileName(className, today, suffix)},
        {filterFormat.arg(tr("all classes"), suffix), proposedFileName(tr("All classes"), today, suffix)},
    };
    const OperatorDialogs::ChosenFile chosen
        = OperatorDialogs::getExportFileName(m_window, caption, choices, suffix, m_folder);
    if (chosen.path.isEmpty())
        return false;
    if (chosen.choice == 1) {
        Result<ResultsDocument> all = allClassesDocument();
        if (!all) {
            OperatorDialogs::showError(m_window, all.error().message());
            return false;
        }
        document = all.value();
    } else {
        document = currentClassDocument();
    }
    path = chosen.path;
    m_folder = QFileInfo(path).absolutePath();
    return true;
}

void ResultsWiring::exportWorkbook()
{
    QString path;
    ResultsDocument document;
    if (!chooseTarget(tr("Export results..."), tr("Excel workbook, %1 (*.%2)"), QStringLiteral("xlsx"), path, document))
        return;
    const FileResult written = writeResultsWorkbook(path, document);
    if (!written) {
        OperatorDialogs::showError(m_window, written.error().message());
        return;
    }
    confirmSaved(path);
}

void ResultsWiring::exportPage()
{
    QString path;
    ResultsDocument document;
    if (!chooseTarget(tr("Export results..."), tr("Web page, %1 (*.%2)"), QStringLiteral("html"), path, document))
        return;
    const FileResult written = writeExportFile(path, resultsPage(document));
    if (!written) {
        OperatorDialogs::showError(m_window, written.error().message());
        return;
    }
    confirmSaved(path);
    if (!OperatorDialogs::askYesNo(m_window, tr("Open the web page in the browser?")))
        return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        OperatorDialogs::showError(m_window,
                                   tr("No browser could be started for\n%1").arg(QDir::toNativeSeparators(path)));
}

void ResultsWiring::showGridMenu(const QPoint &position)
{
    m_gridMenu->popup(m_grid->viewport()->mapToGlobal(position));
}

void ResultsWiring::showPrintPreview()
{
    if (!m_print->isEnabled())
        return;
    // The preview keeps its own copy: the class may change while it is open.
    auto document = std::make_shared<const ResultsDocument>(currentClassDocument());
    const PdfPreview preview = makePdfPreview(
        m_window, QStringLiteral("PrintPreview"), tr("Results %1").arg(document->classes.front().className),
        ResultsPrintout::defaultPageLayout(),
        [document](QPrinter &printer) { ResultsPrintout(*document).paint(printer); });
    // Named pointers, not a structured binding: clang 14 cannot capture those in a lambda.
    QPrintPreviewDialog *const dialog = preview.dialog;
    QAction *const save = preview.savePdf;
    // A status line under the pages, shown once a PDF is saved.
    if (auto *box = qobject_cast<QBoxLayout *>(dialog->layout())) {
        auto *saved = new QLabel(dialog);
        saved->setObjectName(QStringLiteral("lblPdfSaved"));
        saved->setTextInteractionFlags(Qt::TextSelectableByMouse);
        saved->hide();
        box->addWidget(saved);
    }
    connect(save, &QAction::triggered, this, [this, dialog, document] { savePdf(dialog, *document); });
    dialog->open();
}

void ResultsWiring::savePdf(QPrintPreviewDialog *dialog, const ResultsDocument &document)
{
    const QString className = document.classes.front().className;
    const QString path = savePreviewAsPdf(
        dialog, proposedFileName(className, document.date, QStringLiteral("pdf")), dialog->windowTitle(), m_folder,
        [&document](QPagedPaintDevice &pdf) { return ResultsPrintout(document).paint(pdf); });
    if (path.isEmpty())
        return;
    confirmSaved(path);
    // The preview stands in front of the main window: it says so too.
    if (auto *saved = dialog->findChild<QLabel *>(QStringLiteral("lblPdfSaved"))) {
        saved->setText(tr("Saved: %1").arg(QDir::toNativeSeparators(path)));
        saved->show();
    }
}

void ResultsWiring::confirmSaved(const QString &path)
{
    const QFileInfo file(path);
    const QFontMetrics metrics(m_notice->font());
    const int room = std::max(40, m_notice->contentsRect().width() - 8);
    const QString name = metrics.elidedText(file.fileName(), Qt::ElideMiddle,
                                            room - metrics.horizontalAdvance(tr("Saved: %1").arg(QString())));
    const QString folder = metrics.elidedText(QDir::toNativeSeparators(file.absolutePath()), Qt::ElideMiddle, room);
    m_notice->setText(tr("Saved: %1").arg(name) + QLatin1Char('\n') + folder);
    m_notice->setToolTip(tr("Saved: %1").arg(QDir::toNativeSeparators(file.absoluteFilePath())));
    m_notice->show();
    m_notice->raise();
    m_noticeTime->start();
}
