#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "gui/settings/Form_Config.h"
#include "gui/timing/BarrierWiring.h"
#include "gui/timing/Form_Main.h"
#include "gui/widgets/StatusLamp.h"
#include "support/ConfigWindow.h"
#include "support/FakeModemLines.h"
#include "support/FreshFolders.h"
#include "support/GuiTestMain.h"
#include "support/JournalRows.h"
#include "support/MainWindowControls.h"
#include "support/SettingsFile.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QFile>
#include <QWindow>

#include <cerrno>
#include <sys/ioctl.h>

namespace {
constexpr std::int64_t S = 1'000'000; // counter units are microseconds

// Moves a closed drop-down list with the arrow keys, as the operator does.
void pick(QComboBox *list, int index)
{
    list->setFocus();
    while (list->currentIndex() < index)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index)
        QTest::keyClick(list, Qt::Key_Up);
}
} // namespace

// The light barrier as the operator meets it: the port in the configuration dialog, the line
// beside the run editor, and runs started and stopped by the beam.
class TestBarrierWindow final : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakePort> m_port;
    ShownConfigWindow m_windows;
    ShownMainWindow &m_shown = m_windows.shown;

    void openWindows(const QByteArray &settings)
    {
        writeSettingsFile("[Configuration]\n" + settings);
        m_windows.open([this](TfrmMain &window) { new BarrierWiring(window.session(), *m_windows.config, &window); });
    }
    QLabel *barrierLine() const { return child<QLabel>(m_shown.window.get(), "lblBarrier"); }
    void key(Qt::Key key) { QTest::keyClick(m_shown.window->windowHandle(), key); }
    void selectRun1(int row)
    {
        const QPoint cell
            = m_shown.controls->Grid->visualRect(m_shown.controls->model->index(row, ProtocolModel::Time1)).center();
        QTest::mouseClick(m_shown.controls->Grid->viewport(), Qt::LeftButton, {}, cell);
        QVERIFY(m_shown.controls->cmdStart->isEnabled());
    }

