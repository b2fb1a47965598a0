// Start-up benchmark: the time from process start to the first shown main window, and the peak
// memory, for the real start-up path against a minimal Qt Widgets + Charts window of the same
// layout, in the same run. Each side runs in a fresh child process, alternately, several times.
//
//   bench_startup            run the comparison and print the figures
//   bench_startup real       (child) the program's own start-up
//   bench_startup minimal    (child) the minimal window
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include "mainwindow/FrmMenu.h"
#include "startup/Telvaro.h"

namespace {

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Report once the given window has been shown and painted, then quit.
void reportWhenShown(QWidget *window)
{
    QTimer::singleShot(0, window, [] {
        std::printf("shown %ld\n", peakRssKb());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

int runMinimal(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    for (const char *menu : {"File", "Setup", "Measurement", "Help"})
        window.menuBar()->addMenu(QString::fromLatin1(menu))->addAction(QStringLiteral("Item"));
    window.addToolBar(QStringLiteral("Tools"))->addAction(QStringLiteral("Save"));
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    auto *view = new QChartView;
    for (int i = 0; i < 4; ++i)
        view->chart()->addSeries(new QLineSeries);
    view->chart()->createDefaultAxes();
    layout->addWidget(view, 3);
    for (const char *text : {"Measure Start", "Data transfer", "Zoom On", "Exit"})
        layout->addWidget(new QPushButton(QString::fromLatin1(text)));
    auto *table = new QTableView;
    auto *model = new QStandardItemModel(10, 9, table);
    table->setModel(model);
    layout->addWidget(table, 2);
    window.setCentralWidget(central);
    window.resize(900, 680);
    window.show();
    reportWhenShown(&window);
    return app.exec();
}

int runReal(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!Main())
        return 1;
    // Start-up made the main window (or a language selection first); report once it is shown.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmMenu *>(w))
            reportWhenShown(w);
    const int code = app.exec();
    ReleaseSingleInstance();
    return code;
}

struct Sample {
    double ms = 0;
    long rssKb = 0;
};

Sample runChild(const QString &exe, const QString &mode, const QProcessEnvironment &env, const QString &dir)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(dir);
    QElapsedTimer clock;
    clock.start();
    child.start(exe, {mode});
    child.waitForFinished(30000);
    Sample s;
    s.ms = clock.nsecsElapsed() / 1e6;
    const QByteArray out = child.readAllStandardOutput();
    const int at = out.indexOf("shown ");
    if (at >= 0)
        s.rssKb = out.mid(at + 6).trimmed().toLong();
    return s;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "minimal")
        return runMinimal(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "real")
        return runReal(argc, argv);

    QCoreApplication app(argc, argv);
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return 1;
    ::close(slave);
    QTemporaryDir folder, runtime;
    QFile lang(QDir(folder.path()).filePath(QStringLiteral("Language.dat")));
    lang.open(QIODevice::WriteOnly);
    lang.write("Language = 1\r\n");
    lang.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TELVARO_EXTRA_PORTS"), QString::fromLocal8Bit(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString exe = QCoreApplication::applicationFilePath();
    std::vector<double> realMs, minimalMs;
    long realRss = 0, minimalRss = 0;
    runChild(exe, QStringLiteral("minimal"), env, folder.path());  // warm the caches
    const int pairs = 15;
    for (int i = 0; i < pairs; ++i) {
        const Sample m = runChild(exe, QStringLiteral("minimal"), env, folder.path());
        const Sample r = runChild(exe, QStringLiteral("real"), env, folder.path());
        minimalMs.push_back(m.ms);
        realMs.push_back(r.ms);
        minimalRss = std::max(minimalRss, m.rssKb);
        realRss = std::max(realRss, r.rssKb);
    }
    const double rm = median(realMs), mm = median(minimalMs);
    std::printf("start-up to first shown window (median of %d, alternating)\n", pairs);
    std::printf("  program:        %8.1f ms   peak RSS %6ld kB\n", rm, realRss);
    std::printf("  minimal window: %8.1f ms   peak RSS %6ld kB\n", mm, minimalRss);
    std::printf("  ratio:          time %.2f   memory %.2f\n", rm / mm, double(realRss) / double(minimalRss));
    ::close(master);
    return 0;
}
