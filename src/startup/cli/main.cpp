// telvaro-cli: the meter from a terminal or a script, on the same core as the windowed program
// (QtCore and QtSerialPort only, so it runs where there is no display).
#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <cstdio>

#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "startup/cli/CliCommands.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("telvaro-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TELVARO_VERSION_MAJOR)
                                                .arg(TELVARO_VERSION_MINOR)
                                                .arg(TELVARO_VERSION_REVISION));
    // A reader that goes away (| head) must not end a run before its file is written.
    std::signal(SIGPIPE, SIG_IGN);

    // The language as the windowed program starts with it: the sampling-time texts, the units line
    // of the data files and the settings reader depend on it. "Language.dat" is only read here.
    i18n::language().resIdBase = 0;
    i18n::language().systemLanguage = language::detectSystemLanguage();
    if (!ReadLanguageFile(QDir::currentPath()))
        i18n::language().choice = 1;
    ComputeResIdBase();

    const cli::Parsed parsed = cli::parseCommandLine(QCoreApplication::arguments());
    const cli::Request &r = parsed.request;
    const QString command = cli::commandName(r.command);
    const QByteArray prefix = command.isEmpty() ? QByteArray() : ' ' + command.toLatin1();
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "telvaro-cli%s: %s\nTry 'telvaro-cli%s --help'.\n", prefix.constData(),
                     parsed.error.toLocal8Bit().constData(), prefix.constData());
        return cli::WrongUsage;
    }
    if (r.version) {
        std::printf("telvaro-cli %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return cli::Done;
    }
    if (r.help) {
        std::fputs(cli::helpText(r.command).toLocal8Bit().constData(), stdout);
        return cli::Done;
    }
    switch (r.command) {
    case cli::Command::Ports: return cli::runPorts(r);
    case cli::Command::Pages: return cli::runPages(r);
    case cli::Command::Read: return cli::runRead(r);
    case cli::Command::Live: return cli::runLive(r);
    case cli::Command::Recover: return cli::runRecover(r);
    case cli::Command::None: break;
    }
    return cli::WrongUsage;
}
