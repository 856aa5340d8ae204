#include "startlist/ListFile.h"

#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <string_view>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

QString tr(const char *text)
{
    return QCoreApplication::translate("ListFile", text);
}

constexpr std::size_t ChunkSize = 1 << 20;
// Slack after the data so the line scan may load whole 16-byte blocks near the end.
constexpr std::size_t ScanSlack = 16;
// Lines that can only be a tag or are skipped keep this many bytes at most.
constexpr std::size_t TagKeep = 16;

// Offset of the first CR or LF in [data, data + size), or size. Bytes up to data + size + 15 must be
// readable; those past size are ignored.
std::size_t findLineBreak(const char *data, std::size_t size)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (std::size_t offset = 0; offset < size; offset += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + offset));
        const auto mask = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr))));
        if (mask != 0)
            return std::min(size, offset + std::size_t(__builtin_ctz(mask)));
    }
    return size;
#else
    std::size_t i = 0;
    while (i < size && data[i] != '\n' && data[i] != '\r')
        ++i;
    return i;
#endif
}

// Buffered reader of CR LF lines: a lone CR is dropped, Ctrl+Z ends the file, reading past the
// end yields empty lines. Lines of any length; those that are only compared with a tag stay short.
class LineReader final
{
public:
    // Zeroed so the scan never looks at bytes that were never written.
    explicit LineReader(int fd) : m_fd(fd), m_buffer(new char[ChunkSize + ScanSlack]()) {}

    int error() const { return m_error; }

    bool atEnd()
    {
        return m_pos == m_size && !fill();
    }

    void readLine(bool keepAll)
    {
        m_truncated = false;
        // Fast path: the whole line and its LF or CR LF lie in the buffer and hold no other CR.
        if (m_pos < m_size) {
            const char *start = m_buffer.get() + m_pos;
            const std::size_t available = m_size - m_pos;
            const std::size_t length = findLineBreak(start, available);
            if (length < available && (keepAll || length <= TagKeep)) {
                if (start[length] == '\n') {
                    m_line = std::string_view(start, length);
                    m_pos += length + 1;
                    return;
                }
                if (length + 1 < available && start[length + 1] == '\n') {
                    m_line = std::string_view(start, length);
                    m_pos += length + 2;
                    return;
                }
            }
        }
        readSpilled(keepAll);
    }

    std::string_view line() const { return m_line; }
    bool isTag(std::string_view tag) const { return !m_truncated && m_line == tag; }

private:
    // Lines that cross the buffer end, hold a lone CR or are too long for a tag: copied without CRs.
    void readSpilled(bool keepAll)
    {
        m_scratch.clear();
        for (;;) {
            if (m_pos == m_size && !fill())
                break;
            const char *start = m_buffer.get() + m_pos;
            const std::size_t available = m_size - m_pos;
            const auto *newline = static_cast<const char *>(std::memchr(start, '\n', available));
            const std::size_t length = newline ? std::size_t(newline - start) : available;
            m_pos += length + (newline ? 1 : 0);
            append(start, length, keepAll);
            if (newline)
                break;
        }
        m_line = std::string_view(m_scratch);
    }

    void append(const char *data, std::size_t length, bool keepAll)
    {
        for (std::size_t i = 0; i < length; ++i) {
            if (data[i] == '\r')
                continue;
            if (!keepAll && m_scratch.size() >= TagKeep) {
                m_truncated = true;
                return;
            }
            m_scratch.push_back(data[i]);
        }
    }

    bool fill()
    {
        m_pos = m_size = 0;
        if (m_ended)
            return false;
        ssize_t got;
        do {
            got = ::read(m_fd, m_buffer.get(), ChunkSize);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            if (got < 0)
                m_error = errno;
            m_ended = true;
            return false;
        }
        m_size = std::size_t(got);
        if (const void *eof = std::memchr(m_buffer.get(), 26, m_size)) {
            m_size = std::size_t(static_cast<const char *>(eof) - m_buffer.get());
            m_ended = true;
        }
        return m_size > 0;
    }

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    bool m_ended = false;
    int m_error = 0;
    std::string m_scratch;
    std::string_view m_line;
    bool m_truncated = false;
};

class FileDescriptor final
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The digits-only form the writer uses for whole numbers; anything else goes to ParseDecimal.
std::optional<double> plainWholeNumber(std::string_view line)
{
    if (line.empty() || line.size() > 9)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : line) {
        const auto digit = std::uint32_t(static_cast<unsigned char>(c) - '0');
        if (digit > 9)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return double(value);
}

QByteArray decimalPointBytes()
{
    std::string bytes;
    AppendWindows1252(bytes, QLocale().decimalPoint());
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

QString ClassListPath(int classIndex)
{
    return ProgramFolder() + QStringLiteral("List%1.dat").arg(classIndex, 2, 10, QLatin1Char('0'));
}

QString DecodeWindows1252(const char *data, std::size_t size)
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

void AppendWindows1252(std::string &out, QStringView text)
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

QString FileErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return tr("File not found");
    case EACCES:
    case EPERM:
    case EROFS:
        return tr("File access denied");
    default:
        return tr("I/O error %1").arg(error);
    }
}

