// telvaro-meter-sim: the simulated meter on a pseudo-terminal, for trying the program without a meter.
// Prints the device path as its first line on stdout, then serves until SIGINT or SIGTERM.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <string>
#include <vector>

#include "metersim/Simulator.h"

using namespace metersim;

namespace {

void usage(FILE *out)
{
    std::fputs(
        "Usage: telvaro-meter-sim [options]\n"
        "  --baud N              line speed (default 9600); replies are paced at N/10 characters a second\n"
        "  --fahrenheit          temperatures in degrees Fahrenheit\n"
        "  --pages default|none|N  the stored pages to start from: the three default pages, none, or N\n"
        "                        generated pages\n"
        "  --page SPEC           add a page: calc|oa,OPERATION,SAMPLING,RECORDS[,yyyy/MM/dd[,HH:mm:ss[,PRESSURE]]]\n"
        "                        e.g. calc,AVG,10,20  oa,CO2,30,15,2026/11/30,13:40:30\n"
        "  --fault CMD=KIND[:TIMES[:AFTER[:PAUSEMS]]]\n"
        "                        spoil replies to CMD (U S G F D N P T M); KIND one of silence wrongack\n"
        "                        missingack split garbage noseparators shortrecord trickle late vanish;\n"
        "                        TIMES -1 = always (default 1); AFTER = good records before a T fault\n"
        "  --pressure HPA        pressure of the S reply (default 1013)\n"
        "  --co-scale FLAG       CO scale flag of the S reply (default 1)\n"
        "  --seed N              seed of the made-up readings (default 1)\n"
        "  --link PATH           keep a symlink PATH pointing to the pty; printed instead of the pty\n"
        "  --log FILE            log received commands there (default: stderr)\n",
        out);
}

std::vector<std::string> split(const std::string &s, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t p = s.find(sep, start);
        parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return parts;
        start = p + 1;
    }
}

bool parseInt(const std::string &s, int &out)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end || v < -1000000000L || v > 1000000000L)
        return false;
    out = int(v);
    return true;
}

bool parsePage(const std::string &spec, Page &page)
{
    const auto f = split(spec, ',');
    int records = 0;
    if (f.size() < 4 || (f[0] != "calc" && f[0] != "oa") || !parseInt(f[3], records) || records < 0)
        return false;
    page.oa = f[0] == "oa";
    page.operation = f[1];
    page.samplingTime = f[2];
    page.records = records;
    if (f.size() > 4)
        page.date = f[4];
    if (f.size() > 5)
        page.time = f[5];
    if (f.size() > 6)
        page.pressure = f[6];
    return page.date.size() == 10 && page.time.size() == 8;
}

bool parseKind(std::string name, FaultKind &kind)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    static const std::pair<const char *, FaultKind> kinds[] = {
        {"silence", FaultKind::Silence},       {"wrongack", FaultKind::WrongAck},
        {"missingack", FaultKind::MissingAck}, {"split", FaultKind::SplitReply},
        {"splitreply", FaultKind::SplitReply}, {"garbage", FaultKind::Garbage},
        {"noseparators", FaultKind::NoSeparators}, {"shortrecord", FaultKind::ShortRecord},
        {"trickle", FaultKind::Trickle},       {"late", FaultKind::Late},
        {"vanish", FaultKind::Vanish},         {"none", FaultKind::None},
    };
    for (const auto &k : kinds)
        if (name == k.first) {
            kind = k.second;
            return true;
        }
    return false;
}

std::vector<Page> generatedPages(int n)
{
    static const char *ops[] = {"AVG", "TMP", "INS", "CO2"};
    static const char *sampling[] = {"10", "30", "60", "5"};
    std::vector<Page> pages;
    for (int i = 0; i < n; ++i) {
        Page p;
        p.oa = i % 2 == 1;
        p.operation = ops[i % 4];
        p.samplingTime = sampling[i % 4];
        p.records = 8 + (i * 7) % 25;
        char date[16], time[16];
        std::snprintf(date, sizeof date, "2026/%02d/%02d", 1 + (i / 28) % 12, 1 + i % 28);
        std::snprintf(time, sizeof time, "%02d:%02d:00", 8 + i % 10, (i * 13) % 60);
        p.date = date;
        p.time = time;
        pages.push_back(p);
    }
    return pages;
}

} // namespace

