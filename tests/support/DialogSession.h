#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "mainwindow/FrmMenu.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QLineEdit;

// A file under tests/data/dialogs.
QByteArray dialogData(const QString &name);
void flushDeletes();
// The visible top-level window of that name, made active as a click on it would; null when none.
// A dialog's window is named as its class; openBy triggers a menu command and finds the window.
QWidget *shownWindow(const char *name);
template <typename T>
T *shown() { return qobject_cast<T *>(shownWindow(T::staticMetaObject.className())); }
template <typename T>
T *openBy(QAction *action) { action->trigger(); return shown<T>(); }

// A user's ways: type over a field's whole text, click a box on its indicator, choose an entry
// with the arrow keys, leave a dialog by "ok", "cancel", "close" (the close box) or "escape".
void typeInto(QLineEdit *edit, const QString &text);
void clickBox(QAbstractButton *box);
void pickEntry(QComboBox *combo, const QString &text);
void leaveBy(QWidget *dialog, const QString &way, QAbstractButton *ok, QAbstractButton *cancel);

// A program folder with a settings file from tests/data/dialogs ("@FOLDER@" standing for the
// folder) and the main window loaded as start-up loads it; ports are the serial devices offered.
struct DialogSession {
    explicit DialogSession(const QString &ini = QStringLiteral("start.ini"), const QStringList &ports = {});
    ~DialogSession();
    void exit();  // by the menu, which writes the settings file
    QByteArray settingsFile() const;

    TestProgramFolder folder{"en_US.UTF-8"};
    ScriptedPrompts prompts;
    QPointer<FrmMenu> menu;
};
