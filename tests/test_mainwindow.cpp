#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "gui/common/Form_Info.h"
#include "gui/common/WindowLook.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "gui/widgets/PlainGroupFrame.h"
#include "gui/widgets/SecondsSpinBox.h"
#include "gui/widgets/ShadowLabel.h"
#include "support/FakeCounter.h"
#include "support/GuiTestMain.h"
#include "support/MainWindowControls.h"
#include "support/MenuClicks.h"

#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyleFactory>
#include <QWheelEvent>
#include <QWindow>

namespace {
class OneRowProtocol final : public RunProtocol
{
public:
    std::int32_t time1 = 0;
    std::int32_t written1 = 0;
    ChangeSource source = ChangeSource::Load;
    int rowCount() const override { return 1; }
    std::int32_t runTime(int, int run) const override { return run == 1 ? time1 : 0; }
    QString participantName(int) const override { return QStringLiteral("Team 7"); }
    void recordRunTime(int, int run, std::int32_t time, ChangeSource stoppedBy) override
    {
        if (run == 1)
            time1 = written1 = time;
        source = stoppedBy;
    }
    void showLiveTime(std::int32_t) override { }
    void showRunState(const RunState &) override { }
};

// Counts the F5 presses that reach a control after the window has seen them.
class KeyCounter final : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F5)
            ++presses;
        return false;
    }
};

QRect rectOf(const QWidget *w)
{
    return w->geometry();
}
} // namespace

class TestMainWindow final : public QObject
{
    Q_OBJECT

    std::unique_ptr<RaceSession> m_session;
    ClassStore *m_store = nullptr;
    std::unique_ptr<TfrmMain> m_window;
    OneRowProtocol m_protocol;

    std::unique_ptr<MainWindowControls> m_controls;
    const MainWindowControls &ui() const { return *m_controls; }

private slots:
    // The top bar's frame is drawn as lines, not from Fusion's image; it must look the same. Fusion
    // softens the corners by a few levels more; a line out of place differs by 20 or more.
    void groupFrameLooksAsFusionDrawsIt()
    {
        QImage drawn[2];
        for (const bool plain : {false, true}) {
            QGroupBox box;
            std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
            box.setStyle(fusion.get());
            box.resize(745, 61);
            if (plain)
                PlainGroupFrame::apply(&box);
            drawn[plain] = box.grab().toImage().convertToFormat(QImage::Format_Grayscale8);
        }
        QVERIFY(drawn[0] != drawn[1]);
        for (int y = 0; y < drawn[0].height(); ++y)
            for (int x = 0; x < drawn[0].width(); ++x)
                QVERIFY(std::abs(qGray(drawn[0].pixel(x, y)) - qGray(drawn[1].pixel(x, y))) <= 12);
    }

