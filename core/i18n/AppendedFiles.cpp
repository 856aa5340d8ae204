#include "core/i18n/AppendedFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstring>

// The only copy of the marker in the program: the build tool refuses a file that holds two.
// Volatile, so every read of the offset goes to the patched bytes instead of the compiled zeros.
const volatile unsigned char AppendedFilesAnchor[AnchorSize] = "6637DB2E-62E1-4A60-AC19-C23867046A89"
                                                               "\0\0\0\0\0\0\0";

namespace {
std::uint64_t littleEndian64(const unsigned char *bytes)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

bool readLittleEndian64(QFile &file, std::uint64_t &value)
{
    unsigned char bytes[8];
    if (file.read(reinterpret_cast<char *>(bytes), 8) != 8)
        return false;
    value = littleEndian64(bytes);
    return true;
}

QString trimmedName(const QByteArray &field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && static_cast<unsigned char>(field[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(field[end - 1]) <= ' ')
        --end;
    return QString::fromLocal8Bit(field.mid(begin, end - begin));
}

QString folderOf(const QString &programFile)
{
    QString folder = QFileInfo(programFile).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString keyOf(QString name)
{
    return name.replace(QLatin1Char('\\'), QLatin1Char('/')).toCaseFolded();
}
} // namespace

std::uint64_t appendedTableOffset()
{
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = AppendedFilesAnchor[AnchorMarkSize + i];
    return littleEndian64(bytes);
}

QByteArray anchorMark()
{
    QByteArray mark(AnchorMarkSize, Qt::Uninitialized);
    for (int i = 0; i < AnchorMarkSize; ++i)
        mark[i] = char(AppendedFilesAnchor[i]);
    return mark;
}

qsizetype findAnchor(const QByteArray &programBytes)
{
    const QByteArray mark = anchorMark();
    const qsizetype first = programBytes.indexOf(mark);
    if (first < 0 || first + AnchorSize > programBytes.size() || programBytes.indexOf(mark, first + 1) >= 0)
        return -1;
    return first;
}

TAssemblyAnalyzer::TAssemblyAnalyzer()
    : TAssemblyAnalyzer(QCoreApplication::applicationFilePath(), appendedTableOffset())
{
}

TAssemblyAnalyzer::TAssemblyAnalyzer(const QString &programFile, std::uint64_t tableOffset)
    : m_programFile(programFile)
    , m_baseDirectory(folderOf(programFile))
    , m_tableOffset(tableOffset)
{
}

void TAssemblyAnalyzer::Analyze()
{
    m_files.clear();
    if (m_tableOffset == 0)
        return;
    QFile file(m_programFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const std::uint64_t fileSize = std::uint64_t(file.size());
    std::uint64_t entry = m_tableOffset;
    // Each entry lies after the one before; a table that points back or past the end stops here.
    for (;;) {
        std::uint64_t next = 0, offset = 0, size = 0;
        if (entry >= fileSize || !file.seek(qint64(entry)) || !readLittleEndian64(file, next) || next == 0)
            return;
        if (next < entry + 24 || next > fileSize || !readLittleEndian64(file, offset)
            || !readLittleEndian64(file, size))
            return;
        const QByteArray field = file.read(qint64(next - entry - 24));
        if (std::uint64_t(field.size()) != next - entry - 24)
            return;
        const QString name = trimmedName(field);
        const QString key = keyOf(name);
        if (m_files.contains(key))
            return;
        m_files.insert(key, {name, TAssemblyFileInfo {offset, size}});
        entry = next;
    }
}

QStringList TAssemblyAnalyzer::names() const
{
    QStringList result;
    for (const auto &file : m_files)
        result << file.first;
    return result;
}

const TAssemblyFileInfo *TAssemblyAnalyzer::find(const QString &path) const
{
    if (!path.startsWith(m_baseDirectory))
        return nullptr;
    const auto it = m_files.constFind(keyOf(path.mid(m_baseDirectory.size())));
    return it == m_files.constEnd() ? nullptr : &it->second;
}

bool TAssemblyAnalyzer::IsEmbedded(const QString &path) const
{
    return find(path) != nullptr;
}

TAssemblyAnalyzer::EmbeddedFile TAssemblyAnalyzer::GetEmbeddedFileInfo(const QString &path) const
{
    if (const TAssemblyFileInfo *info = find(path))
        return {m_programFile, *info, true};
    return {path, {}, false};
}