int main(int argc, char **argv)
{
    Config config;
    std::vector<Page> extraPages;
    std::vector<std::pair<std::string, Fault>> faults;
    std::string logPath;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "telvaro-meter-sim: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            out = argv[++i];
        };
        std::string v;
        int n = 0;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--fahrenheit") {
            config.fahrenheit = true;
        } else if (arg == "--baud") {
            value(v);
            if (!parseInt(v, n) || n <= 0) {
                std::fprintf(stderr, "telvaro-meter-sim: bad baud rate %s\n", v.c_str());
                return 2;
            }
            config.baud = n;
        } else if (arg == "--pages") {
            value(v);
            if (v == "default")
                config.pages = defaultPages();
            else if (v == "none")
                config.pages.clear();
            else if (parseInt(v, n) && n >= 0 && n <= 9999)
                config.pages = generatedPages(n);
            else {
                std::fprintf(stderr, "telvaro-meter-sim: bad page set %s\n", v.c_str());
                return 2;
            }
        } else if (arg == "--page") {
            value(v);
            Page p;
            if (!parsePage(v, p)) {
                std::fprintf(stderr, "telvaro-meter-sim: bad page %s\n", v.c_str());
                return 2;
            }
            extraPages.push_back(p);
        } else if (arg == "--fault") {
            value(v);
            const size_t eq = v.find('=');
            Fault f;
            const auto parts = split(eq == std::string::npos ? std::string() : v.substr(eq + 1), ':');
            bool ok = eq == 1 && std::strchr("USGFDNPTM", v[0]) && parseKind(parts[0], f.kind);
            if (ok && parts.size() > 1)
                ok = parseInt(parts[1], f.times);
            if (ok && parts.size() > 2)
                ok = parseInt(parts[2], f.afterRecords);
            if (ok && parts.size() > 3)
                ok = parseInt(parts[3], f.pauseMs);
            if (!ok) {
                std::fprintf(stderr, "telvaro-meter-sim: bad fault %s\n", v.c_str());
                return 2;
            }
            faults.emplace_back(v.substr(0, 1), f);
        } else if (arg == "--pressure") {
            value(config.pressure);
        } else if (arg == "--co-scale") {
            value(v);
            if (!parseInt(v, config.coScaleFlag)) {
                std::fprintf(stderr, "telvaro-meter-sim: bad CO scale flag %s\n", v.c_str());
                return 2;
            }
        } else if (arg == "--seed") {
            value(v);
            if (!parseInt(v, n)) {
                std::fprintf(stderr, "telvaro-meter-sim: bad seed %s\n", v.c_str());
                return 2;
            }
            config.seed = unsigned(n);
        } else if (arg == "--link") {
            value(config.linkPath);
        } else if (arg == "--log") {
            value(logPath);
        } else {
            std::fprintf(stderr, "telvaro-meter-sim: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    config.pages.insert(config.pages.end(), extraPages.begin(), extraPages.end());

    FILE *log = stderr;
    if (!logPath.empty()) {
        log = std::fopen(logPath.c_str(), "a");
        if (!log) {
            std::fprintf(stderr, "telvaro-meter-sim: cannot write %s: %s\n", logPath.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::mutex logMutex;
    config.log = [&](const std::string &what, double t) {
        std::lock_guard<std::mutex> lock(logMutex);
        const std::time_t now = std::time(nullptr);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
        std::fprintf(log, "%s %10.3f %s\n", stamp, t, what.c_str());
        std::fflush(log);
    };

    // The signals are taken by sigwait below; the simulator's thread inherits the blocked set.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A reader of our first line may go away; never die of it.
    std::signal(SIGPIPE, SIG_IGN);

    Simulator sim(config);
    for (const auto &f : faults)
        sim.setFault(f.first, f.second);
    if (!sim.start()) {
        std::fprintf(stderr, "telvaro-meter-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", sim.devicePath().c_str());
    std::fflush(stdout);
    config.log("serving on " + sim.ptyPath() + " at " + std::to_string(config.baud) + " baud, "
                   + std::to_string(sim.pageCount()) + " pages",
               sim.now());

    int sig = 0;
    while (sigwait(&signals, &sig) != 0) {
    }
    config.log(std::string("stopping on ") + (sig == SIGINT ? "SIGINT" : "SIGTERM"), sim.now());
    sim.stop();
    if (log != stderr)
        std::fclose(log);
    return 0;
}
