#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <cstdint>

// The 44-byte constant the build tool patches: 36 characters that let the tool find it in the
// program file, then the file offset of the table of appended files (little-endian, 0 = none).
inline constexpr int AnchorSize = 44;
inline constexpr int AnchorMarkSize = 36;
extern const volatile unsigned char AppendedFilesAnchor[AnchorSize];

// The table offset this program was built with (read at run time, never folded by the compiler).
std::uint64_t appendedTableOffset();
// The marker characters, read from the constant itself so no second copy lands in the program.
QByteArray anchorMark();
// Where the anchor lies in a program file's bytes; -1 when it is missing or not unique.
qsizetype findAnchor(const QByteArray &programBytes);

struct TAssemblyFileInfo
{
    std::uint64_t Offset = 0;
    std::uint64_t Size = 0;
};

// The files appended to a program file, read once from the table the anchor points at.
class TAssemblyAnalyzer final
{
public:
    // The running program and its own anchor.
    TAssemblyAnalyzer();
    // Another program file (tests, and checking an installed copy) with the table at tableOffset.
    TAssemblyAnalyzer(const QString &programFile, std::uint64_t tableOffset);

    void Analyze();

    QString programFile() const { return m_programFile; }
    // The program's folder with a trailing "/".
    QString BaseDirectory() const { return m_baseDirectory; }
    QStringList names() const;

    bool IsEmbedded(const QString &path) const;
    struct EmbeddedFile
    {
        QString realPath;
        TAssemblyFileInfo info;
        bool embedded = false;
    };
    EmbeddedFile GetEmbeddedFileInfo(const QString &path) const;

private:
    const TAssemblyFileInfo *find(const QString &path) const;

    QString m_programFile;
    QString m_baseDirectory;
    std::uint64_t m_tableOffset = 0;
    // Keyed by the case-folded name with "/" separators; the stored name keeps its spelling.
    QMap<QString, std::pair<QString, TAssemblyFileInfo>> m_files;
};
