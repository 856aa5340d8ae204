#include "core/i18n/Localisation.h"
#include "gui/common/TranslateWindow.h"
#include "support/CatalogueSamples.h"
#include "support/GuiTestMain.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>

using namespace CatalogueSamples;

namespace {
QMap<QByteArray, QByteArray> entries()
{
    return {{"&Help", "&Hilfe"},
            {"Age", "Alter"},
            {"COM 1", "COM Eins"},
            {"Help", "Hilfe"},
            {"Lazer", "Lichtschranke"},
            {"None", "Keine"},
            {"Two\nlines", "Zwei\nZeilen"},
            {"Off", "Aus"},
            {"On", "Ein"}};
}

// A window built the way our windows are, with one of each kind of text.
struct SampleWindow
{
    QWidget window;
    QLabel *lazer = new QLabel(QStringLiteral("Lazer"), &window);
    QLabel *comPort = new QLabel(QStringLiteral("COM-Port:"), &window);
    QLabel *empty = new QLabel(&window);
    QLabel *twoLines = new QLabel(QStringLiteral("Two\nlines"), &window);
    QGroupBox *group = new QGroupBox(QStringLiteral("Lazer"), &window);
    QComboBox *combo = new QComboBox(group);
    QTabWidget *tabs = new QTabWidget(&window);
    QMenu *menu = new QMenu(QStringLiteral("Help"), &window);
    QAction *help = new QAction(QStringLiteral("&Help"), menu);
    QTableView *grid = new QTableView(&window);
    QStandardItemModel model {0, 2};

    SampleWindow()
    {
        window.setWindowTitle(QStringLiteral("None"));
        lazer->setObjectName(QStringLiteral("Lazer"));
        lazer->setToolTip(QStringLiteral("On"));
        combo->addItems({QStringLiteral("None"), QStringLiteral("COM 1"), QString(), QStringLiteral("COM 2")});
        tabs->addTab(new QWidget, QStringLiteral("Help"));
        tabs->addTab(new QWidget, QStringLiteral("Other"));
        help->setObjectName(QStringLiteral("Help"));
        menu->addAction(help);
        // Reachable twice: a child of the menu and shown by the window as well.
        window.addAction(help);
        model.setHorizontalHeaderLabels({QStringLiteral("Age"), QStringLiteral("Name")});
        grid->setModel(&model);
    }

    QStringList comboItems() const
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
};

TGnuGettextComponentMarker *markerOf(QWidget &window)
{
    return window.findChild<TGnuGettextComponentMarker *>(QStringLiteral("GNUgettextMarker"),
                                                          Qt::FindDirectChildrenOnly);
}
} // namespace

// The walk over a window's objects with a catalogue the test writes itself.
class TestTranslateWindow final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Localisation> m_localisation;

    void startWith(const QByteArray &catalogue)
    {
        m_localisation.reset();
        const QString programFile = m_dir.path() + QStringLiteral("/zorvexa");
        const ProgramFile file = program("IMAGE", {{"locale\\de\\LC_MESSAGES\\default.mo", catalogue}});
        QVERIFY(writeFile(programFile, file.bytes));
        m_localisation = std::make_unique<Localisation>(programFile, file.tableOffset);
    }

