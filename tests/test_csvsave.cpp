// Save As of the live data through the main window: every way in (menu, toolbar, Yes on closing,
// Yes before a transfer), cancel, a failed save, and the question on closing that follows from it.

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

QByteArray expectedFile(const QString &name)
{
    QFile f(QStringLiteral(TELVARO_TEST_DATA "/csv/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing expected file %s", qPrintable(name));
    QByteArray bytes = f.readAll();
    // The date line is the day of the save.
    return bytes.replace("@TODAY@", QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toLatin1());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The main window as start-up shows it.
FrmMenu *openMainWindow()
{
    auto *window = new FrmMenu;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
    return window;
}

// What a finished debug run of three samples leaves behind.
void finishedDebugRun(qint16 measureMode, const QString &sampleTimeText)
{
    using namespace Variable;
    Settings.MeasureMode = measureMode;
    Settings.MeasureSampleTime = sampleTimeText;
    Settings.MeasureSampleValue = 3;
    UnitCO = UnitCO2 = QStringLiteral("ppm");
    UnitTemp = QString(QChar(0xFF9F)) + QLatin1Char('C');
    UnitHum = QStringLiteral("%RH");
    UnitDewPoint = UnitWetBulb = UnitTemp;
    UnitAbsHum = QStringLiteral("lb/ft3");
    UnitHumRatio = QStringLiteral("g/kg");
    AtmosPressure = 987;
    resizeLiveSeries(3);
    const double rows[3][8] = {{3, 412, 21, 38, 7, 14, 6, 9}, {5.5, 2999, -4, 49, 29, 0, 1.25, 29}, {0, 0, 99, 1, 0.5, 30, 10, 0}};
    QVector<double> *series[8] = {&COData, &CO2Data, &TempData, &HumData,
                                  &DewPointData, &WetBulbData, &AbsHumData, &HumRatioData};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 8; ++c)
            (*series[c])[i + 1] = (measureMode != 0 || c < 4) ? rows[i][c] : 0.0;
    SampleTimes = {0.0, (13 * 3600 + 5 * 60 + 9) / 86400.0, (13 * 3600 + 5 * 60 + 14) / 86400.0,
                   (13 * 3600 + 5 * 60 + 19) / 86400.0};
    RawReplies.resize(4);
    SampleIndex = 4;
    RequestIndex = 4;
    DataPresent = 1;
    DataSaved = 0;
}

// Close the window as the user does and let it go away.
bool closeMainWindow(FrmMenu *window)
{
    QPointer<FrmMenu> guard(window);
    window->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 2000);
}

} // namespace

class TestCsvSave : public QObject {
    Q_OBJECT
private slots:
    void waysToSave_data();
    void waysToSave();
    void cancelChangesNothing();
    void failedSaveIsStillAskedAbout();
    void closingWithoutDataAsksNothing();
};

void TestCsvSave::waysToSave_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("measureMode");
    QTest::addColumn<int>("sampleTimeText");  // text id, or 0 for a text from another language
    QTest::addColumn<QString>("expected");
    const QByteArray en("en_US.UTF-8"), ja("ja_JP.UTF-8");
    QTest::newRow("menu, Detailed") << en << "menu" << 1 << 128 << "menu_save_detailed.csv";
    QTest::newRow("toolbar, Detailed") << en << "toolbar" << 1 << 128 << "menu_save_detailed.csv";
    QTest::newRow("Yes on closing") << en << "close" << 1 << 128 << "menu_save_detailed.csv";
    QTest::newRow("Yes before a transfer") << en << "transfer" << 1 << 128 << "menu_save_detailed.csv";
    QTest::newRow("menu, Japanese Standard, foreign sampling text")
        << ja << "menu" << 0 << 0 << "menu_save_standard_ja.csv";
}

