#include "core/system/DataFolder.h"
#include "gui/common/Form_Info.h"
#include "support/GuiTestMain.h"

#include <QLabel>
#include <QScreen>

class TestInfoDialog final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
        QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
    }

    void cleanup() { setConfiguredDataFolder(QString()); }

    // The operator can read where the class files are, whatever decided it.
    void showsTheDataFolder_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("belowHome"); // shown from "~/"
        QTest::newRow("portable copy") << QString() << "beside the program" << false;
        QTest::newRow("folder from the settings") << "events/spring"
                                                  << "from the settings" << true;
        QTest::newRow("long folder from the settings")
            << "club/events/2026/regional championship round three/kart slalom/day two"
            << "from the settings" << true;
        QTest::newRow("folder outside home") << "/"
                                             << "from the settings" << false;
    }
    void showsTheDataFolder()
    {
        QFETCH(QString, setting);
        QFETCH(QString, caption);
        QFETCH(bool, belowHome);
        setConfiguredDataFolder(setting);

        TfrmInfo info;
        info.show();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        auto *label = info.findChild<QLabel *>(QStringLiteral("lblDataFolder"));
        QVERIFY(label);
        const QStringList lines = label->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].contains(caption), qPrintable(lines[0]));
        const QString full = QDir::toNativeSeparators(dataFolder());
        QCOMPARE(label->toolTip(), full);
        const QString home = QDir::homePath() + QLatin1Char('/');
        QCOMPARE(full.startsWith(home), belowHome);
        const QString written = belowHome ? QStringLiteral("~/") + full.mid(home.size()) : full;
        // Shortened in the middle where needed, never cut off at the dialog's edge.
        const int shownWidth = label->fontMetrics().horizontalAdvance(lines[1]);
        QVERIFY2(shownWidth <= label->width(), qPrintable(lines[1]));
        const QChar ellipsis(0x2026);
        if (lines[1].contains(ellipsis)) {
            QVERIFY(written.startsWith(lines[1].section(ellipsis, 0, 0)));
            QVERIFY(written.endsWith(lines[1].section(ellipsis, 1)));
        } else {
            QCOMPARE(lines[1], written);
        }
        QVERIFY(info.rect().contains(label->geometry()));
        QVERIFY(label->geometry().bottom() < info.findChild<QWidget *>(QStringLiteral("cmdOK"))->geometry().top());
    }

    // The dialog opens in the screen's middle (within its frame), not over a main window in a corner.
    void centredOnTheScreen()
    {
        QWidget main;
        main.setGeometry(10, 10, 300, 200);
        TfrmInfo info(&main);
        info.show();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        QVERIFY((info.frameGeometry().center() - info.screen()->availableGeometry().center()).manhattanLength() <= 8);
    }
};

ZORVEXA_TEST_MAIN(TestInfoDialog)
#include "test_infodialog.moc"
