#include "core/Version.h"
#include "support/ProgramRun.h"
#include "support/TestEnvironment.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSettings>
#include <QXmlStreamReader>

#include <unistd.h>

namespace {
QString appId()
{
    return QLatin1String(ZorvexaApplicationId);
}

struct ToolRun
{
    bool started = false;
    int exitCode = -1;
    QString output;
};

ToolRun runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun run;
    run.started = process.waitForStarted(10000);
    if (!run.started)
        return run;
    process.waitForFinished(120000);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAll());
    return run;
}

// Key=value lines of the [Desktop Entry] group; QSettings would split the lists at ';'.
QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

// The text of each element path in an XML file ("component/id"); attributes as "path@name".
QMultiMap<QString, QString> xmlValues(const QString &path)
{
    QMultiMap<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QXmlStreamReader xml(&file);
    QStringList where;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            where << xml.name().toString();
            const QString key = where.join(QLatin1Char('/'));
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                values.insert(key + QLatin1Char('@') + attribute.name().toString(), attribute.value().toString());
        } else if (xml.isEndElement()) {
            where.removeLast();
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            values.insert(where.join(QLatin1Char('/')), xml.text().toString().trimmed());
        }
    }
    if (xml.hasError())
        values.insert(QStringLiteral("error"), xml.errorString());
    return values;
}

void setWritable(const QString &folder, bool writable)
{
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList folders {folder};
    while (it.hasNext())
        folders << it.next();
    const QFile::Permissions readable
        = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    for (const QString &f : folders)
        QFile::setPermissions(f, writable ? readable | QFile::WriteOwner : readable);
}

QStringList classFilesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("List*.dat")}, QDir::Files);
}
} // namespace

class TestInstall final : public QObject
{
    Q_OBJECT

    QString m_root;
    QString m_prefix;

    QString installed(const QString &relative) const { return m_prefix + QLatin1Char('/') + relative; }
    QString desktopPath() const { return installed(QStringLiteral("share/applications/%1.desktop").arg(appId())); }
    QString iconPath() const
    {
        return installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId()));
    }
    QString metainfoPath() const { return installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId())); }

