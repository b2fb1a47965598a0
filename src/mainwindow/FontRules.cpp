#include "mainwindow/FontRules.h"

#include <QWidget>

#include "i18n/Fonts.h"

namespace fonts {

void applyControlFontRule(const QList<QWidget *> &controls, const QList<QWidget *> &keepFace)
{
    const int size = controlPointSize();
    const int charSet = systemCharSet() == 128 ? 128 : 0;
    for (QWidget *w : controls) {
        if (!w)
            continue;
        QFont f = keepFace.contains(w) ? w->font() : fontFor(QString::fromLatin1(kDesignFace), charSet, w->font());
        if (size > 0)
            f.setPointSize(size);
        w->setFont(f);
    }
}

} // namespace fonts
