#pragma once

#include <QFont>
#include <QList>
#include <QString>


// Font rules by system language. "MS PGothic" is the designed face; where the platform lacks it a
// face that shows Japanese and Chinese (Noto Sans CJK) stands in, with the same sizes.
namespace fonts {

inline constexpr const char *kDesignFace = "MS PGothic";

// A font of the given face name and character set (128 Shift-JIS, 134 GB2312, 0 ANSI), based on base.
QFont fontFor(const QString &face, int charSet, const QFont &base);
// 128 on a Japanese system, 134 on a Chinese one, 0 otherwise.
int systemCharSet();
// The point size of the control font rule for the current language state: 9 or 10, or -1 for
// "leave the size as designed" (Chinese system with a choice other than 0 and 1).
int controlPointSize();

} // namespace fonts
