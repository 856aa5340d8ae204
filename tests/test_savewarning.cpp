#include "core/session/RaceSession.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/WarningLine.h"
#include "support/FailingDisk.h"
#include "support/FakeCounter.h"
#include "support/GuiTestMain.h"
#include "support/ListFiles.h"
#include "support/MainWindowControls.h"
#include "support/StartListSamples.h"

#include <QFrame>
#include <QLabel>
#include <QPaintEvent>
#include <QPointer>
#include <QToolButton>
#include <QWindow>

#include <map>

// The region each watched widget painted.
struct PaintedRegions final : QObject
{
    std::map<QObject *, QRegion> painted;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted[watched] += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

// A save that fails while timing must never stop the operator: the station stays usable, a
// warning line says what was not saved, and nothing is lost.
class TestSaveWarning final : public QObject
{
    Q_OBJECT

    std::unique_ptr<RaceSession> m_session;
    ClassStore *m_store = nullptr;
    std::unique_ptr<TfrmMain> m_main;
    std::unique_ptr<MainWindowControls> m_controls;

    const MainWindowControls &ui() const { return *m_controls; }

    void clickRunCell(int row, int column)
    {
        const QPoint centre = ui().Grid->visualRect(ui().model->index(row, column)).center();
        QTest::mouseClick(ui().Grid->viewport(), Qt::LeftButton, {}, centre);
    }
    void key(Qt::Key key) { QTest::keyClick(m_main->windowHandle(), key); }
    void timeRun(int row, double ms)
    {
        clickRunCell(row, ProtocolModel::Time1);
        key(Qt::Key_F5);
        FakeCounter::advanceMs(ms);
        key(Qt::Key_F8);
        m_session->waitForWrites();
    }

private slots:
    void init()
    {
        FakeCounter::install();
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
        QVERIFY(WriteListFile(listOfNames({"Kim", "Team 7", "Ola"}), ClassListPath(1)).ok());
        m_session = std::make_unique<RaceSession>();
        m_store = &m_session->store();
        QVERIFY(m_store->LoadCurrentClass().ok());
        m_main = std::make_unique<TfrmMain>(*m_session);
        m_controls = std::make_unique<MainWindowControls>(m_main.get());
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        OperatorDialogs::takeShownMessages();
    }
    void cleanup()
    {
        QDir().rmdir(ClassListPath(1));
        m_controls.reset();
        m_main.reset();
        m_store = nullptr;
        m_session.reset();
        setPerfCounter(systemPerfCounter());
    }

