#include "core/i18n/AppendedFiles.h"
#include "core/i18n/GnuGettext.h"
#include "core/i18n/Localisation.h"
#include "support/CatalogueSamples.h"
#include "support/TestEnvironment.h"

#include <QRandomGenerator>

using namespace CatalogueSamples;

namespace {
const QByteArray DefaultName = "locale\\de\\LC_MESSAGES\\default.mo";

QMap<QByteArray, QByteArray> sampleEntries()
{
    return {{"Lazer", "Lichtschranke"},
            {"Merge list", "Starterliste zusammenfassen"},
            {"Merge list...", "Starterliste zusammenfassen"},
            {"None", "Keine"},
            {"Two\nlines", "Zwei\nZeilen"},
            {"Save list as...", "Starterliste speichern als\xE2\x80\xA6"}};
}

QString reasonOf(const FileResult &result)
{
    return result.ok() ? QString() : result.error().reason;
}
} // namespace

// The catalogue as the program finds it: appended to its own file or on disk, in either byte
// order, and damaged in every way a file can be.
class TestCatalogue final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_programFile;

    // A program folder with the file "zorvexa" carrying the given appended files.
    std::unique_ptr<TAssemblyAnalyzer> programWith(const QList<Appended> &files, const QByteArray &image = "IMAGE")
    {
        const ProgramFile file = program(image, files);
        writeFile(m_programFile, file.bytes);
        auto analyzer = std::make_unique<TAssemblyAnalyzer>(m_programFile, file.tableOffset);
        analyzer->Analyze();
        return analyzer;
    }

    QString onDisk(const QString &language, const QString &domain)
    {
        const QString folder = m_dir.path() + QStringLiteral("/locale/") + language + QStringLiteral("/LC_MESSAGES");
        QDir().mkpath(folder);
        return folder + QLatin1Char('/') + domain + QStringLiteral(".mo");
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_programFile = m_dir.path() + QStringLiteral("/zorvexa");
    }

    // Every text of a catalogue of each size is found, and texts between them are not.
    void lookupFindsEveryEntry_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("bigEndian");
        for (int count : {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 27, 28, 31, 33, 64, 70, 129})
            for (bool big : {false, true})
                QTest::addRow("%d %s", count, big ? "big-endian" : "little-endian") << count << big;
    }
    void lookupFindsEveryEntry()
    {
        QFETCH(int, count);
        QFETCH(bool, bigEndian);
        QMap<QByteArray, QByteArray> entries;
        for (int i = 0; i < count; ++i)
            entries.insert("text " + QByteArray::number(i * 2 + 10), "Text " + QByteArray::number(i));
        const auto analyzer = programWith({{DefaultName, mo(entries, {bigEndian})}});
        TDomain domain("default", *analyzer);
        domain.SetDirectory(m_dir.path() + QStringLiteral("/locale"));
        domain.SetLanguage("de");
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            const Result<QByteArrayView> found = domain.Lookup(it.key());
            QVERIFY(found);
            QCOMPARE(found.value().toByteArray(), it.value());
        }
        QCOMPARE(domain.Swapped(), bigEndian);
        QCOMPARE(domain.EntryCount(), std::uint32_t(count + 1));
        for (const QByteArray &absent : {QByteArray("a"), QByteArray("text 1"), QByteArray("text 11"),
                                         QByteArray("text 99999"), QByteArray("zzz"), QByteArray("Text 1")}) {
            const Result<QByteArrayView> found = domain.Lookup(absent);
            QVERIFY(found);
            QCOMPARE(found.value().toByteArray(), absent);
        }
    }

    void lookupEdges_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("known") << QByteArray("Lazer") << QByteArray("Lichtschranke");
        QTest::newRow("other case") << QByteArray("lazer") << QByteArray("lazer");
        QTest::newRow("trailing blank") << QByteArray("Lazer ") << QByteArray("Lazer ");
        QTest::newRow("prefix of an entry") << QByteArray("Merge") << QByteArray("Merge");
        QTest::newRow("shorter of two") << QByteArray("Merge list") << QByteArray("Starterliste zusammenfassen");
        QTest::newRow("longer of two") << QByteArray("Merge list...") << QByteArray("Starterliste zusammenfassen");
        QTest::newRow("non-ASCII translation")
            << QByteArray("Save list as...") << QByteArray("Starterliste speichern als\xE2\x80\xA6");
        QTest::newRow("byte above 0x7F sorts last") << QByteArray("\xC3\xA4") << QByteArray("\xC3\xA4");
    }
    void lookupEdges()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, expected);
        const auto analyzer = programWith({{DefaultName, mo(sampleEntries())}});
        TDomain domain("default", *analyzer);
        domain.SetDirectory(m_dir.path() + QStringLiteral("/locale"));
        domain.SetLanguage("de");
        const Result<QByteArrayView> found = domain.Lookup(source);
        QVERIFY(found);
        QCOMPARE(found.value().toByteArray(), expected);
    }

    void headerFields_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("content type") << headerText("UTF-8") << QByteArray("Content-Type")
                                      << QStringLiteral("text/plain; charset=UTF-8");
        QTest::newRow("name in any case")
            << headerText("UTF-8") << QByteArray("content-type") << QStringLiteral("text/plain; charset=UTF-8");
        QTest::newRow("missing") << headerText("UTF-8") << QByteArray("Language") << QString();
        QTest::newRow("CR LF lines, blanks trimmed")
            << QByteArray("A: 1\r\nLanguage:   de \t\r\nB: 2") << QByteArray("Language") << QStringLiteral("de");
        QTest::newRow("CR alone ends a line")
            << QByteArray("A: 1\rX-Name: Gr\xC3\xBC\xC3\x9F\rB: 2") << QByteArray("X-Name") << QStringLiteral("Grüß");
        QTest::newRow("first of two") << QByteArray("K: one\nK: two") << QByteArray("K") << QStringLiteral("one");
    }
    void headerFields()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, field);
        QFETCH(QString, value);
        QMap<QByteArray, QByteArray> entries {{QByteArray(), header + "\nContent-Type: text/plain; charset=UTF-8"}};
        const auto analyzer = programWith({{DefaultName, mo(entries, {false, "UTF-8", false})}});
        TDomain domain("default", *analyzer);
        domain.SetDirectory(m_dir.path() + QStringLiteral("/locale"));
        domain.SetLanguage("de");
        const Result<QString> found = domain.GetHeaderField(field);
        QVERIFY(found);
        QCOMPARE(found.value(), value);
        QCOMPARE(domain.Lookup(QByteArrayView("")).value().toByteArray(), entries.value(QByteArray()));
    }

    void translateInDomainLineEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("LF") << QStringLiteral("Two\nlines") << QStringLiteral("Zwei\r\nZeilen");
        QTest::newRow("CR LF") << QStringLiteral("Two\r\nlines") << QStringLiteral("Zwei\r\nZeilen");
        QTest::newRow("not found, LF") << QStringLiteral("A\nB") << QStringLiteral("A\r\nB");
        QTest::newRow("single line") << QStringLiteral("Lazer") << QStringLiteral("Lichtschranke");
        QTest::newRow("empty") << QString() << QString();
    }
    void translateInDomainLineEnds()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto analyzer = programWith({{DefaultName, mo(sampleEntries())}});
        TGnuGettextInstance instance(*analyzer);
        instance.SelectLanguage("de");
        const Result<QString> result = instance.TranslateInDomain("default", text);
        QVERIFY(result);
        QCOMPARE(result.value(), expected);
    }

    void findingTheCatalogue_data()
    {
        QTest::addColumn<QList<QByteArray>>("appendedNames");
        QTest::addColumn<QStringList>("onDiskLanguages");
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<bool>("fromProgramFile");
        QTest::addColumn<QString>("lazer");
        const QString german = QStringLiteral("Lichtschranke");
        const QString disk = QStringLiteral("Vom Datenträger");
        QTest::newRow("appended") << QList<QByteArray> {DefaultName} << QStringList() << QByteArray("de") << true
                                  << german;
        QTest::newRow("names without regard to case") << QList<QByteArray> {"locale\\DE\\lc_messages\\DEFAULT.MO"}
                                                      << QStringList() << QByteArray("de") << true << german;
        QTest::newRow("language with country falls back")
            << QList<QByteArray> {DefaultName} << QStringList() << QByteArray("de_DE") << true << german;
        QTest::newRow("appended wins over disk")
            << QList<QByteArray> {DefaultName} << QStringList {QStringLiteral("de")} << QByteArray("de") << true
            << german;
        QTest::newRow("disk only") << QList<QByteArray>() << QStringList {QStringLiteral("de")} << QByteArray("de")
                                   << false << disk;
        QTest::newRow("full language on disk before short appended")
            << QList<QByteArray> {DefaultName} << QStringList {QStringLiteral("de_AT")} << QByteArray("de_AT") << false
            << disk;
        QTest::newRow("other language") << QList<QByteArray> {DefaultName} << QStringList() << QByteArray("fr") << false
                                        << QStringLiteral("Lazer");
        QTest::newRow("name with padding and control characters")
            << QList<QByteArray> {"\t " + DefaultName + "\r\n"} << QStringList() << QByteArray("de") << true << german;
    }
    void findingTheCatalogue()
    {
        QFETCH(QList<QByteArray>, appendedNames);
        QFETCH(QStringList, onDiskLanguages);
        QFETCH(QByteArray, language);
        QFETCH(bool, fromProgramFile);
        QFETCH(QString, lazer);
        QList<Appended> files;
        for (const QByteArray &name : appendedNames)
            files << Appended {name, mo(sampleEntries())};
        const auto analyzer = programWith(files);
        for (const QString &diskLanguage : onDiskLanguages)
            QVERIFY(
                writeFile(onDisk(diskLanguage, QStringLiteral("default")), mo({{"Lazer", "Vom Datentr\xC3\xA4ger"}})));
        TGnuGettextInstance instance(*analyzer);
        instance.SelectLanguage(language);
        const Result<QString> result = instance.TranslateText(QStringLiteral("Lazer"));
        QVERIFY(result);
        QCOMPARE(result.value(), lazer);
        TDomain &domain = instance.FindOrCreateDomain("DEFAULT");
        if (lazer != QLatin1String("Lazer"))
            QCOMPARE(domain.openedFile() == m_programFile, fromProgramFile);
    }

    void matchingAppendedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("embedded");
        QTest::newRow("program folder") << QStringLiteral("locale/de/LC_MESSAGES/default.mo") << true;
        QTest::newRow("other case") << QStringLiteral("LOCALE/de/lc_messages/Default.MO") << true;
        QTest::newRow("other folder") << QStringLiteral("/elsewhere/locale/de/LC_MESSAGES/default.mo") << false;
        QTest::newRow("other name") << QStringLiteral("locale/de/LC_MESSAGES/runtime.mo") << false;
    }
    void matchingAppendedFiles()
    {
        QFETCH(QString, path);
        QFETCH(bool, embedded);
        const auto analyzer = programWith({{DefaultName, mo(sampleEntries())}});
        const QString full = path.startsWith(QLatin1Char('/')) ? path : analyzer->BaseDirectory() + path;
        QCOMPARE(analyzer->IsEmbedded(full), embedded);
        const TAssemblyAnalyzer::EmbeddedFile info = analyzer->GetEmbeddedFileInfo(full);
        QCOMPARE(info.realPath, embedded ? m_programFile : full);
        QCOMPARE(info.info.Offset, embedded ? std::uint64_t(5) : 0u);
        QCOMPARE(info.info.Size, embedded ? std::uint64_t(mo(sampleEntries()).size()) : 0u);
    }

    void noTableMeansDiskOnly()
    {
        QVERIFY(writeFile(m_programFile, "IMAGE"));
        TAssemblyAnalyzer analyzer(m_programFile, 0);
        analyzer.Analyze();
        QVERIFY(analyzer.names().isEmpty());
        QVERIFY(writeFile(onDisk(QStringLiteral("de"), QStringLiteral("default")), mo(sampleEntries())));
        TGnuGettextInstance instance(analyzer);
        instance.SelectLanguage("de");
        QCOMPARE(instance.TranslateText(QStringLiteral("None")).value(), QStringLiteral("Keine"));
    }

    // A damaged table keeps the entries read before the damage.
    void damagedTables_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("next points back to itself") << 0 << QStringList {QStringLiteral("a.mo")};
        QTest::newRow("next beyond the end") << 1 << QStringList {QStringLiteral("a.mo")};
        QTest::newRow("duplicate name") << 2 << QStringList {QStringLiteral("a.mo")};
        QTest::newRow("next inside the entry head") << 3 << QStringList {QStringLiteral("a.mo")};
        QTest::newRow("table offset beyond the end") << 4 << QStringList();
    }
    void damagedTables()
    {
        QFETCH(int, damage);
        QFETCH(QStringList, names);
        ProgramFile file = program("IMAGE", {{"a.mo", "A"}, {"b.mo", "B"}});
        const qsizetype second = qsizetype(file.tableOffset) + 256;
        switch (damage) {
        case 0:
            set64(file.bytes, second, std::uint64_t(second));
            break;
        case 1:
            set64(file.bytes, second, std::uint64_t(file.bytes.size()) + 100);
            break;
        case 2:
            file.bytes.replace(second + 24, 4, "a.mo");
            break;
        case 3:
            set64(file.bytes, second, std::uint64_t(second) + 10);
            break;
        case 4:
            file.tableOffset = std::uint64_t(file.bytes.size()) + 8;
            break;
        }
        QVERIFY(writeFile(m_programFile, file.bytes));
        TAssemblyAnalyzer analyzer(m_programFile, file.tableOffset);
        analyzer.Analyze();
        QCOMPARE(analyzer.names(), names);
    }

    // A rejected catalogue says why once, then translates nothing and is not read again.
    void rejectedCatalogues_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<QString>("message");
        const QString invalid = QStringLiteral("This file is not a valid GNU gettext mo file: %1");
        const QByteArray good = mo(sampleEntries());
        QByteArray wrongMagic = good;
        wrongMagic[0] = 'X';
        QTest::newRow("wrong magic") << wrongMagic << invalid;
        QTest::newRow("empty") << QByteArray() << invalid;
        QTest::newRow("header cut") << good.left(12) << invalid;
        QTest::newRow("tables cut") << good.left(40) << invalid;
        QTest::newRow("strings cut") << good.left(good.size() - 10) << invalid;
        QByteArray hugeCount = good;
        hugeCount.replace(8, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
        QTest::newRow("entry count beyond the file") << hugeCount << invalid;
        QByteArray tableFar = good;
        tableFar.replace(12, 4, QByteArray("\xF0\xFF\xFF\xFF", 4));
        QTest::newRow("table offset beyond the file") << tableFar << invalid;
        QByteArray stringFar = good;
        stringFar.replace(28 + 4, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
        QTest::newRow("string offset beyond the file") << stringFar << invalid;
        QByteArray lengthFar = good;
        lengthFar.replace(28 + 8, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
        QTest::newRow("string length beyond the file") << lengthFar << invalid;
        QTest::newRow("foreign charset")
            << mo(sampleEntries(), {false, "ISO-8859-1"})
            << QStringLiteral("The translation for the language code de (in %1) does not have charset=utf-8 in its "
                              "Content-Type. Translations are turned off.");
        QTest::newRow("no header") << mo(sampleEntries(), {false, "UTF-8", false})
                                   << QStringLiteral("The translation for the language code de (in %1) does not have "
                                                     "charset=utf-8 in its Content-Type. Translations are turned off.");
    }
    void rejectedCatalogues()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(QString, message);
        for (bool appended : {true, false}) {
            const auto analyzer = appended ? programWith({{DefaultName, catalogue}}) : programWith({});
            const QString diskFile = onDisk(QStringLiteral("de"), QStringLiteral("default"));
            QFile::remove(diskFile);
            if (!appended)
                QVERIFY(writeFile(diskFile, catalogue));
            TGnuGettextInstance instance(*analyzer);
            instance.SelectLanguage("de");
            const Result<QString> first = instance.TranslateText(QStringLiteral("Lazer"));
            QVERIFY(!first);
            QCOMPARE(first.error().reason, message.arg(appended ? m_programFile : diskFile));
            for (int again = 0; again < 2; ++again) {
                const Result<QString> later = instance.TranslateText(QStringLiteral("Lazer"));
                QVERIFY2(later, qPrintable(reasonOf(later ? FileResult() : FileResult(later.error()))));
                QCOMPARE(later.value(), QStringLiteral("Lazer"));
            }
            QVERIFY(!instance.FindOrCreateDomain("default").Opened());
            // A new language lets the domain look again, and it fails again.
            instance.SelectLanguage("de");
            QVERIFY(!instance.TranslateText(QStringLiteral("Lazer")));
        }
    }

    void untranslatableTranslations_data()
    {
        QTest::addColumn<QByteArray>("translation");
        QTest::newRow("empty translation") << QByteArray();
        QTest::newRow("invalid UTF-8") << QByteArray("Gr\xFC\xDF");
    }
    void untranslatableTranslations()
    {
        QFETCH(QByteArray, translation);
        const auto analyzer = programWith({{DefaultName, mo({{"Lazer", translation}, {"None", "Keine"}})}});
        TGnuGettextInstance instance(*analyzer);
        instance.SelectLanguage("de");
        const Result<QString> result = instance.TranslateText(QStringLiteral("Lazer"));
        QVERIFY(!result);
        QCOMPARE(result.error().reason,
                 QStringLiteral("Error: Could not translate Lazer. Probably because the mo file "
                                "doesn't contain utf-8 encoded translations."));
        QCOMPARE(instance.TranslateText(QStringLiteral("None")).value(), QStringLiteral("Keine"));
    }

    // Random damage to the table, the catalogue and the file's length never reads outside the file.
    // The files end on a page boundary, so a read beyond them would fault.
    void fuzzedFilesStayInside()
    {
        QRandomGenerator random(20261207);
        const QByteArray catalogue = mo(sampleEntries());
        for (int round = 0; round < 1500; ++round) {
            QByteArray image(4096 - (catalogue.size() % 4096), '\0');
            ProgramFile file = program(image, {{DefaultName, catalogue}});
            QByteArray &bytes = file.bytes;
            const int changes = 1 + random.bounded(6);
            for (int c = 0; c < changes; ++c) {
                const qsizetype at = image.size() + random.bounded(bytes.size() - image.size());
                bytes[at] = char(random.bounded(4) == 0 ? 0xFF : random.bounded(256));
            }
            if (random.bounded(4) == 0) {
                const std::uint64_t from = file.tableOffset + 8 * std::uint64_t(random.bounded(4));
                set64(bytes, qsizetype(from), random.generate64() >> random.bounded(64));
            }
            if (random.bounded(4) == 0)
                bytes.truncate(image.size() + random.bounded(bytes.size() - image.size()));
            bytes.append(QByteArray((4096 - bytes.size() % 4096) % 4096, '\0'));
            // The table moves to the very end so damaged offsets point just past the last byte.
            QVERIFY(writeFile(m_programFile, bytes));
            TAssemblyAnalyzer analyzer(m_programFile, file.tableOffset);
            analyzer.Analyze();
            TGnuGettextInstance instance(analyzer);
            instance.SelectLanguage("de");
            for (const char *text : {"Lazer", "None", "Merge list...", "zzz", "A"}) {
                const Result<QString> result = instance.TranslateText(QString::fromLatin1(text));
                if (result)
                    QVERIFY(!result.value().isEmpty());
            }
            (void)instance.FindOrCreateDomain("default").GetHeaderField("Content-Type");
        }
        // The sampled table offsets cover the catalogue itself too.
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes = mo(sampleEntries());
            for (int c = 0; c < 3; ++c)
                bytes[random.bounded(28 + 16 * 7)] = char(random.bounded(256));
            bytes.append(QByteArray((4096 - bytes.size() % 4096) % 4096, '\0'));
            QVERIFY(writeFile(onDisk(QStringLiteral("de"), QStringLiteral("default")), bytes));
            TAssemblyAnalyzer analyzer(m_programFile, 0);
            TGnuGettextInstance instance(analyzer);
            instance.SelectLanguage("de");
            for (const char *text : {"Lazer", "None", "", "Save list as..."})
                (void)instance.TranslateText(QString::fromLatin1(text));
        }
    }

    void languageChoice_data()
    {
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("with charset") << QByteArray("de_DE.UTF-8") << QByteArray("de_DE");
        QTest::newRow("C locale") << QByteArray("C.UTF-8") << QByteArray("C");
        QTest::newRow("plain") << QByteArray("fr") << QByteArray("fr");
    }
    void languageChoice()
    {
        QFETCH(QByteArray, lang);
        QFETCH(QByteArray, expected);
        const QByteArray saved = qgetenv("LANG");
        qputenv("LANG", lang);
        const auto analyzer = programWith({});
        TGnuGettextInstance instance(*analyzer);
        QCOMPARE(instance.Language(), expected);
        instance.SelectLanguage("de.x");
        QCOMPARE(instance.Language(), QByteArray("de.x"));
        // Whatever LANG says, the start-up selects German.
        {
            Localisation localisation(m_programFile, 0);
            QCOMPARE(localisation.instance().Language(), QByteArray("de"));
        }
        qputenv("LANG", saved);
    }

    void domainsAreFoundWithoutRegardToCase()
    {
        const auto analyzer = programWith({});
        TGnuGettextInstance instance(*analyzer);
        TDomain &lower = instance.FindOrCreateDomain("runtime");
        QCOMPARE(&instance.FindOrCreateDomain("RunTime"), &lower);
        QCOMPARE(lower.Directory(), analyzer->BaseDirectory() + QStringLiteral("locale/"));
        instance.BindDomain("runtime", QStringLiteral("/other"));
        QCOMPARE(lower.Directory(), QStringLiteral("/other/"));
    }

    // Resource strings: "default" first, then "runtime", which only a file on disk provides.
    void resourceStrings_data()
    {
        QTest::addColumn<bool>("runtimeOnDisk");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("toolkit"); // the same text in Qt's own context
        QTest::newRow("default knows it")
            << false << QStringLiteral("Lazer") << QStringLiteral("Lichtschranke") << QStringLiteral("Lichtschranke");
        // Qt's own catalogue answers what neither domain knows.
        QTest::newRow("nobody knows it") << false << QStringLiteral("Retry") << QStringLiteral("Retry")
                                         << QStringLiteral("Wiederholen");
        QTest::newRow("runtime knows it")
            << true << QStringLiteral("Retry") << QStringLiteral("Wiederholen") << QStringLiteral("Wiederholen");
        QTest::newRow("default before runtime")
            << true << QStringLiteral("None") << QStringLiteral("Keine") << QStringLiteral("Keine");
        QTest::newRow("line ends kept") << false << QStringLiteral("Two\nlines") << QStringLiteral("Zwei\nZeilen")
                                        << QStringLiteral("Zwei\nZeilen");
    }
    void resourceStrings()
    {
        QFETCH(bool, runtimeOnDisk);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const ProgramFile file = program("IMAGE", {{DefaultName, mo(sampleEntries())}});
        QVERIFY(writeFile(m_programFile, file.bytes));
        if (runtimeOnDisk)
            QVERIFY(writeFile(onDisk(QStringLiteral("de"), QStringLiteral("runtime")),
                              mo({{"Retry", "Wiederholen"}, {"None", "Nichts"}})));
        QCOMPARE(TranslateResourceText(text).value(), text);
        {
            Localisation localisation(m_programFile, file.tableOffset);
            QCOMPARE(resourceDomains(), (QList<QByteArray> {"default", "runtime"}));
            AddResourceDomain("RUNTIME");
            QCOMPARE(resourceDomains().size(), 2);
            QCOMPARE(TranslateResourceText(text).value(), expected);
            // Qt's own texts take the same road.
            QTEST(QCoreApplication::translate("QPlatformTheme", text.toUtf8().constData()), "toolkit");
            ResourceTranslator::holdContext("Held");
            QCOMPARE(QCoreApplication::translate("Held", text.toUtf8().constData()), text);
            ResourceTranslator::releaseContext("Held");
        }
        // After shutdown nothing translates.
        QCOMPARE(TranslateResourceText(text).value(), text);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", text.toUtf8().constData()), text);
    }

    void translatorReportsFailures()
    {
        const ProgramFile file = program("IMAGE", {{DefaultName, mo(sampleEntries(), {false, "ISO-8859-1"})}});
        QVERIFY(writeFile(m_programFile, file.bytes));
        QStringList reported;
        ResourceTranslator::setErrorReporter([&reported](const QString &message) { reported << message; });
        {
            Localisation localisation(m_programFile, file.tableOffset);
            QCOMPARE(QCoreApplication::translate("X", "Lazer"), QStringLiteral("Lazer"));
            QCOMPARE(QCoreApplication::translate("X", "Lazer"), QStringLiteral("Lazer"));
        }
        ResourceTranslator::setErrorReporter({});
        QCOMPARE(reported.size(), 1);
        QVERIFY(reported[0].contains(QLatin1String("does not have charset=utf-8")));
    }

    // The anchor: found once in a file's bytes, and this program's table offset is read from it.
    void anchorInFiles_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("found");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("two") << 2 << false;
    }
    void anchorInFiles()
    {
        QFETCH(int, copies);
        QFETCH(bool, found);
        QByteArray bytes("head");
        for (int i = 0; i < copies; ++i)
            bytes += anchorMark() + QByteArray(8, '\0') + "between";
        QCOMPARE(findAnchor(bytes), found ? qsizetype(4) : qsizetype(-1));
        QCOMPARE(anchorMark().size(), AnchorMarkSize);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
