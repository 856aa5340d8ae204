#include "core/journal/Journal.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ClassResults.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/StartListSheets.h"
#include "core/system/Clock.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "gui/raceday/Form_Event.h"
#include "gui/raceday/Form_Import.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/startlist/StartListPrintout.h"
#include "gui/timing/ProgramWindows.h"
#include "support/ExportFiles.h"
#include "support/GuiTestMain.h"
#include "support/JournalRows.h"
#include "support/ListFiles.h"
#include "support/MenuClicks.h"
#include "support/MockClock.h"
#include "support/SettingsFile.h"
#include "support/ShownMainWindow.h"
#include "support/SpreadsheetFiles.h"
#include "support/StartListSamples.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfWriter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

namespace {
void click(QWidget *parent, const char *name)
{
    auto *button = parent->findChild<QAbstractButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}
} // namespace

// The race day's windows, clicked and typed as the operator does: import, start lists on paper,
// the event, and what is still to run.
class TestRaceDayWindows final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

    // The file chosen through the editor's menu, as the operator does; the preview once it shows,
    // read on its own thread meanwhile.
    static TfrmImport *importFromMenu(TfrmStartList &editor, const QString &path)
    {
        OperatorDialogs::queueFileName(path);
        chooseFromMenu(&editor, "mnuImport");
        TfrmImport *preview = nullptr;
        if (!QTest::qWaitFor([&] { return (preview = editor.findChild<TfrmImport *>()) != nullptr; }))
            return nullptr;
        return QTest::qWaitForWindowExposed(preview) ? preview : nullptr;
    }

