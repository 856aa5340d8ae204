#include "gui/raceday/Form_Import.h"

#include "core/import/CsvTable.h"
#include "core/import/XlsxTable.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/Clock.h"
#include "core/system/ThreadPriority.h"
#include "gui/common/OperatorDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {
// The preview's columns: file row, class, then the six texts of an entry.
constexpr int PreviewColumns = 8;

QString previewTitle(const std::array<QString, 3> &infoNames, int column)
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
        return infoTitleOf(infoNames, column - 4);
    }
}

QString fieldTitle(const std::array<QString, 3> &infoNames, ImportField field)
{
    const int info = int(field) - int(ImportField::Info1) + 1;
    if (info >= 1 && info <= 3)
        return infoTitleOf(infoNames, info);
    return importFieldTitle(field);
}

// A choice for a class name of the file: 0 none, 1..10 into that class, RenameChoice + c renames class c.
constexpr int RenameChoice = 100;
} // namespace

TfrmImport::TfrmImport(const QString &fileName, ImportTable table, const ImportContext &context, bool dateSet,
                       QWidget *parent)
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
            field->addItem(fieldTitle(m_context.infoNames, ImportField(f)));
        field->setCurrentIndex(int(m_mapping[std::size_t(c)]));
        header->setBuddy(field);
        connect(field, &QComboBox::activated, this, [this, c](int index) { mappingChanged(c, index); });
        // Four columns of the file per line of the box.
        grid->addWidget(header, (c / 4) * 2, c % 4);
        grid->addWidget(field, (c / 4) * 2 + 1, c % 4);
    }
    layout->addWidget(columns);

    // Class names of the file that name no class: each goes into a class, or a class takes its name.
    grpClasses = new QGroupBox(tr("Classes of the file that match no class"), this);
    grpClasses->setObjectName(QStringLiteral("grpClasses"));
    classGrid = new QGridLayout(grpClasses);
    layout->addWidget(grpClasses);

    auto *options = new QFormLayout;
    lblAgeDate = new QLabel(this);
    lblAgeDate->setObjectName(QStringLiteral("lblAgeDate"));
    lblAgeDate->setWordWrap(true);
    if (dateSet) {
        options->addRow(tr("Ages are counted at:"), lblAgeDate);
    } else {
        // Ages counted at today's date would be wrong by the day of the event.
        edtEventDate = new QDateEdit(m_context.eventDate, this);
        edtEventDate->setObjectName(QStringLiteral("edtEventDate"));
        edtEventDate->setCalendarPopup(true);
        edtEventDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        connect(edtEventDate, &QDateEdit::dateChanged, this, [this](QDate date) {
            m_context.eventDate = date;
            showPreview();
        });
        auto *dateRow = new QVBoxLayout;
        dateRow->addWidget(edtEventDate);
        dateRow->addWidget(lblAgeDate);
        options->addRow(tr("Date of the event:"), dateRow);
    }
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
        titles << previewTitle(m_context.infoNames, c);
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

QDate TfrmImport::eventDate() const
{
    return edtEventDate ? edtEventDate->date() : QDate();
}

QString TfrmImport::shownClassName(int classIndex) const
{
    const QString &renamed = m_renames[std::size_t(classIndex - 1)];
    return renamed.isEmpty() ? m_context.classNames[std::size_t(classIndex - 1)] : renamed;
}

void TfrmImport::showFileClasses()
{
    grpClasses->setVisible(!m_fileClasses.isEmpty());
    while (QLayoutItem *item = classGrid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int i = 0; i < m_fileClasses.size(); ++i) {
        const QString name = m_fileClasses[i];
        auto *choice = new QComboBox(grpClasses);
        choice->setObjectName(QStringLiteral("cmbFileClass%1").arg(i));
        choice->addItem(tr("(leave out)"), 0);
        for (int c = FirstClass; c <= LastClass; ++c)
            choice->addItem(QString(), c);
        for (int c = FirstClass; c <= LastClass; ++c)
            choice->addItem(tr("rename %1 to \"%2\"").arg(m_context.classNames[std::size_t(c - 1)], name),
                            RenameChoice + c);
        connect(choice, &QComboBox::activated, this,
                [this, name, choice](int index) { fileClassChosen(name, choice->itemData(index).toInt()); });
        auto *label = new QLabel(QStringLiteral("\u201E%1\u201C").arg(name), grpClasses);
        label->setBuddy(choice);
        // Two class names of the file per line.
        classGrid->addWidget(label, i / 2, (i % 2) * 2);
        classGrid->addWidget(choice, i / 2, (i % 2) * 2 + 1);
    }
    showFileClassChoices();
}

