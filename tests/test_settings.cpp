// "Telvaro.ini": the 20-line layout byte for byte, the reader's rules and its fall-backs.
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>

#include "datafiles/SettingsFile.h"
#include "i18n/Texts.h"
#include "support/TestEnv.h"

namespace {
QByteArray expectedFile(const char *name)
{
    QFile f(QStringLiteral(TELVARO_TEST_DATA "/settings/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void defaultsWhenMissing_data();
    void defaultsWhenMissing();
    void readRules_data();
    void readRules();
    void sampleTimeCheck_data();
    void sampleTimeCheck();
    void badFilesNeverStopTheStart_data();
    void badFilesNeverStopTheStart();
    void saveReplacesWholeFileAtomically();
};

void TestSettings::defaultsWhenMissing_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<bool>("documents");  // the user has a documents folder
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("en") << QByteArray("en_US.UTF-8") << true << expectedFile("default-en.ini");
    QTest::newRow("ja") << QByteArray("ja_JP.UTF-8") << true << expectedFile("default-ja.ini");
    QTest::newRow("ja, no code set") << QByteArray("ja_JP") << false << expectedFile("default-ja.ini");
    QTest::newRow("zh") << QByteArray("zh_CN.UTF-8") << false << expectedFile("default-zh.ini");
    QTest::newRow("zh, no code set") << QByteArray("zh_CN") << true << expectedFile("default-zh.ini");
    QTest::newRow("de (English texts)") << QByteArray("de_DE.UTF-8") << false << expectedFile("default-en.ini");
    QTest::newRow("C") << QByteArray("C") << true << expectedFile("default-en.ini");
}

void TestSettings::defaultsWhenMissing()
{
    QFETCH(QByteArray, locale);
    QFETCH(bool, documents);
    QFETCH(QByteArray, expected);
    TestProgramFolder folder(locale);
    setLanguageState(locale, 0);
    // A fresh user: the data folder is the documents folder, or home when there is none.
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", folder.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", folder.filePath(".config").toLocal8Bit());
    if (documents)
        QDir(folder.path()).mkdir("Documents");
    SettingsRecord r = LoadSettings(folder.path());
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QVERIFY(r.ProgMode);
    QVERIFY(SaveSettings(folder.path(), r));
    const QString data = documents ? folder.filePath("Documents") : folder.path();
    QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")), expected.replace("@FOLDER@", data.toLocal8Bit()));
}

void TestSettings::readRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QByteArray &content, const char *field, const char *value) {
        QTest::newRow(name) << content << QString(field) << QString(value);
    };
    row("ProgMode with blank", "ProgMode= True\r\n", "ProgMode", "true");
    row("ProgMode without blank", "ProgMode=True\r\n", "ProgMode", "false");
    row("folder with comma kept whole", "DefaultFolder=/srv/Survey, 2026\r\n", "DefaultFolder", "/srv/Survey, 2026");
    row("drive path: the data folder", "DefaultFolder=C:\\Survey\r\n", "DefaultFolder", "@DATA@");
    row("folder value not trimmed", "DefaultFolder= /data \r\n", "DefaultFolder", " /data ");
    row("channel 2 ignored", "RsSpeed_CH1=4800\r\nRsSpeed_CH2=38400\r\n", "RsSpeed", "4800");
    row("1.5 rounds to 2", "MeasureMode=1.5\r\n", "MeasureMode", "2");
    row("2.5 rounds to 2", "MeasureMode=2.5\r\n", "MeasureMode", "2");
    row("letters give 0", "RsFlow_CH1=abc\r\n", "RsFlow", "0");
    row("leading number", "MeasureSampleValue= 120xyz\r\n", "MeasureSampleValue", "120");
    row("last value wins", "RsPort_CH1=COM1\r\nRsPort_CH1=COM3\r\n", "RsPort", "COM3");
    row("key anywhere, sections decoration", "[Measure]\r\nRsPort_CH1=/dev/ttyUSB0\r\n", "RsPort", "/dev/ttyUSB0");
    row("case-sensitive key", "rsport_ch1=COM9\r\n", "RsPort", "");
    row("missing key stays empty", "HumGraph= 1\r\n", "RsPort", "");
    row("LF-only file", "RsParity_CH1=E\nRsStopBit_CH1=2\n", "RsStopBit", "2");
    row("quoted field", "\"RsDataBit_CH1=7\"\r\n", "RsDataBit", "7");
    row("CR-only file", "RsParity_CH1=E\rRsStopBit_CH1=2\r", "RsStopBit", "2");
    row("after a line of 100,000 bytes", QByteArray(100000, 'x') + "\r\nRsPort_CH1=COM7\r\n", "RsPort", "COM7");
}

