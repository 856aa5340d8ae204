#include "core/settings/ClassNames.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "gui/common/Colors.h"
#include "gui/common/WindowLook.h"
#include "gui/settings/Form_Classes.h"
#include "gui/settings/Form_Config.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "gui/widgets/ColorButton.h"
#include "support/ConfigWindow.h"
#include "support/FreshFolders.h"
#include "support/GuiTestMain.h"
#include "support/MainWindowControls.h"
#include "support/SettingsFile.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include <map>

namespace {
QString stored(const QString &section, const QString &name)
{
    return SettingsStore().read(SettingKey<QString>(section, name, QStringLiteral("<missing>"))).value();
}

// Opens the button's palette as the operator does and clicks one of its swatches.
void pickSwatch(ColorButton *button, int swatch)
{
    QTimer::singleShot(0, button, [button, swatch] {
        QMenu *menu = button->menu();
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu->findChild<QToolButton *>(QStringLiteral("swatch%1").arg(swatch)), Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
}
} // namespace

// The configuration dialog and the class editor, used through their windows.
class TestConfig final : public QObject
{
    Q_OBJECT

    std::unique_ptr<SettingsStore> m_settings;
    ShownConfigWindow m_windows;
    ShownMainWindow &m_shown = m_windows.shown;

private slots:
    void init()
    {
        QDir(QFileInfo(settingsPath()).absolutePath()).removeRecursively();
        QVERIFY(FreshFolders::withFirstClass({"Kim", "Ola"}, true));
        m_settings = std::make_unique<SettingsStore>();
        OperatorDialogs::takeShownMessages();
    }
    void cleanup() { m_windows.close(); }

    void firstStartShowsTheDefaultsAndWritesNothing()
    {
        TfrmConfig config(*m_settings);
        QCOMPARE(child<QComboBox>(&config, "cmbComPort")->currentText(), QStringLiteral("None"));
        QCOMPARE(child<QComboBox>(&config, "cmbComPort")->count(), 17);
        QCOMPARE(child<QComboBox>(&config, "cmbContact")->currentText(), QStringLiteral("4-6"));
        QCOMPARE(child<QComboBox>(&config, "cmbAlg")->currentText(), QStringLiteral("On"));
        QVERIFY(child<QCheckBox>(&config, "chkAutoLock")->isChecked());
        const ProtocolColors defaults;
        QCOMPARE(child<ColorButton>(&config, "clrDefault")->color(), defaults.defaultColor);
        QCOMPARE(child<ColorButton>(&config, "clrUndefined")->color(), defaults.undefinedColor);
        QCOMPARE(config.windowTitle(), QStringLiteral("Configuration"));
        QCOMPARE(config.size(), QSize(270, 297));
        QVERIFY(!QFile::exists(settingsPath()));
    }

    // Each label at its place in its group, clear of the group's frame and title.
    void labelsStandWhereDesigned()
    {
        TfrmConfig config(*m_settings);
        const std::map<QString, QPoint> places {
            {"COM-Port:", {8, 16}},           {"Contact:", {84, 16}},          {"Alg.:", {156, 16}},
            {"Default Cell Color:", {8, 16}}, {"Active Cell Color:", {8, 40}}, {"Accepted Results:", {8, 64}},
            {"Undefined Results:", {8, 88}}};
        int found = 0;
        for (const QLabel *label : config.findChildren<QLabel *>()) {
            if (const auto place = places.find(label->text()); place != places.end()) {
                QCOMPARE(label->pos(), place->second);
                ++found;
            }
        }
        QCOMPARE(found, int(places.size()));
    }

    void okWritesAllEightValues()
    {
        TfrmConfig config(*m_settings);
        config.show();
        QVERIFY(QTest::qWaitForWindowExposed(&config));
        QTest::mouseClick(child<QPushButton>(&config, "cmdOK"), Qt::LeftButton);
        QVERIFY(!config.isVisible());
        const QStringList expected {"0", "1", "0", "1", "16771818", "12189695", "15335378", "15522303"};
        const QStringList names {"COM",          "ContactIdx",  "AlgIdx",        "AutoLock",
                                 "DefaultColor", "ActiveColor", "AcceptedColor", "UndefinedColor"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(stored(QStringLiteral("Configuration"), names[i]), expected[i]);
    }

    void storedValuesOutsideTheirRange_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("storedPort");
        QTest::addColumn<quint32>("defaultColor");
        QTest::newRow("port beyond the list")
            << QByteArray("[Configuration]\nCOM=20\n") << -1 << "-1" << quint32(0xFFEAEA);
        QTest::newRow("port 16") << QByteArray("[Configuration]\nCOM=16\n") << 16 << "16" << quint32(0xFFEAEA);
        QTest::newRow("colour beyond 24 bits")
            << QByteArray("[Configuration]\nDefaultColor=16777216\n") << 0 << "0" << quint32(0xFFEAEA);
        QTest::newRow("negative colour") << QByteArray("[Configuration]\nDefaultColor=-5\n") << 0 << "0"
                                         << quint32(0xFFEAEA);
        QTest::newRow("stored colour") << QByteArray("[Configuration]\nDefaultColor=255\n") << 0 << "0" << quint32(255);
    }
    void storedValuesOutsideTheirRange()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, port);
        QFETCH(QString, storedPort);
        QFETCH(quint32, defaultColor);
        writeSettingsFile(file);
        TfrmConfig config(*m_settings);
        QCOMPARE(child<QComboBox>(&config, "cmbComPort")->currentIndex(), port);
        QCOMPARE(child<ColorButton>(&config, "clrDefault")->color(), defaultColor);
        config.show();
        QTest::mouseClick(child<QPushButton>(&config, "cmdOK"), Qt::LeftButton);
        QCOMPARE(stored(QStringLiteral("Configuration"), QStringLiteral("COM")), storedPort);
    }

