#include "core/text/Numbers.h"

#include <QCoreApplication>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstring>
#include <locale.h>
#include <stdlib.h>

namespace {
constexpr double TwoPow32 = 4294967296.0;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text is checked against the grammar first, so from_chars never sees a form we do not accept
// (it would take "inf" and "nan").
std::optional<double> parseNormalised(std::string &buffer)
{
    double value = 0.0;
    const char *first = buffer.data();
    const char *last = first + buffer.size();
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (end != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow ("1e400") is no number a double can hold.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        const double probe = strtod_l(buffer.c_str(), nullptr, cLocale);
        if (!std::isfinite(probe) || std::fabs(probe) > 1.0)
            return std::nullopt;
        return std::copysign(0.0, buffer.front() == '-' ? -1.0 : 1.0);
    }
    if (ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}
} // namespace

std::int32_t wholeNumberOf(double value)
{
    if (!std::isfinite(value))
        return 0;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    // Low 32 bits of an integral double of any magnitude, without an out-of-range conversion.
    double low = std::fmod(whole, TwoPow32);
    if (low < 0.0)
        low += TwoPow32;
    return std::int32_t(std::uint32_t(low));
}

std::optional<double> parseDecimal(const char *data, std::size_t size, const QByteArray &decimalPoint)
{
    std::size_t begin = 0;
    std::size_t end = size;
    while (begin < end && data[begin] == ' ')
        ++begin;
    while (end > begin && data[end - 1] == ' ')
        --end;

    // Plain whole numbers, the only thing the program writes, skip the general parser.
    {
        std::size_t j = begin;
        const bool negative = j < end && data[j] == '-';
        if (negative)
            ++j;
        if (end > j && end - j <= 15) {
            std::int64_t whole = 0;
            std::size_t k = j;
            while (k < end && isDigit(data[k]))
                whole = whole * 10 + (data[k++] - '0');
            if (k == end)
                return negative ? (whole == 0 ? -0.0 : -double(whole)) : double(whole);
        }
    }

    std::string normalised;
    normalised.reserve(end - begin);
    std::size_t i = begin;
    if (i < end && (data[i] == '+' || data[i] == '-')) {
        if (data[i] == '-')
            normalised.push_back('-');
        ++i;
    }
    bool digits = false;
    while (i < end && isDigit(data[i])) {
        normalised.push_back(data[i++]);
        digits = true;
    }
    const auto pointSize = std::size_t(decimalPoint.size());
    if (pointSize > 0 && end - i >= pointSize && std::memcmp(data + i, decimalPoint.constData(), pointSize) == 0) {
        i += pointSize;
        normalised.push_back('.');
        while (i < end && isDigit(data[i])) {
            normalised.push_back(data[i++]);
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < end && (data[i] == 'e' || data[i] == 'E')) {
        normalised.push_back('e');
        ++i;
        if (i < end && (data[i] == '+' || data[i] == '-'))
            normalised.push_back(data[i++]);
        bool exponentDigits = false;
        while (i < end && isDigit(data[i])) {
            normalised.push_back(data[i++]);
            exponentDigits = true;
        }
        if (!exponentDigits)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    if (normalised == "." || normalised == "-.")
        return std::nullopt;
    return parseNormalised(normalised);
}

std::optional<double> parseDecimal(QStringView text)
{
    const QString point = QLocale().decimalPoint();
    // The separator becomes a placeholder byte; any other non-ASCII character spoils the number.
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (!point.isEmpty() && text.mid(i).startsWith(point)) {
            bytes.append('\x01');
            i += point.size();
            continue;
        }
        const char16_t c = text[i].unicode();
        bytes.append(c < 0x80 && c != 1 ? char(c) : '\x02');
        ++i;
    }
    return parseDecimal(bytes.constData(), std::size_t(bytes.size()), QByteArrayLiteral("\x01"));
}

void appendGeneralNumber(std::string &out, double value, std::string_view decimalPoint)
{
    if (!std::isfinite(value) || value == 0.0) {
        out.push_back('0');
        return;
    }
    char buffer[40];
    // Whole numbers below 1e15 print as plain digits; the cast is exact in that range.
    if (std::fabs(value) < 1e15 && double(std::int64_t(value)) == value) {
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::int64_t(value));
        out.append(buffer, end);
        return;
    }
    // Round to 15 significant digits first; the exponent of the rounded value picks the layout.
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view sci(buffer, std::size_t(end - buffer));
    const bool negative = sci.front() == '-';
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, ePos))
        if (isDigit(c))
            digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+'), sci.data() + sci.size(), exponent);

    if (negative)
        out.push_back('-');
    if (exponent >= 15 || exponent < -5) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.append(decimalPoint);
            out.append(digits, 1);
        }
        out.push_back('E');
        out.append(std::to_string(exponent));
    } else if (exponent < 0) {
        out.push_back('0');
        out.append(decimalPoint);
        out.append(std::size_t(-exponent - 1), '0');
        out.append(digits);
    } else {
        const std::size_t intDigits = std::size_t(exponent) + 1;
        if (digits.size() <= intDigits) {
            out.append(digits);
            out.append(intDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, intDigits);
            out.append(decimalPoint);
            out.append(digits, intDigits);
        }
    }
}

QString formatGeneralNumber(double value)
{
    const QString point = QLocale().decimalPoint();
    // The separator goes in as a placeholder so any separator character survives the round trip.
    std::string out;
    appendGeneralNumber(out, value, "\x01");
    QString text = QString::fromLatin1(out.data(), qsizetype(out.size()));
    text.replace(QChar(1), point);
    return text;
}

QString notAFloatMessage(QStringView text)
{
    constexpr qsizetype MaxShown = 200;
    QString shown = text.left(MaxShown).toString();
    if (text.size() > MaxShown)
        shown += QChar(0x2026);
    return QCoreApplication::translate("StartList", "'%1' is not a valid floating point value").arg(shown);
}

std::optional<std::int32_t> parseWholeNumber(QStringView text)
{
    const std::optional<double> value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    return wholeNumberOf(*value);
}