    void init()
    {
        FakeCounter::install();
        m_protocol = OneRowProtocol();
        m_session = std::make_unique<RaceSession>();
        m_store = &m_session->store();
        m_window = std::make_unique<TfrmMain>(*m_session);
        m_controls = std::make_unique<MainWindowControls>(m_window.get());
        ui().runs->setProtocol(&m_protocol);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
    }
    void cleanup()
    {
        m_controls.reset();
        m_window.reset();
        m_store = nullptr;
        m_session.reset();
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::newRow("toolbar") << "GroupBox1" << QRect(8, 4, 745, 61) << "";
        QTest::newRow("start list") << "cmdStartlist" << QRect(4, 12, 45, 41) << "";
        QTest::newRow("config") << "cmdConfig" << QRect(52, 12, 45, 41) << "";
        QTest::newRow("info") << "cmdInfo" << QRect(100, 12, 45, 41) << "";
        QTest::newRow("help") << "cmdHelp" << QRect(148, 12, 45, 41) << "";
        QTest::newRow("excel") << "cmdExcel" << QRect(436, 12, 45, 41) << "";
        QTest::newRow("html") << "cmdHTML" << QRect(484, 12, 45, 41) << "";
        QTest::newRow("banner") << "Image321" << QRect(548, 12, 191, 42) << "";
        QTest::newRow("start") << "cmdStart" << QRect(8, 72, 97, 37) << "START [F5]";
        QTest::newRow("stop") << "cmdStop" << QRect(8, 118, 97, 37) << "STOPP [F8]";
        QTest::newRow("reset") << "cmdReset" << QRect(8, 164, 97, 37) << "RESET [F9]";
        QTest::newRow("display") << "Tablo" << QRect(108, 72, 545, 101) << "";
        QTest::newRow("participant") << "lblPartic" << QRect(108, 172, 545, 29) << "";
        QTest::newRow("lock") << "cmdLock" << QRect(656, 72, 97, 37) << "LOCK [F6]";
        QTest::newRow("unlock") << "cmdUnlock" << QRect(656, 164, 97, 37) << "UNLOCK [F7]";
        QTest::newRow("left post") << "Shape2" << QRect(660, 116, 5, 41) << "";
        QTest::newRow("right post") << "Shape3" << QRect(744, 116, 5, 41) << "";
        QTest::newRow("beam") << "LazerShape" << QRect(660, 136, 89, 5) << "";
        QTest::newRow("padlock") << "imgLock" << QRect(688, 120, 32, 32) << "";
        QTest::newRow("separator") << "Bevel1" << QRect(8, 204, 745, 5) << "";
        QTest::newRow("class") << "cmbClass" << QRect(56, 212, 161, 25) << "";
        QTest::newRow("run") << "edtLauf" << QRect(260, 212, 41, 25) << "";
        QTest::newRow("fp") << "edtFP" << QRect(640, 212, 41, 25) << "";
        QTest::newRow("fs") << "edtFS" << QRect(712, 212, 41, 25) << "";
        QTest::newRow("grid") << "Grid" << QRect(4, 240, 749, 253) << "";
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        auto *control = m_window->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(rectOf(control), geometry);
        if (!caption.isEmpty())
            QCOMPARE(control->property("text").toString(), caption);
    }

    void windowFrame()
    {
        QCOMPARE(m_window->size(), QSize(760, 507));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Brasquell / Software / Zorvexa"));
        QCOMPARE(ui().cmbClass->count(), 10);
        QCOMPARE(ui().cmbClass->maxVisibleItems(), 10);
        QCOMPARE(ui().edtLauf->value(), 1);
        QCOMPARE(ui().edtFP->value(), 2.0);
        QCOMPARE(ui().edtFS->value(), 10.0);
    }

    // A wheel turned on the way past the penalty seconds changes nothing; in the editor the
    // operator has clicked into it steps the seconds.
    void penaltySecondsTakeTheWheelOnlyWithFocus()
    {
        QCOMPARE(ui().edtFP->toolTip(), QStringLiteral("Seconds per pylon fault (FP)"));
        QCOMPARE(ui().edtFS->toolTip(), QStringLiteral("Seconds per task fault (FS)"));
        for (SecondsSpinBox *editor : {ui().edtFP, ui().edtFS}) {
            const double before = editor->value();
            const QPointF at(editor->width() / 2.0, editor->height() / 2.0);
            QWheelEvent wheel(at, editor->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            ui().cmbClass->setFocus();
            QApplication::sendEvent(editor, &wheel);
            QCOMPARE(editor->value(), before);
            QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(8, editor->height() / 2));
            QTRY_VERIFY(editor->hasFocus());
            QApplication::sendEvent(editor, &wheel);
            QCOMPARE(editor->value(), before + 1);
        }
    }

