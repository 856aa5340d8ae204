#include "core/protocol/ClassResults.h"
#include "core/protocol/ExportedResults.h"
#include "core/settings/RaceDaySettings.h"
#include "gui/results/ResultsPrintout.h"
#include "support/ExportFiles.h"
#include "support/GuiTestMain.h"
#include "support/ScoredClass.h"

#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {
// Participant i has run times that make every total different; every fifth has no second run.
StartList classOf(int participants, const QString &prefix)
{
    StartList list;
    for (int i = 0; i < participants; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("%1 %2").arg(prefix).arg(i + 1, 3, 10, QLatin1Char('0')));
        list.setText(i, ListField::StartNr, QString::number(100 + i));
        list.setWholeNumber(i, ListField::Time1, 40'000 + (i * 7'919) % 20'000);
        list.setWholeNumber(i, ListField::Time2, i % 5 == 4 ? 0 : 41'000 + i);
        list.setWholeNumber(i, ListField::FP1, i % 3);
    }
    return list;
}

ResultsDocument documentOf(const QList<int> &classSizes)
{
    ResultsDocument document;
    document.eventName = QStringLiteral("Kart-Slalom Nord");
    document.date = QDate(2026, 12, 7);
    for (int c = 0; c < classSizes.size(); ++c)
        document.classes.push_back(
            scoredClass(c + 1, classOf(classSizes.at(c), QStringLiteral("Fahrer%1").arg(c + 1))));
    return document;
}
} // namespace

// The printout rendered to a PDF file and read back as the operator would read the paper.
class TestPrintout final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QStringList render(const ResultsDocument &document, QPageLayout::Orientation orientation, int &painted,
                       QString &failure)
    {
        const QString path = m_dir.filePath(QStringLiteral("printout.pdf"));
        {
            QPdfWriter pdf(path);
            QPageLayout layout = ResultsPrintout::defaultPageLayout();
            layout.setOrientation(orientation);
            pdf.setPageLayout(layout);
            painted = ResultsPrintout(document).paint(pdf);
        }
        return ExportFiles::pdfPages(path, failure);
    }