void TfrmImport::showFileClassChoices()
{
    for (int i = 0; i < m_fileClasses.size(); ++i) {
        auto *choice = grpClasses->findChild<QComboBox *>(QStringLiteral("cmbFileClass%1").arg(i));
        const QString &name = m_fileClasses[i];
        for (int c = FirstClass; c <= LastClass; ++c)
            choice->setItemText(c, tr("into %1").arg(shownClassName(c)));
        const auto mapped = m_context.classMap.find(fileClassKey(name));
        int chosen = mapped == m_context.classMap.end() ? 0 : mapped->second;
        if (chosen > 0 && m_renames[std::size_t(chosen - 1)] == name)
            chosen += RenameChoice;
        choice->setCurrentIndex(choice->findData(chosen));
    }
}

void TfrmImport::fileClassChosen(const QString &name, int choice)
{
    const QString key = fileClassKey(name);
    for (QString &renamed : m_renames) {
        if (renamed == name)
            renamed.clear();
    }
    if (choice == 0) {
        m_context.classMap.erase(key);
    } else if (choice > RenameChoice) {
        const int classIndex = choice - RenameChoice;
        m_renames[std::size_t(classIndex - 1)] = name;
        m_context.classMap[key] = classIndex;
    } else {
        m_context.classMap[key] = choice;
    }
    m_context.newNames = m_renames;
    showPreview();
    // The new names show in every choice; the choices stay, one of them is being used.
    showFileClassChoices();
}

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
        QStringList texts {QString::number(imported.rowNumber), shownClassName(imported.classIndex)};
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
    for (const ImportProblem &note : m_preview.notes)
        lstProblems->addItem(tr("Row %1, note: %2").arg(note.rowNumber).arg(note.reason));
    lstProblems->setVisible(!m_preview.problems.empty() || !m_preview.notes.empty());
    if (m_preview.fileClasses != m_fileClasses) {
        m_fileClasses = m_preview.fileClasses;
        showFileClasses();
    }
    const QString date = m_context.eventDate.toString(QStringLiteral("dd.MM.yyyy"));
    lblAgeDate->setText(edtEventDate ? tr("No date is set for the event: ages are counted at the date above, "
                                          "which the import sets as the event's date.")
                                     : tr("%1, the date of the event").arg(date));

    QStringList classes;
    for (int c = 0; c < 10; ++c) {
        if (m_preview.perClass[std::size_t(c)] > 0)
            classes << QStringLiteral("%1: %2").arg(shownClassName(c + 1)).arg(m_preview.perClass[std::size_t(c)]);
    }
    QString summary = tr("%n participant(s)", nullptr, int(m_preview.entries.size()));
    if (!classes.isEmpty())
        summary += QStringLiteral(" (") + classes.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!m_preview.problems.empty())
        summary += QStringLiteral("; ")
            + tr("%n row(s) cannot be read and are left out", nullptr, int(m_preview.problems.size()));
    if (!m_preview.notes.empty())
        summary += QStringLiteral("; ") + tr("%n note(s)", nullptr, int(m_preview.notes.size()));
    QStringList twice;
    for (std::size_t c = 0; c < m_mapping.size(); ++c) {
        if (m_mapping[c] != ImportField::Ignore
            && std::find(m_mapping.begin(), m_mapping.begin() + qsizetype(c), m_mapping[c])
                != m_mapping.begin() + qsizetype(c))
            twice << fieldTitle(m_context.infoNames, m_mapping[c]);
    }
    twice.removeDuplicates();
    if (!twice.isEmpty())
        summary = tr("More than one column goes into %1: choose one.").arg(twice.join(QStringLiteral(", ")));
    lblSummary->setText(summary);
    cmdImport->setEnabled(!m_preview.entries.empty() && twice.isEmpty());
}

