#include "support/ExportFiles.h"
#include "support/FakeCounter.h"
#include "support/StartListSamples.h"
#include "support/GuiTestMain.h"
#include "gui/Form_Main.h"
#include "gui/Form_StartList.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/ClassStore.h"
#include "support/MainWindowControls.h"

#include <QLineEdit>
#include <QTimer>
#include <QWindow>

namespace {
StartList readClassFile(int classIndex)
{
    StartList list;
    const Result<bool> read = ReadListFile(list, ClassListPath(classIndex), false);
    if (!read || !read.value())
        qWarning() << "class file not read:" << (read ? QString() : read.error().message());
    return list;
}
} // namespace

// The operator's road through a timed run, checked on screen and in the class file.
class TestTimedRun final : public QObject
{
    Q_OBJECT

    std::unique_ptr<ClassStore> m_store;
    std::unique_ptr<TfrmMain> m_main;
    TfrmStartList *m_editor = nullptr;

    std::unique_ptr<MainWindowControls> m_controls;
    const MainWindowControls &ui() const { return *m_controls; }
    ProtocolModel &model() { return *m_controls->model; }

    QPoint cellCenter(int row, int column)
    {
        return ui().Grid->visualRect(model().index(row, column)).center();
    }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(ui().Grid->viewport(), Qt::LeftButton, modifiers, cellCenter(row, column));
    }
    void typeIntoCount(int row, int column, const QString &text)
    {
        clickCell(row, column);
        QTest::keyClick(ui().Grid, Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        while (editor && editor->objectName() != QStringLiteral("CountEditor"))
            editor = editor->parentWidget();
        QVERIFY(editor);
        editor->findChild<QLineEdit *>()->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The grid takes the entry on its next round of the event loop.
        QTRY_VERIFY(!ui().Grid->findChild<QWidget *>(QStringLiteral("CountEditor")) || !editor->isVisible());
        QCoreApplication::processEvents();
    }
    void pickClass(int classIndex)
    {
        ui().cmbClass->setFocus();
        const int steps = classIndex - 1 - ui().cmbClass->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(ui().cmbClass, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }

private slots:
    void init()
    {
        FakeCounter::install();
        for (int c = 1; c <= 10; ++c)
            QFile::remove(ClassListPath(c));
        QVERIFY(WriteListFile(listOfNames({"Kim", "Team 7", "Ola"}), ClassListPath(2)).ok());
        m_store = std::make_unique<ClassStore>();
        m_main = std::make_unique<TfrmMain>(*m_store);
        m_editor = new TfrmStartList(*m_store, m_main.get());
        m_main->setStartListEditor(m_editor);
        m_controls = std::make_unique<MainWindowControls>(m_main.get());
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        OperatorDialogs::takeShownMessages();
        OperatorDialogs::discardQueued();
    }
    void cleanup()
    {
        m_controls.reset();
        m_main.reset();
        m_store.reset();
        setPerfCounter(systemPerfCounter());
    }

    void timedRunReachesTheClassFile()
    {
        pickClass(2);
        QCOMPARE(m_editor->CurrentClass(), 2);
        QCOMPARE(model().rowCount(), 3);
        QVERIFY(!ui().cmdStart->isEnabled());

        clickCell(1, ProtocolModel::Time1);
        QCOMPARE(ui().lblPartic->text(), QStringLiteral("Lauf 1:  Team 7"));
        QVERIFY(ui().cmdStart->isEnabled());

        QTest::keyClick(m_main->windowHandle(), Qt::Key_F5);
        QVERIFY(ui().runs->Running());
        FakeCounter::advanceMs(12'340);
        QTRY_COMPARE(model().cell(1, ProtocolModel::Time1), 12'340); // the 100 ms refresh
        QCOMPARE(model().cellText(1, ProtocolModel::Time1), QStringLiteral("00:12.3"));
        QCOMPARE(model().cellText(0, ProtocolModel::Time1), QStringLiteral("00:00.00"));
        QCOMPARE(readClassFile(2).wholeNumber(1, ListField::Time1), 0); // not written while running

        FakeCounter::advanceMs(53'090.4);
        QTest::keyClick(m_main->windowHandle(), Qt::Key_F8);
        QCOMPARE(model().cell(1, ProtocolModel::Time1), 65'430);
        QCOMPARE(model().cellText(1, ProtocolModel::Time1), QStringLiteral("01:05.43"));
        QCOMPARE(readClassFile(2).wholeNumber(1, ListField::Time1), 65'430);
        QVERIFY(!ui().cmdStart->isEnabled());

        typeIntoCount(1, ProtocolModel::FP1, QStringLiteral("2"));
        typeIntoCount(1, ProtocolModel::FS1, QStringLiteral("1"));
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 14'000);
        QCOMPARE(model().cell(1, ProtocolModel::GrandTotal), 79'430);
        const StartList saved = readClassFile(2);
        QCOMPARE(saved.wholeNumber(1, ListField::FP1), 2);
        QCOMPARE(saved.wholeNumber(1, ListField::FS1), 1);
        QCOMPARE(saved.text(1, ListField::Name), QStringLiteral("Team 7"));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
    }

    void typedCounts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("message");
        QTest::newRow("above the spin range") << "120" << 120 << "";
        QTest::newRow("two and a half counts as two") << "2.5" << 2 << "";
        QTest::newRow("three and a half counts as four") << "3.5" << 4 << "";
        QTest::newRow("negative") << "-1" << -1 << "";
        QTest::newRow("sign alone is refused") << "-" << 0 << "'-' is not a valid floating point value";
    }
    void typedCounts()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(QString, message);
        pickClass(2);
        typeIntoCount(0, ProtocolModel::FS2, typed);
        QCOMPARE(model().cell(0, ProtocolModel::FS2), stored);
        QCOMPARE(readClassFile(2).wholeNumber(0, ListField::FS2), stored);
        QCOMPARE(OperatorDialogs::takeShownMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void ctrlClickResetsARun_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("time1");
        QTest::newRow("Lauf 1, yes") << int(ProtocolModel::Time1) << true << true << 0;
        QTest::newRow("Lauf 1, no") << int(ProtocolModel::Time1) << false << true << 5'000;
        QTest::newRow("Gesamt asks nothing") << int(ProtocolModel::Total1) << true << false << 5'000;
    }
    void ctrlClickResetsARun()
    {
        QFETCH(int, column);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(int, time1);
        StartList list = listOfNames({"Kim"});
        list.setWholeNumber(0, ListField::Time1, 5'000);
        list.setWholeNumber(0, ListField::FP1, 3);
        QVERIFY(WriteListFile(list, ClassListPath(3)).ok());
        pickClass(3);

        OperatorDialogs::queueAnswer(answer);
        clickCell(0, column, Qt::ControlModifier);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(shown.first(), QStringLiteral("You are sure to reset results for Lauf 1:  Kim ?"));
        else
            OperatorDialogs::queueAnswer(false); // leave the queue as it was
        QCOMPARE(model().cell(0, ProtocolModel::Time1), time1);
        QCOMPARE(readClassFile(3).wholeNumber(0, ListField::Time1), time1);
        QCOMPARE(readClassFile(3).wholeNumber(0, ListField::FP1), time1 == 0 ? 0 : 3);
        if (time1 == 0) {
            QCOMPARE(model().cell(0, ProtocolModel::Penalty1), 0);
            QVERIFY(ui().cmdStart->isEnabled());
        }
        OperatorDialogs::takeShownMessages();
    }

    void ctrlClickDuringARunAsksNothing()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        QTest::keyClick(m_main->windowHandle(), Qt::Key_F5);
        clickCell(1, ProtocolModel::Time2, Qt::ControlModifier);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        QCOMPARE(ui().runs->CurrentRow(), 0); // selection is ignored during a run
        QTest::keyClick(m_main->windowHandle(), Qt::Key_F8);
    }

    void arrowsChooseTheRun()
    {
        pickClass(2);
        clickCell(2, ProtocolModel::Name);
        QTest::keyClick(ui().Grid, Qt::Key_Right);
        QCOMPARE(ui().edtLauf->value(), 2);
        QCOMPARE(ui().lblPartic->text(), QStringLiteral("Lauf 2:  Ola"));
        QTest::keyClick(ui().Grid, Qt::Key_Left);
        QCOMPARE(ui().edtLauf->value(), 1);
        QCOMPARE(ui().Grid->currentIndex().column(), int(ProtocolModel::Time1));
        QTest::keyClick(ui().Grid, Qt::Key_Up);
        QCOMPARE(ui().runs->CurrentRow(), 1);
    }

    void countCellSelectionKeepsRunAndParticipant()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Total2);
        QCOMPARE(ui().edtLauf->value(), 2);
        clickCell(2, ProtocolModel::FP1);
        QCOMPARE(ui().edtLauf->value(), 2);
        QCOMPARE(ui().runs->CurrentRow(), 0);
        clickCell(1, ProtocolModel::GrandTotal);
        QCOMPARE(ui().edtLauf->value(), 2);
        QCOMPARE(ui().runs->CurrentRow(), 1);
    }

    void pickingAClassLeavesNoParticipant()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        pickClass(3);
        QCOMPARE(ui().runs->CurrentRow(), -1);
        QCOMPARE(ui().lblPartic->text(), QString());
        QVERIFY(!ui().cmdStart->isEnabled());
        QCOMPARE(model().rowCount(), 0);
        QVERIFY(QFile::exists(ClassListPath(2)));
    }

    void outOfRangeClassesChangeNothing()
    {
        pickClass(2);
        m_main->LoadClass(0);
        m_main->LoadClass(11);
        QCOMPARE(ui().cmbClass->currentIndex(), 1);
        QCOMPARE(model().rowCount(), 3);
    }

    void emptiedRunEditorMakesNothingActive()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        ui().edtLauf->findChild<QLineEdit *>()->clear();
        QCOMPARE(ui().runs->runNumber(), 0);
        QCOMPARE(model().cellColor(0, ProtocolModel::Name), model().cellColor(1, ProtocolModel::Name));
    }

    void startListEditorRebuildsTheProtocol()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        QTimer::singleShot(0, m_editor, [this] {
            m_editor->SelectClass(3);
            m_editor->accept();
        });
        QTest::mouseClick(ui().cmdStartlist, Qt::LeftButton);
        QCOMPARE(ui().cmbClass->currentIndex(), 2);
        QCOMPARE(ui().runs->CurrentRow(), -1);
    }

    void exportsShowWhatTheGridShows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("questions");
        QTest::newRow("spreadsheet") << "cmdExcel" << "protocol.xlsx"
                                     << QStringList{"Class 02", "Ges.Zeit", "Platz", "Ola; \"the <b> & co\""}
                                     << QStringList{};
        QTest::newRow("web page") << "cmdHTML" << "protocol.html"
                                  << QStringList{"<h2>Class 02</h2>", "<th>Ges.Zeit</th>",
                                                 "<td>Ola; &quot;the &lt;b&gt; &amp; co&quot;</td>"}
                                  << QStringList{"Open the web page in the browser?"};
    }
    void exportsShowWhatTheGridShows()
    {
        QFETCH(QString, button);
        QFETCH(QString, fileName);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, questions);
        QVERIFY(WriteListFile(listOfNames({"Kim", "Team 7", "Ola; \"the <b> & co\""}), ClassListPath(2)).ok());
        pickClass(2);
        const QString path = programFolder() + fileName;
        OperatorDialogs::queueFileName(path);
        OperatorDialogs::queueAnswer(false);
        QTest::mouseClick(m_main->findChild<QWidget *>(button), Qt::LeftButton);
        QString content;
        if (fileName.endsWith(QStringLiteral(".xlsx"))) {
            QString failure;
            const QList<ExportFiles::Sheet> sheets = ExportFiles::readWorkbook(path, failure);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QCOMPARE(sheets.size(), 1);
            for (const auto &cells : sheets.front().rows) {
                for (const ExportFiles::Cell &cell : cells)
                    content += cell.text + QLatin1Char('\n');
            }
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            content = QString::fromUtf8(file.readAll());
        }
        for (const QString &part : expected)
            QVERIFY2(content.contains(part), qPrintable(part));
        QCOMPARE(OperatorDialogs::takeShownMessages(), questions);
    }

    void closingSavesTheCurrentClass()
    {
        pickClass(2);
        typeIntoCount(2, ProtocolModel::FP2, QStringLiteral("4"));
        QFile::remove(ClassListPath(2));
        m_main->close();
        QCOMPARE(readClassFile(2).wholeNumber(2, ListField::FP2), 4);
    }
};

ZORVEXA_TEST_MAIN(TestTimedRun)
#include "test_timedrun.moc"
