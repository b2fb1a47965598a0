#pragma once

#include <QString>
#include <QtGlobal>

// The program's language state: the system's language, the user's choice ("Language.dat") and the
// offset added to every text id. One object for the whole program; start-up fills it.
struct LanguageState {
    QString systemLanguage;  // English name of the system's language ("Japanese", "Chinese", ...)
    qint16 choice = 0;       // 0 = the system's language, 1 = English
    qint16 resIdBase = 0;    // 0 or 10000
};

// Text lookup. Every caller passes the base id (101-222); ResIdBase is added here.
namespace i18n {

enum class Block { English, Japanese, Chinese };

// Does the given block hold text number k?
bool blockHolds(Block block, int k);
// The text of number k in the given block (empty when the block does not hold it).
QString blockText(Block block, int k);
// The lookup: the system language's block if it holds k, else English, else Japanese, else Chinese.
QString lookupText(int k, const QString &systemLanguage);

// The program's language state.
LanguageState &language();
inline bool systemIs(const char *englishName) { return language().systemLanguage == QLatin1String(englishName); }

} // namespace i18n

// The text of id resIdBase + id, for the system language of the language state.
QString LoadResString(int id);
