#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "gui/timing/Form_Main.h"
#include "support/ExportFiles.h"
#include "support/FakeCounter.h"
#include "support/GuiTestMain.h"
#include "support/MainWindowControls.h"
#include "support/MockClock.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

namespace {
struct Runner
{
    QString name;
    int time1, fp1, time2, fs2;
};

void writeClass(int classIndex, const QList<Runner> &runners)
{
    StartList list;
    for (const Runner &r : runners) {
        list.add();
        const int i = list.count() - 1;
        list.setText(i, ListField::Name, r.name);
        list.setText(i, ListField::StartNr, QString::number(10 * classIndex + i));
        list.setWholeNumber(i, ListField::Time1, r.time1);
        list.setWholeNumber(i, ListField::FP1, r.fp1);
        list.setWholeNumber(i, ListField::Time2, r.time2);
        list.setWholeNumber(i, ListField::FS2, r.fs2);
    }
    QVERIFY(WriteListFile(list, ClassListPath(classIndex)).ok());
}

// The day every export of these tests is made on, whatever day they run.
const QDate ExportDay(2026, 12, 7);

QString exportDayText()
{
    return ExportDay.toString(QStringLiteral("yyyy-MM-dd"));
}

QStringList namesOf(const ExportFiles::Sheet &sheet)
{
    QStringList names;
    for (int row = 6; sheet.rows.contains(row); ++row)
        names << sheet.text(row, 3);
    return names;
}
} // namespace

// Catches what the program hands to the desktop's browser.
class UrlCatcher final : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

// The results as the operator gets them from the main window: the workbook and web page buttons,
// Ctrl+P and the protocol's context menu, and the "Platz" column while timing.
class TestResultsWindow final : public QObject
{
    Q_OBJECT

    MockClock m_clock {ExportDay};

    std::unique_ptr<RaceSession> m_session;
    ClassStore *m_store = nullptr;
    std::unique_ptr<TfrmMain> m_main;
    std::unique_ptr<MainWindowControls> m_controls;
    std::unique_ptr<QTemporaryDir> m_exports;
    UrlCatcher m_browser;

    const MainWindowControls &ui() const { return *m_controls; }
    QString exportFolder() const { return m_exports->path() + QLatin1Char('/'); }

