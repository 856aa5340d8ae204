#include "core/import/CsvTable.h"
#include "core/import/ImportWriter.h"
#include "core/import/ImportedAges.h"
#include "core/import/StartListImport.h"
#include "core/import/XlsxTable.h"
#include "core/journal/JournalRecorder.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "core/timing/RunControl.h"
#include "support/FreshFolders.h"
#include "support/ListFiles.h"
#include "support/SpreadsheetFiles.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {
QStringList rowTexts(const ImportTable &table)
{
    QStringList result {table.headers.join(QLatin1Char('|'))};
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        QStringList cells;
        for (int c = 0; c <= table.rows[r].back().first; ++c)
            cells << table.cell(r, c);
        result << cells.join(QLatin1Char('|'));
    }
    return result;
}

QString mappingText(const ImportMapping &mapping)
{
    QStringList titles;
    for (ImportField field : mapping)
        titles << importFieldTitle(field);
    return titles.join(QLatin1Char('|'));
}

ImportContext context()
{
    ImportContext result;
    for (int c = 0; c < 10; ++c)
        result.classNames[std::size_t(c)] = QStringLiteral("Klasse %1").arg(c + 1);
    result.classNames[2] = QStringLiteral("Junioren");
    result.eventDate = QDate(2026, 6, 13);
    result.defaultClass = 1;
    return result;
}

// Each entry as "class:name/age/startnr/info1/info2/info3", each problem as "row:reason".
QStringList previewTexts(const ImportPreview &preview)
{
    QStringList result;
    for (const ImportedEntry &e : preview.entries) {
        const QStringList texts(e.entry.texts.begin(), e.entry.texts.end());
        result << QStringLiteral("%1:%2").arg(e.classIndex).arg(texts.join(QLatin1Char('/')));
    }
    for (const ImportProblem &p : preview.problems)
        result << QStringLiteral("%1:%2").arg(p.rowNumber).arg(p.reason);
    return result;
}
} // namespace

