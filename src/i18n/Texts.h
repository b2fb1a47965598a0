#pragma once

#include <QString>

// Text lookup. Every caller passes the base id (101-196); ResIdBase is added here.
namespace i18n {

enum class Block { English, Japanese, Chinese };

// Does the given block hold text number k?
bool blockHolds(Block block, int k);
// The text of number k in the given block (empty when the block does not hold it).
QString blockText(Block block, int k);
// The lookup: the system language's block if it holds k, else English, else Japanese, else Chinese.
QString lookupText(int k, const QString &systemLanguage);

} // namespace i18n

// The text of id ResIdBase + id, for the current SystemLanguage.
QString LoadResString(int id);
