#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

// Why a file operation failed: the file and the reason in the operator's words.
struct FileError
{
    QString path;
    QString reason;

    // The reason, then the file it concerns, as message boxes and the warning line show it.
    QString message() const;
};

// A value, or the failure that kept it from being made. Every file operation answers in this
// shape; the core never shows anything, only the window that started the action does.
template<typename T> class [[nodiscard]] Result final
{
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {
    }
    Result(FileError error)
        : m_state(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const { return std::get<0>(m_state); }
    T value_or(T fallback) const { return ok() ? value() : std::move(fallback); }
    const FileError &error() const { return std::get<1>(m_state); }

private:
    std::variant<T, FileError> m_state;
};

template<> class [[nodiscard]] Result<void> final
{
public:
    Result() = default;
    Result(FileError error)
        : m_error(std::move(error))
    {
    }
    // A success the operator must still hear about, such as a save that is not crash-safe.
    static Result withNotice(FileError notice)
    {
        Result result;
        result.m_notice = std::move(notice);
        return result;
    }

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const FileError &error() const { return *m_error; }
    const std::optional<FileError> &notice() const { return m_notice; }

private:
    std::optional<FileError> m_error;
    std::optional<FileError> m_notice;
};

using FileResult = Result<void>;

// The platform's reason for an errno value, in the words the operator sees.
QString fileErrorText(int error);
FileError fileError(const QString &path, int error);