private slots:
    void init() { startWith(mo(entries())); }
    void cleanup() { m_localisation.reset(); }

    void textsOfEveryKind_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("shown");
        QTest::newRow("window title") << "title"
                                      << "Keine";
        QTest::newRow("label") << "lazer"
                               << "Lichtschranke";
        QTest::newRow("label not in the catalogue") << "comPort"
                                                    << "COM-Port:";
        QTest::newRow("object name stays") << "lazerName"
                                           << "Lazer";
        QTest::newRow("tool tip") << "toolTip"
                                  << "Ein";
        QTest::newRow("line ends kept") << "twoLines"
                                        << "Zwei\nZeilen";
        QTest::newRow("group box") << "group"
                                   << "Lichtschranke";
        QTest::newRow("combo items, empty line stays") << "items"
                                                       << "Keine|COM Eins||COM 2";
        QTest::newRow("combo shown text") << "current"
                                          << "Keine";
        QTest::newRow("tabs") << "tabs"
                              << "Hilfe|Other";
        QTest::newRow("menu title") << "menu"
                                    << "Hilfe";
        QTest::newRow("action text") << "help"
                                     << "&Hilfe";
        QTest::newRow("action named like a text keeps its name") << "helpName"
                                                                 << "Help";
        QTest::newRow("header kept by the model") << "header"
                                                  << "Alter|Name";
    }
    void textsOfEveryKind()
    {
        QFETCH(QString, what);
        QFETCH(QString, shown);
        SampleWindow s;
        QVERIFY(TranslateWindow(&s.window).ok());
        const QHash<QString, std::function<QString()>> read {
            {"title", [&] { return s.window.windowTitle(); }},
            {"lazer", [&] { return s.lazer->text(); }},
            {"comPort", [&] { return s.comPort->text(); }},
            {"lazerName", [&] { return s.lazer->objectName(); }},
            {"toolTip", [&] { return s.lazer->toolTip(); }},
            {"twoLines", [&] { return s.twoLines->text(); }},
            {"group", [&] { return s.group->title(); }},
            {"items", [&] { return s.comboItems().join(QLatin1Char('|')); }},
            {"current", [&] { return s.combo->currentText(); }},
            {"tabs", [&] { return s.tabs->tabText(0) + QLatin1Char('|') + s.tabs->tabText(1); }},
            {"menu", [&] { return s.menu->title(); }},
            {"help", [&] { return s.help->text(); }},
            {"helpName", [&] { return s.help->objectName(); }},
            {"header",
             [&] {
                 return s.model.headerData(0, Qt::Horizontal).toString() + QLatin1Char('|')
                     + s.model.headerData(1, Qt::Horizontal).toString();
             }},
        };
        QCOMPARE(read.value(what)(), shown);
    }

    void recordsEachTextOnce()
    {
        SampleWindow s;
        QVERIFY(TranslateWindow(&s.window).ok());
        TGnuGettextComponentMarker *marker = markerOf(s.window);
        QVERIFY(marker);
        QCOMPARE(marker->TranslatedLanguage, QByteArray("de"));
        QCOMPARE(marker->WindowRetranslator->Domain, QByteArray("default"));
        QHash<QPair<QObject *, QByteArray>, int> seen;
        for (const TTP_RetranslatorItem &item : marker->WindowRetranslator->Items) {
            QVERIFY(!item.UntranslatedText.isEmpty());
            QVERIFY(item.PropertyName != "objectName");
            QVERIFY(item.Target != s.empty);
            ++seen[{item.Target.data(), item.PropertyName}];
        }
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QCOMPARE(it.value(), 1);
        QVERIFY(seen.contains({s.help, "text"}));
        QVERIFY(seen.contains({s.combo, "Items"}));
    }

    void secondCallChangesNothing()
    {
        SampleWindow s;
        QVERIFY(TranslateWindow(&s.window).ok());
        const std::size_t recorded = markerOf(s.window)->WindowRetranslator->Items.size();
        const QStringList items = s.comboItems();
        QVERIFY(TranslateWindow(&s.window).ok());
        QCOMPARE(markerOf(s.window)->WindowRetranslator->Items.size(), recorded);
        QCOMPARE(s.comboItems(), items);
        QCOMPARE(s.lazer->text(), QStringLiteral("Lichtschranke"));
        QCOMPARE(s.window.findChildren<TGnuGettextComponentMarker *>().size(), 1);
    }

    // Another language runs the recorded texts through the catalogue again.
    void anotherLanguageRetranslates()
    {
        SampleWindow s;
        QVERIFY(TranslateWindow(&s.window).ok());
        m_localisation->instance().SelectLanguage("fr");
        QVERIFY(TranslateWindow(&s.window).ok());
        QCOMPARE(s.lazer->text(), QStringLiteral("Lazer"));
        QCOMPARE(s.comboItems(), (QStringList {"None", "COM 1", "", "COM 2"}));
        QCOMPARE(markerOf(s.window)->TranslatedLanguage, QByteArray("fr"));
        m_localisation->instance().SelectLanguage("de");
        QVERIFY(TranslateWindow(&s.window).ok());
        QCOMPARE(s.lazer->text(), QStringLiteral("Lichtschranke"));
        QCOMPARE(s.help->text(), QStringLiteral("&Hilfe"));
    }

    void ignoredClassProperty()
    {
        TP_GlobalIgnoreClassProperty(&QGroupBox::staticMetaObject, "Title");
        SampleWindow s;
        QVERIFY(TranslateWindow(&s.window).ok());
        QCOMPARE(s.group->title(), QStringLiteral("Lazer"));
        QCOMPARE(s.lazer->text(), QStringLiteral("Lichtschranke"));
    }

    void withoutLocalisationNothingChanges()
    {
        m_localisation.reset();
        SampleWindow s;
        QVERIFY(TranslateWindow(&s.window).ok());
        QCOMPARE(s.lazer->text(), QStringLiteral("Lazer"));
        QVERIFY(!markerOf(s.window));
    }

    // A catalogue that fails ends the walk with the property that met it and the reason.
    void failingCatalogue_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<QString>("reason");
        QTest::newRow("foreign charset") << mo(entries(), {false, "ISO-8859-1"})
                                         << QStringLiteral("does not have charset=utf-8");
        QTest::newRow("not a catalogue") << QByteArray(64, 'x') << QStringLiteral("not a valid GNU gettext mo file");
    }
    void failingCatalogue()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(QString, reason);
        // Built first: Qt's own texts met while building would otherwise meet the failure first.
        SampleWindow s;
        startWith(catalogue);
        const FileResult result = TranslateWindow(&s.window);
        QVERIFY(!result);
        QVERIFY(result.error().reason.startsWith(
            QStringLiteral("Property cannot be translated.\nUse TP_GlobalIgnoreClassProperty(QWidget,windowTitle) or\n"
                           "TP_Ignore (self,'.windowTitle') to prevent this message.\nReason: ")));
        QVERIFY(result.error().reason.contains(reason));
        QCOMPARE(s.window.windowTitle(), QStringLiteral("None"));
        // The domain gave up: later windows stay as designed, without a message.
        SampleWindow later;
        QVERIFY(TranslateWindow(&later.window).ok());
        QCOMPARE(later.lazer->text(), QStringLiteral("Lazer"));
    }

    // Failures met while resource strings load and windows are built reach the operator once
    // each, all in one message after the event that met them.
    void catalogueFailuresShownOnceTogether()
    {
        showCatalogueErrors();
        startWith(mo(entries(), {false, "ISO-8859-1"}));
        OperatorDialogs::takeShownMessages();
        QCOMPARE(QCoreApplication::translate("Anything", "Lazer"), QStringLiteral("Lazer"));
        QCOMPARE(QCoreApplication::translate("Anything", "None"), QStringLiteral("None"));
        ResourceTranslator::reportError(QStringLiteral("Another domain failed."));
        ResourceTranslator::reportError(QStringLiteral("Another domain failed."));
        QVERIFY(OperatorDialogs::takeShownMessages().isEmpty());
        QCoreApplication::processEvents();
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].startsWith(QStringLiteral("The translation for the language code de (in ")));
        QVERIFY(shown[0].endsWith(QStringLiteral("\n\nAnother domain failed.")));
        QCoreApplication::processEvents();
        QVERIFY(OperatorDialogs::takeShownMessages().isEmpty());
        ResourceTranslator::setErrorReporter({});
    }

    // A window's own tr() texts stay as designed while it is built, so the walk records them.
    void creationHoldsTheWindowsTexts()
    {
        struct Window final : QWidget
        {
            QLabel *label;
            QLabel *lateLabel = nullptr;
            Window()
            {
                const WindowCreation creation(this);
                label = new QLabel(QCoreApplication::translate("QWidget", "Lazer"), this);
                QVERIFY(label->text() == QStringLiteral("Lazer"));
            }
        };
        Window w;
        QCOMPARE(w.label->text(), QStringLiteral("Lichtschranke"));
        QCOMPARE(QCoreApplication::translate("QWidget", "Lazer"), QStringLiteral("Lichtschranke"));
        const TTP_RetranslatorItem &first = markerOf(w)->WindowRetranslator->Items.front();
        QCOMPARE(first.UntranslatedText, QStringLiteral("Lazer"));
    }
};

ZORVEXA_TEST_MAIN(TestTranslateWindow)
#include "test_translate_window.moc"
