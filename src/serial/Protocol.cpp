#include "serial/Protocol.h"

#include "datafiles/NumberText.h"

namespace protocol {

namespace {

// Cut text into `count` fields: the first starts at `from`, each ends before the next ";",
// the last runs to the end of the text (line end included). Nothing when a ";" is missing.
template <size_t N>
std::optional<std::array<QByteArray, N>> cutFields(const QByteArray &text, qsizetype from)
{
    std::array<QByteArray, N> fields;
    if (from > text.size())
        return std::nullopt;
    qsizetype start = from;
    for (size_t i = 0; i + 1 < N; ++i) {
        const qsizetype semi = text.indexOf(';', start);
        if (semi < 0)
            return std::nullopt;
        fields[i] = text.mid(start, semi - start);
        start = semi + 1;
    }
    fields[N - 1] = text.mid(start);
    return fields;
}

} // namespace

QByteArray pageArgument(int page)
{
    // The meter takes exactly four digits; pages run from 1 to 9999.
    return QByteArray::number(qBound(0, page, 9999)).rightJustified(4, '0');
}

QByteArray command(const char *letters, int page)
{
    QByteArray text(letters);
    if (page >= 0)
        text += pageArgument(page);
    text += "\r\n";
    return text;
}

bool endsWithCrLf(const QByteArray &text) { return text.endsWith("\r\n"); }

bool isAck(const QByteArray &text, char letter)
{
    return text.size() >= 2 && text[0] == 'A' && text[1] == letter && endsWithCrLf(text);
}

bool isBareAck(const QByteArray &text, char letter)
{
    return text.size() == 4 && isAck(text, letter);
}

std::optional<std::array<QByteArray, 9>> splitUnits(const QByteArray &reply)
{
    // "AU" CR LF, then the nine units.
    return cutFields<9>(reply, 4);
}

std::optional<SReply> splitS(const QByteArray &reply)
{
    // Fields 1 and 3 are the meter's own; field 2 and the text after the third ";" are ours.
    const auto fields = cutFields<4>(reply, 0);
    if (!fields)
        return std::nullopt;
    const auto flag = numtext::toInt16(numtext::leadingNumber((*fields)[1]));
    const auto pressure = numtext::toInt32(numtext::leadingNumber((*fields)[3]));
    if (!flag || !pressure)
        return std::nullopt;  // a number the meter cannot mean: treat the reply as unusable
    return SReply{*flag, *pressure};
}

int splitP(const QByteArray &reply)
{
    // The first "P" is the one of "AP"; the count follows the second.
    const qsizetype first = reply.indexOf('P');
    const qsizetype second = reply.indexOf('P', first + 1);
    const QByteArray digits = reply.mid(second + 1, 4);
    const auto count = numtext::toInt16(numtext::leadingNumber(digits));
    return count && *count > 0 ? *count : 0;
}

std::optional<std::array<QByteArray, 5>> splitM(const QByteArray &reply)
{
    return cutFields<5>(reply, 8);
}

THeader splitTHeader(const QByteArray &header)
{
    return THeader{header.left(10), header.mid(11, 8)};
}

std::optional<std::array<double, 8>> splitDataRecord(const QByteArray &record, bool detailed, bool skipFirstField)
{
    qsizetype start = 0;
    if (skipFirstField) {
        const qsizetype semi = record.indexOf(';');
        if (semi < 0)
            return std::nullopt;
        start = semi + 1;
    }
    std::array<double, 8> values{};
    if (detailed) {
        const auto fields = cutFields<8>(record, start);
        if (!fields)
            return std::nullopt;
        for (size_t i = 0; i < 8; ++i)
            values[i] = numtext::leadingNumber((*fields)[i]);
    } else {
        const auto fields = cutFields<4>(record, start);
        if (!fields)
            return std::nullopt;
        for (size_t i = 0; i < 4; ++i)
            values[i] = numtext::leadingNumber((*fields)[i]);
    }
    return values;
}

std::optional<std::array<double, 4>> splitOaRecord(const QByteArray &record)
{
    const auto fields = cutFields<4>(record, 4);
    if (!fields)
        return std::nullopt;
    std::array<double, 4> values{};
    for (size_t i = 0; i < 4; ++i)
        values[i] = numtext::leadingNumber((*fields)[i]);
    return values;
}

} // namespace protocol

