#include "i18n/Texts.h"

#include "i18n/TextTableData.h"

namespace i18n {

namespace {

const TextRow *findRow(int id)
{
    if (id < 101 || id > 222)
        return nullptr;
    // The table is sorted and dense from 101 on.
    const int index = id - 101;
    if (index < kTextRowCount && kTextRows[index].id == id)
        return &kTextRows[index];
    for (int i = 0; i < kTextRowCount; ++i)
        if (kTextRows[i].id == id)
            return &kTextRows[i];
    return nullptr;
}

// The three texts the Chinese block gives differently in its English range.
const char16_t *chineseEnglishException(int k)
{
    switch (k) {
    case 10110: return u"Measurment(&M)";
    case 10140: return u"Save Folder of Data";
    case 10192: return u"Data is not saved. Does it save?";
    default: return nullptr;
    }
}

} // namespace

bool blockHolds(Block block, int k)
{
    if (findRow(k))
        return true;
    if (block == Block::English)
        return false;
    return findRow(k - 10000) != nullptr;
}

QString blockText(Block block, int k)
{
    if (const TextRow *row = findRow(k)) {
        switch (block) {
        case Block::English: return QString::fromUtf16(row->english);
        case Block::Japanese: return QString::fromUtf16(row->japanese);
        case Block::Chinese: return QString::fromUtf16(row->chinese);
        }
    }
    if (block == Block::English)
        return QString();
    const TextRow *row = findRow(k - 10000);
    if (!row)
        return QString();
    if (block == Block::Chinese)
        if (const char16_t *text = chineseEnglishException(k))
            return QString::fromUtf16(text);
    return QString::fromUtf16(row->english);
}

QString lookupText(int k, const QString &systemLanguage)
{
    if (systemLanguage == QLatin1String("Japanese") && blockHolds(Block::Japanese, k))
        return blockText(Block::Japanese, k);
    if (systemLanguage == QLatin1String("Chinese") && blockHolds(Block::Chinese, k))
        return blockText(Block::Chinese, k);
    if (blockHolds(Block::English, k))
        return blockText(Block::English, k);
    if (blockHolds(Block::Japanese, k))
        return blockText(Block::Japanese, k);
    if (blockHolds(Block::Chinese, k))
        return blockText(Block::Chinese, k);
    return QString();
}

LanguageState &language()
{
    static LanguageState state;
    return state;
}

} // namespace i18n

QString LoadResString(int id)
{
    const LanguageState &l = i18n::language();
    return i18n::lookupText(l.resIdBase + id, l.systemLanguage);
}
