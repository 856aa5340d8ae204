#pragma once

#include <cstdint>

// Two's complement wrapping without signed overflow.
constexpr std::int32_t wrapToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

constexpr std::int32_t wrappingMul32(std::int32_t a, std::int32_t b)
{
    return wrapToInt32(static_cast<std::int64_t>(a) * b);
}

constexpr std::int64_t wrappingAdd64(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

constexpr std::int64_t wrappingMul64(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}
