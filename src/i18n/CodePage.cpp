#include "i18n/CodePage.h"
#include "i18n/Texts.h"

#include <QStringDecoder>
#include <QStringEncoder>


namespace codepage {

QByteArray codePageFor(const QString &systemLanguage)
{
    if (systemLanguage == QLatin1String("Japanese"))
        return "windows-31j";
    if (systemLanguage == QLatin1String("Chinese"))
        return "GBK";
    return "windows-1252";
}

QString decode(const QByteArray &codePage, const QByteArray &bytes)
{
    QStringDecoder decoder(codePage.constData());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray encode(const QByteArray &codePage, const QString &text)
{
    QStringEncoder encoder(codePage.constData());
    if (!encoder.isValid())
        return text.toLatin1();
    QByteArray bytes = encoder.encode(text);
    if (decode(codePage, bytes) == text)
        return bytes;
    // Some character is missing from the code page: each such one becomes "?" (the converter's own
    // substitute would be a control code or a stray double-byte character).
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, length);
        QStringEncoder single(codePage.constData());
        const QByteArray b = single.encode(one);
        bytes += decode(codePage, b) == one ? b : QByteArray("?");
        i += length - 1;
    }
    return bytes;
}

QByteArray meterEncodingName() { return codePageFor(i18n::language().systemLanguage); }
QString fromMeter(const QByteArray &bytes) { return decode(meterEncodingName(), bytes); }
QByteArray toMeter(const QString &text) { return encode(meterEncodingName(), text); }

QByteArray fileEncodingName() { return codePageFor(i18n::language().systemLanguage); }
QByteArray toFile(const QString &text) { return encode(fileEncodingName(), text); }
QString fromFile(const QByteArray &bytes) { return decode(fileEncodingName(), bytes); }

} // namespace codepage
