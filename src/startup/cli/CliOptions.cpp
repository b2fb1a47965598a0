#include "startup/cli/CliOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "datafiles/SettingsFile.h"
#include "i18n/Texts.h"

namespace cli {

namespace {

struct OptionInfo {
    const char *name;
    const char *shortName;  // "" for none
    const char *valueName;  // "" for a switch
    const char *description;
};

// Every option of every command; which command takes which is in optionsOf().
const OptionInfo kOptions[] = {
    {"port", "", "DEVICE|COMn", "The serial device, as a path or as the n-th device of 'ports'."},
    {"baud", "", "N", "Line speed: 4800, 9600, 19200 or 38400."},
    {"parity", "", "P", "Parity: E, O or N (even, odd, none)."},
    {"data-bits", "", "N", "Data bits: 7 or 8."},
    {"stop-bits", "", "N", "Stop bits: 1, 1.5 or 2."},
    {"flow", "", "F", "Flow control: none, xonxoff, rts or xonrts."},
    {"settings", "", "FILE", "Read the settings from FILE instead of ./Telvaro.ini."},
    {"debug", "", "", "No meter, no port: made-up readings and a made-up page directory."},
    {"quiet", "q", "", "Print nothing but the results (and errors)."},
    {"help", "h", "", "Print this help."},
    {"version", "", "", "Print the version."},
    {"json", "", "", "The directory as JSON."},
    {"standard", "", "", "Standard columns (CO, CO2, temperature, humidity)."},
    {"detailed", "", "", "Detailed columns (the four, then dew point, wet bulb, absolute humidity, humidity ratio)."},
    {"output", "o", "FILE|DIR|-", "Where the CSV file goes; - is standard output."},
    {"samples", "", "N", "Number of samples, 1 to 65500."},
    {"interval", "", "SECONDS", "Sampling time: 1, 2, 5, 10, 30 or 60."},
    {"jsonl", "", "", "Print every sample as one JSON object a line instead of a CSV data line."},
    {"discard", "", "", "Remove the journal without writing it."},
};

const QStringList kCommon = {"port", "baud", "parity", "data-bits", "stop-bits", "flow", "settings", "debug",
                             "quiet", "help", "version"};

QStringList optionsOf(Command command)
{
    switch (command) {
    case Command::Pages: return kCommon + QStringList{"json"};
    case Command::Read: return kCommon + QStringList{"standard", "detailed", "output"};
    case Command::Live: return kCommon + QStringList{"samples", "interval", "standard", "detailed", "output", "jsonl"};
    case Command::Recover: return QStringList{"quiet", "help", "output", "discard"};
    case Command::Ports: return QStringList{"quiet", "help"};
    case Command::None: break;
    }
    return kCommon;
}

Command commandFromName(const QString &name)
{
    for (Command c : {Command::Ports, Command::Pages, Command::Read, Command::Live, Command::Recover})
        if (commandName(c) == name)
            return c;
    return Command::None;
}

QCommandLineOption makeOption(const OptionInfo &info)
{
    QStringList names{QString::fromLatin1(info.name)};
    if (*info.shortName)
        names.prepend(QString::fromLatin1(info.shortName));
    QCommandLineOption option(names, QString::fromUtf8(info.description));
    if (*info.valueName)
        option.setValueName(QString::fromLatin1(info.valueName));
    return option;
}

void addOptions(QCommandLineParser &parser, const QStringList &names)
{
    for (const OptionInfo &info : kOptions)
        if (names.contains(QLatin1String(info.name)))
            parser.addOption(makeOption(info));
}

// A whole number in [minimum, maximum], nothing else ("2.5", "3x", " 4" are refused).
bool wholeNumber(const QString &text, int minimum, int maximum, int &value)
{
    for (QChar c : text)
        if (!c.isDigit())
            return false;
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < minimum || v > maximum)
        return false;
    value = int(v);
    return true;
}

// The port fields as the serial settings dialog stores them.
QString applyLineOptions(const QCommandLineParser &parser, SettingsRecord &s)
{
    if (parser.isSet("port")) {
        s.RsPort = parser.value("port");
        if (s.RsPort.isEmpty())
            return QStringLiteral("--port needs a device");
    }
    if (parser.isSet("baud")) {
        const QString baud = parser.value("baud");
        if (!QStringList{"4800", "9600", "19200", "38400"}.contains(baud))
            return QStringLiteral("--baud %1: the meter runs at 4800, 9600, 19200 or 38400").arg(baud);
        s.RsSpeed = baud;
    }
    if (parser.isSet("parity")) {
        const QString parity = parser.value("parity").toLower();
        if (parity == "e" || parity == "even")
            s.RsParity = QStringLiteral("E");
        else if (parity == "o" || parity == "odd")
            s.RsParity = QStringLiteral("O");
        else if (parity == "n" || parity == "none")
            s.RsParity = QStringLiteral("N");
        else
            return QStringLiteral("--parity %1: E, O or N").arg(parser.value("parity"));
    }
    if (parser.isSet("data-bits")) {
        const QString bits = parser.value("data-bits");
        if (bits != "7" && bits != "8")
            return QStringLiteral("--data-bits %1: 7 or 8").arg(bits);
        s.RsDataBit = bits;
    }
    if (parser.isSet("stop-bits")) {
        const QString bits = parser.value("stop-bits");
        if (bits != "1" && bits != "1.5" && bits != "2")
            return QStringLiteral("--stop-bits %1: 1, 1.5 or 2").arg(bits);
        s.RsStopBit = bits;
    }
    if (parser.isSet("flow")) {
        // The settings file's codes: 1 none, 2 Xon/Xoff, 3 RTS, 4 Xon/RTS.
        static const QStringList names[] = {{"none", "1"}, {"xonxoff", "xon/xoff", "2"}, {"rts", "3"},
                                            {"xonrts", "xon/rts", "4"}};
        const QString flow = parser.value("flow").toLower();
        s.RsFlow = 0;
        for (int i = 0; i < 4; ++i)
            if (names[i].contains(flow))
                s.RsFlow = qint16(i + 1);
        if (s.RsFlow == 0)
            return QStringLiteral("--flow %1: none, xonxoff, rts or xonrts").arg(parser.value("flow"));
    }
    return QString();
}

QString applyLiveOptions(const QCommandLineParser &parser, SettingsRecord &s)
{
    if (parser.isSet("samples")) {
        int n = 0;
        if (!wholeNumber(parser.value("samples"), 1, kMaxSamples, n))
            return QStringLiteral("--samples %1: 1 to %2 samples").arg(parser.value("samples")).arg(kMaxSamples);
        s.MeasureSampleValue = n;
    } else if (s.MeasureSampleValue < 1 || s.MeasureSampleValue > kMaxSamples) {
        return QStringLiteral("the settings file asks for %1 samples: give --samples 1 to %2")
            .arg(s.MeasureSampleValue)
            .arg(kMaxSamples);
    }
    if (parser.isSet("interval")) {
        static const struct {
            const char *seconds;
            int textId;
        } kIntervals[] = {{"1", 126}, {"2", 127}, {"5", 128}, {"10", 129}, {"30", 130}, {"60", 174}};
        const QString seconds = parser.value("interval");
        bool known = false;
        for (const auto &entry : kIntervals)
            if (seconds == QLatin1String(entry.seconds)) {
                // Held as the sampling-time text of the interface language, as the settings hold it.
                s.MeasureSampleTime = LoadResString(entry.textId);
                known = true;
            }
        if (!known)
            return QStringLiteral("--interval %1: 1, 2, 5, 10, 30 or 60 seconds").arg(seconds);
    }
    if (parser.isSet("standard"))
        s.MeasureMode = 0;
    else if (parser.isSet("detailed"))
        s.MeasureMode = 1;
    return QString();
}

QString parsePages(const QStringList &arguments, Request &r)
{
    if (arguments.isEmpty())
        return QStringLiteral("which pages? give page numbers or 'all'");
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("all")) {
            r.allPages = true;
            continue;
        }
        int page = 0;
        if (!wholeNumber(argument, 1, 9999, page))
            return QStringLiteral("%1 is not a page number (1 to 9999)").arg(argument);
        if (!r.pages.contains(page))
            r.pages << page;
    }
    if (r.allPages && !r.pages.isEmpty())
        return QStringLiteral("give page numbers or 'all', not both");
    return QString();
}

} // namespace