void TestSettings::readRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    TestProgramFolder folder;
    setLanguageState("en_US.UTF-8", 1);
    folder.writeFile(QStringLiteral("Telvaro.ini"), content);
    const SettingsRecord r = LoadSettings(folder.path());
    const QMap<QString, QString> fields{{"ProgMode", r.ProgMode ? "true" : "false"}, {"DefaultFolder", r.DefaultFolder},
        {"RsPort", r.RsPort}, {"RsSpeed", r.RsSpeed}, {"RsDataBit", r.RsDataBit}, {"RsStopBit", r.RsStopBit},
        {"RsFlow", QString::number(r.RsFlow)}, {"MeasureMode", QString::number(r.MeasureMode)},
        {"MeasureSampleValue", QString::number(r.MeasureSampleValue)}};
    QCOMPARE(fields.value(field), expected == "@DATA@" ? settingsfile::systemDataFolder() : expected);
}

void TestSettings::sampleTimeCheck_data()
{
    // Stored as a Windows system of the language writes it: Shift_JIS, GBK, Windows-1252.
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *locale, int choice, const char *stored, const char *shown) {
        QTest::newRow(name) << QByteArray(locale) << choice << QString::fromUtf8(stored) << QString::fromUtf8(shown);
    };
    row("en keeps 5sec", "en_US.UTF-8", 0, "5sec", "5sec");
    row("en resets Japanese", "en_US.UTF-8", 0, "５秒", "1sec");
    row("ja/0 keeps Japanese", "ja_JP.UTF-8", 0, "１０秒", "１０秒");
    row("ja/0 resets sec", "ja_JP.UTF-8", 0, "5sec", "１秒");
    row("ja/1 keeps sec", "ja_JP.UTF-8", 1, "5sec", "5sec");
    row("ja/1 resets Japanese", "ja_JP.UTF-8", 1, "５秒", "1sec");
    row("ja/0 keeps Japanese, no code set", "ja_JP", 0, "５秒", "５秒");
    row("zh/0 keeps Chinese", "zh_CN.UTF-8", 0, "60秒", "60秒");
    row("ja/2 keeps anything", "ja_JP.UTF-8", 2, "junk", "junk");
}

void TestSettings::sampleTimeCheck()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, choice);
    QFETCH(QString, stored);
    TestProgramFolder folder(locale);
    setLanguageState(locale, qint16(choice));
    QStringEncoder encode(locale.startsWith("ja") ? "Shift_JIS" : locale.startsWith("zh") ? "GBK" : "windows-1252");
    QVERIFY(encode.isValid());
    folder.writeFile(QStringLiteral("Telvaro.ini"), "MeasureSampleTime=" + QByteArray(encode(stored)) + "\r\n");
    QTEST(LoadSettings(folder.path()).MeasureSampleTime, "expected");
}

void TestSettings::badFilesNeverStopTheStart_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("defaults");
    QTest::newRow("empty: every field empty") << QByteArray() << false;
    QTest::newRow("overflow 16-bit: all defaults") << QByteArray("RsPort_CH1=COM7\r\nMeasureMode=40000\r\n") << true;
    QTest::newRow("overflow 32-bit: all defaults") << QByteArray("MeasureSampleValue=99999999999999999999\r\n") << true;
    QTest::newRow("half-written") << QByteArray("[Computer Setting]\r\nProgMode= Tr") << false;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131) & 0xff);
    QTest::newRow("binary") << binary << false;
}

void TestSettings::badFilesNeverStopTheStart()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, defaults);
    TestProgramFolder folder;
    setLanguageState("en_US.UTF-8", 1);
    folder.writeFile(QStringLiteral("Telvaro.ini"), content);
    SettingsRecord r = LoadSettings(folder.path());
    if (defaults) {
        QCOMPARE(r.RsPort, QStringLiteral("COM1"));
        QCOMPARE(int(r.MeasureMode), 1);
    } else {
        QVERIFY(!r.ProgMode);
    }
    // The next exit writes a good file of 20 lines whatever was read.
    QVERIFY(SaveSettings(folder.path(), r));
    QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")).count("\r\n"), 20);
}

void TestSettings::saveReplacesWholeFileAtomically()
{
    TestProgramFolder folder;
    setLanguageState("en_US.UTF-8", 1);
    folder.writeFile(QStringLiteral("Telvaro.ini"), QByteArray(100000, 'x'));
    SettingsRecord r = LoadSettings(folder.path());
    r.DefaultFolder = QStringLiteral("/home/tech/Survey, 2026");
    QVERIFY(SaveSettings(folder.path(), r));
    const QByteArray written = folder.readFile(QStringLiteral("Telvaro.ini"));
    QVERIFY(written.contains("DefaultFolder=/home/tech/Survey, 2026\r\n"));
    QVERIFY(!written.contains('x'));
    // No temporary file is left beside it.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("Telvaro.ini")});
    // The comma survives the round trip.
    r = LoadSettings(folder.path());
    QCOMPARE(r.DefaultFolder, QStringLiteral("/home/tech/Survey, 2026"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
