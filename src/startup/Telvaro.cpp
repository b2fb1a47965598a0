#include "startup/Telvaro.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

#include "datafiles/RunJournal.h"
#include "dialogs/FrmLanguageSelect.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/Prompts.h"
#include "serial/PortNames.h"
#include "serial/RS232C.h"

namespace {

std::unique_ptr<QLockFile> g_lock;

void loadAndShowMainWindow()
{
    auto *window = new FrmMenu(QDir::currentPath());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
    // A run that was never saved (the program was killed, the power went) is offered first thing.
    if (RunJournal::exists())
        QTimer::singleShot(0, window, &FrmMenu::offerRecoveredRun);
}

} // namespace

bool AcquireSingleInstance()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    g_lock = std::make_unique<QLockFile>(QDir(dir).filePath(QStringLiteral("telvaro-monitor.lock")));
    // A lock left by a crashed copy is stale as soon as its process is gone; Qt checks that.
    g_lock->setStaleLockTime(0);
    if (!g_lock->tryLock(0)) {
        g_lock.reset();
        return false;
    }
    return true;
}

void ReleaseSingleInstance() { g_lock.reset(); }

ProcessorInfoRecord ReadProcessorInfo()
{
    ProcessorInfoRecord info;
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // One block per processor; the last one wins.
        const QList<QByteArray> lines = cpuinfo.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const int colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray key = line.left(colon).trimmed();
            const QString value = QString::fromLocal8Bit(line.mid(colon + 1).trimmed());
            if (key == "model name") {
                info.Name = value;
                info.Description = value;
            } else if (key == "vendor_id") {
                info.Manufacturer = value;
            } else if (key == "cpu MHz") {
                info.CurrentClockSpeed = value.toDouble();
            } else if (key == "cache size") {
                info.L2CacheSize = value.split(QLatin1Char(' ')).value(0).toDouble();
            }
        }
    }
    QFile maxFreq(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"));
    if (maxFreq.open(QIODevice::ReadOnly))
        info.MaxClockSpeed = maxFreq.readAll().trimmed().toDouble() / 1000.0;
    if (info.CurrentClockSpeed == 0) {
        QFile cur(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq"));
        if (cur.open(QIODevice::ReadOnly))
            info.CurrentClockSpeed = cur.readAll().trimmed().toDouble() / 1000.0;
    }
    return info;
}

bool Main()
{
    // The two start-up messages come from the system language's texts: the offset is not known yet.
    i18n::language().resIdBase = 0;
    i18n::language().systemLanguage = language::detectSystemLanguage();

    // One running copy only.
    if (!AcquireSingleInstance()) {
        prompts::message(nullptr, LoadResString(170), QString(), prompts::Buttons::Ok, prompts::Icon::Exclamation);
        return false;
    }
    // The program folder is the folder we were started in.
    const QString programFolder = QDir::currentPath();
    // At least one of the first sixteen serial devices must exist.
    const QStringList devices = portnames::listSerialDevices();
    bool found = false;
    for (int n = 1; n <= 16 && n <= devices.size() && !found; ++n)
        found = PortExists(portnames::entryName(n, devices));
    if (!found) {
        prompts::message(nullptr, LoadResString(169), QString(), prompts::Buttons::Ok, prompts::Icon::Exclamation);
        ReleaseSingleInstance();
        return false;
    }
    // Language.
    if (ReadLanguageFile(programFolder)) {
        loadAndShowMainWindow();
        return true;
    }
    // Missing or unreadable "Language.dat".
    i18n::language().choice = 1;
    const QString &systemLanguage = i18n::language().systemLanguage;
    if (systemLanguage == QLatin1String("Japanese") || systemLanguage == QLatin1String("Chinese")) {
        auto *select = new FrmLanguageSelect([] { QTimer::singleShot(0, qApp, &loadAndShowMainWindow); });
        select->setAttribute(Qt::WA_DeleteOnClose);
        select->show();
        return true;
    }
    WriteLanguageFile();
    loadAndShowMainWindow();
    return true;
}
