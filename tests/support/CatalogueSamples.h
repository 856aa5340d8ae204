#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <cstdint>

// Catalogues and program files the tests write themselves, in the layout msgfmt and the build
// tool give them, with the knobs the tests turn to damage them.
namespace CatalogueSamples {

struct MoOptions
{
    bool bigEndian = false;
    QByteArray charset = "UTF-8";
    bool withHeader = true;
};

inline void put32(QByteArray &bytes, std::uint32_t value, bool bigEndian)
{
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        bytes += char((value >> shift) & 0xFF);
    }
}

inline void put64(QByteArray &bytes, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes += char((value >> (8 * i)) & 0xFF);
}

inline void set64(QByteArray &bytes, qsizetype at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

inline QByteArray headerText(const QByteArray &charset)
{
    return "Project-Id-Version: sample\nMIME-Version: 1.0\nContent-Type: text/plain; charset=" + charset
        + "\nContent-Transfer-Encoding: 8bit\n";
}

// A catalogue of the given source texts and translations (UTF-8); QMap keeps them in byte order.
inline QByteArray mo(QMap<QByteArray, QByteArray> entries, const MoOptions &options = {})
{
    if (options.withHeader)
        entries.insert(QByteArray(), headerText(options.charset));
    const std::uint32_t count = std::uint32_t(entries.size());
    const std::uint32_t sourceTable = 28;
    const std::uint32_t translationTable = sourceTable + 8 * count;
    std::uint32_t stringsAt = translationTable + 8 * count;
    QByteArray tables, translations, strings;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        put32(tables, std::uint32_t(it.key().size()), options.bigEndian);
        put32(tables, stringsAt + std::uint32_t(strings.size()), options.bigEndian);
        strings += it.key() + '\0';
    }
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        put32(translations, std::uint32_t(it.value().size()), options.bigEndian);
        put32(translations, stringsAt + std::uint32_t(strings.size()), options.bigEndian);
        strings += it.value() + '\0';
    }
    QByteArray result;
    put32(result, 0x950412DE, options.bigEndian);
    put32(result, 0, options.bigEndian);
    put32(result, count, options.bigEndian);
    put32(result, sourceTable, options.bigEndian);
    put32(result, translationTable, options.bigEndian);
    put32(result, 0, options.bigEndian);
    put32(result, 0, options.bigEndian);
    return result + tables + translations + strings;
}

struct Appended
{
    QByteArray name;
    QByteArray bytes;
};

struct ProgramFile
{
    QByteArray bytes;
    std::uint64_t tableOffset = 0;
};

// A program image followed by the appended files, zero padding and the table of appended files
// with 256-byte entries and the 8-byte terminating entry.
inline ProgramFile program(const QByteArray &image, const QList<Appended> &files)
{
    ProgramFile result {image, 0};
    QList<std::uint64_t> offsets;
    for (const Appended &file : files) {
        offsets << std::uint64_t(result.bytes.size());
        result.bytes += file.bytes;
    }
    while (result.bytes.size() % 8)
        result.bytes += '\0';
    result.tableOffset = files.isEmpty() ? 0 : std::uint64_t(result.bytes.size());
    for (int i = 0; i < files.size(); ++i) {
        const std::uint64_t entry = std::uint64_t(result.bytes.size());
        put64(result.bytes, entry + 256);
        put64(result.bytes, offsets[i]);
        put64(result.bytes, std::uint64_t(files[i].bytes.size()));
        result.bytes += files[i].name.leftJustified(232, ' ');
    }
    if (!files.isEmpty())
        put64(result.bytes, 0);
    return result;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace CatalogueSamples
