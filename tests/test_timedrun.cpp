#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "support/ExportFiles.h"
#include "support/FakeCounter.h"
#include "support/GuiTestMain.h"
#include "support/ListFiles.h"
#include "support/MainWindowControls.h"
#include "support/SettingsFile.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>

#include <sys/stat.h>

// The operator's road through a timed run, checked on screen and in the class file.
class TestTimedRun final : public QObject
{
    Q_OBJECT

public:
    // How the operator opens a count cell's editor.
    enum class Gesture { TypingADigit, F2, DoubleClick };
    Q_ENUM(Gesture)

private:
    ShownMainWindow m_shown;
    const QLocale m_testLocale;
    TfrmStartList *m_editor = nullptr;

    const MainWindowControls &ui() const { return *m_shown.controls; }
    ProtocolModel &model() { return *m_shown.controls->model; }

    QPoint cellCenter(int row, int column) { return ui().Grid->visualRect(model().index(row, column)).center(); }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(ui().Grid->viewport(), Qt::LeftButton, modifiers, cellCenter(row, column));
    }
    // Keys go to the window's platform window, so they reach whatever has the focus.
    void typeOnWindow(const QString &text)
    {
        for (const QChar c : text)
            QTest::keyClick(m_shown.window->windowHandle(), c.toLatin1());
    }
    QWidget *openCountEditor() const
    {
        QWidget *editor = QApplication::focusWidget();
        while (editor && editor->objectName() != QStringLiteral("CountEditor"))
            editor = editor->parentWidget();
        return editor;
    }
    void typeIntoCount(int row, int column, const QString &text, Gesture gesture = Gesture::F2)
    {
        clickCell(row, column);
        QString rest = text;
        switch (gesture) {
        case Gesture::TypingADigit:
            typeOnWindow(rest.left(1));
            rest.remove(0, 1);
            break;
        case Gesture::F2:
            QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F2);
            break;
        case Gesture::DoubleClick:
            QTest::mouseDClick(ui().Grid->viewport(), Qt::LeftButton, {}, cellCenter(row, column));
            break;
        }
        QWidget *editor = openCountEditor();
        QVERIFY(editor);
        typeOnWindow(rest);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Return);
        // The grid takes the entry on its next round of the event loop.
        QTRY_VERIFY(!ui().Grid->findChild<QWidget *>(QStringLiteral("CountEditor")) || !editor->isVisible());
        QCoreApplication::processEvents();
    }
    void writeClassWithFp1(int classIndex, int fp1)
    {
        StartList list = listOfNames({"Kim", "Team 7", "Ola"});
        list.setWholeNumber(1, ListField::FP1, fp1);
        QVERIFY(WriteListFile(list, ClassListPath(classIndex)).ok());
    }
    // Clicks into a seconds editor, selects its text with the keyboard and types over it.
    void typeSeconds(QAbstractSpinBox *editor, const QString &text)
    {
        QTest::mouseClick(editor->findChild<QLineEdit *>(), Qt::LeftButton);
        QVERIFY(editor->hasFocus());
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Backspace);
        typeOnWindow(text);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Tab);
        QVERIFY(!editor->hasFocus());
    }
    void pickClass(int classIndex)
    {
        ui().cmbClass->setFocus();
        const int steps = classIndex - 1 - ui().cmbClass->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(ui().cmbClass, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }

    void startProgram()
    {
        m_shown.open([this](ClassStore &, TfrmMain &window) {
            m_editor = new TfrmStartList(window.session(), &window);
            window.setStartListEditor(m_editor);
        });
        OperatorDialogs::takeShownMessages();
    }
    void endProgram() { m_shown.close(); }
    // The window again, its editors made under the desktop language named (empty: as the test began).
    void restartIn(const QString &language)
    {
        if (language.isEmpty())
            return;
        endProgram();
        QLocale::setDefault(QLocale(language));
        startProgram();
    }

private slots:
    void init()
    {
        // An earlier test may have ended the window as a signal would.
        OperatorDialogs::setEnding(false);
        FakeCounter::install();
        QFile::remove(settingsPath());
        for (int c = 1; c <= 10; ++c)
            QFile::remove(ClassListPath(c));
        QVERIFY(WriteListFile(listOfNames({"Kim", "Team 7", "Ola"}), ClassListPath(2)).ok());
        startProgram();
    }
    void cleanup()
    {
        OperatorDialogs::clearQueues();
        endProgram();
        QLocale::setDefault(m_testLocale);
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

        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        QVERIFY(ui().runs->Running());
        FakeCounter::advanceMs(12'340);
        QTRY_COMPARE(model().cell(1, ProtocolModel::Time1), 12'340); // the 100 ms refresh
        QCOMPARE(model().cellText(1, ProtocolModel::Time1), QStringLiteral("00:12.3"));
        QCOMPARE(model().cellText(0, ProtocolModel::Time1), QStringLiteral("00:00.00"));
        QCOMPARE(m_shown.classFile(2).wholeNumber(1, ListField::Time1), 0); // not written while running

        FakeCounter::advanceMs(53'090.4);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F8);
        QCOMPARE(model().cell(1, ProtocolModel::Time1), 65'430);
        QCOMPARE(model().cellText(1, ProtocolModel::Time1), QStringLiteral("01:05.43"));
        QCOMPARE(m_shown.classFile(2).wholeNumber(1, ListField::Time1), 65'430);
        QVERIFY(!ui().cmdStart->isEnabled());

        typeIntoCount(1, ProtocolModel::FP1, QStringLiteral("2"));
        typeIntoCount(1, ProtocolModel::FS1, QStringLiteral("1"));
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 14'000);
        QCOMPARE(model().cell(1, ProtocolModel::GrandTotal), 79'430);
        const StartList saved = m_shown.classFile(2);
        QCOMPARE(saved.wholeNumber(1, ListField::FP1), 2);
        QCOMPARE(saved.wholeNumber(1, ListField::FS1), 1);
        QCOMPARE(saved.text(1, ListField::Name), QStringLiteral("Team 7"));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
    }

    // A press counts from its event's own timestamp: the run is right however late the window
    // gets to the key. Without a timestamp the handler's time serves, and the warning line says so.
    void pressTimeComesFromTheEvent_data()
    {
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<int>("startHandledLate");
        QTest::addColumn<int>("stopHandledLate");
        QTest::addColumn<int>("recorded");
        QTest::newRow("handled at once") << true << 0 << 0 << 1'000;
        QTest::newRow("window held 800 ms before the stop") << true << 0 << 800 << 1'000;
        QTest::newRow("start and stop both late") << true << 500 << 300 << 1'000;
        QTest::newRow("no timestamps: the handler's time") << false << 0 << 800 << 1'800;
    }
    void pressTimeComesFromTheEvent()
    {
        QFETCH(bool, stamped);
        QFETCH(int, startHandledLate);
        QFETCH(int, stopHandledLate);
        QFETCH(int, recorded);
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        TestApplication::keepEventTimes = true;
        const auto restore = qScopeGuard([] { TestApplication::keepEventTimes = false; });
        const auto press = [this, stamped](Qt::Key key, quint64 pressedAt) {
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent event(type, key, Qt::NoModifier);
                event.setTimestamp(stamped ? pressedAt : 0);
                QCoreApplication::sendEvent(m_shown.window->windowHandle(), &event);
            }
        };
        const auto nowMs = [] { return TestApplication::stampAt(quint64(FakeCounter::now / 1000)); };
        const quint64 start = nowMs();
        FakeCounter::advanceMs(startHandledLate);
        press(Qt::Key_F5, start);
        QVERIFY(ui().runs->Running());
        FakeCounter::advanceMs(1'000 - startHandledLate + stopHandledLate);
        press(Qt::Key_F8, start + 1'000);
        QCOMPARE(model().cell(0, ProtocolModel::Time1), recorded);
        QCOMPARE(m_shown.classFile(2).wholeNumber(0, ListField::Time1), recorded);
        QVERIFY2(ui().lblSaveWarning->toolTip().contains(QStringLiteral("no usable time")) == !stamped,
                 qPrintable(ui().lblSaveWarning->toolTip()));
    }

    void typedCounts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("language");
        QTest::newRow("above the spin range") << "120" << 120 << ""
                                              << "";
        QTest::newRow("two and a half counts as two") << "2.5" << 2 << ""
                                                      << "";
        QTest::newRow("three and a half counts as four") << "3.5" << 4 << ""
                                                         << "";
        QTest::newRow("negative") << "-1" << -1 << ""
                                  << "";
        QTest::newRow("sign alone is refused") << "-" << 0 << "'-' is not a valid floating point value"
                                               << "";
        QTest::newRow("comma in English") << "3,5" << 4 << ""
                                          << "en_US";
        QTest::newRow("point in German") << "3.5" << 4 << ""
                                         << "de_DE";
        QTest::newRow("comma in German") << "2,5" << 2 << ""
                                         << "de_DE";
    }
    void typedCounts()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(QString, message);
        QFETCH(QString, language);
        restartIn(language);
        pickClass(2);
        typeIntoCount(0, ProtocolModel::FS2, typed);
        QCOMPARE(model().cell(0, ProtocolModel::FS2), stored);
        QCOMPARE(m_shown.classFile(2).wholeNumber(0, ListField::FS2), stored);
        QCOMPARE(OperatorDialogs::takeShownMessages(), message.isEmpty() ? QStringList() : QStringList {message});
    }

    void typedCountReplacesTheValue_data()
    {
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("typing a digit") << Gesture::TypingADigit << "2" << 2;
        QTest::newRow("typing two digits") << Gesture::TypingADigit << "35" << 35;
        QTest::newRow("F2") << Gesture::F2 << "2" << 2;
        QTest::newRow("double-click") << Gesture::DoubleClick << "2" << 2;
        QTest::newRow("double-click, two digits") << Gesture::DoubleClick << "40" << 40;
    }
    void typedCountReplacesTheValue()
    {
        QFETCH(Gesture, gesture);
        QFETCH(QString, typed);
        QFETCH(int, stored);
        writeClassWithFp1(2, 1);
        pickClass(2);
        QCOMPARE(model().cell(1, ProtocolModel::FP1), 1);
        typeIntoCount(1, ProtocolModel::FP1, typed, gesture);
        QCOMPARE(model().cell(1, ProtocolModel::FP1), stored);
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), stored * 2'000);
        QCOMPARE(m_shown.classFile(2).wholeNumber(1, ListField::FP1), stored);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
    }

    void countEditorOpensWithItsTextSelected_data()
    {
        QTest::addColumn<Gesture>("gesture");
        QTest::newRow("F2") << Gesture::F2;
        QTest::newRow("double-click") << Gesture::DoubleClick;
    }
    void countEditorOpensWithItsTextSelected()
    {
        QFETCH(Gesture, gesture);
        writeClassWithFp1(2, 17);
        pickClass(2);
        clickCell(1, ProtocolModel::FP1);
        if (gesture == Gesture::F2)
            QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F2);
        else
            QTest::mouseDClick(ui().Grid->viewport(), Qt::LeftButton, {}, cellCenter(1, ProtocolModel::FP1));
        QWidget *editor = openCountEditor();
        QVERIFY(editor);
        auto *line = editor->findChild<QLineEdit *>();
        QCOMPARE(line->text(), QStringLiteral("17"));
        QCOMPARE(line->selectedText(), QStringLiteral("17"));
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Escape);
        QCOMPARE(model().cell(1, ProtocolModel::FP1), 17);
    }

    void countTypedDuringTheRunIsKept()
    {
        pickClass(2);
        clickCell(1, ProtocolModel::Time1);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        QVERIFY(ui().runs->Running());

        clickCell(1, ProtocolModel::FS1);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F2);
        QWidget *editor = openCountEditor();
        QVERIFY(editor);
        typeOnWindow(QStringLiteral("3"));
        // Several refreshes of the running row while the count is still being typed.
        FakeCounter::advanceMs(4'000);
        QTRY_COMPARE(model().cell(1, ProtocolModel::Time1), 4'000);
        FakeCounter::advanceMs(1'000);
        QTRY_COMPARE(model().cell(1, ProtocolModel::Time1), 5'000);
        QCOMPARE(editor->findChild<QLineEdit *>()->text(), QStringLiteral("3"));
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Return);
        QTRY_COMPARE(model().cell(1, ProtocolModel::FS1), 3);
        QVERIFY(ui().runs->Running());
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 30'000);
        StartList saved = m_shown.classFile(2);
        QCOMPARE(saved.wholeNumber(1, ListField::FS1), 3);
        QCOMPARE(saved.wholeNumber(1, ListField::Time1), 0); // the clock's time is no result yet

        FakeCounter::advanceMs(2'500);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F8);
        saved = m_shown.classFile(2);
        QCOMPARE(saved.wholeNumber(1, ListField::Time1), 7'500);
        QCOMPARE(saved.wholeNumber(1, ListField::FS1), 3);
        QCOMPARE(model().cell(1, ProtocolModel::Total1), 37'500);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
    }

    void typedPenaltySeconds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("penalty1");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("stored");
        QTest::newRow("one digit") << "7"
                                   << "7" << 7'000 << ""
                                   << "7";
        QTest::newRow("two digits") << "15"
                                    << "15" << 15'000 << ""
                                    << "15";
        QTest::newRow("above the top reads as the top") << "150"
                                                        << "100" << 100'000 << ""
                                                        << "100";
        QTest::newRow("far above the top") << "99999"
                                           << "100" << 100'000 << ""
                                           << "100";
        QTest::newRow("a fraction counts whole seconds") << "2.75"
                                                         << "2.75" << 2'000 << ""
                                                         << "2.75";
        QTest::newRow("emptied reads as 0") << ""
                                            << "0" << 0 << ""
                                            << "0";
        QTest::newRow("comma in English") << "2,9"
                                          << "2.9" << 2'000 << "en_US"
                                          << "2.9";
        QTest::newRow("no group separator in English") << "1,000"
                                                       << "1" << 1'000 << "en_US"
                                                       << "1";
        QTest::newRow("point in German") << "2.9"
                                         << "2,9" << 2'000 << "de_DE"
                                         << "2.9";
        QTest::newRow("comma in German") << "3,5"
                                         << "3,5" << 3'000 << "de_DE"
                                         << "3.5";
        QTest::newRow("no group separator in German") << "1.000"
                                                      << "1" << 1'000 << "de_DE"
                                                      << "1";
    }
    void typedPenaltySeconds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, penalty1);
        QFETCH(QString, language);
        QFETCH(QString, stored);
        restartIn(language);
        writeClassWithFp1(2, 1);
        pickClass(2);
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 2'000);
        typeSeconds(ui().edtFP, typed);
        QCOMPARE(ui().edtFP->text(), shown);
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), penalty1);
        QVERIFY2(readSettingsFile().contains("FPSeconds=" + stored.toLatin1() + '\n'), readSettingsFile().constData());
    }

    // A settings file that is no file is left alone and named in the warning line, at start-up
    // and whenever the seconds cannot be kept; the typed seconds stay in force.
    void settingsTroubleInTheWarningLine()
    {
        endProgram();
        const auto tidy = qScopeGuard([] { QFile::remove(settingsPath()); });
        QVERIFY(QDir().mkpath(QFileInfo(settingsPath()).absolutePath()));
        QCOMPARE(::mkfifo(QFile::encodeName(settingsPath()).constData(), 0600), 0);
        startProgram();
        const auto firstLine = [this] { return ui().lblSaveWarning->text().section(QLatin1Char('\n'), 0, 0); };
        QVERIFY(ui().lblSaveWarning->isVisible());
        QCOMPARE(firstLine(), QStringLiteral("NOT READ: Zorvexa.ini"));

        writeClassWithFp1(2, 1);
        pickClass(2);
        typeSeconds(ui().edtFP, QStringLiteral("5"));
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 5'000);
        QCOMPARE(firstLine(), QStringLiteral("NOT SAVED: Zorvexa.ini"));
        QVERIFY(ui().lblSaveWarning->toolTip().contains(settingsPath()));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        QVERIFY(!QFileInfo(settingsPath()).isFile());
    }

    void penaltySecondsAreKeptAcrossRestarts()
    {
        QCOMPARE(ui().edtFP->text(), QStringLiteral("2"));
        QCOMPARE(ui().edtFS->text(), QStringLiteral("10"));
        typeSeconds(ui().edtFP, QStringLiteral("5"));
        typeSeconds(ui().edtFS, QStringLiteral("30"));
        const QByteArray stored = readSettingsFile();
        QVERIFY2(stored.startsWith("[Configuration]\n"), stored.constData());
        QVERIFY2(stored.contains("FPSeconds=5\n") && stored.contains("FSSeconds=30\n"), stored.constData());

        writeClassWithFp1(2, 1);
        endProgram();
        startProgram();
        QCOMPARE(ui().edtFP->text(), QStringLiteral("5"));
        QCOMPARE(ui().edtFS->text(), QStringLiteral("30"));
        pickClass(2);
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 5'000);
        typeIntoCount(1, ProtocolModel::FS1, QStringLiteral("1"));
        QCOMPARE(model().cell(1, ProtocolModel::Penalty1), 35'000);
    }

    void ctrlClickResetsARun_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("time1");
        QTest::newRow("Lauf 1, yes") << int(ProtocolModel::Time1) << Qt::LeftButton << true << true << 0;
        QTest::newRow("Lauf 1, no") << int(ProtocolModel::Time1) << Qt::LeftButton << false << true << 5'000;
        QTest::newRow("Gesamt asks nothing") << int(ProtocolModel::Total1) << Qt::LeftButton << true << false << 5'000;
        QTest::newRow("right button asks nothing")
            << int(ProtocolModel::Time1) << Qt::RightButton << true << false << 5'000;
        QTest::newRow("middle button asks nothing")
            << int(ProtocolModel::Time1) << Qt::MiddleButton << true << false << 5'000;
    }
    void ctrlClickResetsARun()
    {
        QFETCH(int, column);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(int, time1);
        StartList list = listOfNames({"Kim"});
        list.setWholeNumber(0, ListField::Time1, 5'000);
        list.setWholeNumber(0, ListField::FP1, 3);
        QVERIFY(WriteListFile(list, ClassListPath(3)).ok());
        pickClass(3);

        OperatorDialogs::queueAnswer(answer);
        QTest::mouseClick(ui().Grid->viewport(), button, Qt::ControlModifier, cellCenter(0, column));
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(shown.first(), QStringLiteral("You are sure to reset results for Lauf 1:  Kim ?"));
        QCOMPARE(model().cell(0, ProtocolModel::Time1), time1);
        QCOMPARE(m_shown.classFile(3).wholeNumber(0, ListField::Time1), time1);
        QCOMPARE(m_shown.classFile(3).wholeNumber(0, ListField::FP1), time1 == 0 ? 0 : 3);
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
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        clickCell(1, ProtocolModel::Time2, Qt::ControlModifier);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        QCOMPARE(ui().runs->CurrentRow(), 0); // selection is ignored during a run
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F8);
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
        m_shown.window->LoadClass(0);
        m_shown.window->LoadClass(11);
        QCOMPARE(ui().cmbClass->currentIndex(), 1);
        QCOMPARE(model().rowCount(), 3);
    }

    // An emptied run editor makes no run active; leaving it or clicking a run's cell makes the
    // editor, the caption and the run the clock writes to agree again.
    void emptiedRunEditorAgreesWithTheActiveRun_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("leaving");
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("row");
        QTest::newRow("Tab puts back run 1") << 1 << "tab" << 1 << 0;
        QTest::newRow("Tab puts back run 2") << 2 << "tab" << 2 << 0;
        QTest::newRow("run 1 cell after run 1") << 1 << "run1" << 1 << 1;
        QTest::newRow("run 1 cell after run 2") << 2 << "run1" << 1 << 1;
        QTest::newRow("run 2 cell after run 1") << 1 << "run2" << 2 << 1;
    }
    void emptiedRunEditorAgreesWithTheActiveRun()
    {
        QFETCH(int, before);
        QFETCH(QString, leaving);
        QFETCH(int, run);
        QFETCH(int, row);
        pickClass(2);
        clickCell(0, before == 1 ? ProtocolModel::Time1 : ProtocolModel::Time2);
        QTest::mouseClick(ui().edtLauf->findChild<QLineEdit *>(), Qt::LeftButton);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Backspace);
        QCOMPARE(ui().runs->runNumber(), 0);
        QCOMPARE(model().cellColor(0, ProtocolModel::Name), model().cellColor(1, ProtocolModel::Name));

        if (leaving == QStringLiteral("tab"))
            QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Tab);
        else
            clickCell(row, leaving == QStringLiteral("run1") ? ProtocolModel::Time1 : ProtocolModel::Time2);
        QCOMPARE(ui().edtLauf->text(), QString::number(run));
        QCOMPARE(ui().runs->runNumber(), run);
        QCOMPARE(
            ui().lblPartic->text(),
            QStringLiteral("Lauf %1:  %2").arg(run).arg(row == 0 ? QStringLiteral("Kim") : QStringLiteral("Team 7")));

        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        FakeCounter::advanceMs(4'000);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F8);
        const StartList saved = m_shown.classFile(2);
        QCOMPARE(saved.wholeNumber(row, run == 1 ? ListField::Time1 : ListField::Time2), 4'000);
        QCOMPARE(saved.wholeNumber(row, run == 1 ? ListField::Time2 : ListField::Time1), 0);
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

    void nobodyIsChosenWhenTheGridTakesTheFocus_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("start list editor closes") << "editor";
        QTest::newRow("Tab from the class selector") << "tab";
        QTest::newRow("window activated again") << "activation";
    }
    void nobodyIsChosenWhenTheGridTakesTheFocus()
    {
        QFETCH(QString, how);
        pickClass(2);
        if (how == QStringLiteral("editor")) {
            clickCell(1, ProtocolModel::Time1);
            QCOMPARE(ui().runs->CurrentRow(), 1);
            QTimer::singleShot(0, m_editor, [this] { m_editor->accept(); });
            QTest::mouseClick(ui().cmdStartlist, Qt::LeftButton);
            // The window manager gives the main window back its activation; offscreen, we do.
            m_shown.window->activateWindow();
        } else if (how == QStringLiteral("tab")) {
            for (int i = 0; i < 12 && !ui().Grid->hasFocus(); ++i)
                QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Tab);
        } else {
            ui().Grid->setFocus();
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            m_shown.window->activateWindow();
        }
        QTRY_VERIFY(ui().Grid->hasFocus());
        QCoreApplication::processEvents();
        QCOMPARE(ui().runs->CurrentRow(), -1);
        QCOMPARE(ui().lblPartic->text(), QString());
        QVERIFY(!ui().cmdStart->isEnabled());
        QCOMPARE(model().cellColor(0, ProtocolModel::Name), model().cellColor(1, ProtocolModel::Name));
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        QVERIFY(!ui().runs->Running());

        // The operator's arrows choose, starting at the first row.
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Down);
        QCOMPARE(ui().runs->CurrentRow(), 0);
        QCOMPARE(ui().lblPartic->text(), QStringLiteral("Lauf 1:  Kim"));
    }

    void exportsShowWhatTheGridShows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("questions");
        QTest::newRow("spreadsheet") << "cmdExcel"
                                     << "protocol.xlsx"
                                     << QStringList {"Class 02", "Ges.Zeit", "Platz", "Ola; \"the <b> & co\""}
                                     << QStringList {};
        QTest::newRow("web page") << "cmdHTML"
                                  << "protocol.html"
                                  << QStringList {"<h2>Class 02</h2>", "<th class=\"g\">Ges.Zeit</th>",
                                                  "<td class=\"nm\">Ola; &quot;the &lt;b&gt; &amp; co&quot;</td>"}
                                  << QStringList {"Open the web page in the browser?"};
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
        QTest::mouseClick(m_shown.window->findChild<QWidget *>(button), Qt::LeftButton);
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

    void closingDuringARunAsksFirst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("ended");
        QTest::newRow("close box, No") << "close box" << false << true << false;
        QTest::newRow("close box, Yes") << "close box" << true << true << true;
        QTest::newRow("ending signal") << "signal" << true << false << true;
    }
    void closingDuringARunAsksFirst()
    {
        QFETCH(QString, how);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(bool, ended);
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        FakeCounter::advanceMs(3'000);
        OperatorDialogs::takeQuestionDefaults();
        if (asked)
            OperatorDialogs::queueAnswer(answer);
        if (how == QStringLiteral("signal"))
            m_shown.window->closeWithoutQuestions();
        else
            m_shown.window->windowHandle()->close();
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(shown.first(), QStringLiteral("The clock is running.\n\nEnd the program anyway?"));
            QCOMPARE(OperatorDialogs::takeQuestionDefaults(), QList<QMessageBox::StandardButton> {QMessageBox::No});
        }
        QCOMPARE(m_shown.window->isVisible(), !ended);
        if (ended)
            return;
        QVERIFY(ui().runs->Running());
        FakeCounter::advanceMs(2'000);
        QTRY_COMPARE(ui().Tablo->text(), QStringLiteral("00:05.00"));
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F8);
        QCOMPARE(m_shown.classFile(2).wholeNumber(0, ListField::Time1), 5'000);
    }

    // Logging out while the question is on screen: the ending signal closes the box the way its
    // close box would (as main.cpp does), and the program still ends.
    void endingSignalDuringTheQuestionEnds()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        bool boxShown = false;
        QTimer::singleShot(50, m_shown.window.get(), [this, &boxShown] {
            QWidget *box = QApplication::activeModalWidget();
            boxShown = qobject_cast<QMessageBox *>(box) != nullptr;
            if (box)
                box->close();
            m_shown.window->closeWithoutQuestions();
        });
        OperatorDialogs::setTestMode(false);
        m_shown.window->windowHandle()->close();
        OperatorDialogs::setTestMode(true);
        QVERIFY(boxShown);
        QVERIFY(!m_shown.window->isVisible());
        QVERIFY(QFile::exists(ClassListPath(2)));
    }

    void closingWhenStoppedAsksNothing()
    {
        pickClass(2);
        clickCell(0, ProtocolModel::Time1);
        m_shown.window->windowHandle()->close();
        QVERIFY(!m_shown.window->isVisible());
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
    }

    void closingSavesTheCurrentClass()
    {
        pickClass(2);
        typeIntoCount(2, ProtocolModel::FP2, QStringLiteral("4"));
        QFile::remove(ClassListPath(2));
        m_shown.window->close();
        QCOMPARE(m_shown.classFile(2).wholeNumber(2, ListField::FP2), 4);
    }
};

ZORVEXA_TEST_MAIN(TestTimedRun)
#include "test_timedrun.moc"
