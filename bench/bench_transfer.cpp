// Page read speed: a 999-record Detailed calculation page and a 999-record %OA page from the
// simulated meter at 9600 and 38400 baud. The read, from the T command to the last record, is
// compared with the time its bytes need on the wire (10 bits a character); the longest time the
// event loop went without running is what a Close click would have to wait at most.
//
//   QT_QPA_PLATFORM=offscreen ./bench_transfer [baud...]
//   ./bench_transfer --show SECONDS     the window over a meter of five pages, for a screenshot
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "mainwindow/FrmMenu.h"
#include "mainwindow/Prompts.h"
#include "measure/Samples.h"
#include "metersim/Simulator.h"
#include "serial/SerialLink.h"
#include "transfer/FrmDataRead.h"

namespace {

class QuietPrompts : public prompts::Prompter {
public:
    prompts::Answer message(QWidget *, const QString &text, const QString &, prompts::Buttons, prompts::Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return prompts::Answer::Ok;
    }
    std::optional<QString> saveFileName(QWidget *, const prompts::SaveRequest &) override { return std::nullopt; }
};

// The settings with the line pointed at the simulated meter, run mode on.
SettingsRecord meterSettings(SettingsRecord s, const metersim::Simulator &sim, int baud)
{
    s.ProgMode = true;
    s.RsPort = QString::fromStdString(sim.devicePath());
    s.RsSpeed = QString::number(baud);
    s.RsDataBit = QStringLiteral("8");
    s.RsParity = QStringLiteral("N");
    s.RsStopBit = QStringLiteral("1");
    s.RsFlow = 1;
    return s;
}

struct Result {
    double readSeconds = 0;
    double wireSeconds = 0;
    double transmitSeconds = 0;
    double maxGapMs = 0;
    int maxGapAtRecord = 0;
    bool ok = false;
};

Result runOne(int baud, bool oa)
{
    Result result;
    metersim::Page page;
    page.oa = oa;
    page.records = 999;
    page.operation = oa ? "TMP" : "AVG";
    metersim::Config config;
    config.baud = baud;
    config.pages = {page};
    metersim::Simulator sim(config);
    if (!sim.start())
        return result;

    FrmMenu menu;
    menu.applySettings(meterSettings(menu.settings(), sim, baud));
    QPointer<FrmDataRead> window = new FrmDataRead(menu.settings(), &menu.link(), &menu.samples());
    menu.showChildWindow(window);
    if (!QTest::qWaitFor([&] { return !window || window->state().DirectoryReady; }, 60000) || !window)
        return result;
    window->pageField->setText("1");
    if (!oa)
        window->detailedModeOption->click();

    // The event loop's longest pause during the read.
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    int currentRecord = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double gap = sinceTick.nsecsElapsed() / 1e6;
        if (gap > result.maxGapMs) {
            result.maxGapMs = gap;
            result.maxGapAtRecord = currentRecord;
        }
        sinceTick.start();
    });

    double lastRecordAt = 0;
    QObject::connect(window->progressBar, &QProgressBar::valueChanged, [&](int value) {
        currentRecord = value;
        if (value == 999) {
            lastRecordAt = sim.now();
            ticker.stop();
        }
        if (value == 1) {
            sinceTick.start();
            ticker.start();
        }
    });
    sim.clearReceived();
    QElapsedTimer transmit;
    transmit.start();
    window->Command1_Click();
    result.transmitSeconds = transmit.nsecsElapsed() / 1e9;
    ticker.stop();

    double tSent = -1;
    for (const metersim::Received &r : sim.received())
        if (r.command == "T0001")
            tSent = r.t;
    std::size_t chars = 4 + 21;  // "AT" CR LF and the header
    for (const std::string &record : sim.pageRecords(1, !oa))
        chars += record.size();
    result.wireSeconds = double(chars) * 10.0 / baud;
    result.readSeconds = lastRecordAt - tSent;
    result.ok = tSent >= 0 && lastRecordAt > 0;
    delete window.data();
    return result;
}

// Show the main window and the transfer window with a real directory for a while.
int show(int seconds)
{
    metersim::Config config;
    config.baud = 38400;
    config.pages = metersim::defaultPages();
    metersim::Page oa;
    oa.oa = true;
    oa.records = 120;
    oa.operation = "CO2";
    oa.samplingTime = "60";
    oa.date = "2026/12/01";
    oa.time = "14:02:40";
    config.pages.push_back(oa);
    metersim::Page calc;
    calc.records = 999;
    calc.operation = "INS";
    calc.samplingTime = "1";
    calc.date = "2026/12/02";
    calc.time = "07:45:00";
    config.pages.push_back(calc);
    metersim::Simulator sim(config);
    if (!sim.start())
        return 1;
    FrmMenu menu;
    menu.Form_Load();  // captions and the settings file first, then the meter's line
    menu.applySettings(meterSettings(menu.settings(), sim, 38400));
    menu.show();
    QPointer<FrmDataRead> window = new FrmDataRead(menu.settings(), &menu.link(), &menu.samples());
    menu.showChildWindow(window);
    QTest::qWaitFor([&] { return !window || window->state().DirectoryReady; }, 60000);
    if (!window)
        return 1;
    window->pageField->setText("4");
    QTest::qWait(seconds * 1000);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QuietPrompts quiet;
    prompts::install(&quiet);
    if (argc == 3 && QByteArray(argv[1]) == "--show")
        return show(QByteArray(argv[2]).toInt());
    QList<int> bauds;
    for (int i = 1; i < argc; ++i)
        bauds << QByteArray(argv[i]).toInt();
    if (bauds.isEmpty())
        bauds = {9600, 38400};

    std::printf("%-6s %-26s %10s %10s %7s %12s %12s %8s\n", "baud", "page", "read s", "wire s", "ratio",
                "transmit s", "max gap ms", "at rec");
    for (int baud : bauds) {
        for (bool oa : {false, true}) {
            const Result r = runOne(baud, oa);
            std::printf("%-6d %-26s %10.3f %10.3f %7.4f %12.3f %12.1f %8d %s\n", baud,
                        oa ? "%OA, 999 records" : "calculation Detailed, 999", r.readSeconds, r.wireSeconds,
                        r.wireSeconds > 0 ? r.readSeconds / r.wireSeconds : 0.0, r.transmitSeconds, r.maxGapMs,
                        r.maxGapAtRecord, r.ok ? "" : "(failed)");
            std::fflush(stdout);
        }
    }
    prompts::install(nullptr);
    return 0;
}
