#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "datafiles/SettingsRecord.h"

// The command line of telvaro-cli: a command, then its arguments and options in any order.
// Options that the command does not take, values outside what the windowed program's settings
// offer, and page numbers that are not page numbers are wrong usage, found before the meter is
// asked anything.
namespace cli {

enum class Command { None, Ports, Pages, Read, Live, Recover };

// How the program ends.
enum Exit { Done = 0, MeterFailed = 1, WrongUsage = 2, PortNotOpened = 3, Interrupted = 130 };

// The most samples a live run takes.
inline constexpr int kMaxSamples = 65500;

struct Request {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    bool quiet = false;
    // The port fields from the settings file (./Telvaro.ini or --settings) with the options over
    // them; the measurement fields from the file with --samples, --interval and the mode over them.
    // ProgMode is true unless --debug: a script never gets made-up readings without asking.
    SettingsRecord settings;
    bool json = false;        // pages --json
    bool jsonl = false;       // live --jsonl
    bool detailed = true;     // read: --standard / --detailed (live: settings.MeasureMode)
    QList<int> pages;         // read: the pages asked for, in order, each once
    bool allPages = false;    // read all
    QString output;           // -o; empty when not given
    bool discard = false;     // recover --discard
};

struct Parsed {
    Request request;
    QString error;  // wrong usage: what is wrong (exit 2)
};

// Parse the arguments (the program's name first). Reads the settings file, so the language state
// must be set first.
Parsed parseCommandLine(const QStringList &arguments);

// The usage of the program, or of one command.
QString helpText(Command command);
QString commandName(Command command);

} // namespace cli
