// Save As of the live run through the main window: every way in, cancel, failure, and the question on closing.
#include <QAction>
#include <QDate>
#include <QPushButton>
#include <QtTest>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {
QByteArray readAll(const QString &path) { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }

// What a finished debug run of three samples leaves behind (Standard Mode: the last four series empty).
void finishedDebugRun(qint16 measureMode)
{
    using namespace Variable;
    Settings.MeasureMode = measureMode, Settings.MeasureSampleValue = 3;
    Settings.MeasureSampleTime = measureMode ? LoadResString(128) : QStringLiteral("5sec");  // "5sec" in any language
    UnitCO = UnitCO2 = QStringLiteral("ppm");
    UnitTemp = UnitDewPoint = UnitWetBulb = QString(QChar(0xFF9F)) + QLatin1Char('C');
    UnitHum = QStringLiteral("%RH"), UnitAbsHum = QStringLiteral("lb/ft3"), UnitHumRatio = QStringLiteral("g/kg");
    resizeLiveSeries(3);
    const double rows[3][8] = {{3, 412, 21, 38, 7, 14, 6, 9}, {5.5, 2999, -4, 49, 29, 0, 1.25, 29}, {0, 0, 99, 1, 0.5, 30, 10, 0}};
    QVector<double> *series[8] = {&COData, &CO2Data, &TempData, &HumData, &DewPointData, &WetBulbData, &AbsHumData, &HumRatioData};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 8; ++c)
            (*series[c])[i + 1] = (measureMode != 0 || c < 4) ? rows[i][c] : 0.0;
    SampleTimes = {0.0, (13 * 3600 + 5 * 60 + 9) / 86400.0, (13 * 3600 + 5 * 60 + 14) / 86400.0, (13 * 3600 + 5 * 60 + 19) / 86400.0};
    RawReplies.resize(4);
    SampleIndex = RequestIndex = 4;
    AtmosPressure = 987, DataPresent = 1, DataSaved = 0;
}

// The run (or none), the way in, the names given to each Save As ("-" cancels; "run one" is there before), each
// message with its answer (Ok, Yes, No), what "run one" holds at the end, and whether the data count as saved.
const struct Case { const char *name, *locale; int run; const char *way, *names, *messages, *expected; bool saved; } kCases[] = {
    {"menu", "en_US.UTF-8", 1, "menu", "run one", "", "menu_save_detailed.csv", true},
    {"toolbar", "en_US.UTF-8", 1, "toolbar", "run one", "", "menu_save_detailed.csv", true},
    {"Yes on closing", "en_US.UTF-8", 1, "close", "run one", "192Y", "menu_save_detailed.csv", true},
    {"Yes before a transfer", "en_US.UTF-8", 1, "transfer", "run one", "192Y", "menu_save_detailed.csv", true},
    {"Japanese, Standard", "ja_JP.UTF-8", 0, "menu", "run one", "", "menu_save_standard_ja.csv", true},
    {"cancelled, then No on closing", "en_US.UTF-8", 1, "menu", "-", "192N", "oa_tmp_en.csv", false},
    {"failed (folder gone), then Yes on closing", "en_US.UTF-8", 1, "menu", "gone/run one;run one", "167O 192Y", "menu_save_detailed.csv", true},
    {"no run: nothing to ask", "en_US.UTF-8", -1, "menu", "", "", "oa_tmp_en.csv", true}};
} // namespace

class TestCsvSave : public QObject {
    Q_OBJECT
private slots:
    void save_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }
    void save()
    {
        QFETCH(int, row);
        const Case &c = kCases[row];
        TestProgramFolder folder(c.locale);
        ScriptedPrompts prompts;
        QPointer<FrmMenu> window = new FrmMenu;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
        const QString data = folder.filePath("data");
        QDir().mkpath(data);
        Variable::Settings.DefaultFolder = data;
        if (c.run >= 0)
            finishedDebugRun(qint16(c.run));
        // A name typed without ".csv" is used as typed; an existing file is replaced whole.
        QFile::copy(TELVARO_TEST_DATA "/csv/oa_tmp_en.csv", data + "/run one");
        const QStringList names = QString(c.names).split(';', Qt::SkipEmptyParts);
        for (const QString &name : names) prompts.queueSaveName(name == "-" ? std::nullopt : std::optional<QString>(data + '/' + name));
        QStringList asked, shown;
        for (const QString &m : QString(c.messages).split(' ', Qt::SkipEmptyParts)) {
            const bool question = m.startsWith("192");  // "Data is not saved. Do you save?", else "Data File can not create or save."
            prompts.queueAnswer(m.back() == 'Y' ? prompts::Answer::Yes : m.back() == 'N' ? prompts::Answer::No : prompts::Answer::Ok);
            asked << QString("%1|%2|%3|%4").arg(LoadResString(m.chopped(1).toInt()), LoadResString(question ? 101 : 168))
                         .arg(int(question ? prompts::Buttons::YesNo : prompts::Buttons::Ok)).arg(int(question ? prompts::Icon::Critical : prompts::Icon::None));
        }

        const QString way = c.way;
        way == "close" ? void(window->close()) : way == "menu" ? window->MenuSave->trigger()
            : way == "toolbar" ? window->ToolbarSave->trigger() : window->Command3->click();
        if (way != "close") {
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);  // the hourglass is gone
            window->close();  // asks only while the data are not saved
        }
        QTRY_VERIFY(window.isNull());
        for (const auto &m : prompts.messages) shown << QString("%1|%2|%3|%4").arg(m.text, m.title).arg(int(m.buttons)).arg(int(m.icon));
        QCOMPARE(shown, asked);
        QCOMPARE(prompts.saveRequests.size(), names.size());
        for (const prompts::SaveRequest &request : prompts.saveRequests)
            QVERIFY(request.initialFolder == data && request.filterIndex == 1 && request.overwritePrompt);
        const QByteArray today = QDate::currentDate().toString("yyyy/MM/dd").toLatin1();  // the date line of a saved file
        QCOMPARE(readAll(data + "/run one"), readAll(TELVARO_TEST_DATA "/csv/" + QString(c.expected)).replace("@TODAY@", today));
        QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"run one"});
        QCOMPARE(Variable::DataSaved, qint16(c.saved));
    }
};

QTEST_MAIN(TestCsvSave)
#include "test_csvsave.moc"
