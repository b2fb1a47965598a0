#pragma once

#include <QList>

class QWidget;

// The windows' font rules, applied to their controls (the rules themselves are in i18n/Fonts).
namespace fonts {

// The control font rule on each listed control. keepFace: controls whose face stays as designed.
void applyControlFontRule(const QList<QWidget *> &controls, const QList<QWidget *> &keepFace = {});

} // namespace fonts
