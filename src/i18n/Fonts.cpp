#include "i18n/Fonts.h"
#include "i18n/Texts.h"

#include <QFontDatabase>


namespace fonts {

namespace {

QString cjkStandIn(int charSet)
{
    const QStringList families = QFontDatabase::families();
    auto first = [&](std::initializer_list<const char *> names) -> QString {
        for (const char *name : names)
            if (families.contains(QString::fromLatin1(name)))
                return QString::fromLatin1(name);
        return {};
    };
    if (charSet == 134)
        return first({"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Zen Hei", "Noto Sans CJK JP"});
    return first({"Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic", "Noto Sans CJK SC"});
}

} // namespace

int systemCharSet()
{
    if (i18n::language().systemLanguage == QLatin1String("Japanese"))
        return 128;
    if (i18n::language().systemLanguage == QLatin1String("Chinese"))
        return 134;
    return 0;
}

QFont fontFor(const QString &face, int charSet, const QFont &base)
{
    QFont font = base;
    if (QFontDatabase::families().contains(face)) {
        font.setFamily(face);
        return font;
    }
    // Without the designed face: a CJK face on Japanese and Chinese systems, the platform's
    // own face otherwise (Qt falls back per glyph for the odd CJK text).
    int set = charSet;
    if (set == 0)
        set = systemCharSet();
    if (set != 0) {
        const QString standIn = cjkStandIn(set);
        if (!standIn.isEmpty())
            font.setFamilies({standIn});
    }
    return font;
}

int controlPointSize()
{
    if (i18n::language().systemLanguage == QLatin1String("Japanese"))
        return 9;
    if (i18n::language().systemLanguage == QLatin1String("Chinese")) {
        if (i18n::language().choice == 0)
            return 10;
        if (i18n::language().choice == 1)
            return 9;
        return -1;
    }
    return 9;
}

} // namespace fonts