    void windowTitlesAreExactlyTheDesignedOnes()
    {
        setApplicationIdentity();
        // With a display name of its own the platform appends it to each title ("Info — Zorvexa");
        // without one, the display name follows the application name.
        const QString name = QCoreApplication::applicationName();
        QCOMPARE(name, QStringLiteral("Zorvexa"));
        QCoreApplication::setApplicationName(QStringLiteral("probe"));
        const QString displayName = QGuiApplication::applicationDisplayName();
        QCoreApplication::setApplicationName(name);
        QCOMPARE(displayName, QStringLiteral("probe"));
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Brasquell"));

        TfrmStartList editor(*m_session, m_window.get());
        TfrmInfo info(m_window.get());
        editor.show();
        info.show();
        const struct
        {
            QWidget *window;
            const char *title;
        } windows[] = {
            {m_window.get(), "Brasquell / Software / Zorvexa"},
            {&editor, "Zorvexa Starlist Editor"},
            {&info, "Info"},
        };
        for (const auto &entry : windows) {
            QVERIFY(entry.window->windowHandle());
            QCOMPARE(entry.window->windowHandle()->title(), QLatin1String(entry.title));
        }

        OperatorDialogs::takeFileDialogTitles();
        for (const char *item : {"mnuOpen", "mnuMerge", "mnuSaveAs"})
            chooseFromMenu(&editor, item);
        QCOMPARE(OperatorDialogs::takeFileDialogTitles(),
                 (QStringList {"Open list...", "Merge list...", "Save list as..."}));
    }

    void startsLockedWithNoParticipant()
    {
        QVERIFY(!ui().cmdStart->isEnabled());
        QVERIFY(!ui().cmdStop->isEnabled());
        QVERIFY(ui().imgLock->isVisible());
        QVERIFY(!ui().cmdLock->isEnabled());
        QVERIFY(ui().cmdUnlock->isEnabled());
        QCOMPARE(ui().Tablo->text(), QStringLiteral("00:00.00"));
        QCOMPARE(ui().lblPartic->text(), QString());
    }

