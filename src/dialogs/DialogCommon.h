#pragma once

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "dialogs/DialogRules.h"

// The program's pictures (icon, three dots) live in a resource file of the core library; a static
// library's resource registration is dropped by the linker unless something refers to it.
inline void ensureResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

// Small helpers the dialogs share.
namespace dialogs {

// Give a control its name as object name (tests and accessibility tools find it by that).
template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A text field that gets the focus selects from the caret to the end (the whole text when the
// caret stands at the start, as after tabbing in).
inline void selectFromCaret(QLineEdit *edit)
{
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    edit->setSelection(start, edit->text().size());
}

// The OK (Command1, default) and Cancel (Command2) buttons of a settings dialog, right-aligned.
inline QHBoxLayout *okCancelRow(QWidget *dialog, QPushButton *&ok, QPushButton *&cancel)
{
    ok = named(new QPushButton(dialog), "Command1");
    cancel = named(new QPushButton(dialog), "Command2");
    ok->setDefault(true);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// Twips of the window designs in pixels of this screen.
inline int twipsToScreenPixels(int twips, const QWidget *widget)
{
    return dialogrules::twipsToPixels(twips, widget->logicalDpiX());
}

} // namespace dialogs