    void pickClass(int classIndex)
    {
        ui().cmbClass->setFocus();
        const int steps = classIndex - 1 - ui().cmbClass->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(ui().cmbClass, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    QPoint cellCentre(int row, int column) const
    {
        return ui().Grid->visualRect(ui().model->index(row, column)).center();
    }
    void clickCell(int row, int column)
    {
        QTest::mouseClick(ui().Grid->viewport(), Qt::LeftButton, {}, cellCentre(row, column));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(m_main->windowHandle(), key, modifiers);
    }
    QStringList placeColumn() const
    {
        QStringList places;
        for (int r = 0; r < ui().model->rowCount(); ++r)
            places << ui().model->index(r, ProtocolModel::Place).data().toString();
        return places;
    }
    QList<ExportFiles::Sheet> workbook(const QString &path)
    {
        QString failure;
        const QList<ExportFiles::Sheet> sheets = ExportFiles::readWorkbook(path, failure);
        if (!failure.isEmpty())
            QTest::qFail(qPrintable(failure), __FILE__, __LINE__);
        return sheets;
    }
    // The note over the warning line that says where a file went.
    QLabel *notice() const { return m_main->findChild<QLabel *>(QStringLiteral("lblExportNotice")); }
    void checkNotice(const QString &fileName)
    {
        QVERIFY(notice());
        QVERIFY(notice()->isVisible());
        // The line is narrow: a long name is cut in its middle, the tooltip keeps it whole.
        QVERIFY2(notice()->text().startsWith(QStringLiteral("Saved: ")), qPrintable(notice()->text()));
        QCOMPARE(notice()->toolTip(), QStringLiteral("Saved: ") + QDir::toNativeSeparators(exportFolder() + fileName));
        QCOMPARE(notice()->geometry(), ui().lblSaveWarning->geometry());
    }
    QPrintPreviewDialog *preview() const
    {
        return m_main->findChild<QPrintPreviewDialog *>(QStringLiteral("PrintPreview"));
    }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_browser, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init()
    {
        FakeCounter::install();
        for (int c = FirstClass; c <= LastClass; ++c)
            QFile::remove(ClassListPath(c));
        // Class 2: Kim has one run; Ola is first, Ben and Mo share second place.
        writeClass(2,
                   {{"Kim", 50'000, 0, 0, 0},
                    {"Ben", 40'000, 0, 40'000, 0},
                    {"Ola", 30'000, 0, 30'000, 0},
                    {"Mo", 38'000, 1, 40'000, 0}});
        m_exports = std::make_unique<QTemporaryDir>();
        m_session = std::make_unique<RaceSession>();
        m_store = &m_session->store();
        m_main = std::make_unique<TfrmMain>(*m_session);
        m_controls = std::make_unique<MainWindowControls>(m_main.get());
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        pickClass(2);
        OperatorDialogs::takeShownMessages();
        OperatorDialogs::clearQueues();
        m_browser.opened.clear();
    }
    void cleanup()
    {
        if (QPrintPreviewDialog *open = preview())
            delete open;
        m_controls.reset();
        m_main.reset();
        m_store = nullptr;
        m_session.reset();
        setPerfCounter(systemPerfCounter());
    }

    void placesInTheGrid() { QCOMPARE(placeColumn(), (QStringList {"", "2", "1", "2"})); }

    // Kim's second run is timed: the place moves with the running time, every 100 ms; at 80 s
    // Kim ties with Ben and Mo.
    void placeFollowsTheRunningClock()
    {
        clickCell(0, ProtocolModel::Time2);
        key(Qt::Key_F5);
        QVERIFY(ui().runs->Running());
        FakeCounter::advanceMs(9'000);
        QTRY_COMPARE(placeColumn(), (QStringList {"1", "3", "2", "3"}));
        FakeCounter::advanceMs(21'000);
        QTRY_COMPARE(placeColumn(), (QStringList {"2", "2", "1", "2"}));
        FakeCounter::advanceMs(1'000);
        QTRY_COMPARE(placeColumn(), (QStringList {"4", "2", "1", "2"}));
        key(Qt::Key_F8);
        QCOMPARE(placeColumn(), (QStringList {"4", "2", "1", "2"}));
    }

    void workbookOfTheClass()
    {
        OperatorDialogs::queueFileName(exportFolder());
        QTest::mouseClick(m_main->findChild<QWidget *>(QStringLiteral("cmdExcel")), Qt::LeftButton);
        // A new file is made without a question.
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        const QList<ExportFiles::Sheet> sheets = workbook(exportFolder() + "Class 02 " + exportDayText() + ".xlsx");
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets.front().name, m_session->rules().className(2));
        QCOMPARE(sheets.front().text(2, 1), QStringLiteral("07.12.2026"));
        QCOMPARE(namesOf(sheets.front()), (QStringList {"Ola", "Ben", "Mo", "Kim"}));
        QCOMPARE(sheets.front().text(8, 0), QStringLiteral("2"));
        checkNotice("Class 02 " + exportDayText() + ".xlsx");
    }

    void workbookOfAllClasses()
    {
        writeClass(1, {{"Ada", 1'000, 0, 1'000, 0}});
        writeClass(5, {{"Eva", 2'000, 0, 0, 0}, {"Finn", 5'000, 0, 5'000, 0}});
        writeClass(7, {});
        // Class 2 is taken from memory, not from its file.
        QFile::remove(ClassListPath(2));
        OperatorDialogs::queueFileName(exportFolder());
        OperatorDialogs::queueChoice(1);
        QTest::mouseClick(m_main->findChild<QWidget *>(QStringLiteral("cmdExcel")), Qt::LeftButton);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        const QList<ExportFiles::Sheet> sheets = workbook(exportFolder() + "All classes " + exportDayText() + ".xlsx");
        QStringList sheetNames;
        for (const ExportFiles::Sheet &sheet : sheets)
            sheetNames << sheet.name;
        QCOMPARE(sheetNames,
                 (QStringList {m_session->rules().className(1), m_session->rules().className(2),
                               m_session->rules().className(5)}));
        QCOMPARE(namesOf(sheets.at(1)), (QStringList {"Ola", "Ben", "Mo", "Kim"}));
        QCOMPARE(namesOf(sheets.at(2)), (QStringList {"Finn", "Eva"}));
    }

    void anUnreadableClassStopsTheExport()
    {
        QVERIFY(QDir().mkpath(ClassListPath(4)));
        OperatorDialogs::queueFileName(exportFolder());
        OperatorDialogs::queueChoice(1);
        QTest::mouseClick(m_main->findChild<QWidget *>(QStringLiteral("cmdExcel")), Qt::LeftButton);
        QVERIFY(QDir().rmdir(ClassListPath(4)));
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.front().contains(QStringLiteral("List04.dat")), qPrintable(shown.front()));
        QVERIFY(QDir(exportFolder()).isEmpty());
        QVERIFY(!notice()->isVisible());
    }

    void replacingAFileAsksFirst_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("answer");
        QTest::newRow("workbook, replace") << "cmdExcel"
                                           << "xlsx" << true;
        QTest::newRow("workbook, keep") << "cmdExcel"
                                        << "xlsx" << false;
        QTest::newRow("web page, replace") << "cmdHTML"
                                           << "html" << true;
        QTest::newRow("web page, keep") << "cmdHTML"
                                        << "html" << false;
    }
    void replacingAFileAsksFirst()
    {
        QFETCH(QString, button);
        QFETCH(QString, suffix);
        QFETCH(bool, answer);
        const QString path = exportFolder() + "results." + suffix;
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old results");
        old.close();
        OperatorDialogs::queueFileName(path);
        OperatorDialogs::queueAnswer(answer);
        OperatorDialogs::queueAnswer(false); // not to the browser
        QTest::mouseClick(m_main->findChild<QWidget *>(button), Qt::LeftButton);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.front(), QStringLiteral("results.%1 already exists.\nReplace it?").arg(suffix));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll() == "old results", !answer);
    }

    void webPageOffersTheBrowser_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("sections");
        QTest::newRow("this class, opened") << 0 << true << "Class 02 " + exportDayText() + ".html" << 1;
        QTest::newRow("this class, not opened") << 0 << false << "Class 02 " + exportDayText() + ".html" << 1;
        QTest::newRow("all classes") << 1 << true << "All classes " + exportDayText() + ".html" << 2;
    }
    void webPageOffersTheBrowser()
    {
        QFETCH(int, choice);
        QFETCH(bool, open);
        QFETCH(QString, fileName);
        QFETCH(int, sections);
        writeClass(3, {{"<script>alert(1)</script>", 1'000, 0, 1'000, 0}, {"Finn <b>&", 2'000, 0, 0, 0}});
        OperatorDialogs::queueFileName(exportFolder());
        OperatorDialogs::queueChoice(choice);
        OperatorDialogs::queueAnswer(open);
        QTest::mouseClick(m_main->findChild<QWidget *>(QStringLiteral("cmdHTML")), Qt::LeftButton);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {"Open the web page in the browser?"});
        const QString path = exportFolder() + fileName;
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QString page = QString::fromUtf8(file.readAll());
        QCOMPARE(page.count(QStringLiteral("<section>")), sections);
        QVERIFY(page.contains(QStringLiteral("<td class=\"nm\">Ola</td>")));
        if (sections > 1) {
            QVERIFY(page.contains(QStringLiteral("<td class=\"nm\">&lt;script&gt;alert(1)&lt;/script&gt;</td>")));
            QVERIFY(page.contains(QStringLiteral("<td class=\"nm\">Finn &lt;b&gt;&amp;</td>")));
            QVERIFY(!page.contains(QStringLiteral("<script>")));
        }
        QCOMPARE(m_browser.opened, open ? QList<QUrl> {QUrl::fromLocalFile(path)} : QList<QUrl> {});
    }

    void printPreview_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("Ctrl+P") << false;
        QTest::newRow("protocol context menu") << true;
    }
    void printPreview()
    {
        QFETCH(bool, fromMenu);
        if (fromMenu) {
            const QPoint at = ui().Grid->viewport()->mapTo(m_main.get(), cellCentre(1, ProtocolModel::Name));
            QTest::mouseClick(m_main->windowHandle(), Qt::RightButton, {}, at);
            auto *menu = ui().Grid->findChild<QMenu *>(QStringLiteral("mnuProtocol"));
            QVERIFY(menu);
            QTRY_VERIFY(menu->isVisible());
            QAction *print = m_main->findChild<QAction *>(QStringLiteral("actPrintPreview"));
            QVERIFY(menu->actions().contains(print));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(print).center());
        } else {
            key(Qt::Key_P, Qt::ControlModifier);
        }
        QTRY_VERIFY(preview() && preview()->isVisible());
        auto *pages = preview()->findChild<QPrintPreviewWidget *>();
        QVERIFY(pages);
        QTRY_COMPARE(pages->pageCount(), 1);

        // "Save as PDF" in the preview's tool bar: the same pages, as a file.
        auto *save = preview()->findChild<QAction *>(QStringLiteral("actSavePdf"));
        QVERIFY(save);
        QWidget *button = preview()->findChild<QToolBar *>()->widgetForAction(save);
        QVERIFY(button);
        OperatorDialogs::queueFileName(exportFolder());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        QString failure;
        const QStringList text = ExportFiles::pdfPages(exportFolder() + "Class 02 " + exportDayText() + ".pdf", failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(text.size(), 1);
        QVERIFY(text.front().contains(QStringLiteral("Klasse: Class 02")));
        QVERIFY(text.front().contains(QStringLiteral("Seite 1 von 1")));
        QVERIFY(text.front().indexOf(QStringLiteral("Ola")) < text.front().indexOf(QStringLiteral("Kim")));
        // The preview stands in front of the main window: it says where the file went too.
        auto *saved = preview()->findChild<QLabel *>(QStringLiteral("lblPdfSaved"));
        QVERIFY(saved && saved->isVisible());
        QCOMPARE(saved->text(),
                 QStringLiteral("Saved: ") + QDir::toNativeSeparators(exportFolder() + "Class 02 " + exportDayText() + ".pdf"));
        checkNotice("Class 02 " + exportDayText() + ".pdf");
    }

    void noPrintingWhileARunIsTimed()
    {
        clickCell(0, ProtocolModel::Time2);
        key(Qt::Key_F5);
        QVERIFY(ui().runs->Running());
        key(Qt::Key_P, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QVERIFY(!preview());
        key(Qt::Key_F8);
        key(Qt::Key_P, Qt::ControlModifier);
        QTRY_VERIFY(preview());
    }
};

ZORVEXA_TEST_MAIN(TestResultsWindow)
#include "test_results_window.moc"
