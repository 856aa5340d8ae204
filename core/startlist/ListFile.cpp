#include "core/startlist/ListFile.h"

#include "core/startlist/CodePage1252.h"
#include "core/startlist/LineReader.h"
#include "core/system/CheckedSave.h"
#include "core/system/DataFolder.h"
#include "core/text/Numbers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string decimalPointBytes()
{
    std::string bytes;
    appendWindows1252(bytes, QLocale().decimalPoint());
    return bytes;
}

} // namespace

QString ClassListPath(int classIndex)
{
    return dataFolder() + QStringLiteral("List%1.dat").arg(classIndex, 2, 10, QLatin1Char('0'));
}

Result<bool> ReadListFile(StartList &list, const QString &path, bool merge)
{
    const QByteArray name = QFile::encodeName(path);
    int fd;
    // Non-blocking, so opening a FIFO without a writer returns at once.
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return false;
        return fileError(linkTarget(path), error);
    }
    FileDescriptor file(fd);
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0)
        return fileError(linkTarget(path), errno);
    if (!S_ISREG(info.st_mode))
        return notRegularFileError(linkTarget(path));
    if (info.st_size > MaxListFileSize) {
        const QLocale locale;
        return FileError {
            linkTarget(path),
            QCoreApplication::translate("ListFile", "%1 is %2, too large for a start list file (at most %3).")
                .arg(QDir::toNativeSeparators(linkTarget(path)), locale.formattedDataSize(info.st_size),
                     locale.formattedDataSize(MaxListFileSize))};
    }
    LineReader reader(file.get());

    if (reader.atEnd()) {
        if (reader.error() != 0)
            return fileError(linkTarget(path), reader.error());
        if (!merge)
            list.clear();
        return true;
    }
    // Only as far as the tag could reach: a file of one endless line is no start list file.
    reader.readTagLine();
    if (reader.error() != 0)
        return fileError(linkTarget(path), reader.error());
    if (!reader.isTag(ListFileTag))
        return false;
    if (!merge)
        list.clear();

    const std::string point = decimalPointBytes();
    const QByteArray decimalPoint(point.data(), qsizetype(point.size()));
    StartList::Entries &entries = list.entries();
    // A rough guess from the file size saves most regrowth; a typical record is 60 to 100 bytes.
    // Capped, since a file of a few long names would otherwise reserve room for millions.
    constexpr std::size_t MaxReserved = 10000;
    entries.reserve(entries.size() + std::min(std::size_t(info.st_size) / 64, MaxReserved));
    bool lastIsEnd = false;
    while (!lastIsEnd) {
        reader.readLine(false);
        lastIsEnd = reader.isTag(ListEndTag);
        if (reader.isTag(ListRecordTag)) {
            StartListEntry &entry = entries.emplace_back();
            for (QString &text : entry.texts) {
                reader.readLine(true);
                const std::string_view line = reader.line();
                if (!line.empty())
                    text = decodeWindows1252(line.data(), line.size());
            }
            for (double &number : entry.numbers) {
                reader.readLine(true);
                const std::string_view line = reader.line();
                const std::optional<double> value = parseDecimal(line.data(), line.size(), decimalPoint);
                if (!value) {
                    if (reader.error() != 0)
                        return fileError(linkTarget(path), reader.error());
                    return FileError {linkTarget(path), notAFloatMessage(decodeWindows1252(line.data(), line.size()))};
                }
                number = *value;
            }
            lastIsEnd = false;
        }
        if (reader.atEnd())
            break;
    }
    if (reader.error() != 0)
        return fileError(linkTarget(path), reader.error());
    return true;
}

FileResult WriteListFile(const StartList &list, const QString &path)
{
    CheckedSave file(path);
    if (FileResult opened = file.open(); !opened)
        return opened;

    const std::string decimalPoint = decimalPointBytes();
    // Filled up to about one chunk, then handed to the file.
    std::string out;
    out.reserve(ListFileChunkSize + 4096);
    const auto flush = [&] {
        const bool written = file.write(out.data(), qint64(out.size()));
        out.clear();
        return written;
    };
    const auto line = [&](std::string_view text) {
        out.append(text);
        out.append("\r\n");
    };

    line(ListFileTag);
    for (const StartListEntry &entry : list.entries()) {
        line(ListRecordTag);
        for (const QString &text : entry.texts) {
            appendWindows1252(out, text);
            out.append("\r\n");
        }
        for (double number : entry.numbers) {
            appendGeneralNumber(out, number, decimalPoint);
            out.append("\r\n");
        }
        if (out.size() >= ListFileChunkSize && !flush())
            break;
    }
    line(ListEndTag);
    flush();
    return file.commit();
}
