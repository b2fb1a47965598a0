#include <QApplication>

#include "startup/Telvaro.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("telvaro-monitor"));
    QApplication::setOrganizationName(QStringLiteral("Telvaro"));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("com.telvaro.Monitor"));
    // The main window ends the program itself (after saving the settings).
    QApplication::setQuitOnLastWindowClosed(false);
    if (!Main())
        return 0;
    const int code = app.exec();
    ReleaseSingleInstance();
    return code;
}
