#include "i18n/CodePage.h"
#include "i18n/Texts.h"

#include <QStringDecoder>
#include <QStringEncoder>


namespace codepage {

QByteArray meterEncodingName()
{
    if (i18n::language().systemLanguage == QLatin1String("Japanese"))
        return "Shift_JIS";
    if (i18n::language().systemLanguage == QLatin1String("Chinese"))
        return "GBK";
    return "ISO-8859-1";
}

static QString decodeWith(const QByteArray &name, const QByteArray &bytes)
{
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

static QByteArray encodeWith(const QByteArray &name, const QString &text)
{
    QStringEncoder encoder(name.constData());
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

QString fromMeter(const QByteArray &bytes) { return decodeWith(meterEncodingName(), bytes); }
QByteArray toMeter(const QString &text) { return encodeWith(meterEncodingName(), text); }

QString localeNameFromEnvironment()
{
    for (const char *var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QByteArray value = qgetenv(var);
        if (!value.isEmpty())
            return QString::fromLatin1(value);
    }
    return QStringLiteral("C");
}

QByteArray fileEncodingName()
{
    QString name = localeNameFromEnvironment();
    const int at = name.indexOf(QLatin1Char('@'));
    if (at >= 0)
        name.truncate(at);
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return "ISO-8859-1";
    const QString set = name.mid(dot + 1).toLower().remove(QLatin1Char('-')).remove(QLatin1Char('_'));
    if (set == QLatin1String("utf8"))
        return "UTF-8";
    if (set == QLatin1String("sjis") || set == QLatin1String("shiftjis") || set == QLatin1String("cp932"))
        return "Shift_JIS";
    if (set == QLatin1String("gbk") || set == QLatin1String("gb2312") || set == QLatin1String("cp936"))
        return "GBK";
    if (set == QLatin1String("gb18030"))
        return "GB18030";
    if (set == QLatin1String("eucjp"))
        return "EUC-JP";
    const QByteArray raw = name.mid(dot + 1).toLatin1();
    if (QStringEncoder(raw.constData()).isValid())
        return raw;
    return "ISO-8859-1";
}

QByteArray toFile(const QString &text) { return encodeWith(fileEncodingName(), text); }

QString fromFile(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QByteArray legacy = "ISO-8859-1";
    if (i18n::language().systemLanguage == QLatin1String("Japanese"))
        legacy = "Shift_JIS";
    else if (i18n::language().systemLanguage == QLatin1String("Chinese"))
        legacy = "GBK";
    return decodeWith(legacy, bytes);
}

} // namespace codepage
