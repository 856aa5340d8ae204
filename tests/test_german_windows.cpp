#include "core/i18n/Localisation.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "gui/common/Form_Info.h"
#include "gui/common/TranslateWindow.h"
#include "gui/settings/Form_Classes.h"
#include "gui/settings/Form_Config.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "support/GuiTestMain.h"
#include "support/MenuClicks.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

namespace {
// Every text a window shows through its properties, item lists, tabs and grid headers.
QStringList shownTexts(QWidget *window)
{
    QStringList texts;
    QList<QObject *> objects {window};
    objects += window->findChildren<QObject *>();
    for (QObject *object : objects) {
        const QMetaObject *meta = object->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            if (property.metaType().id() == QMetaType::QString && property.isWritable()
                && qstrcmp(property.name(), "objectName") != 0)
                texts << property.read(object).toString();
        }
        if (auto *combo = qobject_cast<QComboBox *>(object))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto *tabs = qobject_cast<QTabBar *>(object))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (auto *header = qobject_cast<QHeaderView *>(object); header && header->model())
            for (int i = 0; i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
    }
    texts.removeAll(QString());
    return texts;
}
} // namespace

// The five windows as the program builds them: German from their creation on, whatever LANG says.
class TestGermanWindows final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Localisation> m_localisation;
    std::unique_ptr<RaceSession> m_session;
    std::unique_ptr<TfrmMain> m_main;
    std::unique_ptr<ClassNames> m_classNames;
    std::unique_ptr<TfrmClasses> m_classes;
    std::unique_ptr<TfrmStartList> m_startList;
    std::unique_ptr<TfrmConfig> m_config;
    std::unique_ptr<TfrmInfo> m_info;

    QWidget *window(const QString &name)
    {
        for (QWidget *w : std::initializer_list<QWidget *> {m_main.get(), m_classes.get(), m_startList.get(),
                                                            m_config.get(), m_info.get()})
            if (w->objectName() == name)
                return w;
        qFatal("no window %s", qPrintable(name));
    }

    template<typename T> T *child(const QString &windowName, const char *name)
    {
        T *found = window(windowName)->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no %s", name);
        return found;
    }

    QList<QWidget *> windows()
    {
        return {m_main.get(), m_classes.get(), m_startList.get(), m_config.get(), m_info.get()};
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(qgetenv("LANG"), QByteArray("C.UTF-8"));
        // Created as main.cpp creates them, in the same order.
        m_localisation = std::make_unique<Localisation>();
        m_session = std::make_unique<RaceSession>();
        m_main = std::make_unique<TfrmMain>(*m_session);
        m_classNames = std::make_unique<ClassNames>();
        m_classes = std::make_unique<TfrmClasses>(*m_session, *m_classNames, m_session->settings(), m_main.get());
        m_startList = std::make_unique<TfrmStartList>(*m_session, m_main.get());
        m_config = std::make_unique<TfrmConfig>(m_session->settings(), m_main.get());
        m_info = std::make_unique<TfrmInfo>(m_main.get());
        m_main->setStartListEditor(m_startList.get());
        m_main->setConfigDialog(m_config.get());
        m_main->setInfoDialog(m_info.get());
    }

    void cleanupTestCase()
    {
        m_info.reset();
        m_config.reset();
        m_startList.reset();
        m_classes.reset();
        m_classNames.reset();
        m_main->closeWithoutQuestions();
        m_main.reset();
        m_localisation.reset();
    }

    void designedTextsShowInGerman_data()
    {
        QTest::addColumn<QString>("windowName");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *w, const char *c, const char *what, const QString &shown) {
            QTest::addRow("%s %s %s", w, c, what)
                << QString::fromLatin1(w) << QString::fromLatin1(c) << QString::fromLatin1(what) << shown;
        };
        row("TfrmMain", "", "windowTitle", QStringLiteral("Brasquell / Software / Zorvexa"));
        row("TfrmMain", "lblClass", "text", QStringLiteral("Klasse:"));
        row("TfrmMain", "lblLauf", "text", QStringLiteral("Lauf:"));
        row("frmClasses", "", "windowTitle", QStringLiteral("Klassennamen bearbeiten"));
        row("frmClasses", "Grid", "header 0", QStringLiteral("Klasse/n"));
        row("frmClasses", "Grid", "cell 0", QStringLiteral("Klasse/n 01"));
        row("frmClasses", "Grid", "cell 9", QStringLiteral("Klasse/n 10"));
        row("frmStartList", "", "windowTitle", QStringLiteral("Zorvexa Starterliste/n Editor"));
        row("frmStartList", "File1", "title", QStringLiteral("Datei"));
        row("frmStartList", "mnuOpen", "text", QStringLiteral("Starterliste öffnen"));
        row("frmStartList", "mnuMerge", "text", QStringLiteral("Starterliste zusammenfassen"));
        row("frmStartList", "mnuSaveAs", "text", QStringLiteral("Starterliste speichern als…"));
        row("frmStartList", "mnuClear", "text", QStringLiteral("Starterliste löschen"));
        row("frmStartList", "mnuAddRow", "text", QStringLiteral("Zeile unterhalb"));
        row("frmStartList", "mnuDeleteRows", "text", QStringLiteral("Zeile/n löschen"));
        row("frmStartList", "mnuClassEditor", "text", QStringLiteral("Klassennamen bearbeiten"));
        row("frmStartList", "Help1", "title", QStringLiteral("Hilfe"));
        row("frmStartList", "mnuHelp", "text", QStringLiteral("&Hilfe"));
        row("frmStartList", "Grid", "header 2", QStringLiteral("Alter"));
        row("frmStartList", "Grid", "header 1", QStringLiteral("Name"));
        row("frmStartList", "Grid", "header 3", QStringLiteral("Start-Nr"));
        row("frmStartList", "Edit1", "title", QStringLiteral("Bearbeiten"));
        row("frmStartList", "mnuClose", "text", QStringLiteral("Schließen"));
        row("frmConfig", "", "windowTitle", QStringLiteral("Einstellungen"));
        row("frmConfig", "GroupBox1", "title", QStringLiteral("Lichtschranke"));
        row("frmConfig", "Label6", "text", QStringLiteral("Kontakte:"));
        row("frmConfig", "chkAutoLock", "text", QStringLiteral("Automatische Lock"));
        row("frmConfig", "cmbComPort", "item 0", QStringLiteral("Keine"));
        row("frmConfig", "cmbComPort", "item 1", QStringLiteral("COM 1"));
        row("frmConfig", "cmbComPort", "item 16", QStringLiteral("COM 16"));
        row("frmConfig", "cmbComPort", "currentText", QStringLiteral("Keine"));
        row("frmConfig", "cmbAlg", "item 0", QStringLiteral("Ein"));
        row("frmConfig", "cmbAlg", "item 1", QStringLiteral("Aus"));
        row("frmConfig", "cmbAlg", "currentText", QStringLiteral("Ein"));
        row("frmConfig", "cmbContact", "item 3", QStringLiteral("7-9"));
        row("frmConfig", "GroupBox2", "title", QStringLiteral("Protokoll Colors"));
        row("frmConfig", "cmdCancel", "text", QStringLiteral("Abbrechen"));
        row("frmConfig", "clrDefault", "accessibleName", QStringLiteral("Standardfarbe der Zellen:"));
        row("frmInfo", "", "windowTitle", QStringLiteral("Info"));
        row("frmInfo", "lblTitle", "text", QStringLiteral("Zorvexa"));
        row("frmInfo", "lblAbout", "text",
            QStringLiteral("Zeitmessung für Kart-Slalom\n\nZehn Klassen, zwei Läufe je Teilnehmer,\nStrafpunkte FP und "
                           "FS als Zeitzuschlag.\n\nJede gemessene Zeit und jeder Strafpunkt\nwird sofort in der "
                           "Klassendatei gespeichert."));
    }
    void designedTextsShowInGerman()
    {
        QFETCH(QString, windowName);
        QFETCH(QString, control);
        QFETCH(QString, what);
        QFETCH(QString, shown);
        QObject *object = control.isEmpty() ? window(windowName) : window(windowName)->findChild<QObject *>(control);
        QVERIFY2(object, qPrintable(control));
        const QStringList parts = what.split(QLatin1Char(' '));
        QString text;
        if (parts[0] == QLatin1String("item")) {
            text = qobject_cast<QComboBox *>(object)->itemText(parts[1].toInt());
        } else if (parts[0] == QLatin1String("header")) {
            const auto *view = qobject_cast<QTableView *>(object);
            text = view->model()->headerData(parts[1].toInt(), Qt::Horizontal).toString();
        } else if (parts[0] == QLatin1String("cell")) {
            const auto *view = qobject_cast<QTableView *>(object);
            text = view->model()->index(parts[1].toInt(), 1).data().toString();
        } else {
            text = object->property(what.toLatin1().constData()).toString();
        }
        QCOMPARE(text, shown);
    }

    // Nothing a window shows is left that the catalogue would still translate.
    void everyShownTextIsGerman()
    {
        for (QWidget *w : windows()) {
            for (const QString &text : shownTexts(w)) {
                const Result<QString> german = m_localisation->instance().TranslateText(text);
                QVERIFY(german);
                QString value = german.value();
                value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                QVERIFY2(value == text, qPrintable(w->objectName() + QStringLiteral(": ") + text));
            }
        }
    }

    void menuItemsCarryNoAcceleratorButHilfe()
    {
        for (QAction *action : m_startList->findChildren<QAction *>()) {
            if (action->text().contains(QLatin1Char('&')))
                QCOMPARE(action->text(), QStringLiteral("&Hilfe"));
        }
    }

    // The walk recorded the designed texts, once per text, never a name or an empty text.
    void designedTextsAreRecorded_data()
    {
        QTest::addColumn<QString>("windowName");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("designed");
        QTest::newRow("group box") << "frmConfig"
                                   << "GroupBox1" << QByteArray("title") << "Lazer";
        QTest::newRow("combo items") << "frmConfig"
                                     << "cmbAlg" << QByteArray("Items") << "On\nOff";
        QTest::newRow("window title") << "frmStartList"
                                      << "" << QByteArray("windowTitle") << "Zorvexa Starlist Editor";
        QTest::newRow("menu item") << "frmStartList"
                                   << "mnuHelp" << QByteArray("text") << "&Help";
        QTest::newRow("label in a form file") << "TfrmMain"
                                              << "lblClass" << QByteArray("text") << "Class:";
        QTest::newRow("unchanged text") << "TfrmMain"
                                        << "lblLauf" << QByteArray("text") << "Lauf:";
    }
    void designedTextsAreRecorded()
    {
        QFETCH(QString, windowName);
        QFETCH(QString, control);
        QFETCH(QByteArray, property);
        QFETCH(QString, designed);
        QWidget *w = window(windowName);
        auto *marker = w->findChild<TGnuGettextComponentMarker *>(QStringLiteral("GNUgettextMarker"),
                                                                  Qt::FindDirectChildrenOnly);
        QVERIFY(marker);
        QCOMPARE(marker->TranslatedLanguage, QByteArray("de"));
        QObject *target = control.isEmpty() ? w : w->findChild<QObject *>(control);
        int found = 0;
        for (const TTP_RetranslatorItem &item : marker->WindowRetranslator->Items) {
            QVERIFY(item.PropertyName != "objectName");
            QVERIFY(!item.UntranslatedText.isEmpty());
            if (item.Target == target && item.PropertyName == property) {
                QCOMPARE(item.UntranslatedText, designed);
                ++found;
            }
        }
        QCOMPARE(found, 1);
    }

    void secondTranslationChangesNothing()
    {
        for (QWidget *w : windows()) {
            auto *marker = w->findChild<TGnuGettextComponentMarker *>(QStringLiteral("GNUgettextMarker"));
            const std::size_t recorded = marker->WindowRetranslator->Items.size();
            const QStringList before = shownTexts(w);
            QVERIFY(TranslateWindow(w).ok());
            QCOMPARE(shownTexts(w), before);
            QCOMPARE(marker->WindowRetranslator->Items.size(), recorded);
            QCOMPARE(w->findChildren<TGnuGettextComponentMarker *>(Qt::FindDirectChildrenOnly).size(), 1);
        }
    }

    // Dialog titles and questions load their texts when they are asked, through the catalogue.
    void dialogTitlesAndQuestions_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("open") << int(Qt::Key_O) << QStringLiteral("Starterliste öffnen|Zorvexa (*.zvx)");
        QTest::newRow("merge") << int(Qt::Key_M) << QStringLiteral("Starterliste zusammenfassen|Zorvexa (*.zvx)");
        QTest::newRow("save") << int(Qt::Key_S) << QStringLiteral("Starterliste speichern als…|Zorvexa (*.zvx)");
        QTest::newRow("delete rows") << int(Qt::Key_Delete) << QStringLiteral("Zeile/n löschen?");
    }
    void dialogTitlesAndQuestions()
    {
        QFETCH(int, key);
        QFETCH(QString, dialog);
        m_startList->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_startList.get()));
        OperatorDialogs::takeShownMessages();
        OperatorDialogs::takeFileDialogs();
        QTest::keyClick(m_startList->findChild<QTableView *>(QStringLiteral("Grid")), Qt::Key(key),
                        Qt::ControlModifier);
        const QStringList asked = OperatorDialogs::takeFileDialogs() + OperatorDialogs::takeShownMessages();
        QCOMPARE(asked, QStringList {dialog});
        m_startList->hide();
    }

    void clearQuestion()
    {
        OperatorDialogs::takeShownMessages();
        m_startList->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_startList.get()));
        chooseFromMenu(m_startList.get(), "mnuClear");
        m_startList->hide();
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {QStringLiteral("Starterliste löschen?")});
    }

    void helpBoxIsGerman()
    {
        OperatorDialogs::takeShownMessages();
        QTest::mouseClick(child<QToolButton>(QStringLiteral("TfrmMain"), "cmdHelp"), Qt::LeftButton);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].startsWith(QStringLiteral("Tasten\nF5  START: startet die Uhr")));
        QVERIFY(!shown[0].contains(QLatin1Char('\r')));
    }

    // Qt's own texts pass the catalogue too: the buttons of the program's questions are German.
    void messageBoxButtonsAreGerman()
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Zorvexa"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    }

    // The toolkit's own dialogs and key names read German too, from Qt's catalogue behind ours.
    void toolkitTextsAreGerman_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("german");
        QTest::newRow("key name") << QKeySequence(QKeySequence::Print).toString(QKeySequence::NativeText) << "Strg+P";
        QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QTest::newRow("button") << buttons.button(QDialogButtonBox::Cancel)->text() << "Abbrechen";
        QFileSystemModel files;
        QTest::newRow("file dialog column") << files.headerData(1, Qt::Horizontal).toString() << "Größe";
        QTest::newRow("file dialog date") << files.headerData(3, Qt::Horizontal).toString() << "Änderungsdatum";
        QPrintPreviewDialog preview;
        QTest::newRow("print preview") << preview.windowTitle() << "Druckvorschau";
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        QStringList labels;
        for (const QLabel *label : colours.findChildren<QLabel *>())
            labels << label->text();
        QTest::newRow("colour dialog") << labels.filter(QStringLiteral("&R")).join(QLatin1Char(' ')) << "&Rot:";
    }
    void toolkitTextsAreGerman()
    {
        QFETCH(QString, shown);
        QTEST(shown, "german");
    }

    // Pictures of the German windows for a look by eye, when a folder is named for them.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("ZORVEXA_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("no folder named for screenshots");
        for (QWidget *w : windows()) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QVERIFY(w->grab().save(folder + QLatin1Char('/') + w->objectName() + QStringLiteral(".png")));
            w->hide();
        }
    }
};

ZORVEXA_TEST_MAIN(TestGermanWindows)
#include "test_german_windows.moc"
