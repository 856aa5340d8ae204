#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Rounds to the nearest whole number, a half to the even neighbour, and keeps the low 32 bits.
// Values that are not finite read as 0.
std::int32_t wholeNumberOf(double value);

// A decimal number in the workstation's format (QLocale().decimalPoint()): optional blanks around,
// optional sign, digits with at most one decimal separator, optional exponent. Anything that is not
// a finite double (nan, inf, 1e400, --1, an empty text) gives nothing.
std::optional<double> parseDecimal(QStringView text);
std::optional<double> parseDecimal(const char *data, std::size_t size, const QByteArray &decimalPoint);

// General format with up to 15 significant digits: whole numbers as plain digits, fractions with the
// given decimal separator, very large or small magnitudes with an exponent ("1.5E20").
void appendGeneralNumber(std::string &out, double value, std::string_view decimalPoint);
QString formatGeneralNumber(double value);

// "'%s' is not a valid floating point value", the text elided when it is too long to show.
QString notAFloatMessage(QStringView text);

// A count or time as the operator types it: a decimal number read as a whole number.
std::optional<std::int32_t> parseWholeNumber(QStringView text);
