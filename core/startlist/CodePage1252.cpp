#include "core/startlist/CodePage1252.h"

namespace {

// Bytes 0x80..0x9F; the five the code page leaves undefined map to the C1 controls, as Windows does.
constexpr char16_t HighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeChar(char32_t c)
{
    if (c == '\r' || c == '\n' || c == 26)
        return '?';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (HighTable[i] == c)
            return char(0x80 + i);
    return '?';
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
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(QChar::isSurrogate(c) ? '?' : encodeChar(c));
    }
}

QString asSavedInWindows1252(QStringView text)
{
    std::string bytes;
    appendWindows1252(bytes, text);
    return decodeWindows1252(bytes.data(), bytes.size());
}
