#include "gui/Form_Import.h"

#include "core/import/CsvTable.h"
#include "core/import/XlsxTable.h"
#include "core/settings/ClassNames.h"
#include "core/settings/RaceDaySettings.h"
#include "core/startlist/ClassStore.h"
#include "gui/OperatorDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The preview's columns: file row, class, then the six texts of an entry.
constexpr int PreviewColumns = 8;

QString previewTitle(int column)
{
    switch (column) {
    case 0:
        return TfrmImport::tr("Row");
    case 1:
        return TfrmImport::tr("Into class");
    case 2:
        return TfrmImport::tr("Name");
    case 3:
        return TfrmImport::tr("Age");
    case 4:
        return TfrmImport::tr("Start-Nr");
    default:
        return infoTitle(column - 4);
    }
}

QString fieldTitle(ImportField field)
{
    const int info = int(field) - int(ImportField::Info1) + 1;
    if (info >= 1 && info <= 3)
        return infoTitle(info);
    return importFieldTitle(field);
}
} // namespace

TfrmImport::TfrmImport(const QString &fileName, ImportTable table, const ImportContext &context, QWidget *parent)
    : QDialog(parent)
    , m_table(std::move(table))
    , m_context(context)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(tr("Import start list"));
    resize(820, 600);
    auto *layout = new QVBoxLayout(this);

    auto *source = new QLabel(QStringLiteral("<b>%1</b> (%2, %3)")
                                  .arg(fileName.toHtmlEscaped(), m_table.description.toHtmlEscaped(),
                                       tr("%n row(s)", nullptr, int(m_table.rows.size()))),
                              this);
    layout->addWidget(source);

    auto *columns = new QGroupBox(tr("Columns of the file"), this);
    auto *grid = new QGridLayout(columns);
    m_mapping = guessMapping(m_table.headers, m_context);
    for (int c = 0; c < m_table.headers.size(); ++c) {
        QString sample;
        for (std::size_t r = 0; r < m_table.rows.size() && sample.isEmpty(); ++r)
            sample = m_table.cell(r, c);
        auto *header
            = new QLabel(m_table.headers[c].isEmpty() ? tr("(column %1)").arg(c + 1) : m_table.headers[c], columns);
        header->setToolTip(tr("For example: %1").arg(sample));
        auto *field = new QComboBox(columns);
        field->setObjectName(QStringLiteral("cmbField%1").arg(c));
        for (int f = 0; f < ImportFieldCount; ++f)
            field->addItem(fieldTitle(ImportField(f)));
        field->setCurrentIndex(int(m_mapping[std::size_t(c)]));
        header->setBuddy(field);
        connect(field, &QComboBox::activated, this, [this, c](int index) { mappingChanged(c, index); });
        // Four columns of the file per line of the box.
        grid->addWidget(header, (c / 4) * 2, c % 4);
        grid->addWidget(field, (c / 4) * 2 + 1, c % 4);
    }
    layout->addWidget(columns);

    auto *options = new QFormLayout;
    cmbDefaultClass = new QComboBox(this);
    cmbDefaultClass->setObjectName(QStringLiteral("cmbDefaultClass"));
    for (int c = FirstClass; c <= LastClass; ++c)
        cmbDefaultClass->addItem(m_context.classNames[std::size_t(c - 1)]);
    cmbDefaultClass->setCurrentIndex(m_context.defaultClass - 1);
    connect(cmbDefaultClass, &QComboBox::activated, this, [this](int index) {
        m_context.defaultClass = index + 1;
        showPreview();
    });
    options->addRow(tr("Rows without a class go to:"), cmbDefaultClass);
    chkReplace = new QCheckBox(tr("Replace the participants of these classes (otherwise they are added)"), this);
    chkReplace->setObjectName(QStringLiteral("chkReplace"));
    options->addRow(chkReplace);
    layout->addLayout(options);

    auto *split = new QSplitter(Qt::Vertical, this);
    tblPreview = new QTableWidget(0, PreviewColumns, split);
    tblPreview->setObjectName(QStringLiteral("tblPreview"));
    tblPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPreview->verticalHeader()->hide();
    tblPreview->verticalHeader()->setDefaultSectionSize(20);
    QStringList titles;
    for (int c = 0; c < PreviewColumns; ++c)
        titles << previewTitle(c);
    tblPreview->setHorizontalHeaderLabels(titles);
    tblPreview->horizontalHeader()->setStretchLastSection(true);
    lstProblems = new QListWidget(split);
    lstProblems->setObjectName(QStringLiteral("lstProblems"));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    layout->addWidget(lblSummary);

    auto *buttons = new QDialogButtonBox(this);
    cmdImport = buttons->addButton(tr("Import"), QDialogButtonBox::AcceptRole);
    cmdImport->setObjectName(QStringLiteral("cmdImport"));
    QPushButton *cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    showPreview();
}