    // The window sees F5 to F9 first, and the focused control still gets them.
    void functionKeysDriveARunAndReachTheFocusedControl()
    {
        m_window->SelectParticipant(0);
        QVERIFY(ui().cmdStart->isEnabled());
        // The grid stays enabled during a run, so it can show where the key goes next.
        KeyCounter counter;
        ui().Grid->installEventFilter(&counter);
        ui().Grid->setFocus();

        QTest::keyClick(m_window->windowHandle(), Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(ui().runs->Running());
        QVERIFY(!ui().edtLauf->isEnabled()); // controls are off during the run
        FakeCounter::advanceMs(65'430);
        QTest::keyClick(m_window->windowHandle(), Qt::Key_F8);
        QVERIFY(!ui().runs->Running());
        QCOMPARE(m_protocol.written1, 65'430);
        QCOMPARE(m_protocol.source, ChangeSource::Key);
        QCOMPARE(ui().Tablo->text(), QStringLiteral("01:05.43"));
        QVERIFY(ui().edtLauf->isEnabled());
        QCOMPARE(counter.presses, 1);
    }

    void lockKeys()
    {
        // One press is one command, though the key travels on from the focused control.
        ui().edtLauf->setFocus();
        QSignalSpy lock(&*ui().runs, &RunControl::lockChanged);
        QTest::keyClick(m_window->windowHandle(), Qt::Key_F7);
        QVERIFY(ui().imgLock->isHidden());
        QVERIFY(ui().cmdLock->isEnabled());
        QTest::keyClick(m_window->windowHandle(), Qt::Key_F7);
        QVERIFY(ui().imgLock->isHidden());
        QTest::keyClick(m_window->windowHandle(), Qt::Key_F6);
        QVERIFY(ui().imgLock->isVisible());
        QCOMPARE(lock.count(), 3);
    }

    void buttonsActAtThePressOfAnyMouseButton_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }
    void buttonsActAtThePressOfAnyMouseButton()
    {
        QFETCH(Qt::MouseButton, button);
        m_window->SelectParticipant(0);
        QTest::mousePress(ui().cmdStart, button);
        QVERIFY(ui().runs->Running());
        QTest::mouseRelease(ui().cmdStart, button);
        FakeCounter::advanceMs(1'000);
        QTest::mousePress(ui().cmdStop, button);
        QVERIFY(!ui().runs->Running());
        QCOMPARE(m_protocol.source, ChangeSource::Button);
        QTest::mousePress(ui().cmdUnlock, button);
        QVERIFY(ui().imgLock->isHidden());
        QTest::mousePress(ui().cmdLock, button);
        QVERIFY(ui().imgLock->isVisible());
    }

    void toolbarButtonsSayWhatTheyDo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessibleName");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("start list") << "cmdStartlist"
                                    << "Start list"
                                    << "Edit the start list";
        QTest::newRow("configuration") << "cmdConfig"
                                       << "Configuration"
                                       << "Configuration";
        QTest::newRow("information") << "cmdInfo"
                                     << "Information"
                                     << "Program Information";
        QTest::newRow("help") << "cmdHelp"
                              << "Help"
                              << "Help: keys and how to time a run";
        QTest::newRow("spreadsheet") << "cmdExcel"
                                     << "Spreadsheet"
                                     << "Save the protocol as a spreadsheet";
        QTest::newRow("web page") << "cmdHTML"
                                  << "Web page"
                                  << "Save the protocol as a web page";
    }
    void toolbarButtonsSayWhatTheyDo()
    {
        QFETCH(QString, name);
        QFETCH(QString, accessibleName);
        QFETCH(QString, toolTip);
        auto *button = m_window->findChild<QToolButton *>(name);
        QVERIFY(button);
        QVERIFY(button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly);
        QCOMPARE(button->accessibleName(), accessibleName);
        QCOMPARE(button->toolTip(), toolTip);
        // What a screen reader hears.
        QAccessibleInterface *described = QAccessible::queryAccessibleInterface(button);
        QVERIFY(described);
        QCOMPARE(described->text(QAccessible::Name), accessibleName);
    }

    void runEditorReselectsTheParticipant()
    {
        m_protocol.time1 = 5'000;
        m_window->SelectParticipant(0);
        QVERIFY(!ui().cmdStart->isEnabled());
        QCOMPARE(ui().lblPartic->text(), QStringLiteral("Lauf 1:  Team 7"));
        // The operator steps the run editor up with the arrow key.
        ui().edtLauf->setFocus();
        QTest::keyClick(ui().edtLauf, Qt::Key_Up);
        QVERIFY(ui().cmdStart->isEnabled());
        QCOMPARE(ui().lblPartic->text(), QStringLiteral("Lauf 2:  Team 7"));
    }

    void displayFollowsTheClock()
    {
        m_window->SelectParticipant(0);
        m_window->StartRun();
        FakeCounter::advanceMs(83'456);
        QTRY_COMPARE_WITH_TIMEOUT(ui().Tablo->text(), QStringLiteral("01:23.45"), 500);
        m_window->StopRun();
    }

    void infoDialog()
    {
        TfrmInfo info;
        QCOMPARE(info.size(), QSize(312, 317));
        QCOMPARE(info.windowTitle(), QStringLiteral("Info"));
        QCOMPARE(info.findChild<ShadowLabel *>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Zorvexa"));
        auto *version = info.findChild<QLabel *>(QStringLiteral("lblVersion"));
        QCOMPARE(version->text(), QStringLiteral("Version 1.01"));
        QCOMPARE(version->geometry(), QRect(8, 52, 297, 17));
        auto *ok = info.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QCOMPARE(ok->geometry(), QRect(184, 284, 121, 29));
        info.show();
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!info.isVisible());
        QCOMPARE(info.result(), int(QDialog::Accepted));
    }

    void helpExplainsTheKeys()
    {
        OperatorDialogs::takeShownMessages();
        QTest::mouseClick(ui().cmdHelp, Qt::LeftButton);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        for (const char *key : {"F5", "F6", "F7", "F8", "F9"})
            QVERIFY(shown.first().contains(QLatin1String(key)));
    }
};

ZORVEXA_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