private slots:
    void init()
    {
        ScriptedCounter::install();
        m_port = std::make_shared<FakePort>();
        setBarrierPorts({[] {
                             return QStringList {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"};
                         },
                         m_port->opener(m_port)});
        QVERIFY(FreshFolders::withFirstClass({"Kim", "Ola"}, true));
        OperatorDialogs::takeShownMessages();
    }
    void cleanup()
    {
        m_windows.close();
        useNoSerialDevices();
        setPerfCounter(systemPerfCounter());
    }

    void theDialogNamesTheDevices()
    {
        openWindows("");
        m_windows.config->show();
        auto *ports = child<QComboBox>(m_windows.config, "cmbComPort");
        QCOMPARE(ports->count(), 17);
        QCOMPARE(ports->itemText(0), QStringLiteral("None"));
        QCOMPARE(ports->itemText(1), QStringLiteral("COM 1 (/dev/ttyS0)"));
        QCOMPARE(ports->itemText(3), QStringLiteral("COM 3 (/dev/ttyUSB0)"));
        QCOMPARE(ports->itemText(4), QStringLiteral("COM 4"));
        QVERIFY(!barrierLine()->isVisible());
    }

    void theLineSaysWhetherTheBarrierIsThere_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("openError");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("problem");
        QTest::newRow("port open") << QByteArray("COM=3\n") << 0 << "COM 3 (ttyUSB0) opened" << false;
        QTest::newRow("no permission") << QByteArray("COM=1\n") << EACCES
                                       << "Barrier COM 1: permission denied (dialout)" << true;
        QTest::newRow("no such number") << QByteArray("COM=5\n") << 0 << "Barrier COM 5: no such device" << true;
        QTest::newRow("device file gone") << QByteArray("COM=2\n") << ENOENT << "Barrier COM 2: no such device" << true;
    }
    void theLineSaysWhetherTheBarrierIsThere()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, text);
        QFETCH(bool, problem);
        QFETCH(int, openError);
        m_port->openError = openError;
        openWindows(settings);
        QLabel *line = barrierLine();
        QTRY_COMPARE(line->text(), text);
        QVERIFY(line->isVisible());
        QCOMPARE(line->styleSheet().contains(QStringLiteral("background")), problem);
        // Green belongs to a barrier that has answered; an open port is not one.
        QVERIFY(!line->styleSheet().contains(QStringLiteral("#006000")));
        QVERIFY(!line->toolTip().isEmpty());
        if (openError == EACCES)
            QVERIFY(line->toolTip().contains(QStringLiteral("/dev/ttyS0")));
        // The whole text is in view.
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->width() - 8);
        // Beside the run editor, clear of the controls around it, inside the fixed window.
        QVERIFY(QRect(QPoint(0, 0), m_shown.window->size()).contains(line->geometry()));
        for (QWidget *neighbour :
             std::initializer_list<QWidget *> {m_shown.controls->edtLauf, m_shown.controls->edtFP,
                                               m_shown.controls->Grid, m_shown.controls->lblPartic})
            QVERIFY2(!line->geometry().intersects(neighbour->geometry()), qPrintable(neighbour->objectName()));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
    }

    // The operator wires the barrier with the dialog open: the lamp follows the chosen line.
    void theLampShowsTheWatchedLine()
    {
        openWindows("");
        m_windows.config->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_windows.config));
        auto *lamp = child<StatusLamp>(m_windows.config, "StatusLamp");
        pick(child<QComboBox>(m_windows.config, "cmbComPort"), 3);
        QTRY_COMPARE(barrierLine()->text(), QStringLiteral("COM 3 (ttyUSB0) opened"));
        QCOMPARE(m_port->opens.load(), 1); // COM 1 and COM 2 were passed by, not opened
        QCOMPARE(m_port->raised.load(), int(TIOCM_DTR));
        QVERIFY(!lamp->isLit());
        m_port->push({1 * S, int(TIOCM_DSR)});
        QTRY_VERIFY(lamp->isLit());
        // The line changed: something is wired to the port. The pulse's note shows first.
        QVERIFY(barrierLine()->toolTip().startsWith(QStringLiteral("Barrier on COM 3 (ttyUSB0)\n")));
        m_port->push({2 * S, 0});
        QTRY_VERIFY(!lamp->isLit());

        const int opens = m_port->opens;
        pick(child<QComboBox>(m_windows.config, "cmbContact"), 2); // 7-8: RTS powers, CTS is watched
        QTRY_COMPARE(m_port->opens.load(), opens + 1);
        QTRY_VERIFY(barrierLine()->text().endsWith(QStringLiteral(" opened")));
        QCOMPARE(m_port->raised.load() & int(TIOCM_RTS), int(TIOCM_RTS));
        m_port->push({3 * S, int(TIOCM_CTS)});
        QTRY_VERIFY(lamp->isLit());

        // Cancel goes back to the stored "None": the port closes and the line disappears.
        QTest::mouseClick(child<QPushButton>(m_windows.config, "cmdCancel"), Qt::LeftButton);
        QTRY_VERIFY(!barrierLine()->isVisible());
        QVERIFY(!lamp->isLit());
    }

    void aRunTimedByTheBeam()
    {
        openWindows("COM=3\nContactIdx=1\nAutoLock=0\n");
        QTRY_VERIFY(barrierLine()->text().endsWith(QStringLiteral(" opened")));
        selectRun1(1);
        key(Qt::Key_F7);
        const int dsr = TIOCM_DSR;
        m_port->push({10 * S + 17, dsr});
        QTRY_VERIFY(m_shown.controls->runs->Running());
        // The contact bounces as the kart goes through.
        m_port->push({10 * S + 900, 0});
        m_port->push({10 * S + 1900, dsr});
        QTRY_VERIFY(barrierLine()->text().contains(QStringLiteral("lockout")));
        m_port->push({75 * S + 345'678, 0});
        QTRY_VERIFY(!m_shown.controls->runs->Running());
        QCOMPARE(m_shown.controls->model->cell(1, ProtocolModel::Time1), 65'346); // 65 345.661 ms
        QCOMPARE(m_shown.controls->Tablo->text(), QStringLiteral("01:05.34"));
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 65'346);
        QCOMPARE(barrierLine()->text(), QStringLiteral("Barrier: run stopped"));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());

        // Every edge is in the journal under the participant, the bounces as refused.
        m_shown.session->waitForWrites();
        QStringList taken;
        QStringList notes;
        for (const JournalEvent &e : m_shown.journalRows()) {
            if (e.field == QLatin1String("pulse") && e.name == QLatin1String("Ola")) {
                taken << e.newValue;
                notes << e.note;
            }
        }
        QCOMPARE(taken, (QStringList {"taken", "refused", "refused", "taken"}));
        QCOMPARE(notes.first(), QStringLiteral("Barrier: run started"));
        QVERIFY2(notes[1].contains("lockout") && notes[2].contains("lockout"), qPrintable(notes.join('|')));
        QCOMPARE(notes.last(), QStringLiteral("Barrier: run stopped"));
    }

    void pulsesWithAlgOffOrLockedChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("unlock");
        QTest::addColumn<QString>("note");
        QTest::newRow("Alg. Off") << QByteArray("COM=3\nAlgIdx=1\n") << true << "Barrier: pulse (Alg. Off, no action)";
        QTest::newRow("locked") << QByteArray("COM=3\n") << false << "Barrier: pulse ignored, station locked";
    }
    void pulsesWithAlgOffOrLockedChangeNothing()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, unlock);
        QFETCH(QString, note);
        openWindows(settings);
        QTRY_VERIFY(barrierLine()->text().endsWith(QStringLiteral(" opened")));
        selectRun1(0);
        if (unlock)
            key(Qt::Key_F7);
        m_port->push({5 * S, int(TIOCM_DSR)});
        QTRY_COMPARE(barrierLine()->text(), note);
        QVERIFY(!m_shown.controls->runs->Running());
        m_shown.session->waitForWrites();
        const JournalEvent kept = lastRowOf(m_shown.journalRows(), QStringLiteral("pulse"));
        QCOMPARE(kept.newValue, QStringLiteral("refused"));
        QCOMPARE(kept.note, note);
        // The keys work as ever.
        key(Qt::Key_F5);
        QVERIFY(m_shown.controls->runs->Running());
    }

    // Pulled out mid-run: a line says so, no box blocks the keys, F8 ends the run, and the
    // barrier is back by itself when the adapter is.
    void anAdapterPulledOutMidRun()
    {
        openWindows("COM=3\nContactIdx=1\nAutoLock=0\n");
        QTRY_VERIFY(barrierLine()->text().endsWith(QStringLiteral(" opened")));
        selectRun1(0);
        key(Qt::Key_F7);
        m_port->push({1 * S, int(TIOCM_DSR)});
        QTRY_VERIFY(m_shown.controls->runs->Running());

        m_port->openError = ENOENT;
        m_port->push({2 * S, 0, EIO});
        QTRY_VERIFY(barrierLine()->text().contains(QStringLiteral("UNPLUGGED")));
        QVERIFY(barrierLine()->styleSheet().contains(QStringLiteral("background")));
        QVERIFY(barrierLine()->toolTip().contains(QStringLiteral("F8")));
        QVERIFY(m_shown.controls->runs->Running());
        QVERIFY(m_shown.controls->cmdStop->isEnabled());
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());

        ScriptedCounter::now = 47 * S + 5'000;
        key(Qt::Key_F8);
        QCOMPARE(m_shown.controls->model->cell(0, ProtocolModel::Time1), 46'005);

        m_port->openError = 0;
        QTRY_COMPARE_WITH_TIMEOUT(barrierLine()->text(), QStringLiteral("COM 3 (ttyUSB0) opened"), 5000);
        QVERIFY(!barrierLine()->styleSheet().contains(QStringLiteral("background")));
    }
};

ZORVEXA_TEST_MAIN(TestBarrierWindow)
#include "test_barrier_window.moc"
