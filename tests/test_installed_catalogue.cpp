#include "core/i18n/AppendedFiles.h"
#include "core/i18n/GnuGettext.h"
#include "support/TestEnvironment.h"

#include <QFile>

namespace {
QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The German texts the program file carries, read as the program reads them from itself.
struct CarriedCatalogue
{
    explicit CarriedCatalogue(const QString &programFile)
    {
        const QByteArray bytes = contentOf(programFile);
        const qsizetype anchor = findAnchor(bytes);
        if (anchor < 0)
            return;
        std::uint64_t offset = 0;
        for (int i = 7; i >= 0; --i)
            offset = (offset << 8) | std::uint8_t(bytes[anchor + AnchorMarkSize + i]);
        tableOffset = offset;
        analyzer = std::make_unique<TAssemblyAnalyzer>(programFile, offset);
        analyzer->Analyze();
        instance = std::make_unique<TGnuGettextInstance>(*analyzer);
        instance->SelectLanguage("de");
    }
    std::uint64_t tableOffset = 0;
    std::unique_ptr<TAssemblyAnalyzer> analyzer;
    std::unique_ptr<TGnuGettextInstance> instance;
};
} // namespace

// The program file as built and as installed carries the German catalogue, and finds it itself.
class TestInstalledCatalogue final : public QObject
{
    Q_OBJECT

private slots:
    void programFiles_data()
    {
        QTest::addColumn<QString>("programFile");
        QTest::newRow("built") << QStringLiteral(ZORVEXA_BUILT_PROGRAM);
        QTest::newRow("installed") << QStringLiteral(ZORVEXA_INSTALLED_PROGRAM);
    }
    void programFiles()
    {
        QFETCH(QString, programFile);
        CarriedCatalogue carried(programFile);
        QVERIFY2(carried.analyzer, "no anchor in the program file");
        QVERIFY(carried.tableOffset > 0);
        QCOMPARE(carried.analyzer->names(), QStringList {QStringLiteral("locale\\de\\LC_MESSAGES\\default.mo")});
        QCOMPARE(carried.instance->TranslateText(QStringLiteral("Lazer")).value(), QStringLiteral("Lichtschranke"));
        TDomain &domain = carried.instance->FindOrCreateDomain("default");
        QCOMPARE(domain.openedFile(), programFile);
        QVERIFY(!domain.Swapped());
        QCOMPARE(domain.GetHeaderField("Content-Type").value(), QStringLiteral("text/plain; charset=UTF-8"));
        // The table's single entry is 256 bytes and its terminating entry ends the file.
        QCOMPARE(carried.tableOffset + 256 + 8, std::uint64_t(QFileInfo(programFile).size()));
    }

    void installLeavesTheFileAsBuilt()
    {
        QCOMPARE(contentOf(QStringLiteral(ZORVEXA_INSTALLED_PROGRAM)),
                 contentOf(QStringLiteral(ZORVEXA_BUILT_PROGRAM)));
    }

    // The designed German texts, exactly as given, odd ones included.
    void designedTranslations_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("german");
        const char *const pairs[][2] = {
            {"&Add row", "Zeile unterhalb"},
            {"&Clear list...", "Starterliste löschen"},
            {"&Delete row(s)", "Zeile/n löschen"},
            {"&Help", "&Hilfe"},
            {"&Open list", "Starterliste öffnen"},
            {"&Save list as...", "Starterliste speichern als…"},
            {"Age", "Alter"},
            {"Automatic Lock", "Automatische Lock"},
            {"Class", "Klasse/n"},
            {"Class Editor", "Klassennamen bearbeiten"},
            {"Class:", "Klasse:"},
            {"Clear list?", "Starterliste löschen?"},
            {"Configuration", "Einstellungen"},
            {"Contact:", "Kontakte:"},
            {"Delete selected row(s)?", "Zeile/n löschen?"},
            {"File", "Datei"},
            {"Help", "Hilfe"},
            {"Lazer", "Lichtschranke"},
            {"Merge list", "Starterliste zusammenfassen"},
            {"Merge list...", "Starterliste zusammenfassen"},
            {"None", "Keine"},
            {"Off", "Aus"},
            {"On", "Ein"},
            {"Open list...", "Starterliste öffnen"},
            {"Protocol Colors", "Protokoll Colors"},
            {"Save list as...", "Starterliste speichern als…"},
            {"Zorvexa Starlist Editor", "Zorvexa Starterliste/n Editor"},
        };
        for (const auto &pair : pairs)
            QTest::newRow(pair[0]) << QString::fromUtf8(pair[0]) << QString::fromUtf8(pair[1]);
    }
    void designedTranslations()
    {
        QFETCH(QString, source);
        QFETCH(QString, german);
        CarriedCatalogue carried(QStringLiteral(ZORVEXA_INSTALLED_PROGRAM));
        QVERIFY(carried.instance);
        QCOMPARE(carried.instance->TranslateText(source).value(), german);
        // The "…" is U+2026.
        QCOMPARE(german.contains(QChar(0x2026)), german.endsWith(QStringLiteral("als…")));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestInstalledCatalogue)
#include "test_installed_catalogue.moc"
