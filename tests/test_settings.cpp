#include "core/settings/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QFile>

namespace {
QString settingsFile()
{
    return QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Brasquell/Zorvexa.ini");
}

void writeSettingsFile(const QByteArray &content)
{
    QDir().mkpath(QFileInfo(settingsFile()).path());
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readSettingsFile()
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestSettings final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(settingsFile()); }

    void readsNumbers_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("expected");
        QTest::newRow("no file") << QByteArray() << 10.0;
        QTest::newRow("no such key") << QByteArray("[Configuration]\nFPSeconds=3\n") << 10.0;
        QTest::newRow("another section") << QByteArray("[Other]\nFSSeconds=3\n") << 10.0;
        QTest::newRow("whole number") << QByteArray("[Configuration]\nFSSeconds=7\n") << 7.0;
        QTest::newRow("fraction") << QByteArray("[Configuration]\nFSSeconds=2.5\n") << 2.5;
        QTest::newRow("zero") << QByteArray("[Configuration]\nFSSeconds=0\n") << 0.0;
        QTest::newRow("blanks around") << QByteArray("[Configuration]\nFSSeconds=\" 4 \"\n") << 4.0;
        QTest::newRow("a word") << QByteArray("[Configuration]\nFSSeconds=ten\n") << 10.0;
        QTest::newRow("empty") << QByteArray("[Configuration]\nFSSeconds=\n") << 10.0;
        QTest::newRow("decimal comma") << QByteArray("[Configuration]\nFSSeconds=\"2,5\"\n") << 10.0;
        QTest::newRow("not finite") << QByteArray("[Configuration]\nFSSeconds=inf\n") << 10.0;
        QTest::newRow("too large") << QByteArray("[Configuration]\nFSSeconds=1e999\n") << 10.0;
    }
    void readsNumbers()
    {
        QFETCH(QByteArray, file);
        QFETCH(double, expected);
        if (!file.isNull())
            writeSettingsFile(file);
        QCOMPARE(SettingsStore().readNumber(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), 10), expected);
    }

    void writesNumbersAsText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("whole") << 5.0 << QByteArray("FPSeconds=5");
        QTest::newRow("fraction") << 2.25 << QByteArray("FPSeconds=2.25");
        QTest::newRow("zero") << 0.0 << QByteArray("FPSeconds=0");
        QTest::newRow("top") << 100.0 << QByteArray("FPSeconds=100");
    }
    void writesNumbersAsText()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, line);
        const SettingsStore store;
        QVERIFY(store.writeNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), value));
        // Written through at once: the file holds the value as text under its section.
        const QByteArray content = readSettingsFile();
        QVERIFY2(content.startsWith("[Configuration]\n"), content.constData());
        QVERIFY2(content.contains(line + '\n'), content.constData());
        QCOMPARE(store.readNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), -1), value);
    }

    void valuesOfOtherKeysStay()
    {
        const SettingsStore store;
        QVERIFY(store.writeNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), 3));
        QVERIFY(store.writeText(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), QStringLiteral("12")));
        QVERIFY(store.writeNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), 4));
        QCOMPARE(store.readNumber(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), 0), 12.0);
        QCOMPARE(store.readText(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), QString()), QStringLiteral("4"));
        QCOMPARE(store.readText(QStringLiteral("Configuration"), QStringLiteral("Missing"), QStringLiteral("x")), QStringLiteral("x"));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestSettings)
#include "test_settings.moc"