void TestCsvSave::waysToSave()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, way);
    QFETCH(int, measureMode);
    QFETCH(int, sampleTimeText);
    QFETCH(QString, expected);

    TestProgramFolder folder(locale);
    ScriptedPrompts prompts;
    FrmMenu *window = openMainWindow();
    const QString dataFolder = folder.filePath(QStringLiteral("data"));
    QDir().mkpath(dataFolder);
    Variable::Settings.DefaultFolder = dataFolder;
    finishedDebugRun(qint16(measureMode), sampleTimeText ? LoadResString(sampleTimeText) : QStringLiteral("5sec"));
    // A name typed without ".csv" is used as typed; an existing file is replaced.
    const QString target = dataFolder + QStringLiteral("/run one");
    QFile::copy(QStringLiteral(TELVARO_TEST_DATA "/csv/oa_tmp_en.csv"), target);
    prompts.queueSaveName(target);

    if (way == QLatin1String("menu")) {
        window->MenuSave->trigger();
    } else if (way == QLatin1String("toolbar")) {
        window->ToolbarSave->trigger();
    } else if (way == QLatin1String("close")) {
        prompts.queueAnswer(prompts::Answer::Yes);
        QVERIFY(closeMainWindow(window));
    } else if (way == QLatin1String("transfer")) {
        prompts.queueAnswer(prompts::Answer::Yes);
        window->Command3->click();
    }
    const int questions = (way == QLatin1String("close") || way == QLatin1String("transfer")) ? 1 : 0;
    QCOMPARE(prompts.messages.size(), questions);
    if (questions) {
        QCOMPARE(prompts.messages[0].text, LoadResString(192));
        QCOMPARE(prompts.messages[0].title, LoadResString(101));
        QCOMPARE(prompts.messages[0].buttons, prompts::Buttons::YesNo);
        QCOMPARE(prompts.messages[0].icon, prompts::Icon::Critical);
    }
    QCOMPARE(prompts.saveRequests.size(), 1);
    const prompts::SaveRequest &request = prompts.saveRequests[0];
    QCOMPARE(request.initialFolder, dataFolder);
    QCOMPARE(request.filters.size(), 2);
    QCOMPARE(request.filters[0], LoadResString(166) + QStringLiteral(" (*.*)"));
    QVERIFY(request.filters[1].startsWith(QStringLiteral("CSV FILE (*.csv")));
    QCOMPARE(request.filterIndex, 1);
    QVERIFY(request.overwritePrompt);

    QCOMPARE(readAll(target), expectedFile(expected));
    QCOMPARE(QDir(dataFolder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("run one")});
    QCOMPARE(Variable::DataSaved, qint16(1));

    if (way != QLatin1String("close")) {
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);  // hourglass gone
        // Saved: closing asks nothing.
        QVERIFY(closeMainWindow(window));
        QCOMPARE(prompts.messages.size(), questions);
    }
}

void TestCsvSave::cancelChangesNothing()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    FrmMenu *window = openMainWindow();
    Variable::Settings.DefaultFolder = folder.path();
    finishedDebugRun(1, LoadResString(126));
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);
    prompts.queueSaveName(std::nullopt);
    window->MenuSave->trigger();
    QCOMPARE(prompts.saveRequests.size(), 1);
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(Variable::DataSaved, qint16(0));
    QCOMPARE(Variable::DataPresent, qint16(1));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), before);
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);

    // Still unsaved: closing asks, and No lets the data go without another dialog.
    prompts.queueAnswer(prompts::Answer::No);
    QVERIFY(closeMainWindow(window));
    QCOMPARE(prompts.texts(), QStringList{LoadResString(192)});
    QCOMPARE(prompts.saveRequests.size(), 1);
}

void TestCsvSave::failedSaveIsStillAskedAbout()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    FrmMenu *window = openMainWindow();
    Variable::Settings.DefaultFolder = folder.path();
    finishedDebugRun(0, LoadResString(126));
    // The folder went away between choosing the name and writing.
    prompts.queueSaveName(folder.filePath(QStringLiteral("gone/run.csv")));
    window->MenuSave->trigger();
    QCOMPARE(prompts.texts(), QStringList{LoadResString(167)});
    QCOMPARE(prompts.messages[0].title, LoadResString(168));
    QCOMPARE(prompts.messages[0].buttons, prompts::Buttons::Ok);
    QCOMPARE(Variable::DataSaved, qint16(0));
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);

    // The data are not lost without asking: Yes offers Save As again, and this time it works.
    const QString target = folder.filePath(QStringLiteral("run.csv"));
    prompts.queueAnswer(prompts::Answer::Yes);
    prompts.queueSaveName(target);
    QVERIFY(closeMainWindow(window));
    QCOMPARE(prompts.texts(), (QStringList{LoadResString(167), LoadResString(192)}));
    QVERIFY(readAll(target).startsWith("Date,"));
    QCOMPARE(Variable::DataSaved, qint16(1));
}

void TestCsvSave::closingWithoutDataAsksNothing()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    FrmMenu *window = openMainWindow();
    // No run yet: Save As writes nothing, offers no dialog and marks the data as saved.
    window->MenuSave->trigger();
    QVERIFY(prompts.saveRequests.isEmpty());
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(Variable::DataSaved, qint16(1));
    QVERIFY(closeMainWindow(window));
    QVERIFY(prompts.messages.isEmpty());
}

QTEST_MAIN(TestCsvSave)
#include "test_csvsave.moc"