private slots:
    void init()
    {
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
        QFile::remove(settingsPath());
        OperatorDialogs::clearQueues();
    }

    // From the editor's menu to the class files: the operator corrects one column's target first.
    void importThroughTheEditor_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("text file") << "meldungen.csv";
        QTest::newRow("workbook") << "meldungen.xlsx";
    }
    void importThroughTheEditor()
    {
        QFETCH(QString, fileName);
        const QString path = m_files.filePath(fileName);
        if (fileName.endsWith(QLatin1String(".xlsx")))
            QVERIFY(
                writeXlsxFile(path, {{"Name", "Klasse", "Kart"}, {"Kim", 2, "K7"}, {"", 1, ""}, {"Ada", "", "K9"}}));
        else
            QVERIFY(writeBytes(path, "Name;Klasse;Kart\r\nKim;2;K7\r\n;1;\r\nAda;;K9\r\n"));
        QVERIFY(WriteListFile(listOfNames({"Old"}), ClassListPath(1)).ok());
        RaceSession session;
        const ClassStore &store = session.store();
        TfrmStartList editor(session);
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));

        TfrmImport *const preview = importFromMenu(editor, path);
        QVERIFY(preview);
        auto *problems = preview->findChild<QListWidget *>(QStringLiteral("lstProblems"));
        QCOMPARE(problems->count(), 1);
        QCOMPARE(problems->item(0)->text(), QStringLiteral("Row 3: kein Name"));

        // "Kart" is no header the program knows: the operator sends it to Info2.
        auto *kart = preview->findChild<QComboBox *>(QStringLiteral("cmbField2"));
        kart->setFocus();
        for (int i = 0; i < int(ImportField::Info2); ++i)
            QTest::keyClick(kart, Qt::Key_Down);
        QCOMPARE(kart->currentText(), QStringLiteral("Info2"));
        auto *summary = preview->findChild<QLabel *>(QStringLiteral("lblSummary"));
        QCOMPARE(
            summary->text(),
            QStringLiteral("2 participant(s) (Class 01: 1, Class 02: 1); 1 row(s) cannot be read and are left out"));
        QCOMPARE(QFileInfo(ClassListPath(2)).exists(), false);
        click(preview, "cmdImport");
        QTRY_VERIFY(editor.findChild<TfrmImport *>() == nullptr || !preview->isVisible());

        QCOMPARE(names(store.list()), (QStringList {"Old", "Ada"}));
        StartList onDisk;
        QVERIFY(ReadListFile(onDisk, ClassListPath(2), false).ok());
        QCOMPARE(names(onDisk), QStringList {"Kim"});
        QCOMPARE(onDisk.text(0, ListField::Info2), QStringLiteral("K7"));
    }

    // A class name the program does not know, no event date yet: the operator renames a class to
    // the file's name and imports at the date offered, which becomes the event's.
    void importAtTheEventDate()
    {
        const MockClock clock(QDate(2026, 6, 13));
        const QString path = m_files.filePath(QStringLiteral("bambini.csv"));
        QVERIFY(writeBytes(path,
                           "Name;Klasse;Geburtsdatum;Nr\r\nKim;Bambini;12.12.2015;7\r\nAda;Bambini;01.01.2016;7\r\n"));
        RaceSession session;
        TfrmStartList editor(session);
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        TfrmImport *const preview = importFromMenu(editor, path);
        QVERIFY(preview);
        auto *summary = preview->findChild<QLabel *>(QStringLiteral("lblSummary"));
        QVERIFY(summary->text().startsWith(QStringLiteral("0 participant(s); 2 row(s)")));
        QVERIFY(preview->findChild<QWidget *>(QStringLiteral("edtEventDate"))->isVisible());

        // The twelfth choice below "(leave out)" and the ten classes: class 2 takes the name.
        auto *bambini = preview->findChild<QComboBox *>(QStringLiteral("cmbFileClass0"));
        bambini->setFocus();
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(bambini, Qt::Key_Down);
        QCOMPARE(summary->text(), QStringLiteral("2 participant(s) (Bambini: 2); 1 note(s)"));
        auto *notes = preview->findChild<QListWidget *>(QStringLiteral("lstProblems"));
        QCOMPARE(notes->item(0)->text(), QStringLiteral("Row 2, note: Start-Nr 7 steht in Bambini noch in Zeile 3"));
        click(preview, "cmdImport");
        QTRY_VERIFY(editor.findChild<TfrmImport *>() == nullptr || !preview->isVisible());
        QCOMPARE(SettingsStore().read(Setting::ClassName(2)).value(), QStringLiteral("Bambini"));
        // In force at once: the editor's tab names the class, the event has the date.
        QCOMPARE(editor.findChild<QTabBar *>(QStringLiteral("ListTab"))->tabText(1), QStringLiteral("Bambini"));
        QCOMPARE(session.rules().event.date, QDate(2026, 6, 13));
        StartList onDisk;
        QVERIFY(ReadListFile(onDisk, ClassListPath(2), false).ok());
        QCOMPARE(onDisk.text(0, ListField::Age), QStringLiteral("10"));
    }

    // Rows are never split: every participant is on exactly one page, in start order.
    void startListsOnPaper_data()
    {
        QTest::addColumn<QList<int>>("classSizes");
        QTest::addColumn<bool>("allClasses");
        QTest::addColumn<int>("pages");
        QTest::newRow("one class") << QList<int> {3, 5} << false << 1;
        QTest::newRow("a class over two pages") << QList<int> {40} << false << 2;
        QTest::newRow("all classes, empty ones left out") << QList<int> {3, 0, 4} << true << 2;
    }
    void startListsOnPaper()
    {
        QFETCH(QList<int>, classSizes);
        QFETCH(bool, allClasses);
        QFETCH(int, pages);
        for (int c = 0; c < classSizes.size(); ++c) {
            QStringList names;
            for (int i = 0; i < classSizes[c]; ++i)
                names << QStringLiteral("Fahrer%1x%2").arg(c + 1).arg(i + 1);
            QVERIFY(WriteListFile(listOfNames(names), ClassListPath(c + 1)).ok());
        }
        RaceRules rules = readRaceRules(SettingsStore()).value();
        rules.event = {QStringLiteral("Kart-Slalom Nord"), QStringLiteral("Hafenplatz"), QDate(2026, 6, 13)};
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        const Result<StartListSheets> sheets = startListSheets(store, rules, allClasses);
        QVERIFY(sheets.ok());
        const QString pdfPath = m_files.filePath(QStringLiteral("start.pdf"));
        {
            QPdfWriter pdf(pdfPath);
            pdf.setPageLayout(StartListPrintout::defaultPageLayout());
            StartListPrintout(sheets.value()).paint(pdf);
        }
        QString failure;
        const QStringList text = ExportFiles::pdfPages(pdfPath, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(text.size(), pages);
        QStringList seen;
        for (int p = 0; p < pages; ++p) {
            QVERIFY(text[p].contains(QStringLiteral("Kart-Slalom Nord \u2013 Startliste")));
            QVERIFY(text[p].contains(QStringLiteral("Seite %1 von %2").arg(p + 1).arg(pages)));
            static const QRegularExpression name(QStringLiteral("Fahrer\\d+x\\d+"));
            for (auto m = name.globalMatch(text[p]); m.hasNext();)
                seen << m.next().captured();
        }
        QStringList expected;
        for (int c = 0; c < classSizes.size(); ++c) {
            if (c == 0 || allClasses) {
                for (int i = 0; i < classSizes[c]; ++i)
                    expected << QStringLiteral("Fahrer%1x%2").arg(c + 1).arg(i + 1);
            }
        }
        QCOMPARE(seen, expected);
    }

    // The event typed into its dialog heads the exports; an Info title heads the editor's column.
    void eventDialogFromTheMainWindow()
    {
        ShownMainWindow shown;
        shown.open();
        click(shown.window.get(), "cmdEvent");
        TfrmEvent *dialog = nullptr;
        QTRY_VERIFY((dialog = shown.window->findChild<TfrmEvent *>()) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("edtEventName")),
                         QStringLiteral("Sommer-Slalom"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("edtPlace")), QStringLiteral("Lahntal"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("edtInfo1Name")), QStringLiteral("Verein"));
        click(dialog, "cmdOK");
        QTRY_VERIFY(!dialog->isVisible() || shown.window->findChild<TfrmEvent *>() == nullptr);

        QCOMPARE(resultsHeading(readRaceDaySettings(SettingsStore()).value(), 2, 10).title(),
                 QStringLiteral("Sommer-Slalom, Lahntal \u2013 Ergebnisliste"));
        QCOMPARE(shown.store->model().headerData(int(ListField::Info1), Qt::Horizontal).toString(),
                 QStringLiteral("Verein"));
        shown.close();
    }

    // "Bester Lauf" chosen in the event dialog reaches the protocol at once: the value that ranks
    // shows in a column of its own, hidden before, and places follow it.
    void scoringModeFromTheEventDialog()
    {
        StartList list = listOfNames({"A", "B"});
        const int times[2][2] = {{40'000, 41'000}, {30'000, 60'000}};
        for (int i = 0; i < 2; ++i) {
            list.setWholeNumber(i, ListField::Time1, times[i][0]);
            list.setWholeNumber(i, ListField::Time2, times[i][1]);
        }
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        ShownMainWindow shown;
        shown.open();
        ProtocolGrid *grid = shown.controls->Grid;
        QVERIFY(grid->isColumnHidden(ProtocolModel::RankValue));

        click(shown.window.get(), "cmdEvent");
        TfrmEvent *dialog = nullptr;
        QTRY_VERIFY((dialog = shown.window->findChild<TfrmEvent *>()) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto *scoring = dialog->findChild<QComboBox *>(QStringLiteral("cmbScoring"));
        scoring->setFocus();
        QTest::keyClick(scoring, Qt::Key_End);
        click(dialog, "cmdOK");

        const ProtocolModel *model = shown.controls->model;
        QVERIFY(!grid->isColumnHidden(ProtocolModel::RankValue));
        QCOMPARE(model->headerData(ProtocolModel::RankValue, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("Bester Lauf"));
        QCOMPARE((QStringList {model->cellText(0, ProtocolModel::Place), model->cellText(1, ProtocolModel::Place)}),
                 (QStringList {"2", "1"}));
        QCOMPARE(model->cellText(0, ProtocolModel::RankValue), QStringLiteral("00:40.00"));
        // The protocol keeps its width: no column is pushed out of sight.
        int shownWidth = 0;
        for (int c = 0; c < ProtocolModel::ColumnCount; ++c)
            shownWidth += grid->isColumnHidden(c) ? 0 : grid->columnWidth(c);
        QVERIFY2(shownWidth <= grid->viewport()->width(), qPrintable(QString::number(shownWidth)));
        shown.close();
    }

    // A class renamed in the class editor, or an Info title typed into the event dialog, shows in
    // the start list editor, the class selector and the workbook at once, with no restart; what
    // the other one names stays as it was.
    void rulesReachTheWindowsAtOnce_data()
    {
        QTest::addColumn<bool>("inClassEditor");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("info1Title");
        QTest::newRow("class editor") << true << "Senioren"
                                      << "Info1";
        QTest::newRow("event dialog") << false << "Class 01"
                                      << "Verein";
    }
    void rulesReachTheWindowsAtOnce()
    {
        QFETCH(bool, inClassEditor);
        QFETCH(QString, className);
        QFETCH(QString, info1Title);
        QVERIFY(WriteListFile(listOfNames({"Ada"}), ClassListPath(1)).ok());
        ShownMainWindow shown;
        std::unique_ptr<ProgramWindows> windows;
        shown.open([&windows](ClassStore &, TfrmMain &main) { windows = std::make_unique<ProgramWindows>(main); });
        const auto closeAll = qScopeGuard([&] {
            // The dialogs belong to the window and go before it.
            windows.reset();
            shown.close();
        });

        if (!inClassEditor) {
            click(shown.window.get(), "cmdEvent");
            TfrmEvent *dialog = nullptr;
            QTRY_VERIFY((dialog = shown.window->findChild<TfrmEvent *>()) != nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("edtInfo1Name")), info1Title);
            click(dialog, "cmdOK");
            QTRY_VERIFY(shown.window->findChild<TfrmEvent *>() == nullptr);
        }

        // The editors are modal: what they show is read from inside their own event loops.
        TfrmStartList &editor = windows->startListEditor();
        QString tab, heading, header;
        QTimer::singleShot(0, &editor, [&] {
            const auto closeEditor = qScopeGuard([&] { editor.close(); });
            QTRY_VERIFY(editor.isActiveWindow());
            if (inClassEditor) {
                TfrmClasses &classes = windows->classEditor();
                QTimer::singleShot(0, &classes, [&] {
                    const auto closeClasses = qScopeGuard([&] { classes.close(); });
                    QTRY_VERIFY(classes.isActiveWindow());
                    auto *grid = classes.findChild<QTableView *>(QStringLiteral("Grid"));
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                                      grid->visualRect(grid->model()->index(0, 1)).center());
                    QTest::keyClick(grid, Qt::Key_F2);
                    auto *line = qobject_cast<QLineEdit *>(QApplication::focusWidget());
                    QVERIFY(line);
                    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(line, className);
                    QTest::keyClick(line, Qt::Key_Return);
                    click(&classes, "cmdOK");
                });
                QTest::keySequence(&editor, QKeySequence(Qt::CTRL | Qt::Key_T));
            }
            tab = editor.findChild<QTabBar *>(QStringLiteral("ListTab"))->tabText(0);
            heading = editor.findChild<QLabel *>(QStringLiteral("TopPanel"))->text();
            header = editor.findChild<QTableView *>(QStringLiteral("Grid"))
                         ->horizontalHeader()
                         ->model()
                         ->headerData(int(ListField::Info1), Qt::Horizontal)
                         .toString();
        });
        QTest::mouseClick(shown.controls->cmdStartlist, Qt::LeftButton);
        QCOMPARE(tab, className);
        QCOMPARE(heading, className);
        QCOMPARE(header, info1Title);
        QCOMPARE(shown.controls->cmbClass->itemText(0), className);

        OperatorDialogs::queueFileName(m_files.path() + QLatin1Char('/'));
        click(shown.window.get(), "cmdExcel");
        QString failure;
        const QList<ExportFiles::Sheet> sheets = ExportFiles::readWorkbook(
            m_files.filePath(className + today().toString(QStringLiteral(" yyyy-MM-dd")) + QStringLiteral(".xlsx")),
            failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets.front().name, className);
        QStringList headings;
        for (int row : sheets.front().rows.keys()) {
            if (sheets.front().text(row, 0) == QLatin1String("Platz"))
                headings = sheets.front().rowTexts(row);
        }
        QVERIFY2(headings.contains(info1Title), qPrintable(headings.join(QLatin1Char('|'))));
    }

    // Right click on a run's time, choose the mark: it is in the marks file and the journal, and
    // the run no longer counts as still to run.
    void marksFromTheProtocolMenu_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("place");
        QTest::newRow("did not finish") << "actMarkNotFinished" << QString() << "2\tDNF\t2\tB\t"
                                        << "DNF";
        QTest::newRow("disqualified") << "actMarkDisqualified"
                                      << "Tor 4"
                                      << "2\tDSQ\t2\tB\tTor 4"
                                      << "DSQ";
    }
    void marksFromTheProtocolMenu()
    {
        QFETCH(QString, action);
        QFETCH(QString, reason);
        QFETCH(QString, line);
        QFETCH(QString, place);
        StartList list = listOfNames({"A", "B", "C"});
        for (int i = 0; i < 3; ++i) {
            list.setText(i, ListField::StartNr, QString::number(i + 1));
            list.setWholeNumber(i, ListField::Time1, 40'000 + 100 * i);
            list.setWholeNumber(i, ListField::Time2, i == 1 ? 0 : 41'000);
        }
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        ShownMainWindow shown;
        shown.open();
        // Still to run counts the run chosen in the run editor.
        auto *remaining = shown.window->findChild<QLabel *>(QStringLiteral("lblRemaining"));
        QCOMPARE(remaining->text(), QStringLiteral("Still to run: 0"));
        QTest::keyClick(shown.controls->edtLauf, Qt::Key_Up);
        QCOMPARE(remaining->text(), QStringLiteral("Still to run: 1"));

        if (!reason.isEmpty())
            OperatorDialogs::queueText(reason);
        shown.chooseFromCellMenu(1, ProtocolModel::Time2, qPrintable(action));

        QCOMPARE(readBytes(MarksPath(1)), "[ZVX1MARKS]\r\n" + line.toUtf8() + "\r\n[ZVX1END]\r\n");
        // The journal keeps the mark with its reason.
        const QList<JournalEvent> rows = shown.journalRows();
        const auto kept
            = std::find_if(rows.begin(), rows.end(), [](const JournalEvent &e) { return e.field == "mark2"; });
        QVERIFY(kept != rows.end());
        QCOMPARE(kept->name, QStringLiteral("B"));
        QCOMPARE(kept->newValue, place);
        QCOMPARE(kept->note, reason);
        QCOMPARE(remaining->text(), QStringLiteral("Still to run: 0"));
        QCOMPARE(shown.controls->model->cellText(1, ProtocolModel::Time2), place);
        QCOMPARE(shown.controls->model->cellText(1, ProtocolModel::Place), place);
        // The grid keeps the first run's total; the marked run and the driver have none.
        QCOMPARE(shown.controls->model->cellText(1, ProtocolModel::Total1), QStringLiteral("00:40.10"));
        QCOMPARE(shown.controls->model->cellText(1, ProtocolModel::Total2), QString());
        QCOMPARE(shown.controls->model->cellText(1, ProtocolModel::GrandTotal), QString());
        shown.close();
    }

    // The keys the mark menu shows mark the current row's active run from the grid; the reason's
    // question names the driver and the run.
    void marksFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("question");
        QTest::newRow("n.a. in run 2") << int(Qt::Key_N) << int(ProtocolModel::Time2) << "2\tNA\t2\tB\t"
                                       << "";
        QTest::newRow("DNF in run 1") << int(Qt::Key_F) << int(ProtocolModel::Time1) << "1\tDNF\t2\tB\t"
                                      << "";
        QTest::newRow("DSQ in run 2") << int(Qt::Key_Q) << int(ProtocolModel::Time2) << "2\tDSQ\t2\tB\tTor 4"
                                      << "Reason for the disqualification of B in run 2:";
    }
    void marksFromTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, column);
        QFETCH(QString, line);
        QFETCH(QString, question);
        StartList list = listOfNames({"A", "B", "C"});
        for (int i = 0; i < 3; ++i)
            list.setText(i, ListField::StartNr, QString::number(i + 1));
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        ShownMainWindow shown;
        shown.open();
        ProtocolGrid *grid = shown.controls->Grid;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(shown.controls->model->index(1, column)).center());
        OperatorDialogs::takeShownMessages();
        OperatorDialogs::queueText(QStringLiteral("Tor 4"));
        QTest::keyClick(shown.window->windowHandle(), Qt::Key(key), Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(readBytes(MarksPath(1)), "[ZVX1MARKS]\r\n" + line.toUtf8() + "\r\n[ZVX1END]\r\n");
        QCOMPARE(OperatorDialogs::takeShownMessages(), question.isEmpty() ? QStringList() : QStringList {question});
        OperatorDialogs::clearQueues();
        shown.close();
    }

    void damagedMarksAreReportedWhenTheClassLoads()
    {
        QVERIFY(WriteListFile(listOfNames({"A"}), ClassListPath(1)).ok());
        QVERIFY(writeBytes(MarksPath(1), "[ZVX1MARKS]\r\n1\tDNF\t"));
        (void)OperatorDialogs::takeShownMessages();
        ShownMainWindow shown;
        shown.open();
        const QStringList shownMessages = OperatorDialogs::takeShownMessages();
        QCOMPARE(shownMessages.size(), 1);
        QVERIFY2(shownMessages.front().contains(QStringLiteral("List01.marks.bak")), qPrintable(shownMessages.front()));
        shown.close();
    }
};

ZORVEXA_TEST_MAIN(TestRaceDayWindows)
#include "test_raceday_windows.moc"