ListFileResult ReadListFile(StartList &list, const QString &path, bool merge)
{
    ListFileResult result;
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR)
            result.error = FileErrorText(error);
        return result;
    }
    FileDescriptor file(fd);
    LineReader reader(file.get());

    if (reader.atEnd()) {
        if (reader.error() != 0) {
            result.error = FileErrorText(reader.error());
            return result;
        }
        if (!merge)
            list.clear();
        result.accepted = true;
        return result;
    }
    reader.readLine(false);
    if (reader.error() != 0) {
        result.error = FileErrorText(reader.error());
        return result;
    }
    if (!reader.isTag(ListFileTag))
        return result;
    result.accepted = true;
    if (!merge)
        list.clear();

    const QByteArray decimalPoint = decimalPointBytes();
    StartList::Entries &entries = list.entries();
    // A rough guess from the file size saves most regrowth; a typical record is 60 to 100 bytes.
    struct stat info{};
    if (::fstat(file.get(), &info) == 0 && info.st_size > 0)
        entries.reserve(entries.size() + std::size_t(info.st_size) / 64);
    bool lastIsEnd = false;
    while (!lastIsEnd) {
        reader.readLine(false);
        lastIsEnd = reader.isTag(ListEndTag);
        if (reader.isTag(ListRecordTag)) {
            StartListEntry &entry = entries.emplace_back();
            for (int field = 0; field < ListTextCount; ++field) {
                reader.readLine(true);
                const std::string_view line = reader.line();
                if (!line.empty())
                    entry.texts[std::size_t(field)] = DecodeWindows1252(line.data(), line.size());
            }
            for (int field = 0; field < ListNumberCount; ++field) {
                reader.readLine(true);
                const std::string_view line = reader.line();
                if (const std::optional<double> whole = plainWholeNumber(line)) {
                    entry.numbers[std::size_t(field)] = *whole;
                    continue;
                }
                const std::optional<double> value = ParseDecimal(line.data(), line.size(), decimalPoint);
                if (!value) {
                    result.error = reader.error() != 0
                                       ? FileErrorText(reader.error())
                                       : NotAFloatMessage(DecodeWindows1252(line.data(), line.size()));
                    return result;
                }
                entry.numbers[std::size_t(field)] = *value;
            }
            lastIsEnd = false;
        }
        if (reader.atEnd())
            break;
    }
    if (reader.error() != 0)
        result.error = FileErrorText(reader.error());
    return result;
}

ListFileResult WriteListFile(const StartList &list, const QString &path)
{
    ListFileResult result;
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = FileErrorText(errno != 0 ? errno : EIO);
        return result;
    }

    std::string decimalPoint;
    AppendWindows1252(decimalPoint, QLocale().decimalPoint());
    // One block, filled through a cursor and written when it passes ChunkSize; it grows only for
    // texts longer than the slack.
    constexpr std::size_t Slack = 4096;
    std::string out(ChunkSize + Slack, '\0');
    std::size_t used = 0;
    const auto room = [&](std::size_t size) {
        if (used + size > out.size())
            out.resize(used + size);
        return out.data() + used;
    };
    bool written = true;
    const auto flush = [&] {
        errno = 0;
        if (written && file.write(out.data(), qint64(used)) != qint64(used)) {
            written = false;
            result.error = FileErrorText(errno != 0 ? errno : EIO);
        }
        used = 0;
    };
    const auto append = [&](std::string_view bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
        used += bytes.size();
    };
    const auto line = [&](std::string_view text) {
        append(text);
        append("\r\n");
    };

    std::string slow;
    line(ListFileTag);
    for (const StartListEntry &entry : list.entries()) {
        line(ListRecordTag);
        for (const QString &text : entry.texts) {
            // ASCII without control characters is copied as is; the rest goes through the code page.
            const auto size = std::size_t(text.size());
            char *cursor = room(size + 2);
            const auto *wide = reinterpret_cast<const char16_t *>(text.constData());
            char16_t bits = 0;
            bool control = false;
            for (std::size_t i = 0; i < size; ++i) {
                bits |= wide[i];
                control |= wide[i] < 0x20;
                cursor[i] = char(wide[i]);
            }
            if (bits < 0x80 && !control) {
                cursor[size] = '\r';
                cursor[size + 1] = '\n';
                used += size + 2;
            } else {
                slow.clear();
                AppendWindows1252(slow, text);
                line(slow);
            }
        }
        for (double number : entry.numbers) {
            if (number != 0.0 && std::fabs(number) < 1e15 && double(std::int64_t(number)) == number) {
                char *cursor = room(24);
                char *end = std::to_chars(cursor, cursor + 22, std::int64_t(number)).ptr;
                *end++ = '\r';
                *end++ = '\n';
                used = std::size_t(end - out.data());
            } else {
                slow.clear();
                AppendGeneralNumber(slow, number, decimalPoint);
                line(slow);
            }
        }
        if (used >= ChunkSize) {
            flush();
            if (!written)
                break;
        }
    }
    if (written) {
        line(ListEndTag);
        flush();
    }
    if (!written) {
        file.cancelWriting();
        return result;
    }
    errno = 0;
    if (!file.commit()) {
        result.error = FileErrorText(errno != 0 ? errno : EIO);
        return result;
    }
    result.accepted = true;
    return result;
}
