#include "core/startlist/CodePage1252.h"

#include <QString>

namespace {

// Bytes 0x80..0x9F; the five the code page leaves undefined map to the C1 controls, as Windows does.
constexpr char16_t HighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Letters whose nearest form in the code page no decomposition gives.
constexpr struct
{
    char16_t letter;
    char nearest;
} Nearest[] = {
    {0x0110, 'D'}, {0x0111, 'd'}, {0x0126, 'H'}, {0x0127, 'h'}, {0x0131, 'i'}, {0x0141, 'L'}, {0x0142, 'l'},
    {0x014A, 'N'}, {0x014B, 'n'}, {0x0166, 'T'}, {0x0167, 't'}, {0x0180, 'b'}, {0x0197, 'I'}, {0x01B5, 'Z'},
    {0x01B6, 'z'}, {0x0237, 'j'}, {0x2010, '-'}, {0x2011, '-'}, {0x2012, '-'}, {0x2212, '-'},
};

constexpr int NoByte = -1;

// The code page's byte for a character, or NoByte where it has none. Line breaks and Ctrl+Z
// would split or end the file.
int codePageByte(char32_t c)
{
    if (c == '\r' || c == '\n' || c == 26)
        return NoByte;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return int(c);
    for (int i = 0; i < 32; ++i)
        if (HighTable[i] == c)
            return 0x80 + i;
    return NoByte;
}

// The nearest letters the code page holds: the decomposed base letters without their marks
// ("ś" is "s", "ő" is "o"), the table above for the rest, "?" where nothing is near.
void appendNearest(std::string &out, char16_t c)
{
    if (c == '\r' || c == '\n' || c == 26) {
        out.push_back('?');
        return;
    }
    for (const auto &[letter, nearest] : Nearest) {
        if (letter == c) {
            out.push_back(nearest);
            return;
        }
    }
    const QString decomposed = QString(QChar(c)).normalized(QString::NormalizationForm_KD);
    std::string bases;
    for (const QChar part : decomposed) {
        if (part.category() == QChar::Mark_NonSpacing)
            continue;
        const int byte = codePageByte(part.unicode());
        if (byte == NoByte || part.unicode() == c) {
            bases.clear();
            break;
        }
        bases.push_back(char(byte));
    }
    if (bases.empty())
        out.push_back('?');
    else
        out += bases;
}

} // namespace

QString decodeWindows1252(const char *data, std::size_t size)
{
    QString text(qsizetype(size), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    // Widen every byte as Latin-1 first (vectorised); only 0x80..0x9F differ and need the table.
    bool high = false;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out[i] = char16_t(byte);
        high |= byte >= 0x80;
    }
    if (high) {
        for (std::size_t i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(data[i]);
            if (byte >= 0x80 && byte < 0xA0)
                out[i] = HighTable[byte - 0x80];
        }
    }
    return text;
}

void appendWindows1252(std::string &out, QStringView text)
{
    const qsizetype size = text.size();
    const std::size_t start = out.size();
    // Fast path: narrow everything (vectorised), keep it when all is ASCII without control characters.
    out.resize(start + std::size_t(size));
    char *narrow = out.data() + start;
    const char16_t *wide = text.utf16();
    char16_t bits = 0;
    bool control = false;
    for (qsizetype i = 0; i < size; ++i) {
        bits |= wide[i];
        control |= wide[i] < 0x20;
        narrow[i] = char(wide[i]);
    }
    if (bits < 0x80 && !control)
        return;
    out.resize(start);
    // Most names hold only letters of the code page (ä, é, ß); only the others pay for the search.
    bool whole = true;
    for (qsizetype i = 0; i < size && whole; ++i) {
        const int byte = codePageByte(wide[i]);
        whole = byte != NoByte;
        out.push_back(char(byte));
    }
    if (whole)
        return;
    out.resize(start);
    // Composed first, so a letter typed with a separate accent finds its code page letter.
    const QString composed = text.toString().normalized(QString::NormalizationForm_C);
    const qsizetype length = composed.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = composed[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < length && QChar::isLowSurrogate(composed[i + 1].unicode())) {
            out.push_back('?');
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c)) {
            out.push_back('?');
        } else if (const int byte = codePageByte(c); byte != NoByte) {
            out.push_back(char(byte));
        } else if (QChar::category(c) != QChar::Mark_NonSpacing) {
            // An accent the code page cannot put on its letter is left off.
            appendNearest(out, c);
        }
    }
}

QString asSavedInWindows1252(QStringView text)
{
    std::string bytes;
    appendWindows1252(bytes, text);
    return decodeWindows1252(bytes.data(), bytes.size());
}