// Start lists from spreadsheets and text files, as clubs send them.
class TestImport final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(FreshFolders::program()); }

    void csvFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("description");
        QTest::newRow("semicolons, UTF-8 with mark, CR LF")
            << QByteArray("\xEF\xBB\xBFName;Verein\r\nJörg Öz;MSC\r\n\r\nAda;\r\n")
            << QStringList {"Name|Verein", "Jörg Öz|MSC", "Ada"} << "CSV, UTF-8, Semikolon";
        QTest::newRow("commas, quotes, a line break in a field")
            << QByteArray("Name,Info1\n\"Lee, Kim\",\"zwei\nZeilen\"\n\"Say \"\"Hi\"\"\",x")
            << QStringList {"Name|Info1", "Lee, Kim|zwei Zeilen", "Say \"Hi\"|x"} << "CSV, UTF-8, Komma";
        QTest::newRow("tabs, Windows-1252")
            << QByteArray("Name\tAlter\nM\xFCller\t12\n") << QStringList {"Name|Alter", "Müller|12"}
            << "CSV, Windows-1252, Tabulator";
        QTest::newRow("separator inside quotes does not count")
            << QByteArray("\"a;b;c\",Name\nx,y\n") << QStringList {"a;b;c|Name", "x|y"} << "CSV, UTF-8, Komma";
    }
    void csvFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QFETCH(QString, description);
        const ImportTable table = parseCsv(bytes).value();
        QCOMPARE(rowTexts(table), rows);
        QCOMPARE(table.description, description);
    }

    void headersAreRecognised_data()
    {
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<int>("clubField");
        QTest::addColumn<QString>("mapping");
        QTest::newRow("German list") << QStringList {"Start-Nr.", "Nachname", "Vorname", "Jahrgang", "Verein", "Klasse"}
                                     << 0 << "Start-Nr|Nachname|Vorname|Jahrgang|Info1|Klasse";
        QTest::newRow("club field configured") << QStringList {"Name", "Verein", "Alter"} << 2 << "Name|Info2|Alter";
        QTest::newRow("Name beside Vorname is the surname")
            << QStringList {"Vorname", "Name", "Geburtsdatum"} << 0 << "Vorname|Nachname|Geburtsdatum";
        QTest::newRow("second column of a kind and unknown ones ignored")
            << QStringList {"Name", "Fahrer", "Bemerkung", "Info 3"} << 0
            << "Name|(nicht übernehmen)|(nicht übernehmen)|Info3";
        QTest::newRow("operator's Info title") << QStringList {"Kart", "Name"} << 0 << "Info2|Name";
        // Info 1 and 3 have no title: a column without one is not theirs.
        QTest::newRow("column without a title")
            << QStringList {"", "Name", " "} << 0 << "(nicht übernehmen)|Name|(nicht übernehmen)";
        QTest::newRow("Name beside Vorname and Nachname")
            << QStringList {"Name", "Vorname", "Nachname"} << 0 << "Name|Vorname|Nachname";
    }
    void headersAreRecognised()
    {
        QFETCH(QStringList, headers);
        QFETCH(int, clubField);
        QFETCH(QString, mapping);
        ImportContext c = context();
        c.clubField = clubField;
        c.infoNames[1] = QStringLiteral("Kart");
        QCOMPARE(mappingText(guessMapping(headers, c)), mapping);
    }

    void rowsBecomeEntriesOrProblems_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("age from year and date of birth at the event's date")
            << QByteArray(
                   "Vorname;Nachname;Jahrgang;Geburtsdatum\nKim;Lee;2014;\nAda;Ny;;14.06.2012\nBo;Ek;;13.06.2012\n")
            << QStringList {"1:Kim Lee/12////", "1:Ada Ny/13////", "1:Bo Ek/14////"};
        QTest::newRow("class by name or number, start number and club")
            << QByteArray("Name;Klasse;Startnummer;Verein\nA;junioren;7;MSC\nB;4;8;\nC;;9;\n")
            << QStringList {"3:A//7/MSC//", "4:B//8///", "1:C//9///"};
        QTest::newRow("unreadable rows with their reasons")
            << QByteArray("Name;Alter;Klasse;Jahrgang\n;12;;\nA;zwölf;;\nB;;Senioren;\nC;;;2030\nD;;;\n")
            << QStringList {"1:D/////", "2:kein Name", "3:Alter „zwölf“ ist keine Zahl von Jahren",
                            "4:keine Klasse „Senioren“", "5:Jahrgang „2030“ ist keine Jahreszahl bis 2026"};
        QTest::newRow("date of birth after the event")
            << QByteArray("Name;Geburtsdatum\nA;2026-06-14\n")
            << QStringList {"2:Geburtsdatum „2026-06-14“ ist kein Datum vor dem 13.06.2026"};
        QTest::newRow("a reason names the file's line, not the row's index")
            << QByteArray("\nName;Alter\n\"A\nB\";\n;7\n") << QStringList {"1:A B/////", "5:kein Name"};
    }
    void rowsBecomeEntriesOrProblems()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, expected);
        const ImportTable table = parseCsv(csv).value();
        const ImportContext c = context();
        QCOMPARE(previewTexts(previewImport(table, guessMapping(table.headers, c), c)), expected);
    }

    // Class names of the file the operator maps, start numbers given twice, letters the code page lacks.
    void classesDuplicatesAndCodePage_data()
    {
        QTest::addColumn<int>("bambini");
        QTest::addColumn<QStringList>("expected");
        const QStringList notes {"2:n:Start-Nr 7 steht in Klasse 2 noch in Zeile 3",
                                 "4:n:„Łucja Ñ“ wird als „Lucja Ñ“ gespeichert (Zeichensatz Windows-1252)"};
        QTest::newRow("not mapped: only its rows are left out")
            << -1 << QStringList {"1:Lucja Ñ", "2:keine Klasse „Bambini“", "3:keine Klasse „bambini“", notes[1]};
        QTest::newRow("mapped to class 2") << 2 << QStringList {"2:A", "2:B", "1:Lucja Ñ", notes[0], notes[1]};
        QTest::newRow("left out") << 0
                                  << QStringList {"1:Lucja Ñ", "2:Klasse „Bambini“ wird nicht übernommen",
                                                  "3:Klasse „bambini“ wird nicht übernommen", notes[1]};
    }
    void classesDuplicatesAndCodePage()
    {
        QFETCH(int, bambini);
        QFETCH(QStringList, expected);
        const ImportTable table = parseCsv("Name;Klasse;Startnummer\nA;Bambini;7\nB;bambini ;7\nŁucja Ñ;1;7\n").value();
        ImportContext c = context();
        c.classNames[1] = QStringLiteral("Klasse 2");
        if (bambini >= 0)
            c.classMap[fileClassKey(QStringLiteral("BAMBINI"))] = bambini;
        const ImportPreview preview = previewImport(table, guessMapping(table.headers, c), c);
        QStringList shown;
        for (const ImportedEntry &e : preview.entries) {
            shown
                << QStringLiteral("%1:%2").arg(e.classIndex).arg(e.entry.texts[std::size_t(textSlot(ListField::Name))]);
        }
        for (const ImportProblem &p : preview.problems)
            shown << QStringLiteral("%1:%2").arg(p.rowNumber).arg(p.reason);
        for (const ImportProblem &p : preview.notes)
            shown << QStringLiteral("%1:n:%2").arg(p.rowNumber).arg(p.reason);
        QCOMPARE(shown, expected);
        QCOMPARE(preview.fileClasses, QStringList {"Bambini"});
    }

    // Ages counted at the event's date; a later date counts them again, but not an age typed since.
    void agesFollowTheEventDate_data()
    {
        QTest::addColumn<QString>("born");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("ages");
        QTest::newRow("date of birth") << "Geburtsdatum;12.12.2015"
                                       << "" << QStringList {"10", "11"};
        QTest::newRow("year of birth") << "Jahrgang;2015"
                                       << "" << QStringList {"11", "11"};
        QTest::newRow("typed by hand stays") << "Geburtsdatum;12.12.2015"
                                             << "9" << QStringList {"10", "9"};
        QTest::newRow("age given by the file") << "Alter;10"
                                               << "" << QStringList {"10", "10"};
    }
    void agesFollowTheEventDate()
    {
        QFETCH(QString, born);
        QFETCH(QString, typed);
        QFETCH(QStringList, ages);
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        const QStringList column = born.split(QLatin1Char(';'));
        const ImportTable table
            = parseCsv(QStringLiteral("Name;Klasse;%1\nKim;1;%2\nAda;3;%2\n").arg(column[0], column[1]).toUtf8())
                  .value();
        const ImportContext c = context();
        QVERIFY(writeImport(store, previewImport(table, guessMapping(table.headers, c), c), ImportMode::Append).ok());
        QCOMPARE(store.list().text(0, ListField::Age), ages[0]);
        if (!typed.isEmpty())
            QVERIFY(store.writeTextField(0, ListField::Age, typed, ChangeSource::Typed));
        const QDate later(2026, 12, 12);
        QCOMPARE(classesCountedAtOtherDate(later).empty(), column[0] == QLatin1String("Alter"));
        int changed = 0;
        QVERIFY(recountImportedAges(store, later, changed).ok());
        QCOMPARE(store.list().text(0, ListField::Age), ages[1]);
        StartList other;
        QVERIFY(ReadListFile(other, ClassListPath(3), false).ok());
        QCOMPARE(other.text(0, ListField::Age), column[0] == QLatin1String("Geburtsdatum") ? "11" : ages[0]);
        QVERIFY(classesCountedAtOtherDate(later).empty());
    }

    // Both ways an office program keeps texts, numbers as numbers, a date cell as its day number.
    void workbooksAreRead_data()
    {
        QTest::addColumn<bool>("inlineStrings");
        QTest::newRow("shared strings") << false;
        QTest::newRow("inline strings") << true;
    }
    void workbooksAreRead()
    {
        QFETCH(bool, inlineStrings);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("meldungen.xlsx"));
        QVERIFY(writeXlsxFile(path,
                              {{"Start-Nr", "Name", "Jahrgang", "", "Geburtsdatum"},
                               {7, "Jörg Müller", 2014, "", 41074},
                               {},
                               {12.5, "Łucja Ñ", 2013}},
                              inlineStrings));
        const Result<ImportTable> table = readXlsxTable(path);
        QVERIFY2(table.ok(), qPrintable(table.ok() ? QString() : table.error().message()));
        QCOMPARE(
            rowTexts(table.value()),
            (QStringList {"Start-Nr|Name|Jahrgang||Geburtsdatum", "7|Jörg Müller|2014||41074", "12.5|Łucja Ñ|2013"}));
        QCOMPARE(table.value().rowNumbers, (std::vector<int> {2, 4}));
        QCOMPARE(table.value().description, QStringLiteral("Excel, Blatt „Meldungen“"));
        const ImportContext c = context();
        const ImportMapping mapping {ImportField::StartNr, ImportField::Name, ImportField::Ignore, ImportField::Ignore,
                                     ImportField::BirthDate};
        QCOMPARE(previewTexts(previewImport(table.value(), mapping, c)).first(), "1:Jörg Müller/13/7///");
    }

    void brokenFilesAreRefused_data()
    {
        QTest::addColumn<int>("keep");
        QTest::newRow("text file") << -1;
        QTest::newRow("empty") << 0;
        QTest::newRow("cut short") << 2000;
    }
    void brokenFilesAreRefused()
    {
        QFETCH(int, keep);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("x.xlsx"));
        QVERIFY(writeXlsxFile(path, {{"Name"}, {"Kim"}}));
        QVERIFY(writeBytes(path, keep < 0 ? QByteArray("Name;Alter\n") : readBytes(path).left(keep)));
        const Result<ImportTable> table = readXlsxTable(path);
        QVERIFY(!table.ok());
        QVERIFY2(table.error().reason.contains(QStringLiteral("keine Excel-Arbeitsmappe")),
                 qPrintable(table.error().reason));
        QVERIFY(!readCsvTable(folder.path()).ok());
    }

    // A far column on every row must not be padded into memory; the bounds are refused by name.
    void tableBoundsAreRefused_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("200 000 rows, a cell in XFD on each") << true << 200000 << 16383 << "Spalte XFD";
        QTest::newRow("10 001 drivers") << true << 10001 << 1 << "mehr als 10.000 Zeilen";
        QTest::newRow("10 000 drivers in column IV") << true << 10000 << 255 << "";
        QTest::newRow("text file, column 257") << false << 3 << 256 << "Spalte 257";
        QTest::newRow("text file, 10 001 drivers") << false << 10001 << 0 << "mehr als 10.000 Zeilen";
    }
    void tableBoundsAreRefused()
    {
        QFETCH(bool, workbook);
        QFETCH(int, rows);
        QFETCH(int, column);
        QFETCH(QString, refusal);
        QTemporaryDir folder;
        const QString path = folder.filePath(workbook ? QStringLiteral("x.xlsx") : QStringLiteral("x.csv"));
        if (workbook) {
            lxw_workbook *book = workbook_new(QFile::encodeName(path).constData());
            lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
            worksheet_write_string(sheet, 0, 0, "Name", nullptr);
            for (int r = 1; r <= rows; ++r)
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(column), r, nullptr);
            QCOMPARE(workbook_close(book), LXW_NO_ERROR);
        } else {
            QByteArray csv = "Name\n";
            for (int r = 1; r <= rows; ++r)
                csv += QByteArray(column, ';') + QByteArray::number(r) + '\n';
            QVERIFY(writeBytes(path, csv));
        }
        const Result<ImportTable> table = workbook ? readXlsxTable(path) : readCsvTable(path);
        QCOMPARE(table.ok(), refusal.isEmpty());
        if (table.ok())
            QCOMPARE(table.value().rows.size(), std::size_t(rows));
        else
            QVERIFY2(table.error().reason.contains(refusal), qPrintable(table.error().reason));
    }

    // The current class changes through the store, as one change from the import; the others in their files.
    void importWritesEveryClass_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("other");
        QTest::newRow("append") << int(ImportMode::Append) << QStringList {"Old1", "A"} << QStringList {"Old3", "B"};
        QTest::newRow("replace") << int(ImportMode::Replace) << QStringList {"A"} << QStringList {"B"};
    }
    void importWritesEveryClass()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, current);
        QFETCH(QStringList, other);
        QVERIFY(WriteListFile(listOfNames({"Old1"}), ClassListPath(1)).ok());
        QVERIFY(WriteListFile(listOfNames({"Old3"}), ClassListPath(3)).ok());
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        RunControl runs;
        JournalRecorder recorder(store, runs, dataFolder());
        QSignalSpy changes(&store, &ClassStore::changed);
        const ImportTable table = parseCsv("Name;Klasse\nA;1\nB;Junioren\n").value();
        const ImportContext c = context();
        QVERIFY(writeImport(store, previewImport(table, guessMapping(table.headers, c), c), ImportMode(mode),
                            QStringLiteral("meldungen.csv"))
                    .ok());
        QCOMPARE(names(store.list()), current);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).at(0).value<StoreChange>().source, ChangeSource::Import);
        // Every class written has its import row, the other class too.
        for (int classIndex : {1, 3}) {
            const JournalEvent last = recorder.journal().lastEvent(classIndex).value().value();
            QCOMPARE(QStringList({last.field, last.newValue, last.source, last.note}),
                     QStringList({"file imported", "1", "import", "meldungen.csv"}));
        }
        StartList onDisk;
        QVERIFY(ReadListFile(onDisk, ClassListPath(1), false).ok());
        QCOMPARE(names(onDisk), current);
        QVERIFY(ReadListFile(onDisk, ClassListPath(3), false).ok());
        QCOMPARE(names(onDisk), other);
    }

    void unreadableClassFileStopsTheWholeImport()
    {
        QVERIFY(
            writeBytes(ClassListPath(3), fileOf(record({"X", "", "", "", "", "", "bad", "0", "0", "0", "0", "0"}))));
        const QByteArray before = readBytes(ClassListPath(3));
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        const ImportTable table = parseCsv("Name;Klasse\nA;1\nB;3\n").value();
        const ImportContext c = context();
        const FileResult written
            = writeImport(store, previewImport(table, guessMapping(table.headers, c), c), ImportMode::Append);
        QVERIFY(!written.ok());
        QVERIFY(written.error().reason.endsWith(QStringLiteral("Es wurde nichts importiert.")));
        QCOMPARE(store.entryCount(), 0);
        QCOMPARE(readBytes(ClassListPath(3)), before);
        QVERIFY(!QFileInfo::exists(ClassListPath(1)));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestImport)
#include "test_import.moc"
