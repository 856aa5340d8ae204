#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Size of one read from the file, and of one block the writer hands to the file.
inline constexpr std::size_t ListFileChunkSize = 1 << 20;

// Buffered reader of CR LF lines from a file descriptor: a lone CR is dropped, Ctrl+Z ends the
// file, reading past the end yields empty lines. Lines of any length; those that are only compared
// with a tag stay short.
class LineReader final
{
public:
    explicit LineReader(int fd);

    int error() const { return m_error; }
    bool atEnd();
    // keepAll false: the line is only compared with a tag, so a long one is cut short.
    void readLine(bool keepAll);
    // Like readLine(false), but a line too long for a tag is left unread past the part kept.
    void readTagLine();
    std::string_view line() const { return m_line; }
    bool isTag(std::string_view tag) const { return !m_truncated && m_line == tag; }

private:
    void readSpilled(bool keepAll, bool stopWhenCut = false);
    void append(const char *data, std::size_t length, bool keepAll);
    bool fill();

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

// Closes the descriptor when it goes out of scope.
class FileDescriptor final
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};
