#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "mainwindow/FrmMenu.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

class QAbstractButton;

// A file under tests/data/dialogs.
QByteArray dialogData(const QString &name);
void flushDeletes();
// The visible top-level window of that name, made active as a click on it would; null when none.
// A dialog's window is named as its class.
QWidget *shownWindow(const char *name);
template <typename T>
T *shown() { return qobject_cast<T *>(shownWindow(T::staticMetaObject.className())); }
// A click on a check box or option button's indicator, as a user clicks it.
void clickBox(QAbstractButton *box);

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