TfrmImport::~TfrmImport() = default;

ImportMode TfrmImport::mode() const
{
    return chkReplace->isChecked() ? ImportMode::Replace : ImportMode::Append;
}

void TfrmImport::mappingChanged(int column, int index)
{
    // Another column with the same target keeps it: stepping through the list with the arrow keys
    // must not take targets from other columns on the way.
    m_mapping[std::size_t(column)] = ImportField(index);
    showPreview();
}

void TfrmImport::showPreview()
{
    m_preview = previewImport(m_table, m_mapping, m_context);
    tblPreview->setUpdatesEnabled(false);
    tblPreview->setRowCount(int(m_preview.entries.size()));
    for (int r = 0; r < int(m_preview.entries.size()); ++r) {
        const ImportedEntry &imported = m_preview.entries[std::size_t(r)];
        QStringList texts {QString::number(imported.rowNumber),
                           m_context.classNames[std::size_t(imported.classIndex - 1)]};
        for (const QString &text : imported.entry.texts)
            texts << text;
        for (int c = 0; c < PreviewColumns; ++c) {
            QTableWidgetItem *item = tblPreview->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                tblPreview->setItem(r, c, item);
            }
            item->setText(texts[c]);
        }
    }
    tblPreview->setUpdatesEnabled(true);

    lstProblems->clear();
    for (const ImportProblem &problem : m_preview.problems)
        lstProblems->addItem(tr("Row %1: %2").arg(problem.rowNumber).arg(problem.reason));
    lstProblems->setVisible(!m_preview.problems.empty());

    QStringList classes;
    for (int c = 0; c < 10; ++c) {
        if (m_preview.perClass[std::size_t(c)] > 0)
            classes << QStringLiteral("%1: %2")
                           .arg(m_context.classNames[std::size_t(c)])
                           .arg(m_preview.perClass[std::size_t(c)]);
    }
    QString summary = tr("%n participant(s)", nullptr, int(m_preview.entries.size()));
    if (!classes.isEmpty())
        summary += QStringLiteral(" (") + classes.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!m_preview.problems.empty())
        summary += QStringLiteral("; ")
            + tr("%n row(s) cannot be read and are left out", nullptr, int(m_preview.problems.size()));
    QStringList twice;
    for (std::size_t c = 0; c < m_mapping.size(); ++c) {
        if (m_mapping[c] != ImportField::Ignore
            && std::find(m_mapping.begin(), m_mapping.begin() + qsizetype(c), m_mapping[c])
                != m_mapping.begin() + qsizetype(c))
            twice << fieldTitle(m_mapping[c]);
    }
    twice.removeDuplicates();
    if (!twice.isEmpty())
        summary = tr("More than one column goes into %1: choose one.").arg(twice.join(QStringLiteral(", ")));
    lblSummary->setText(summary);
    cmdImport->setEnabled(!m_preview.entries.empty() && twice.isEmpty());
}

void importStartList(QWidget *parent, ClassStore &store, QString &lastFile)
{
    const QString path = OperatorDialogs::getOpenFileName(parent, TfrmImport::tr("Import start list..."),
                                                          TfrmImport::tr("Start lists (*.csv *.txt *.xlsx)"),
                                                          QStringLiteral("csv"), lastFile);
    if (path.isEmpty())
        return;
    lastFile = path;
    const bool workbook = QFileInfo(path).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0;
    const Result<ImportTable> table = workbook ? readXlsxTable(path) : readCsvTable(path);
    if (!table) {
        OperatorDialogs::showError(parent, table.error().message());
        return;
    }
    if (table.value().rows.empty()) {
        OperatorDialogs::showError(parent,
                                   TfrmImport::tr("%1 holds no participants.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    ImportContext context;
    for (int c = FirstClass; c <= LastClass; ++c)
        context.classNames[std::size_t(c - 1)] = ClassNameOf(c);
    context.infoNames = raceDay().infoNames;
    context.clubField = raceDay().clubField;
    context.eventDate = raceDay().event.date;
    context.defaultClass = store.CurrentClass();

    auto *dialog = new TfrmImport(QFileInfo(path).fileName(), table.value(), context, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const QString fileName = QFileInfo(path).fileName();
    QObject::connect(dialog, &QDialog::accepted, parent, [parent, dialog, &store, fileName] {
        const FileResult written = writeImport(store, dialog->preview(), dialog->mode(), fileName);
        if (!written)
            OperatorDialogs::showError(parent, written.error().message());
    });
    dialog->open();
}
