#pragma once

#include <QString>

// A cell or a caption shows a few dozen characters, but eliding measures every character it is
// given: a name of 100 MB takes seconds and one of 500 MB brings the window down. Texts are cut to
// this many characters before they are measured or drawn; the stored text stays whole.
inline constexpr qsizetype DrawnTextLimit = 4096;

inline QString drawnText(const QString &text)
{
    if (text.size() <= DrawnTextLimit)
        return text;
    // Never half of a surrogate pair.
    const qsizetype length = text.at(DrawnTextLimit - 1).isHighSurrogate() ? DrawnTextLimit - 1 : DrawnTextLimit;
    return text.left(length);
}
