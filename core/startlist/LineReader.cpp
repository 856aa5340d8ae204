#include "core/startlist/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

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
        const auto mask
            = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr))));
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

} // namespace

// Zeroed so the scan never looks at bytes that were never written.
LineReader::LineReader(int fd)
    : m_fd(fd)
    , m_buffer(new char[ListFileChunkSize + ScanSlack]())
{
}

bool LineReader::atEnd()
{
    return m_pos == m_size && !fill();
}

void LineReader::readLine(bool keepAll)
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

void LineReader::readTagLine()
{
    m_truncated = false;
    readSpilled(false, true);
}

// Lines that cross the buffer end, hold a lone CR or are too long for a tag: copied without CRs.
void LineReader::readSpilled(bool keepAll, bool stopWhenCut)
{
    m_scratch.clear();
    for (;;) {
        if (m_truncated && stopWhenCut)
            break;
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

void LineReader::append(const char *data, std::size_t length, bool keepAll)
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

bool LineReader::fill()
{
    m_pos = m_size = 0;
    if (m_ended)
        return false;
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer.get(), ListFileChunkSize);
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

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