private slots:
    void pages_data()
    {
        QTest::addColumn<QList<int>>("classSizes");
        QTest::addColumn<int>("orientation");
        QTest::newRow("one participant") << QList<int> {1} << int(QPageLayout::Landscape);
        QTest::newRow("empty class") << QList<int> {0} << int(QPageLayout::Landscape);
        QTest::newRow("several pages") << QList<int> {130} << int(QPageLayout::Landscape);
        QTest::newRow("several pages upright") << QList<int> {130} << int(QPageLayout::Portrait);
        QTest::newRow("two classes") << QList<int> {45, 3} << int(QPageLayout::Landscape);
    }
    void pages()
    {
        QFETCH(QList<int>, classSizes);
        QFETCH(int, orientation);
        const ResultsDocument document = documentOf(classSizes);
        int painted = 0;
        QString failure;
        const QStringList pages = render(document, QPageLayout::Orientation(orientation), painted, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(pages.size(), painted);

        // Every page: the header, the headings and its number; then each class from a new page.
        int rowsOnFirstPage = 0;
        QMap<QString, int> seen;
        QString previousClass;
        for (int p = 0; p < pages.size(); ++p) {
            const QString &page = pages.at(p);
            QVERIFY2(page.contains(QStringLiteral("Kart-Slalom Nord \u2013 Ergebnisliste")), qPrintable(page));
            QVERIFY(page.contains(QStringLiteral("Datum: 07.12.2026")));
            QVERIFY(page.contains(QStringLiteral("Strafsekunden FP/FS: 2 / 10")));
            // Nobody has an age or an info, an empty class not even a start number: those columns go.
            const QRegularExpression headingRow(
                QStringLiteral(
                    "Platz +# +%1Name +Lauf 1 +FP +FS +Fehler +Gesamt +Lauf 2 +FP +FS +Fehler +Gesamt +Ges.Zeit")
                    .arg(classSizes.contains(0) ? QString() : QStringLiteral("Start-Nr +")));
            QVERIFY(headingRow.match(page).hasMatch());
            QVERIFY(page.contains(QStringLiteral("Seite %1 von %2").arg(p + 1).arg(pages.size())));
            static const QRegularExpression classLine(QStringLiteral("Klasse: (Class \\d\\d)"));
            const QString className = classLine.match(page).captured(1);
            QVERIFY(!className.isEmpty());
            int rows = 0;
            for (const QString &line : page.split(QLatin1Char('\n'))) {
                static const QRegularExpression participant(QStringLiteral("(Fahrer(\\d) \\d{3})"));
                const QRegularExpressionMatch match = participant.match(line);
                if (!match.hasMatch())
                    continue;
                ++rows;
                ++seen[match.captured(1)];
                QCOMPARE(QStringLiteral("Class 0") + match.captured(2), className);
            }
            if (p == 0)
                rowsOnFirstPage = rows;
            QVERIFY(rows <= rowsOnFirstPage);
            previousClass = className;
        }

        // Each participant once, whole: name, start number and Ges.Zeit on one line.
        int participants = 0;
        for (const ClassResults &results : document.classes) {
            for (const ResultLine &line : results.lines) {
                ++participants;
                const QString name = line.text(ListField::Name);
                QCOMPARE(seen.value(name), 1);
                const QString pattern = QStringLiteral("\\b%1 +%2\\b.*\\b%3\\s*$")
                                            .arg(line.text(ListField::StartNr), QRegularExpression::escape(name),
                                                 QRegularExpression::escape(exportedText(line, ListField::GrandTotal)));
                const QRegularExpression wholeRow(pattern, QRegularExpression::MultilineOption);
                QVERIFY2(wholeRow.match(pages.join(QLatin1Char('\n'))).hasMatch(), qPrintable(name));
            }
        }
        QCOMPARE(seen.size(), participants);
        const int classes = int(document.classes.size());
        QVERIFY(pages.size() >= classes);
        if (participants > rowsOnFirstPage)
            QVERIFY(pages.size() > classes);
    }

    void placesInOrderOnPaper()
    {
        int painted = 0;
        QString failure;
        const ResultsDocument document = documentOf({40});
        const QStringList pages = render(document, QPageLayout::Landscape, painted, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QStringList names;
        static const QRegularExpression participant(QStringLiteral("Fahrer1 \\d{3}"));
        for (const QString &page : pages) {
            for (const QString &line : page.split(QLatin1Char('\n'))) {
                const QRegularExpressionMatch match = participant.match(line);
                if (match.hasMatch())
                    names << match.captured(0);
            }
        }
        QStringList expected;
        for (const ResultLine &line : document.classes.front().lines)
            expected << line.text(ListField::Name);
        QCOMPARE(names, expected);
    }

    // Columns as wide as what they hold: a long club name whole, columns nobody filled gone.
    void columnsFollowTheirTexts_data()
    {
        QTest::addColumn<QStringList>("ages");
        QTest::addColumn<QStringList>("info1");
        QTest::addColumn<QStringList>("info3");
        QTest::addColumn<QString>("headings");
        const QString club = QStringLiteral("MSC Öhringen e.V. im ADAC");
        QTest::newRow("long Info1 alone") << QStringList {"", ""} << QStringList {club, "RSG"} << QStringList {"", ""}
                                          << "Platz +# +Start-Nr +Name +Info1 +Lauf 1 +FP +FS +Fehler +Gesamt +Lauf 2 "
                                             "+FP +FS +Fehler +Gesamt +Ges.Zeit";
        QTest::newRow("ages and Info3")
            << QStringList {"12", ""} << QStringList {club, ""} << QStringList {"", "Gast"}
            << "Platz +# +Start-Nr +Name +Alter +Info1 +Info3 +Lauf 1 +FP +FS +Fehler +Gesamt +Lauf 2 +FP +FS +Fehler "
               "+Gesamt +Ges.Zeit";
    }
    void columnsFollowTheirTexts()
    {
        QFETCH(QStringList, ages);
        QFETCH(QStringList, info1);
        QFETCH(QStringList, info3);
        QFETCH(QString, headings);
        StartList list = classOf(int(ages.size()) + 1, QStringLiteral("Fahrer1"));
        for (int i = 0; i < ages.size(); ++i) {
            list.setText(i, ListField::Age, ages.at(i));
            list.setText(i, ListField::Info1, info1.at(i));
            list.setText(i, ListField::Info3, info3.at(i));
        }
        // A row nobody filled in is not printed.
        list.setText(int(ages.size()), ListField::Name, QString());
        list.setWholeNumber(int(ages.size()), ListField::Time1, 0);
        list.setWholeNumber(int(ages.size()), ListField::Time2, 0);
        ResultsDocument document = documentOf({});
        document.classes.push_back(scoredClass(1, list));
        int painted = 0;
        QString failure;
        const QStringList pages = render(document, QPageLayout::Landscape, painted, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(pages.size(), 1);
        const QString page = pages.front();
        QVERIFY2(QRegularExpression(headings).match(page).hasMatch(), qPrintable(page));
        for (const QString &info : info1 + info3 + ages) {
            if (!info.isEmpty())
                QVERIFY2(page.contains(info), qPrintable(info));
        }
        QVERIFY(!page.contains(QStringLiteral("\u2026")));
        QCOMPARE(page.count(QRegularExpression(QStringLiteral("Fahrer1 \\d{3}"))), int(ages.size()));
    }

    // The club ranking ends the printout on a page of its own, counted with the others; "Bester
    // Lauf" ranks in a column of its own and a mark's reason stands beneath the table.
    void clubsOnAPageOfTheirOwn()
    {
        StartList list = classOf(3, QStringLiteral("Fahrer1"));
        for (int i = 0; i < 3; ++i) {
            list.setText(i, ListField::Info1, i == 1 ? QStringLiteral("AC") : QStringLiteral("MSC"));
            list.setWholeNumber(i, ListField::Time1, 40'000 + 1'000 * i);
            list.setWholeNumber(i, ListField::FP1, 0);
            list.setWholeNumber(i, ListField::Time2, 41'000);
        }
        RaceRules rules;
        rules.clubField = 1;
        rules.clubBest = 2;
        rules.scoring = ScoringMode::BestRun;
        std::vector<EntryMarks> marks(3);
        marks[1].runs[1] = {RunMark::Disqualified, QStringLiteral("Tor 4")};
        ResultsDocument document = documentOf({});
        document.scoring = rules.scoring;
        document.scoringText = scoringModeText(rules.scoring);
        document.classes.push_back(classResults(1, list, marks, {}, rules));
        int painted = 0;
        QString failure;
        const QStringList pages = render(document, QPageLayout::Landscape, painted, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(painted, 2);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("Wertung: Bester Lauf")));
        QCOMPARE(pages[0].count(QStringLiteral("Bester Lauf")), 2);
        QVERIFY2(pages[0].contains(QStringLiteral("Fahrer1 002, Lauf 2: DSQ \u2013 Tor 4")), qPrintable(pages[0]));
        QVERIFY(!pages[0].contains(QStringLiteral("Vereinswertung")));
        QVERIFY(pages[1].contains(QStringLiteral("Vereinswertung (beste 2)")));
        QVERIFY(pages[1].contains(QStringLiteral("Seite 2 von 2")));
        QVERIFY(pages[1].contains(QStringLiteral("01:21.00")));
    }

    void pageIsA4_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("size");
        QTest::newRow("landscape") << int(QPageLayout::Landscape) << "842 x 595 pts (A4)";
        QTest::newRow("portrait") << int(QPageLayout::Portrait) << "595 x 842 pts (A4)";
    }
    void pageIsA4()
    {
        QFETCH(int, orientation);
        QFETCH(QString, size);
        int painted = 0;
        QString failure;
        render(documentOf({3}), QPageLayout::Orientation(orientation), painted, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString info = QString::fromUtf8(
            ExportFiles::runTool(QStringLiteral("pdfinfo"), {m_dir.filePath(QStringLiteral("printout.pdf"))}, failure));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY2(info.contains(size), qPrintable(info));
    }
};

ZORVEXA_TEST_MAIN(TestPrintout)
#include "test_printout.moc"