    void wrongKindStopsTheLoadingWithAMessage()
    {
        writeSettingsFile("[Configuration]\nCOM=3\nAutoLock=@ByteArray(1)\nActiveColor=255\n");
        TfrmConfig config(*m_settings);
        QCOMPARE(child<QComboBox>(&config, "cmbComPort")->currentIndex(), 3);
        // The values after the bad one keep what the controls showed.
        QCOMPARE(child<ColorButton>(&config, "clrActive")->color(), ProtocolColors().activeColor);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().startsWith(QStringLiteral("Invalid data type for 'AutoLock'")));
    }

    void pickedColourShowsAtOnceAndCancelPutsTheStoredOneBack()
    {
        m_windows.open();
        ProtocolModel *model = m_shown.controls->model;
        const std::uint32_t before = model->cellColor(0, ProtocolModel::GrandTotal);
        QCOMPARE(before, ProtocolColors().defaultColor);

        m_windows.config->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_windows.config));
        pickSwatch(child<ColorButton>(m_windows.config, "clrDefault"), 8); // pure red
        QCOMPARE(model->cellColor(0, ProtocolModel::GrandTotal), std::uint32_t(0x0000FF));
        QCOMPARE(model->data(model->index(1, ProtocolModel::Name), ProtocolModel::ColorRole).value<std::uint32_t>(),
                 std::uint32_t(0x0000FF));

        QTest::mouseClick(child<QPushButton>(m_windows.config, "cmdCancel"), Qt::LeftButton);
        QVERIFY(!m_windows.config->isVisible());
        QCOMPARE(model->cellColor(0, ProtocolModel::GrandTotal), before);
        QVERIFY(!QFile::exists(settingsPath()));
    }

    void otherColourComesFromTheFullDialog()
    {
        TfrmConfig config(*m_settings);
        config.show();
        QVERIFY(QTest::qWaitForWindowExposed(&config));
        ColorButton *button = child<ColorButton>(&config, "clrActive");
        OperatorDialogs::queueColor(QColor(1, 2, 3));
        QTimer::singleShot(0, button, [button] {
            QTRY_VERIFY(button->menu()->isVisible());
            QTest::keyClick(button->menu(), Qt::Key_O);
        });
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->color(), std::uint32_t(0x030201));
        QTest::keyClick(&config, Qt::Key_Return);
        QCOMPARE(stored(QStringLiteral("Configuration"), QStringLiteral("ActiveColor")), QString::number(0x030201));
    }

    void automaticLockIsReadAtTheStart_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked locks") << true;
        QTest::newRow("cleared leaves unlocked") << false;
    }
    void automaticLockIsReadAtTheStart()
    {
        QFETCH(bool, ticked);
        m_windows.open();
        m_windows.config->show();
        QCheckBox *box = child<QCheckBox>(m_windows.config, "chkAutoLock");
        if (box->isChecked() != ticked)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        QCOMPARE(box->isChecked(), ticked);
        m_windows.config->hide();
        m_shown.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_shown.window.get()));
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F7);
        QVERIFY(!m_shown.controls->runs->isLocked());
        const QPoint cell
            = m_shown.controls->Grid->visualRect(m_shown.controls->model->index(0, ProtocolModel::Time1)).center();
        QTest::mouseClick(m_shown.controls->Grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        QVERIFY(m_shown.controls->runs->Running());
        QCOMPARE(m_shown.controls->runs->isLocked(), ticked);
    }

    // Renaming a class in the class editor shows in the start list editor's tab and the main
    // window's selector as soon as the editors close, and is in the settings from then on.
    void renamedClassShowsEverywhere()
    {
        ClassNames names;
        m_windows.open();
        TfrmClasses classes(*m_shown.session, names, *m_settings, m_shown.window.get());
        TfrmStartList editor(*m_shown.session, m_shown.window.get());
        editor.setClassEditorOpener([&] { execInFrontOf(classes, editor); });
        m_shown.window->setStartListEditor(&editor);

        // The modal windows are answered from inside their own event loops; each closes whatever
        // happens, so a failure cannot leave the test waiting.
        QString tabAfterRename;
        QString headingAfterRename;
        bool inFrontOfTheEditor = false;
        QTimer::singleShot(0, &editor, [&] {
            const auto closeEditor = qScopeGuard([&] { editor.close(); });
            editor.activateWindow();
            QTRY_VERIFY(editor.isActiveWindow());
            QTimer::singleShot(0, &classes, [&] {
                const auto closeClasses = qScopeGuard([&] { classes.close(); });
                classes.activateWindow();
                QTRY_VERIFY(classes.isActiveWindow());
                // The start list editor, not the main window, is what the class editor stands on.
                inFrontOfTheEditor = classes.windowHandle()->transientParent() == editor.windowHandle();
                auto *grid = child<QTableView>(&classes, "Grid");
                for (const auto &[row, name] : {std::pair {2, "Bambini"}, std::pair {0, "Senioren"}}) {
                    const QPoint cell = grid->visualRect(names.index(row, 1)).center();
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
                    QTest::keyClick(grid, Qt::Key_F2);
                    auto *line = qobject_cast<QLineEdit *>(QApplication::focusWidget());
                    QVERIFY(line);
                    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(line, QLatin1String(name));
                    QTest::keyClick(line, Qt::Key_Return);
                }
                QTest::mouseClick(child<QPushButton>(&classes, "cmdOK"), Qt::LeftButton);
            });
            QTest::keySequence(&editor, QKeySequence(Qt::CTRL | Qt::Key_T));
            tabAfterRename = child<QTabBar>(&editor, "ListTab")->tabText(2);
            headingAfterRename = child<QLabel>(&editor, "TopPanel")->text();
        });
        QTest::mouseClick(m_shown.controls->cmdStartlist, Qt::LeftButton);
        QVERIFY(inFrontOfTheEditor);
        QCOMPARE(tabAfterRename, QStringLiteral("Bambini"));
        // The current class is class 1: its new name heads the editor at once.
        QCOMPARE(headingAfterRename, QStringLiteral("Senioren"));
        QCOMPARE(m_shown.session->rules().className(3), QStringLiteral("Bambini"));
        QCOMPARE(m_shown.controls->cmbClass->itemText(2), QStringLiteral("Bambini"));
        QCOMPARE(stored(QStringLiteral("Class Names"), QStringLiteral("Class 03")), QStringLiteral("Bambini"));
        QCOMPARE(stored(QStringLiteral("Class Names"), QStringLiteral("Class 10")), QStringLiteral("Class 10"));
        QVERIFY(QFile::exists(ClassListPath(1)));
        QVERIFY(!QFile::exists(programFolder() + QStringLiteral("Bambini")));
    }
};

ZORVEXA_TEST_MAIN(TestConfig)
#include "test_config.moc"