    void failedWriteBackLeavesTheKeysWorking()
    {
        QVERIFY(ui().lblSaveWarning->isHidden());
        blockClassFile(1);
        timeRun(0, 61'230);

        QCOMPARE(ui().model->cell(0, ProtocolModel::Time1), 61'230);
        QVERIFY(!ui().runs->Running());
        QVERIFY(!ui().cmdStop->isEnabled());
        QVERIFY(ui().cmbClass->isEnabled());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        QVERIFY(ui().lblSaveWarning->isVisible());
        QVERIFY(ui().lblSaveWarning->text().contains(QStringLiteral("List01.dat")));
        QVERIFY(ui().lblSaveWarning->toolTip().contains(QDir::toNativeSeparators(ClassListPath(1))));

        // Every function key still acts at once.
        key(Qt::Key_F7);
        QVERIFY(!ui().runs->isLocked());
        key(Qt::Key_F6);
        QVERIFY(ui().runs->isLocked());
        clickRunCell(1, ProtocolModel::Time1);
        key(Qt::Key_F5);
        QVERIFY(ui().runs->Running());
        FakeCounter::advanceMs(500);
        key(Qt::Key_F9);
        QVERIFY(!ui().runs->Running());
        QCOMPARE(ui().Tablo->text(), QStringLiteral("00:00.00"));
        // The warning stays while saving keeps failing.
        QVERIFY(ui().lblSaveWarning->isVisible());
    }

    // With a message showing, the next participant and a start repaint what changed and no more:
    // the protocol's two rows whole, neither the message panel nor the participant's label, which
    // the display's repaints a hundred times a second would otherwise take along.
    void timingRepaintsOnlyWhatChanged()
    {
        blockClassFile(1);
        timeRun(0, 61'230);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QPointer<QLabel> message = m_main->findChild<QFrame *>(QStringLiteral("warningPanel"))
                                             ->findChild<QLabel *>(QStringLiteral("lblWarningText"));
        PaintedRegions regions;
        auto &painted = regions.painted;
        ui().Grid->viewport()->installEventFilter(&regions);
        ui().lblPartic->installEventFilter(&regions);
        // A row's band with the grid line under it.
        const auto row = [this](int index) {
            return QRegion(0, ui().Grid->rowViewportPosition(index), ui().Grid->viewport()->width(),
                           ui().Grid->rowHeight(index) + 1);
        };
        clickRunCell(1, ProtocolModel::Time1);
        key(Qt::Key_F5);
        QCoreApplication::processEvents();
        QCOMPARE(painted[ui().Grid->viewport()], row(0) + row(1));
        painted.clear();
        FakeCounter::advanceMs(500);
        QTRY_COMPARE(ui().Tablo->text(), QStringLiteral("00:00.50"));
        QCoreApplication::processEvents();
        QVERIFY(painted[ui().lblPartic].isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(message);
    }

    void laterSaveClearsTheWarningAndKeepsEveryTime()
    {
        blockClassFile(1);
        timeRun(0, 61'230);
        QVERIFY(ui().lblSaveWarning->isVisible());

        unblockClassFile(1);
        timeRun(2, 59'990);
        QVERIFY(ui().lblSaveWarning->isHidden());
        const StartList saved = readClassFile(1);
        QCOMPARE(saved.wholeNumber(0, ListField::Time1), 61'230);
        QCOMPARE(saved.wholeNumber(2, ListField::Time1), 59'990);
    }

    void closingWithUnsavedResultsAsksFirst()
    {
        blockClassFile(1);
        timeRun(0, 61'230);

        OperatorDialogs::queueAnswer(false);
        m_main->close();
        QVERIFY(m_main->isVisible());
        const QStringList asked = OperatorDialogs::takeShownMessages();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().contains(QDir::toNativeSeparators(ClassListPath(1))));

        OperatorDialogs::queueAnswer(true);
        m_main->close();
        QVERIFY(!m_main->isVisible());
    }

    // Switching away from a class whose file cannot be written would drop its results from memory.
    void classSwitchWaitsForASuccessfulSave()
    {
        QVERIFY(WriteListFile(listOfNames({"Ola"}), ClassListPath(2)).ok());
        blockClassFile(1);
        timeRun(1, 70'000);
        ui().cmbClass->setFocus();
        QTest::keyClick(ui().cmbClass, Qt::Key_Down);
        QCOMPARE(ui().cmbClass->currentIndex(), 0);
        QCOMPARE(m_store->CurrentClass(), 1);
        QCOMPARE(ui().model->rowCount(), 3);
        QCOMPARE(ui().model->cell(1, ProtocolModel::Time1), 70'000);
        QVERIFY(ui().lblSaveWarning->isVisible());

        unblockClassFile(1);
        QTest::keyClick(ui().cmbClass, Qt::Key_Down);
        QCOMPARE(ui().cmbClass->currentIndex(), 1);
        QCOMPARE(ui().model->rowCount(), 1);
        QVERIFY(ui().lblSaveWarning->isHidden());
        QCOMPARE(readClassFile(1).wholeNumber(1, ListField::Time1), 70'000);
    }

    // A damaged class picked in the selector says what the start-up says, and the line names the file.
    void damagedClassInTheSelector_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rowsRead");
        QTest::newRow("bad number") << fileOf(kimRecord()
                                              + record({"Lee", "", "", "", "", "", "x", "0", "0", "0", "0", "0"}))
                                    << 2;
        QTest::newRow("not a start list file") << QByteArray("hello\r\n") << 0;
    }
    void damagedClassInTheSelector()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rowsRead);
        QVERIFY(writeBytes(ClassListPath(1), bytes));
        QVERIFY(writeBytes(ClassListPath(2), bytes));
        QString atStartUp;
        {
            RaceSession session;
            const TfrmStartList editor(session);
            const QStringList shown = OperatorDialogs::takeShownMessages();
            QCOMPARE(shown.size(), 1);
            atStartUp = shown.first();
        }
        QVERIFY(atStartUp.contains(QStringLiteral("List01.dat.bak")));

        ui().cmbClass->setFocus();
        QTest::keyClick(ui().cmbClass, Qt::Key_Down);
        QCOMPARE(m_store->CurrentClass(), 2);
        QCOMPARE(OperatorDialogs::takeShownMessages(),
                 QStringList {atStartUp.replace(QStringLiteral("List01.dat"), QStringLiteral("List02.dat"))});
        QVERIFY(ui().lblSaveWarning->isVisible());
        QVERIFY(ui().lblSaveWarning->text().contains(QStringLiteral("List02.dat")));
        QCOMPARE(readBytes(ClassListPath(2) + QStringLiteral(".bak")), bytes);
        QCOMPARE(ui().model->rowCount(), rowsRead);
    }

    // A save written in place (the folder takes no new file) is not crash-safe: while saves go that
    // way the line says so and names a folder the operator can write; a normal save clears it.
    void saveInPlaceIsAnnounced()
    {
        {
            const FailingDisk folderClosed(QString(), 0, true);
            timeRun(0, 61'230);
        }
        QCOMPARE(readClassFile(1).wholeNumber(0, ListField::Time1), 61'230);
        QVERIFY(ui().lblSaveWarning->isVisible());
        const QStringList lines = ui().lblSaveWarning->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("NOT CRASH-SAFE: List01.dat"));
        QString folder = lines.value(1).section(QStringLiteral(": "), 1);
        if (folder.startsWith(QLatin1Char('~')))
            folder.replace(0, 1, QDir::homePath());
        QVERIFY2(!folder.isEmpty() && QDir(folder) != QDir(programFolder()), qPrintable(folder));
        QVERIFY(QDir().mkpath(folder) && isWritableFolder(folder));
        QVERIFY(ui().lblSaveWarning->toolTip().contains(QStringLiteral("DataFolder")));
        QVERIFY(ui().lblSaveWarning->toolTip().contains(SettingsStore::filePath()));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());

        timeRun(1, 59'990);
        QVERIFY(ui().lblSaveWarning->isHidden());
    }

    // Every current message shows whole in the panel, most severe first, each with its time; a
    // notice goes with its button, an error stays until cleared. A folder named in
    // ZORVEXA_SHOTS gets a picture of the window with three messages.
    void panelListsEveryMessage()
    {
        auto *box = new QLabel(m_main.get());
        box->setGeometry(ui().lblSaveWarning->geometry());
        WarningLine line(box);
        line.setPanel(m_main.get(), QRect(ui().Grid->x(), ui().Grid->y(), ui().Grid->width(), ui().Grid->height() / 2));
        const QString note = QStringLiteral("RESET: the time of Lauf 1 was kept; Ctrl+Z removes it");
        line.show(WarningLine::Note, note);
        line.show(WarningLine::Backup, QStringLiteral("NO BACKUP COPY: stick missing\n/media/stick"));
        line.show(WarningLine::Save, QStringLiteral("NOT SAVED: List01.dat\nNo space left on device"));
        auto *panel = m_main->findChildren<QFrame *>(QStringLiteral("warningPanel")).last();
        QVERIFY(panel->isVisible());
        const auto texts = [panel] {
            QStringList shown;
            for (const QLabel *label : panel->findChildren<QLabel *>(QStringLiteral("lblWarningText")))
                if (!label->isHidden())
                    shown << label->text();
            return shown;
        };
        QCOMPARE(texts(),
                 (QStringList {"NOT SAVED: List01.dat \u2013 No space left on device",
                               "NO BACKUP COPY: stick missing \u2013 /media/stick", note}));
        for (const QLabel *time : panel->findChildren<QLabel *>(QStringLiteral("lblWarningTime")))
            QVERIFY2(QTime::fromString(time->text(), QStringLiteral("HH:mm:ss")).isValid(), qPrintable(time->text()));
        for (const QLabel *text : panel->findChildren<QLabel *>(QStringLiteral("lblWarningText")))
            QVERIFY2(text->heightForWidth(text->width()) <= text->height()
                         && text->geometry().bottom() < panel->height(),
                     qPrintable(text->text()));
        if (const QString folder = qEnvironmentVariable("ZORVEXA_SHOTS"); !folder.isEmpty())
            QVERIFY(m_main->grab().save(folder + QStringLiteral("/warning-panel.png")));

        const auto dismiss = [panel] {
            QList<QToolButton *> shown = panel->findChildren<QToolButton *>(QStringLiteral("cmdDismissWarning"));
            shown.removeIf([](const QToolButton *button) { return button->isHidden(); });
            return shown;
        };
        QCOMPARE(dismiss().size(), 1);
        QTest::mouseClick(dismiss().front(), Qt::LeftButton);
        QCOMPARE(texts().size(), 2);
        QVERIFY(line.text(WarningLine::Note).isEmpty());
        QVERIFY(dismiss().isEmpty());
        line.clear(WarningLine::Save);
        line.clear(WarningLine::Backup);
        QVERIFY(panel->isHidden());
    }

    void closingAfterASuccessfulSaveAsksNothing()
    {
        timeRun(0, 61'230);
        m_main->close();
        QVERIFY(!m_main->isVisible());
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList());
        QCOMPARE(readClassFile(1).wholeNumber(0, ListField::Time1), 61'230);
    }
};

ZORVEXA_TEST_MAIN(TestSaveWarning)
#include "test_savewarning.moc"
