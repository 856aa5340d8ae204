#include "core/protocol/ProtocolExport.h"
#include "core/startlist/CodePage1252.h"
#include "core/startlist/LineReader.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"
#include "support/FileSizeLimit.h"
#include "support/ListFiles.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray Crlf = QByteArrayLiteral("\r\n");

// Sets or clears the immutable flag, the one thing that stops root from writing into a folder.
bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
} // namespace

class TestStartListFile final : public QObject
{
    Q_OBJECT

    QString m_dir;
    QString path(const QString &name) const { return m_dir + name; }

private slots:
    void init()
    {
        m_dir = programFolder();
        QDir(m_dir).removeRecursively();
        QDir().mkpath(m_dir);
        QLocale::setDefault(QLocale::c());
    }

    void classListPath_data()
    {
        QTest::addColumn<int>("classIndex");
        QTest::addColumn<QString>("name");
        QTest::newRow("class 1") << 1 << "List01.dat";
        QTest::newRow("class 3") << 3 << "List03.dat";
        QTest::newRow("class 10") << 10 << "List10.dat";
    }
    void classListPath()
    {
        QFETCH(int, classIndex);
        QFETCH(QString, name);
        QCOMPARE(ClassListPath(classIndex), programFolder() + name);
    }

    void writtenBytes_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty list") << "C" << QByteArray("[ZVX1FILE]\r\n[ZVX1END]\r\n");
        QTest::newRow("one entry") << "C" << fileOf(kimRecord());
        QTest::newRow("fraction with the comma")
            << "de_DE" << fileOf(record({"Kim", "12", "7", "", "", "", "65430,5", "2", "1", "0", "0", "0"}));
        QTest::newRow("unmappable and line-breaking characters")
            << "C" << fileOf(record({"K\xE4the \x80?", "a?b", "?", "", "", "", "0", "0", "0", "0", "0", "0"}));
    }
    void writtenBytes()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, expected);
        QLocale::setDefault(QLocale(locale));
        StartList list;
        if (expected.contains("Kim")) {
            list.add();
            list.setText(0, ListField::Name, QStringLiteral("Kim"));
            list.setText(0, ListField::Age, QStringLiteral("12"));
            list.setText(0, ListField::StartNr, QStringLiteral("7"));
            list.setWholeNumber(0, ListField::Time1, 65430);
            list.setWholeNumber(0, ListField::FP1, 2);
            list.setWholeNumber(0, ListField::FS1, 1);
            if (locale != QLatin1String("C"))
                list.entries()[0].numbers[0] = 65430.5;
        } else if (expected.contains("K\xE4the")) {
            list.add();
            list.setText(0, ListField::Name, QStringLiteral("K\u00e4the \u20ac\u0416"));
            list.setText(0, ListField::Age, QStringLiteral("a\nb"));
            list.setText(0, ListField::StartNr, QStringLiteral("\U0001F600"));
        }
        const auto result = WriteListFile(list, path(QStringLiteral("out.zvx")));
        QVERIFY(taken(result));
        QCOMPARE(reasonOf(result), QString());
        QCOMPARE(readBytes(path(QStringLiteral("out.zvx"))), expected);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << "C";
        QTest::newRow("German") << "de_DE";
    }
    void roundTrip()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        StartList list;
        const QStringList texts {QStringLiteral("Zo\u00eb \u2013 \u20ac"), QStringLiteral("[ZVX1END]"),
                                 QStringLiteral("[ZVX1RECORD]"),           QString(100000, QLatin1Char('x')),
                                 QStringLiteral("  blanks kept  "),        QStringLiteral("\u0081\u009d")};
        for (int i = 0; i < 3; ++i) {
            list.add();
            for (int t = 0; t < ListTextCount; ++t)
                list.entries()[std::size_t(i)].texts[std::size_t(t)] = texts.at((t + i) % texts.size());
        }
        const double numbers[] = {0, -1, 2147483647, -2147483648.0, 2.5, 1e20, 1.5e-7, 123456789012345, 65430};
        for (int i = 0; i < 3; ++i)
            for (int n = 0; n < ListNumberCount; ++n)
                list.entries()[std::size_t(i)].numbers[std::size_t(n)] = numbers[(n + 2 * i) % 9];

        QVERIFY(taken(WriteListFile(list, path(QStringLiteral("trip.zvx")))));
        StartList back = listOfNames({"old"});
        const auto result = ReadListFile(back, path(QStringLiteral("trip.zvx")), false);
        QVERIFY(taken(result));
        QCOMPARE(reasonOf(result), QString());
        QVERIFY(back.entries() == list.entries());
    }

    void mergeAppends()
    {
        QVERIFY(taken(WriteListFile(listOfNames({"c", "d", "e"}), path(QStringLiteral("m.zvx")))));
        StartList list = listOfNames({"a", "b"});
        QVERIFY(taken(ReadListFile(list, path(QStringLiteral("m.zvx")), true)));
        QCOMPARE(names(list), (QStringList {"a", "b", "c", "d", "e"}));
        QCOMPARE(list.text(4, ListField::Number), QStringLiteral("5"));
        QVERIFY(taken(ReadListFile(list, path(QStringLiteral("m.zvx")), true)));
        QCOMPARE(list.count(), 8);
    }

    // Each malformed or unusual file, read in replace and in merge mode into a list of two entries.
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("merge");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("namesAfter");

        const QStringList old {"a", "b"};
        const QString emptyNumber = QStringLiteral("'' is not a valid floating point value");
        QTest::newRow("zero bytes empties") << QByteArray() << false << true << QString() << QStringList {};
        QTest::newRow("zero bytes merged") << QByteArray() << true << true << QString() << old;
        QTest::newRow("only Ctrl+Z is empty")
            << QByteArray("\x1A junk") << false << true << QString() << QStringList {};
        QTest::newRow("only the file tag empties")
            << QByteArray("[ZVX1FILE]\r\n") << false << true << QString() << QStringList {};
        QTest::newRow("file tag without line end")
            << QByteArray("[ZVX1FILE]") << false << true << QString() << QStringList {};
        QTest::newRow("tag in lower case refused")
            << QByteArray("[zvx1file]\r\n[ZVX1END]\r\n") << false << false << QString() << old;
        QTest::newRow("tag with trailing blank refused")
            << QByteArray("[ZVX1FILE] \r\n[ZVX1END]\r\n") << false << false << QString() << old;
        QTest::newRow("tag with leading blank refused")
            << QByteArray(" [ZVX1FILE]\r\n") << false << false << QString() << old;
        QTest::newRow("byte order mark refused")
            << QByteArray("\xEF\xBB\xBF[ZVX1FILE]\r\n") << false << false << QString() << old;
        QTest::newRow("LF line ends") << fileOf(kimRecord()).replace("\r\n", "\n") << false << true << QString()
                                      << QStringList {"Kim"};
        QTest::newRow("lone CR dropped") << fileOf(
            record({"K\rim", "1", "2", "", "", "", "1", "2", "3", "4", "5", "6\r"}))
                                         << false << true << QString() << QStringList {"Kim"};
        QTest::newRow("Ctrl+Z ends the file") << QByteArray("[ZVX1FILE]\r\n") + kimRecord() + "\x1A" + kimRecord()
                                              << false << true << QString() << QStringList {"Kim"};
        QTest::newRow("Ctrl+Z inside a record") << QByteArray("[ZVX1FILE]\r\n[ZVX1RECORD]\r\nKi\x1Am\r\n") << false
                                                << true << emptyNumber << QStringList {"Ki"};
        QTest::newRow("after end ignored") << fileOf(kimRecord()) + kimRecord() + "\xFF\x00garbage" << false << true
                                           << QString() << QStringList {"Kim"};
        QTest::newRow("no end tag read to the end") << QByteArray("[ZVX1FILE]\r\n") + kimRecord() + kimRecord() << false
                                                    << true << QString() << QStringList {"Kim", "Kim"};
        QTest::newRow("lines between records skipped")
            << fileOf("\r\njunk\r\n [ZVX1RECORD]\r\n[ZVX1RECORD] \r\n" + kimRecord() + "[ZVX1FILE]\r\n"
                      + QByteArray(100000, 'y') + "\r\n" + kimRecord())
            << false << true << QString() << QStringList {"Kim", "Kim"};
        QTest::newRow("cut after record tag")
            << QByteArray("[ZVX1FILE]\r\n[ZVX1RECORD]\r\n") << false << true << emptyNumber << QStringList {""};
        QTest::newRow("cut after record tag, merged") << QByteArray("[ZVX1FILE]\r\n[ZVX1RECORD]\r\n") << true << true
                                                      << emptyNumber << QStringList {"a", "b", ""};
        QTest::newRow("cut in the numbers")
            << QByteArray("[ZVX1FILE]\r\n") + kimRecord() + "[ZVX1RECORD]\r\nLee\r\n1\r\n2\r\n\r\n\r\n\r\n5\r\n"
            << false << true << emptyNumber << QStringList {"Kim", "Lee"};
        QTest::newRow("1e400") << fileOf(record({"Kim", "", "", "", "", "", "1e400", "0", "0", "0", "0", "0"})) << false
                               << true << "'1e400' is not a valid floating point value" << QStringList {"Kim"};
        QTest::newRow("nan") << fileOf(record({"Kim", "", "", "", "", "", "0", "nan", "0", "0", "0", "0"})) << false
                             << true << "'nan' is not a valid floating point value" << QStringList {"Kim"};
        QTest::newRow("--1") << fileOf(record({"Kim", "", "", "", "", "", "0", "0", "--1", "0", "0", "0"})) << false
                             << true << "'--1' is not a valid floating point value" << QStringList {"Kim"};
        QTest::newRow("comma where the point is the separator")
            << fileOf(record({"Kim", "", "", "", "", "", "0", "2,5", "0", "0", "0", "0"})) << false << true
            << "'2,5' is not a valid floating point value" << QStringList {"Kim"};
        QTest::newRow("NUL bytes in a text")
            << fileOf(record({QByteArray("K\0m", 3), "", "", "", "", "", "0", "0", "0", "0", "0", "0"})) << false
            << true << QString() << QStringList {QString::fromLatin1("K\0m", 3)};
        QTest::newRow("NUL in a number") << fileOf(
            record({"Kim", "", "", "", "", "", QByteArray("1\0", 2), "0", "0", "0", "0", "0"}))
                                         << false << true
                                         << QString::fromLatin1("'1\0' is not a valid floating point value", 40)
                                         << QStringList {"Kim"};
        QTest::newRow("huge name") << fileOf(
            record({QByteArray(3 << 20, 'n'), "", "", "", "", "", "0", "0", "0", "0", "0", "0"}))
                                   << false << true << QString() << QStringList {QString(3 << 20, QLatin1Char('n'))};
        QTest::newRow("huge number line")
            << fileOf(record({"Kim", "", "", "", "", "", QByteArray(3 << 20, '7'), "0", "0", "0", "0", "0"})) << false
            << true
            << QString("'" + QString(200, QLatin1Char('7')) + QChar(0x2026) + "' is not a valid floating point value")
            << QStringList {"Kim"};
        QTest::newRow("Windows-1252 text")
            << fileOf(record({"K\xE4the \x80\x81", "", "", "", "", "", "0", "0", "0", "0", "0", "0"})) << false << true
            << QString() << QStringList {QStringLiteral("K\u00e4the \u20ac\u0081")};
    }
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, merge);
        QFETCH(bool, accepted);
        QFETCH(QString, error);
        QFETCH(QStringList, namesAfter);
        QVERIFY(writeBytes(path(QStringLiteral("in.zvx")), bytes));
        StartList list = listOfNames({"a", "b"});
        const auto result = ReadListFile(list, path(QStringLiteral("in.zvx")), merge);
        // A failure says why; whether the file tag was taken before it does not matter then.
        if (error.isEmpty())
            QCOMPARE(taken(result), accepted);
        QCOMPARE(reasonOf(result), error);
        QCOMPARE(names(list), namesAfter);
        // A record cut short keeps the fields read so far and defaults for the rest.
        if (!error.isEmpty() && namesAfter.size() > 0 && namesAfter.constLast() == QLatin1String("Lee")) {
            QCOMPARE(list.wholeNumber(1, ListField::Time1), 5);
            QCOMPARE(list.wholeNumber(1, ListField::FP1), 0);
            QCOMPARE(list.text(1, ListField::Age), QStringLiteral("1"));
        }
    }

    void commaSeparatorReadsFractions()
    {
        QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
        QVERIFY(writeBytes(path(QStringLiteral("c.zvx")),
                           fileOf(record({"Kim", "", "", "", "", "", "0", "2,5", "3,5", "0", "0", "0"}))));
        StartList list;
        QCOMPARE(reasonOf(ReadListFile(list, path(QStringLiteral("c.zvx")), false)), QString());
        QCOMPARE(list.wholeNumber(0, ListField::FP1), 2);
        QCOMPARE(list.wholeNumber(0, ListField::FS1), 4);
        QCOMPARE(list.text(0, ListField::FP1), QStringLiteral("2,5"));
    }

    void missingFileIsNoError()
    {
        StartList list = listOfNames({"a"});
        const auto result = ReadListFile(list, path(QStringLiteral("none.zvx")), false);
        QVERIFY(!taken(result));
        QCOMPARE(reasonOf(result), QString());
        QCOMPARE(list.count(), 1);
    }

    void unreadableFileGivesTheReason()
    {
        StartList list = listOfNames({"a"});
        QDir().mkpath(path(QStringLiteral("folder.zvx")));
        const auto result = ReadListFile(list, path(QStringLiteral("folder.zvx")), false);
        QVERIFY(!taken(result));
        QCOMPARE(reasonOf(result), QStringLiteral("%1 is not a regular file.").arg(path(QStringLiteral("folder.zvx"))));
        QCOMPARE(list.count(), 1);
    }

    // A write that fails midway (the file size limit stands in for a full disk) leaves the old file whole.
    void failedWriteKeepsTheOldFile()
    {
        const QString target = path(QStringLiteral("List01.dat"));
        QVERIFY(taken(WriteListFile(listOfNames({"old"}), target)));
        const QByteArray before = readBytes(target);

        const StartList big = numberedParticipants(20000);
        FileResult result;
        {
            FileSizeLimit full(64 * 1024);
            QVERIFY(full.active());
            result = WriteListFile(big, target);
        }

        QVERIFY(!taken(result));
        QCOMPARE(reasonOf(result), QStringLiteral("I/O error 27"));
        QCOMPARE(readBytes(target), before);
        QCOMPARE(QDir(m_dir).entryList(QDir::Files), QStringList {QStringLiteral("List01.dat")});
    }

    // Where the folder takes no new file but the class file may be written, the file is written in
    // place rather than the results lost. Permissions hold only for other users than root; the
    // immutable flag closes the folder for root too.
    void readOnlyFolderWritesTheFileInPlace_data()
    {
        QTest::addColumn<bool>("immutable");
        QTest::newRow("folder without write permission") << false;
        QTest::newRow("immutable folder") << true;
    }
    void readOnlyFolderWritesTheFileInPlace()
    {
        QFETCH(bool, immutable);
        const QString folder = path(QStringLiteral("locked/"));
        QDir().mkpath(folder);
        const QString target = folder + QStringLiteral("list.zvx");
        QVERIFY(taken(WriteListFile(listOfNames({"old"}), target)));
        const QByteArray folderName = QFile::encodeName(folder);
        if (immutable) {
            if (!setImmutable(folder, true))
                QSKIP("only root can set the immutable flag of a folder");
        } else {
            if (::geteuid() == 0)
                QSKIP("root writes into any folder; run the tests as another user to check the permission");
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }
        const bool closed = ::access(folderName.constData(), W_OK) != 0 || immutable;
        const auto result = WriteListFile(listOfNames({"new", "newer"}), target);
        const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        if (immutable)
            setImmutable(folder, false);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(closed);
        QCOMPARE(reasonOf(result), QString());
        StartList back;
        QVERIFY(taken(ReadListFile(back, target, false)));
        QCOMPARE(names(back), (QStringList {"new", "newer"}));
        QCOMPARE(entries, QStringList {QStringLiteral("list.zvx")});
    }

    // A class file of up to 16 KiB, or an export, is written in one go; on a full disk the old file
    // must stay byte for byte and the failure be reported, however small the new one.
    void smallWriteOnAFullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entries");
        QTest::newRow("class file, 1 entry") << "List01.dat" << 1;
        QTest::newRow("class file, 50 entries") << "List01.dat" << 50;
        QTest::newRow("class file, 200 entries") << "List01.dat" << 200;
        QTest::newRow("exported page") << "protocol.html" << 0;
    }
    void smallWriteOnAFullDiskKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(int, entries);
        const QString target = path(name);
        const StartList list = numberedParticipants(entries);
        const QByteArray page
            = "<!DOCTYPE html>\n<html><body><table>" + QByteArray(2000, 'x') + "</table></body></html>\n";
        const auto save = [&] { return entries > 0 ? WriteListFile(list, target) : writeExportFile(target, page); };
        QVERIFY(writeBytes(target, QByteArrayLiteral("[ZVX1FILE]\r\n") + kimRecord() + "[ZVX1END]\r\n"));
        const QByteArray before = readBytes(target);

        FileResult result;
        {
            // Below the first line of the new file, above nothing the old file needs.
            FileSizeLimit full(16);
            QVERIFY(full.active());
            result = save();
        }
        QVERIFY(!taken(result));
        QCOMPARE(reasonOf(result), QStringLiteral("I/O error 27"));
        QCOMPARE(result.error().path, target);
        QCOMPARE(readBytes(target), before);
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden), QStringList {name});
        // The data is still at hand: with room on the disk the same call saves it.
        QCOMPARE(reasonOf(save()), QString());
        if (entries > 0) {
            StartList back;
            QVERIFY(taken(ReadListFile(back, target, false)));
            QCOMPARE(back.count(), entries);
        } else {
            QCOMPARE(readBytes(target), page);
        }
    }

    // Nothing that is not a regular file is read or replaced: reading a FIFO would wait for a writer,
    // a device never ends, and a save would put a file in place of any of them.
    void specialFilesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("shownPath");
        QTest::newRow("FIFO") << "fifo" << QString();
        QTest::newRow("link to a FIFO") << "link to fifo" << QString();
        QTest::newRow("folder") << "folder" << QString();
        QTest::newRow("link to /dev/zero") << "link to zero"
                                           << "/dev/zero";
    }
    void specialFilesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, shownPath);
        const QString file = path(QStringLiteral("List01.dat"));
        const QString fifo = path(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (kind == QLatin1String("fifo"))
            QVERIFY(QFile::rename(fifo, file));
        else if (kind == QLatin1String("link to fifo"))
            QVERIFY(QFile::link(fifo, file));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file));
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        if (shownPath.isEmpty())
            shownPath = kind == QLatin1String("link to fifo") ? fifo : file;
        const QString reason = QStringLiteral("%1 is not a regular file.").arg(shownPath);

        StartList list = listOfNames({"a"});
        for (bool merge : {false, true}) {
            const auto read = ReadListFile(list, file, merge);
            QCOMPARE(reasonOf(read), reason);
            QCOMPARE(read.error().path, shownPath);
            QCOMPARE(names(list), QStringList {"a"});
        }
        // Saving over it is refused as well, except onto the device, which is never tried here.
        if (shownPath != QLatin1String("/dev/zero")) {
            const auto written = WriteListFile(list, file);
            QCOMPARE(reasonOf(written), reason);
            QFileInfo after(shownPath);
            QVERIFY(!after.isFile());
            QCOMPARE(QFileInfo(file).isSymLink(), kind.startsWith(QLatin1String("link")));
        }
    }

    // A file far larger than any start list is refused by its size, without reading it: a sparse
    // 10 GiB file costs no disk space and would have the reader reserve room for 160 million entries.
    void oversizedFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("shownSize");
        QTest::newRow("tag then 10 GiB") << QByteArray("[ZVX1FILE]\r\n") << (qint64(10) << 30) << "10.00 GiB";
        QTest::newRow("10 GiB without tag") << QByteArray() << (qint64(10) << 30) << "10.00 GiB";
        QTest::newRow("one byte over the limit")
            << QByteArray("[ZVX1FILE]\r\n") << qint64(MaxListFileSize) + 1 << "256.00 MiB";
    }
    void oversizedFileIsRefused()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(QString, shownSize);
        const QString file = path(QStringLiteral("big.zvx"));
        QVERIFY(writeBytes(file, head));
        QVERIFY(QFile::resize(file, size));
        StartList list = listOfNames({"a"});
        const auto result = ReadListFile(list, file, false);
        QCOMPARE(
            reasonOf(result),
            QStringLiteral("%1 is %2, too large for a start list file (at most 256.00 MiB).").arg(file, shownSize));
        QCOMPARE(names(list), QStringList {"a"});
    }

    // At the limit a file is still read, however little of it is a list.
    void fileAtTheSizeLimitIsRead()
    {
        const QString file = path(QStringLiteral("limit.zvx"));
        QVERIFY(writeBytes(file, fileOf(kimRecord())));
        QVERIFY(QFile::resize(file, MaxListFileSize));
        StartList list;
        const auto result = ReadListFile(list, file, false);
        QCOMPARE(reasonOf(result), QString());
        QCOMPARE(names(list), QStringList {"Kim"});
    }

    // The first line is read only as far as the tag could reach. Read from a pipe whose writer stays
    // open, a long first line without a line end must not be waited for to its end (the pipe does
    // not block, so reading on shows as an error instead of a hang).
    void firstLineIsReadOnlyAsFarAsTheTag_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("tag");
        QTest::newRow("the tag") << QByteArray("[ZVX1FILE]\r\n") << true;
        QTest::newRow("the tag, LF only") << QByteArray("[ZVX1FILE]\n") << true;
        QTest::newRow("the tag and more") << QByteArray("[ZVX1FILE]") + QByteArray(40, ' ') << false;
        QTest::newRow("a long line") << QByteArray(4000, 'x') << false;
        QTest::newRow("NUL bytes") << QByteArray(64, '\0') << false;
    }
    void firstLineIsReadOnlyAsFarAsTheTag()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, tag);
        int fds[2];
        QCOMPARE(::pipe2(fds, O_NONBLOCK), 0);
        QCOMPARE(::write(fds[1], bytes.constData(), std::size_t(bytes.size())), ssize_t(bytes.size()));
        {
            LineReader reader(fds[0]);
            reader.readTagLine();
            QCOMPARE(reader.error(), 0);
            QCOMPARE(reader.isTag(ListFileTag), tag);
            QVERIFY(reader.line().size() <= 16);
        }
        ::close(fds[0]);
        ::close(fds[1]);
    }

    // Clubs link class files into a shared folder: a save goes through the link to its target, the
    // link stays, and a failure names the target.
    void savesThroughALink()
    {
        const QString shared = path(QStringLiteral("shared/"));
        QDir().mkpath(shared);
        const QString target = shared + QStringLiteral("club.dat");
        const QString link = path(QStringLiteral("List01.dat"));
        QVERIFY(writeBytes(target, fileOf(kimRecord())));
        QVERIFY(QFile::link(target, link));

        QCOMPARE(reasonOf(WriteListFile(listOfNames({"Lee"}), link)), QString());
        QVERIFY(QFileInfo(link).isSymLink());
        StartList back;
        QVERIFY(taken(ReadListFile(back, target, false)));
        QCOMPARE(names(back), QStringList {"Lee"});
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("List01.dat")});

        const QByteArray before = readBytes(target);
        FileResult result;
        {
            FileSizeLimit full(16);
            result = WriteListFile(listOfNames({"Lee", "Kim"}), link);
        }
        QCOMPARE(reasonOf(result), QStringLiteral("I/O error 27"));
        QCOMPARE(result.error().path, target);
        QVERIFY(result.error().message().endsWith(target));
        QCOMPARE(readBytes(target), before);

        QVERIFY(writeBytes(target, fileOf(record({"Kim", "", "", "", "", "", "x", "0", "0", "0", "0", "0"}))));
        const auto read = ReadListFile(back, link, false);
        QCOMPARE(read.error().path, target);
    }

    // Names of every length around the 16-byte blocks the line scan looks at, with each kind of line end
    // and a lone CR at the start, inside or just before the line end.
    void lineEndsAtEveryOffset_data()
    {
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<QString>("loneCr");
        QTest::newRow("CR LF") << QByteArray("\r\n") << "none";
        QTest::newRow("LF") << QByteArray("\n") << "none";
        QTest::newRow("lone CR first") << QByteArray("\r\n") << "first";
        QTest::newRow("lone CR inside") << QByteArray("\r\n") << "inside";
        QTest::newRow("CR CR LF") << QByteArray("\r\n") << "last";
        QTest::newRow("CR LF, lone CR, LF only") << QByteArray("\n") << "inside";
    }
    void lineEndsAtEveryOffset()
    {
        QFETCH(QByteArray, ending);
        QFETCH(QString, loneCr);
        constexpr int Longest = 50;
        QByteArray bytes = "[ZVX1FILE]" + ending;
        QStringList expected;
        for (int length = 0; length <= Longest; ++length) {
            QByteArray name;
            for (int i = 0; i < length; ++i)
                name += char('a' + (i + length) % 26);
            expected << QString::fromLatin1(name);
            if (loneCr == QLatin1String("first"))
                name.prepend('\r');
            else if (loneCr == QLatin1String("inside"))
                name.insert(length / 2, '\r');
            else if (loneCr == QLatin1String("last"))
                name.append('\r');
            bytes += "[ZVX1RECORD]" + ending + name + ending;
            for (int field = 1; field < ListTextCount; ++field)
                bytes += ending;
            bytes += QByteArray::number(length) + ending;
            for (int field = 1; field < ListNumberCount; ++field)
                bytes += "0" + ending;
        }
        bytes += "[ZVX1END]" + ending;
        QVERIFY(writeBytes(path(QStringLiteral("ends.zvx")), bytes));
        StartList list;
        const auto result = ReadListFile(list, path(QStringLiteral("ends.zvx")), false);
        QVERIFY(taken(result));
        QCOMPARE(reasonOf(result), QString());
        QCOMPARE(names(list), expected);
        for (int length = 0; length <= Longest; ++length)
            QCOMPARE(list.wholeNumber(length, ListField::Time1), length);
    }

    // The reader takes the file in blocks of 1 MB. Every byte of a record, its tags, a CR LF or a lone
    // CR may be the last one of a block and must read the same.
    void recordAcrossTheBlockEnd_data()
    {
        QTest::addColumn<QByteArray>("recordBytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("age");
        QTest::addColumn<int>("time1");
        QTest::newRow("CR LF") << record({"Kim Lee", "12", "7", "", "", "", "65430", "2", "1", "0", "0", "0"})
                               << "Kim Lee"
                               << "12" << 65430;
        QTest::newRow("lone CRs and LF only")
            << QByteArray("[ZVX1RECORD]\n\rKim\r Lee\r\r\n12\n7\n\n\n\n6543\r0\n2\n1\n0\n0\n0\r\n") << "Kim Lee"
            << "12" << 65430;
        QTest::newRow("fraction") << record({"Kim Lee", "", "", "", "", "", "65429.5", "0", "0", "0", "0", "0"})
                                  << "Kim Lee"
                                  << "" << 65430;
    }
    void recordAcrossTheBlockEnd()
    {
        QFETCH(QByteArray, recordBytes);
        QFETCH(QString, name);
        QFETCH(QString, age);
        QFETCH(int, time1);
        constexpr int Block = 1 << 20;
        const QByteArray head = "[ZVX1FILE]\r\n";
        for (int shift = -int(recordBytes.size()) - 2; shift <= 2; ++shift) {
            // A skipped filler line puts the record's first byte at Block + shift.
            const int filler = Block + shift - int(head.size()) - 2;
            const QByteArray bytes
                = head + QByteArray(filler, 'j') + "\r\n" + recordBytes + kimRecord() + "[ZVX1END]\r\n";
            QVERIFY(writeBytes(path(QStringLiteral("block.zvx")), bytes));
            StartList list;
            const auto result = ReadListFile(list, path(QStringLiteral("block.zvx")), false);
            QVERIFY2(reasonOf(result).isEmpty(),
                     qPrintable(QStringLiteral("shift %1: %2").arg(shift).arg(reasonOf(result))));
            QCOMPARE(names(list), (QStringList {name, QStringLiteral("Kim")}));
            QCOMPARE(list.text(0, ListField::Age), age);
            QCOMPARE(list.wholeNumber(0, ListField::Time1), time1);
            QCOMPARE(list.wholeNumber(1, ListField::Time1), 65430);
        }
    }

    // Plain digit lines take a short cut; everything else must still follow the general number rules.
    void numberLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << QByteArray("0") << true << 0.0;
        QTest::newRow("leading zeros") << QByteArray("007") << true << 7.0;
        QTest::newRow("nine digits") << QByteArray("999999999") << true << 999999999.0;
        QTest::newRow("ten digits") << QByteArray("4294967296") << true << 4294967296.0;
        QTest::newRow("fifteen digits") << QByteArray("123456789012345") << true << 123456789012345.0;
        QTest::newRow("negative") << QByteArray("-12") << true << -12.0;
        QTest::newRow("plus sign") << QByteArray("+12") << true << 12.0;
        QTest::newRow("blank before") << QByteArray(" 12") << true << 12.0;
        QTest::newRow("blank after") << QByteArray("12 ") << true << 12.0;
        QTest::newRow("fraction") << QByteArray("12.25") << true << 12.25;
        QTest::newRow("digit then letter") << QByteArray("12a") << false << 0.0;
        QTest::newRow("digit then colon") << QByteArray("1:") << false << 0.0;
        QTest::newRow("slash before digits") << QByteArray("/1") << false << 0.0;
        QTest::newRow("high byte") << QByteArray("1\xB9") << false << 0.0;
        QTest::newRow("blank only") << QByteArray(" ") << false << 0.0;
    }
    void numberLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, valid);
        QFETCH(double, value);
        QVERIFY(writeBytes(path(QStringLiteral("n.zvx")),
                           fileOf(record({"Kim", "", "", "", "", "", "1", line, "3", "4", "5", "6"}))));
        StartList list;
        const auto result = ReadListFile(list, path(QStringLiteral("n.zvx")), false);
        QCOMPARE(list.count(), 1);
        if (valid) {
            QVERIFY(taken(result));
            QCOMPARE(reasonOf(result), QString());
            QCOMPARE(list.at(0).numbers[1], value);
            QCOMPARE(list.wholeNumber(0, ListField::FS2), 6);
        } else {
            QCOMPARE(reasonOf(result), notAFloatMessage(decodeWindows1252(line.constData(), std::size_t(line.size()))));
        }
    }

    // Texts are widened as Latin-1 first; only 0x80..0x9F differ in Windows-1252 and must be replaced
    // wherever they stand in texts of any length.
    void codePageDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("ASCII") << QByteArray("Kart club 12") << QStringLiteral("Kart club 12");
        QTest::newRow("control bytes kept") << QByteArray("\t\x01\x7F", 3) << QStringLiteral("\t\u0001\u007f");
        QTest::newRow("euro first") << QByteArray("\x80 Kim") << QStringLiteral("\u20ac Kim");
        QTest::newRow("last of the range") << QByteArray("Kim \x9F") << QStringLiteral("Kim \u0178");
        QTest::newRow("undefined bytes are C1 controls")
            << QByteArray("\x81\x8D\x8F\x90\x9D") << QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
        QTest::newRow("Latin-1 range unchanged")
            << QByteArray("\xA0\xC4\xE9\xFF") << QStringLiteral("\u00a0\u00c4\u00e9\u00ff");
        QTest::newRow("long text, table byte at the end")
            << QByteArray(100, 'x') + "\x85" << QString(100, QLatin1Char('x')) + QChar(0x2026);
        QTest::newRow("long text, Latin-1 byte in the middle") << QByteArray(40, 'x') + "\xE4"
                + QByteArray(40, 'y') << QString(40, QLatin1Char('x')) + QChar(0xE4) + QString(40, QLatin1Char('y'));
    }
    void codePageDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeWindows1252(bytes.constData(), std::size_t(bytes.size())), text);
    }

    // What an entered text becomes once written and read back.
    void textAsSaved_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("saved");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("ASCII") << QStringLiteral("Kim") << QStringLiteral("Kim");
        QTest::newRow("code page letters")
            << QStringLiteral("K\u00e4the \u20ac \u0178") << QStringLiteral("K\u00e4the \u20ac \u0178");
        QTest::newRow("letters outside the code page")
            << QStringLiteral("\u0141\u00f3d\u017a") << QStringLiteral("L\u00f3dz");
        QTest::newRow("character outside the BMP is one mark")
            << QStringLiteral("a\U0001F600b") << QStringLiteral("a?b");
        QTest::newRow("line break") << QStringLiteral("a\nb") << QStringLiteral("a?b");
    }
    void textAsSaved()
    {
        QFETCH(QString, text);
        QFETCH(QString, saved);
        QCOMPARE(asSavedInWindows1252(text), saved);
        StartList list;
        list.add();
        list.setText(0, ListField::Info1, text);
        const QString path = QDir::tempPath() + QStringLiteral("/saved-text.zvx");
        QVERIFY(WriteListFile(list, path).ok());
        StartList back;
        QVERIFY(ReadListFile(back, path, false));
        QCOMPARE(back.text(0, ListField::Info1), saved);
        QFile::remove(path);
    }

    // Every byte decodes the same alone and inside a longer text, and encodes back to itself.
    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte)
            all += char(byte);
        const QString text = decodeWindows1252(all.constData(), std::size_t(all.size()));
        QCOMPARE(text.size(), 256);
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            QCOMPARE(decodeWindows1252(&c, 1), QString(text.at(byte)));
            if (byte < 0x80 || byte >= 0xA0)
                QCOMPARE(text.at(byte).unicode(), char16_t(byte));
            std::string back;
            appendWindows1252(back, QStringView(text).mid(byte, 1));
            const char expected = byte == '\r' || byte == '\n' || byte == 26 ? '?' : c;
            QCOMPARE(QByteArray::fromStdString(back), QByteArray(1, expected));
        }
    }

    // Pure ASCII is copied in one sweep; anything else falls back to the character rules.
    void encodeWindows1252_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ASCII") << QStringLiteral("Participant 12") << QByteArray("Participant 12");
        QTest::newRow("long ASCII") << QString(300, QLatin1Char('z')) << QByteArray(300, 'z');
        QTest::newRow("tab and DEL kept") << QStringLiteral("a\tb\u007f") << QByteArray("a\tb\x7F");
        QTest::newRow("line breaks and Ctrl+Z") << QStringLiteral("a\rb\nc\u001a") << QByteArray("a?b?c?");
        QTest::newRow("break at the end of a long text")
            << QString(40, QLatin1Char('x')) + QLatin1Char('\n') << QByteArray(40, 'x') + "?";
        QTest::newRow("Latin-1") << QStringLiteral("K\u00e4the") << QByteArray("K\xE4the");
        QTest::newRow("code page letters") << QStringLiteral("\u20ac\u0160\u0178") << QByteArray("\x80\x8A\x9F");
        QTest::newRow("nearest letter") << QStringLiteral("a\u0100b") << QByteArray("aAb");
        QTest::newRow("Polish name") << QStringLiteral("\u0141ukasz W\u00f3jcik") << QByteArray("Lukasz W\xF3jcik");
        QTest::newRow("Czech and Hungarian") << QStringLiteral("\u010Capek Erd\u0151s") << QByteArray("Capek Erdos");
        QTest::newRow("stroke letters") << QStringLiteral("\u0110or\u0111e \u0127") << QByteArray("Dorde h");
        QTest::newRow("accent typed apart") << QStringLiteral("e\u0301s\u0301") << QByteArray("\xE9s");
        QTest::newRow("ligature") << QStringLiteral("\uFB01n") << QByteArray("fin");
        QTest::newRow("no near letter") << QStringLiteral("\u0416\u65e5") << QByteArray("??");
        QTest::newRow("surrogate pair is one mark") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QLatin1Char('b') << QByteArray("?b");
    }
    void encodeWindows1252()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        // Appends after what is already there.
        std::string out = "head";
        appendWindows1252(out, text);
        QCOMPARE(QByteArray::fromStdString(out), "head" + bytes);
    }

    // Generated inputs: mutations of valid files and random bytes. No crash, no hang, and whatever
    // is read without error writes and reads back to the same file bytes.
    void fuzzedInputs()
    {
        QRandomGenerator random(20240611);
        const QByteArray seed = fileOf(kimRecord()
                                       + record({"L\xE9"
                                                 "e",
                                                 "9", "", "x", "", "", "1.5", "-2", "1e5", "0", "0", "3"}));
        static const char letters[] = "[]ZVX1FILERCODN\r\n\x1A\0 .,-+eE0123456789\xFF\x80";
        const QByteArray alphabet(letters, sizeof letters - 1);
        const QString input = path(QStringLiteral("fuzz.zvx"));
        const QString once = path(QStringLiteral("once.zvx"));
        const QString twice = path(QStringLiteral("twice.zvx"));
        int accepted = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            if (round % 10 == 0) {
                bytes.resize(random.bounded(400));
                for (char &c : bytes)
                    c = char(random.bounded(256));
            } else {
                bytes = seed;
                const int edits = 1 + random.bounded(6);
                for (int e = 0; e < edits; ++e) {
                    const int at = random.bounded(int(bytes.size()) + 1);
                    switch (random.bounded(4)) {
                    case 0:
                        bytes.insert(at, alphabet.at(random.bounded(int(alphabet.size()))));
                        break;
                    case 1:
                        bytes.remove(at, 1 + random.bounded(8));
                        break;
                    case 2:
                        bytes.insert(at, bytes.mid(random.bounded(int(bytes.size()) + 1), random.bounded(40)));
                        break;
                    default:
                        bytes.truncate(at);
                    }
                }
            }
            QVERIFY(writeBytes(input, bytes));
            StartList list = listOfNames({"a"});
            const auto result = ReadListFile(list, input, round % 3 == 0);
            if (!result)
                continue;
            if (!result.value()) {
                QCOMPARE(names(list), QStringList {"a"});
                continue;
            }
            ++accepted;
            QVERIFY(taken(WriteListFile(list, once)));
            StartList back;
            QCOMPARE(reasonOf(ReadListFile(back, once, false)), QString());
            QVERIFY2(back.entries() == list.entries(), qPrintable(QString::fromLatin1(bytes.toHex())));
            QVERIFY(taken(WriteListFile(back, twice)));
            QCOMPARE(readBytes(twice), readBytes(once));
        }
        QVERIFY(accepted > 100);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestStartListFile)
#include "test_startlist_file.moc"