QString commandName(Command command)
{
    switch (command) {
    case Command::Ports: return QStringLiteral("ports");
    case Command::Pages: return QStringLiteral("pages");
    case Command::Read: return QStringLiteral("read");
    case Command::Live: return QStringLiteral("live");
    case Command::Recover: return QStringLiteral("recover");
    case Command::None: break;
    }
    return QString();
}

QString helpText(Command command)
{
    QCommandLineParser parser;
    addOptions(parser, optionsOf(command));
    QString usage, description;
    switch (command) {
    case Command::None:
        description = QStringLiteral(
            "Reads the Telvaro air-quality meter from a terminal or a script.\n\n"
            "Commands:\n"
            "  ports              the serial devices, with the COMn each one answers to\n"
            "  pages              the meter's page directory\n"
            "  read PAGE...|all   read stored pages into CSV files\n"
            "  live               a live run\n"
            "  recover            write the run a killed live run left in its journal\n\n"
            "Exit status: 0 done, 1 the meter failed to answer (or a file could not be written),\n"
            "2 wrong usage, 3 the port cannot be opened, 130 interrupted.\n"
            "'telvaro-cli COMMAND --help' describes a command.");
        usage = QStringLiteral("COMMAND [options]");
        break;
    case Command::Ports:
        description = QStringLiteral("The serial devices in the program's order (TELVARO_EXTRA_PORTS first), "
                                     "one a line, after the COMn name each one answers to.");
        break;
    case Command::Pages:
        description = QStringLiteral("The page directory: page, kind (CALCULATION or %OA), sampling time, number "
                                     "of data, operation, date.");
        break;
    case Command::Read:
        usage = QStringLiteral("PAGE...|all [options]");
        description = QStringLiteral(
            "Read pages and write each as the CSV file the windowed program writes for it.\n"
            "-o FILE for one page, -o DIR for several (DIR/page-0003.csv ...; the current folder when\n"
            "-o is not given), -o - for standard output. Calculation pages are read detailed unless\n"
            "--standard is given.");
        break;
    case Command::Live:
        description = QStringLiteral(
            "A live run as Measure Start runs it. Every sample is printed as it arrives, as a CSV data\n"
            "line or (--jsonl) as a JSON object; -o FILE receives the CSV file of the run at its end.\n"
            "Ctrl-C ends the run as Measure Stop does. Samples, interval and mode not given come from\n"
            "the settings file.");
        break;
    case Command::Recover:
        description = QStringLiteral(
            "Write the run a killed live run (of either program) left in its journal as its CSV file\n"
            "(-o FILE, then the journal goes; -o - prints it and keeps the journal), or --discard it.");
        break;
    }
    if (usage.isEmpty())
        usage = QStringLiteral("[options]");
    parser.setApplicationDescription(description);
    const QString name = commandName(command);
    QString text = parser.helpText();
    // Qt writes "Usage: <program> [options]"; say the command too.
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    text.replace(0, end, QStringLiteral("Usage: telvaro-cli %1%2").arg(name.isEmpty() ? QString() : name + ' ', usage));
    return text;
}

