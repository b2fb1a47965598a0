#include "i18n/Language.h"
#include "i18n/Texts.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include "datafiles/NumberText.h"

namespace language {

QString englishLanguageName(const QString &localeName)
{
    QString name = localeName;
    for (QChar stop : {QLatin1Char('.'), QLatin1Char('@')}) {
        const int at = name.indexOf(stop);
        if (at >= 0)
            name.truncate(at);
    }
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QStringLiteral("C");
    const QLocale locale(name);
    if (locale.language() == QLocale::C)
        return QStringLiteral("C");
    return QLocale::languageToString(locale.language());
}

QString detectSystemLanguage()
{
    for (const char *var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(var);
        if (!value.isEmpty())
            return englishLanguageName(QString::fromLatin1(value));
    }
    return englishLanguageName(QStringLiteral("C"));
}

std::optional<qint16> parseLanguageFile(const QByteArray &bytes)
{
    qint16 choice = 0;
    const QString text = QString::fromLatin1(bytes);
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        QString rest = line;
        if (rest.endsWith(QLatin1Char('\r')))
            rest.chop(1);
        // Fields end at a comma; a field in double quotes is read without them.
        while (true) {
            int i = 0;
            while (i < rest.size() && rest[i] == QLatin1Char(' '))
                ++i;
            rest = rest.mid(i);
            QString field;
            if (rest.startsWith(QLatin1Char('"'))) {
                const int close = rest.indexOf(QLatin1Char('"'), 1);
                field = close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
                const int comma = close < 0 ? -1 : rest.indexOf(QLatin1Char(','), close);
                rest = comma < 0 ? QString() : rest.mid(comma + 1);
            } else {
                const int comma = rest.indexOf(QLatin1Char(','));
                field = comma < 0 ? rest : rest.left(comma);
                rest = comma < 0 ? QString() : rest.mid(comma + 1);
            }
            const int eq = field.indexOf(QLatin1Char('='));
            if (eq >= 0 && field.left(eq + 1) == QLatin1String("Language =")) {
                const auto value = numtext::toInt16(numtext::leadingNumber(QStringView(field).mid(eq + 1)));
                if (!value)
                    return std::nullopt;
                choice = *value;
            }
            if (rest.isEmpty())
                break;
        }
    }
    return choice;
}

QByteArray formatLanguageFile(qint16 choice)
{
    return QByteArray("Language =") + numtext::numberWithSign(choice).toLatin1() + "\r\n";
}

qint16 computeResIdBase(qint16 choice, const QString &systemLanguage, qint16 current)
{
    const bool japaneseOrChinese = systemLanguage == QLatin1String("Japanese")
                                   || systemLanguage == QLatin1String("Chinese");
    const bool english = systemLanguage == QLatin1String("English");
    if (choice == 0)
        return (japaneseOrChinese || english) ? 0 : 10000;
    if (choice == 1)
        return english ? 0 : 10000;
    return current;
}

} // namespace language

bool ReadLanguageFile(const QString &programFolder)
{
    QFile file(QDir(programFolder).filePath(QStringLiteral("Language.dat")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The file is one short line; a huge or binary one is read only as far as makes sense.
    const QByteArray bytes = file.read(1 << 20);
    if (file.error() != QFileDevice::NoError)
        return false;
    const auto choice = language::parseLanguageFile(bytes);
    if (!choice)
        return false;
    i18n::language().choice = *choice;
    return true;
}

bool WriteLanguageFile()
{
    QSaveFile file(QDir::current().filePath(QStringLiteral("Language.dat")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(language::formatLanguageFile(i18n::language().choice));
    return file.commit();
}

void ComputeResIdBase()
{
    i18n::language().resIdBase = language::computeResIdBase(i18n::language().choice, i18n::language().systemLanguage,
                                                     i18n::language().resIdBase);
}
