#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// A hand-timed result as the official reads it off the stopwatch: "MM:SS.hh" (minutes up to 99,
// seconds below 60, hundredths). Milliseconds, or nothing for any other text.
std::optional<std::int32_t> parseHandTime(const QString &text);