private slots:
    void initTestCase()
    {
        m_root = QDir::cleanPath(programFolder() + QStringLiteral("/.."));
        m_prefix = m_root + QStringLiteral("/prefix");
        const ToolRun install = runTool(
            QStringLiteral(ZORVEXA_CMAKE),
            {QStringLiteral("--install"), QStringLiteral(ZORVEXA_BUILD_DIR), QStringLiteral("--prefix"), m_prefix});
        QVERIFY2(install.started && install.exitCode == 0, qPrintable(install.output));
    }

    void cleanupTestCase() { setWritable(m_prefix, true); }

    void installedFiles_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << "bin/zorvexa" << true;
        QTest::newRow("desktop entry") << QStringLiteral("share/applications/%1.desktop").arg(appId()) << false;
        QTest::newRow("icon") << QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId()) << false;
        QTest::newRow("metainfo") << QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId()) << false;
    }
    void installedFiles()
    {
        QFETCH(QString, relative);
        QFETCH(bool, executable);
        const QFileInfo file(installed(relative));
        QVERIFY2(file.isFile(), qPrintable(file.filePath()));
        QVERIFY(file.size() > 0);
        QCOMPARE(file.isExecutable(), executable);
    }

    void validators_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("silent"); // the tool reports nothing at all, not even a hint
        QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList()
                                       << QStringLiteral("share/applications/%1.desktop").arg(appId()) << true;
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList {QStringLiteral("validate"), QStringLiteral("--no-net")}
                                  << QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId()) << false;
    }
    void validators()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        QFETCH(QString, relative);
        QFETCH(bool, silent);
        const ToolRun run = runTool(tool, arguments << installed(relative));
        QVERIFY2(run.started, qPrintable(tool + QStringLiteral(" is missing; scripts/setup.sh installs it")));
        QVERIFY2(run.exitCode == 0, qPrintable(run.output));
        if (silent)
            QVERIFY2(run.output.trimmed().isEmpty(), qPrintable(run.output));
    }

    // The menu finds the program, its icon and its description only when the names agree.
    void filesNameEachOther()
    {
        const auto entry = desktopEntry(desktopPath());
        QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Zorvexa"));
        const QString exec = entry.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
        QVERIFY2(QFileInfo(installed(QStringLiteral("bin/") + exec)).isExecutable(), qPrintable(exec));
        QCOMPARE(entry.value(QStringLiteral("Icon")), QFileInfo(iconPath()).completeBaseName());

        const auto meta = xmlValues(metainfoPath());
        QVERIFY2(!meta.contains(QStringLiteral("error")), qPrintable(meta.value(QStringLiteral("error"))));
        QCOMPARE(meta.value(QStringLiteral("component/id")), appId());
        QCOMPARE(meta.value(QStringLiteral("component/launchable")), QFileInfo(desktopPath()).fileName());
        QCOMPARE(meta.value(QStringLiteral("component/provides/binary")), exec);
        QCOMPARE(meta.value(QStringLiteral("component/releases/release@version")), QLatin1String(ZorvexaVersion));
    }

    void iconIsASquareDrawing()
    {
        const auto svg = xmlValues(iconPath());
        QVERIFY2(!svg.contains(QStringLiteral("error")), qPrintable(svg.value(QStringLiteral("error"))));
        const QStringList box = svg.value(QStringLiteral("svg@viewBox")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(box.size(), 4);
        QVERIFY(box[2].toDouble() > 0);
        QCOMPARE(box[2], box[3]);
    }

    // The program as a user starts it: it saves the current class at log-out, into the folder
    // its place on the disk calls for.
    void classFilesGoToTheRightFolder_data()
    {
        QTest::addColumn<QString>("copy"); // where the program runs from
        QTest::addColumn<bool>("readOnly"); // its folder made read-only
        QTest::addColumn<QString>("setting"); // DataFolder in the settings file
        QTest::addColumn<QString>("expected"); // "program", "user data" or "setting"
        QTest::newRow("installed, read-only prefix") << "installed" << true << QString() << "user data";
        QTest::newRow("installed, writable prefix") << "installed" << false << QString() << "user data";
        QTest::newRow("portable, own folder") << "portable" << false << QString() << "program";
        QTest::newRow("portable, read-only folder") << "portable" << true << QString() << "user data";
        QTest::newRow("installed, folder in the settings") << "installed" << true << "events/spring"
                                                           << "setting";
        QTest::newRow("portable, folder in the settings") << "portable" << false << "events/spring"
                                                          << "setting";
    }
    void classFilesGoToTheRightFolder()
    {
        QFETCH(QString, copy);
        QFETCH(bool, readOnly);
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        // The installed tree is recognised whoever runs it; a portable folder only by its permissions.
        if (readOnly && copy == QLatin1String("portable") && ::geteuid() == 0)
            QSKIP("Running as root: a read-only folder does not stop root from writing, so a portable "
                  "copy there cannot see it; the decision is covered by test_datafolder.");

        const QString home = m_root + QStringLiteral("/home");
        const QString userData = m_root + QStringLiteral("/data/Brasquell/Zorvexa");
        const QString settingFolder = home + QStringLiteral("/events/spring");
        QDir(m_root + QStringLiteral("/data")).removeRecursively();
        QDir(settingFolder).removeRecursively();
        {
            QSettings settings(m_root + QStringLiteral("/config/Brasquell/Zorvexa.ini"), QSettings::IniFormat);
            settings.remove(QStringLiteral("Configuration/DataFolder"));
            if (!setting.isEmpty())
                settings.setValue(QStringLiteral("Configuration/DataFolder"), setting);
        }

        QString folder = m_prefix + QStringLiteral("/bin");
        if (copy == QLatin1String("portable")) {
            folder = m_root + QStringLiteral("/portable");
            setWritable(folder, true);
            QDir(folder).removeRecursively();
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::copy(installed(QStringLiteral("bin/zorvexa")), folder + QStringLiteral("/zorvexa")));
        }
        for (const QString &name : classFilesIn(folder))
            QFile::remove(folder + QLatin1Char('/') + name);
        setWritable(copy == QLatin1String("installed") ? m_prefix : folder, !readOnly);

        ProgramRun run(folder + QStringLiteral("/zorvexa"));
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/Zorvexa.sock");
        QVERIFY(run.waitUntilListening(socket));
        QVERIFY(run.endAsAtLogout());
        setWritable(copy == QLatin1String("installed") ? m_prefix : folder, true);

        const QString target = expected == QLatin1String("program") ? folder
            : expected == QLatin1String("user data")                ? userData
                                                                    : settingFolder;
        QCOMPARE(classFilesIn(target), QStringList {QStringLiteral("List01.dat")});
        for (const QString &other : {folder, userData, settingFolder}) {
            if (other != target)
                QVERIFY2(classFilesIn(other).isEmpty(), qPrintable(other));
        }
    }
};

ZORVEXA_CORE_TEST_MAIN(TestInstall)
#include "test_install.moc"