static void showImportPreview(QWidget *parent, RaceSession &session, const QString &path,
                              const Result<ImportTable> &table);

namespace {
// The file is read on a thread of its own: a large workbook takes seconds, and the window and its
// keys must not wait for it. "Abbrechen" closes the progress at once; the read ends unseen.
void readTableThen(QWidget *parent, const QString &path, std::function<void(const Result<ImportTable> &)> done)
{
    auto *progress = new QProgressDialog(TfrmImport::tr("Reading %1...").arg(QFileInfo(path).fileName()),
                                         TfrmImport::tr("Cancel"), 0, 0, parent);
    progress->setObjectName(QStringLiteral("ImportProgress"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(300);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    const bool workbook = QFileInfo(path).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0;
    auto table = std::make_shared<std::optional<Result<ImportTable>>>();
    QThread *reader = QThread::create([path, workbook, table] {
        giveWayToInterface();
        table->emplace(workbook ? readXlsxTable(path) : readCsvTable(path));
    });
    const QPointer<QProgressDialog> waiting(progress);
    QObject::connect(progress, &QProgressDialog::canceled, progress, &QWidget::close);
    QObject::connect(reader, &QThread::finished, parent, [waiting, table, done = std::move(done)] {
        if (!waiting || waiting->wasCanceled())
            return;
        waiting->close();
        done(**table);
    });
    QObject::connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    reader->start();
}
} // namespace

void importStartList(QWidget *parent, RaceSession &session, QString &lastFile)
{
    const QString path = OperatorDialogs::getOpenFileName(parent, TfrmImport::tr("Import start list..."),
                                                          TfrmImport::tr("Start lists (*.csv *.txt *.xlsx)"),
                                                          QStringLiteral("csv"), lastFile);
    if (path.isEmpty())
        return;
    lastFile = path;
    readTableThen(parent, path, [parent, &session, path](const Result<ImportTable> &table) {
        showImportPreview(parent, session, path, table);
    });
}

static void showImportPreview(QWidget *parent, RaceSession &session, const QString &path,
                              const Result<ImportTable> &table)
{
    if (!table) {
        OperatorDialogs::showError(parent, table.error().message());
        return;
    }
    if (table.value().rows.empty()) {
        OperatorDialogs::showError(parent,
                                   TfrmImport::tr("%1 holds no participants.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    const RaceDaySettings inForce = raceDayOf(session.rules());
    ImportContext context;
    context.classNames = session.rules().classNames;
    context.infoNames = inForce.infoNames;
    context.clubField = inForce.clubField;
    context.eventDate = inForce.event.dateSet ? inForce.event.date : today();
    context.defaultClass = session.store().CurrentClass();

    auto *dialog = new TfrmImport(QFileInfo(path).fileName(), table.value(), context, inForce.event.dateSet, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const QString fileName = QFileInfo(path).fileName();
    QObject::connect(dialog, &QDialog::accepted, parent, [parent, dialog, &session, fileName] {
        SettingsStore settings;
        RaceRules rules = session.rules();
        // The date the ages are counted at becomes the event's: a later change offers to count again.
        if (const QDate date = dialog->eventDate(); date.isValid()) {
            RaceDaySettings day = raceDayOf(rules);
            day.event.date = date;
            day.event.dateSet = true;
            if (const FileResult stored = writeRaceDaySettings(settings, day); !stored) {
                OperatorDialogs::showError(parent, stored.error().message());
            } else {
                rules.event.date = date;
                rules.event.dateSet = true;
            }
        }
        // A new name is in force even when the file kept the old one, as the class editor's are.
        for (int c = FirstClass; c <= LastClass; ++c) {
            const QString &name = dialog->renames()[std::size_t(c - 1)];
            if (name.isEmpty())
                continue;
            rules.classNames[std::size_t(c - FirstClass)] = name;
            if (const FileResult renamed = renameClass(settings, c, name); !renamed)
                OperatorDialogs::showError(parent, renamed.error().message());
        }
        session.setRules(rules);
        const FileResult written = writeImport(session.store(), dialog->preview(), dialog->mode(), fileName);
        if (!written)
            OperatorDialogs::showError(parent, written.error().message());
    });
    dialog->open();
}
