// A live run against the simulated meter in a child process, killed with SIGKILL after some
// samples; the next start offers the run: the file saved holds exactly what the meter sent, or,
// declined, the run is forgotten.
#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <csignal>

#include "datafiles/NumberText.h"
#include "datafiles/RunJournal.h"
#include "mainwindow/FrmMenu.h"
#include "measure/LiveRun.h"
#include "startup/Telvaro.h"
#include "measure/Samples.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"

namespace {

// The child: the real start-up, then Measure Start, then it runs until it is killed.
int runChild(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!Main())
        return 2;
    QTimer::singleShot(200, [] { mainWindow()->startStopButton->click(); });
    return app.exec();
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void killedRunIsOffered_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("Yes: saved as the meter sent it") << true;
        QTest::newRow("No: the run is forgotten") << false;
    }

    void killedRunIsOffered()
    {
        QFETCH(bool, save);
        TestProgramFolder folder("en_US.UTF-8");
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        SimFixture sim({.baud = 38400});
        QVERIFY(sim.ok());
        folder.writeFile(QStringLiteral("Language.dat"), "Language = 1\r\n");
        folder.writeFile(QStringLiteral("Telvaro.ini"),
                         "ProgMode= True\r\nDefaultFolder=" + folder.path().toUtf8() + "\r\nRsPort_CH1="
                             + sim.devicePath().toUtf8() + "\r\nRsSpeed_CH1=38400\r\nRsDataBit_CH1=8\r\n"
                               "RsParity_CH1=N\r\nRsStopBit_CH1=1\r\nRsFlow_CH1= 1\r\nMeasureMode= 1\r\n"
                               "MeasureSampleTime=1sec\r\nMeasureSampleValue= 100\r\nCO2Graph= 1\r\nCOGraph= 1\r\n"
                               "TempGraph= 1\r\nHumGraph= 1\r\n");

        const QString journal = RunJournal::defaultPath();
        QProcess child;
        child.setWorkingDirectory(folder.path());
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child")});
        QVERIFY(child.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return readTestFile(journal).count("\nS ") >= 4; }, 20000),
                 "the child's run never got going");
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        const std::vector<std::string> sent = sim->liveRecords();

        // Start again: the run is offered; Yes goes on to Save As, No lets it go.
        ScriptedPrompts prompts;
        prompts.queueAnswer(save ? prompts::Answer::Yes : prompts::Answer::No);
        const QString csv = folder.filePath(QStringLiteral("recovered.csv"));
        prompts.queueSaveName(csv);
        QTemporaryDir runtime2;
        qputenv("XDG_RUNTIME_DIR", runtime2.path().toLocal8Bit());
        QVERIFY(Main());
        QVERIFY(QTest::qWaitFor([&] { return save ? QFile::exists(csv) : !prompts.messages.isEmpty(); }, 5000));
        QVERIFY(prompts.texts().first().startsWith("A measurement that was not saved was found ("));
        QCOMPARE(prompts.messages.first().buttons, prompts::Buttons::YesNo);
        QCOMPARE(prompts.saveRequests.size(), save ? 1 : 0);
        QVERIFY(!RunJournal::exists());
        QCOMPARE(mainWindow()->samples().present(), save);
        QVERIFY(!save || mainWindow()->samples().saved());
        delete mainWindow();
        ReleaseSingleInstance();
        if (!save)
            return;

        const QList<QByteArray> lines = readTestFile(csv).split('\n');
        QVERIFY(lines.size() > 9);
        const int n = lines.at(2).trimmed().mid(5).toInt();
        QVERIFY2(n >= 4 && n <= int(sent.size()), qPrintable(QString::number(n)));
        QCOMPARE(lines.mid(3, 3) << lines.at(7),
                 QList<QByteArray>({"Sampling Time,1\r", "Mode,NORMAL\r", "Atmos.Pressure,1013\r",
                                    "ppm,ppm,Degrees,%RH,Degrees,Degrees,g/m3,g/kg\r"}));
        for (int i = 0; i < n; ++i) {  // the numbers as the meter sent them
            QStringList numbers;
            for (const QByteArray &field : QByteArray::fromStdString(sent.at(size_t(i))).trimmed().split(';'))
                numbers << numtext::generalNumber(numtext::leadingNumber(field));
            QCOMPARE(lines.at(8 + i), numbers.join(',').toLatin1() + '\r');
        }
    }

    void cutOffJournalReadToLastWholeLine()
    {
        JournalHeader h;
        h.sampleTime = QStringLiteral("5sec");
        h.units = QStringList{"ppm", "ppm", QStringLiteral("\u00dfC"), "%RH"};
        QByteArray bytes = RunJournal::formatHeader(h);
        bytes += RunJournal::formatSample(1, 0.5, "    0.0; 450.0;  23.5;  41.2\r\n");
        bytes += RunJournal::formatSample(2, 0.50001, "    0.1; 451.0;  23.5;  41.3\r\n");
        const QByteArray third = RunJournal::formatSample(3, 0.50002, "    0.2; 452.0;  23.6;  41.4\r\n");
        const auto run = RunJournal::parse(bytes + third.left(12));
        QVERIFY(run.has_value());
        QCOMPARE(run->samples.size(), 2);
        QCOMPARE(run->samples.at(1).line, QByteArray("    0.1; 451.0;  23.5;  41.3\r\n"));
        QCOMPARE(run->header.sampleTime + ' ' + run->header.units.join(','),
                 QStringLiteral("5sec ppm,ppm,\u00dfC,%RH,,,,,"));
        // A header cut off before its units is no journal at all.
        QVERIFY(!RunJournal::parse(bytes.left(30)).has_value());
        QVERIFY(!RunJournal::parse("garbage\n").has_value());
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "child")
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