Parsed parseCommandLine(const QStringList &arguments)
{
    Parsed result;
    Request &r = result.request;

    // One parser knows every option, so the common options may stand before or after the command.
    QCommandLineParser parser;
    for (const OptionInfo &info : kOptions)
        parser.addOption(makeOption(info));
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    QStringList positional = parser.positionalArguments();
    r.help = parser.isSet("help");
    r.version = parser.isSet("version");
    if (!positional.isEmpty()) {
        r.command = commandFromName(positional.first());
        if (r.command == Command::None) {
            result.error =
                QStringLiteral("unknown command '%1' (ports, pages, read, live, recover)").arg(positional.first());
            return result;
        }
        positional.removeFirst();
    }
    if (r.help || r.version)
        return result;
    if (r.command == Command::None) {
        result.error = QStringLiteral("which command? ports, pages, read, live or recover");
        return result;
    }

    const QStringList allowed = optionsOf(r.command);
    for (const QString &name : parser.optionNames()) {
        const OptionInfo *info = nullptr;
        for (const OptionInfo &candidate : kOptions)
            if (name == QLatin1String(candidate.name) || name == QLatin1String(candidate.shortName))
                info = &candidate;
        if (info && !allowed.contains(QLatin1String(info->name))) {
            result.error = QStringLiteral("%1 takes no --%2").arg(commandName(r.command), QLatin1String(info->name));
            return result;
        }
    }
    if (parser.isSet("standard") && parser.isSet("detailed")) {
        result.error = QStringLiteral("--standard or --detailed, not both");
        return result;
    }
    if (r.command == Command::Read) {
        if (const QString error = parsePages(positional, r); !error.isEmpty()) {
            result.error = error;
            return result;
        }
    } else if (!positional.isEmpty()) {
        result.error = QStringLiteral("%1 takes no argument '%2'").arg(commandName(r.command), positional.first());
        return result;
    }

    r.quiet = parser.isSet("quiet");
    r.json = parser.isSet("json");
    r.jsonl = parser.isSet("jsonl");
    r.discard = parser.isSet("discard");
    r.detailed = !parser.isSet("standard");
    r.output = parser.value("output");
    if (parser.isSet("output") && r.output.isEmpty()) {
        result.error = QStringLiteral("-o needs a file name (or - for standard output)");
        return result;
    }

    // The settings the windowed program would use here, then the options over them.
    if (parser.isSet("settings")) {
        const QString path = parser.value("settings");
        if (!QFileInfo(path).isFile()) {
            result.error = QStringLiteral("--settings %1: no such file").arg(path);
            return result;
        }
        r.settings = LoadSettingsFile(path);
    } else {
        r.settings = LoadSettings(QDir::currentPath());
    }
    r.settings.ProgMode = !parser.isSet("debug");
    // A field the file does not hold takes its default, as a file that cannot be read gives.
    SettingsRecord defaults;
    settingsfile::SetComPortDefaults(defaults);
    for (auto field : {&SettingsRecord::RsPort, &SettingsRecord::RsSpeed, &SettingsRecord::RsDataBit,
                       &SettingsRecord::RsParity, &SettingsRecord::RsStopBit})
        if ((r.settings.*field).isEmpty())
            r.settings.*field = defaults.*field;
    if (r.settings.RsFlow == 0)
        r.settings.RsFlow = defaults.RsFlow;
    if (r.settings.MeasureSampleTime.isEmpty())
        r.settings.MeasureSampleTime = LoadResString(126);
    QString error = applyLineOptions(parser, r.settings);
    if (error.isEmpty() && r.command == Command::Live)
        error = applyLiveOptions(parser, r.settings);
    result.error = error;
    return result;
}

} // namespace cli
