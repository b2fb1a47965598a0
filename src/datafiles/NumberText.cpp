#include "datafiles/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace numtext {

namespace {

template <typename CharAt>
double leadingNumberImpl(qsizetype size, CharAt at)
{
    qsizetype i = 0;
    while (i < size && at(i) == ' ')
        ++i;
    std::string number;
    if (i < size && (at(i) == '+' || at(i) == '-')) {
        if (at(i) == '-')
            number.push_back('-');
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < size; ++i) {
        const char16_t c = at(i);
        if (c >= '0' && c <= '9') {
            number.push_back(char(c));
            digits = true;
        } else if (c == '.' && !point) {
            number.push_back('.');
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    if (number.back() == '.')
        number.pop_back();
    double value = 0.0;
    const char *first = number.data();
    if (*first == '-')
        ++first;  // from_chars takes no sign other than '-', and we handle it ourselves
    auto result = std::from_chars(first, number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = std::numeric_limits<double>::infinity();
    else if (result.ec != std::errc())
        return 0.0;
    return number.front() == '-' ? -value : value;
}

} // namespace

double leadingNumber(QStringView text)
{
    return leadingNumberImpl(text.size(), [&](qsizetype i) { return char16_t(text[i].unicode()); });
}

double leadingNumber(const QByteArray &text)
{
    return leadingNumberImpl(text.size(), [&](qsizetype i) { return char16_t(uchar(text[i])); });
}

double roundHalfEven(double value)
{
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    return std::nearbyint(value);
}

std::optional<qint16> toInt16(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0))
        return std::nullopt;
    return qint16(r);
}

std::optional<qint32> toInt32(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return std::nullopt;
    return qint32(r);
}

QString numberWithSign(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString generalNumber(double value)
{
    if (std::isnan(value))
        return QStringLiteral("0");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-1.79769313486232E+308") : QStringLiteral("1.79769313486232E+308");
    if (value == 0.0)
        return QStringLiteral("0");  // also turns -0 into 0
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return QString::number(value, 'g', 15);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace numtext
