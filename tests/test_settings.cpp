// "Telvaro.ini": the 20-line layout byte for byte, the reader's rules and its fall-backs.
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>

#include "datafiles/SettingsFile.h"
#include "i18n/CodePage.h"
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
    void legacyEncodedFileReads();
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
    qputenv("HOME", oldHome), qputenv("XDG_CONFIG_HOME", oldConfig);
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
    QTest::newRow("ProgMode with blank") << QByteArray("ProgMode= True\r\n") << "ProgMode" << "true";
    QTest::newRow("ProgMode without blank") << QByteArray("ProgMode=True\r\n") << "ProgMode" << "false";
    QTest::newRow("folder with comma kept whole") << QByteArray("DefaultFolder=/srv/Survey, 2026\r\n") << "DefaultFolder" << "/srv/Survey, 2026";
    QTest::newRow("drive path: the data folder") << QByteArray("DefaultFolder=C:\\Survey\r\n") << "DefaultFolder" << "@DATA@";
    QTest::newRow("folder value not trimmed") << QByteArray("DefaultFolder= /data \r\n") << "DefaultFolder" << " /data ";
    QTest::newRow("channel 2 ignored") << QByteArray("RsSpeed_CH1=4800\r\nRsSpeed_CH2=38400\r\n") << "RsSpeed" << "4800";
    QTest::newRow("1.5 rounds to 2") << QByteArray("MeasureMode=1.5\r\n") << "MeasureMode" << "2";
    QTest::newRow("2.5 rounds to 2") << QByteArray("MeasureMode=2.5\r\n") << "MeasureMode" << "2";
    QTest::newRow("letters give 0") << QByteArray("RsFlow_CH1=abc\r\n") << "RsFlow" << "0";
    QTest::newRow("leading number") << QByteArray("MeasureSampleValue= 120xyz\r\n") << "MeasureSampleValue" << "120";
    QTest::newRow("last value wins") << QByteArray("RsPort_CH1=COM1\r\nRsPort_CH1=COM3\r\n") << "RsPort" << "COM3";
    QTest::newRow("key anywhere, sections decoration") << QByteArray("[Measure]\r\nRsPort_CH1=/dev/ttyUSB0\r\n") << "RsPort" << "/dev/ttyUSB0";
    QTest::newRow("case-sensitive key") << QByteArray("rsport_ch1=COM9\r\n") << "RsPort" << "";
    QTest::newRow("missing key stays empty") << QByteArray("HumGraph= 1\r\n") << "RsPort" << "";
    QTest::newRow("LF-only file") << QByteArray("RsParity_CH1=E\nRsStopBit_CH1=2\n") << "RsStopBit" << "2";
    QTest::newRow("quoted field") << QByteArray("\"RsDataBit_CH1=7\"\r\n") << "RsDataBit" << "7";
    QTest::newRow("CR-only file") << QByteArray("RsParity_CH1=E\rRsStopBit_CH1=2\r") << "RsStopBit" << "2";
    QTest::newRow("after a line of 100,000 bytes") << QByteArray(100000, 'x') + "\r\nRsPort_CH1=COM7\r\n" << "RsPort" << "COM7";
}

static QString fieldText(const SettingsRecord &r, const QString &field)
{
    if (field == QLatin1String("ProgMode")) return r.ProgMode ? QStringLiteral("true") : QStringLiteral("false");
    if (field == QLatin1String("DefaultFolder")) return r.DefaultFolder;
    if (field == QLatin1String("RsPort")) return r.RsPort;
    if (field == QLatin1String("RsSpeed")) return r.RsSpeed;
    if (field == QLatin1String("RsDataBit")) return r.RsDataBit;
    if (field == QLatin1String("RsStopBit")) return r.RsStopBit;
    if (field == QLatin1String("RsFlow")) return QString::number(r.RsFlow);
    if (field == QLatin1String("MeasureMode")) return QString::number(r.MeasureMode);
    if (field == QLatin1String("MeasureSampleValue")) return QString::number(r.MeasureSampleValue);
    return QStringLiteral("?");
}

void TestSettings::readRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    TestProgramFolder folder;
    setLanguageState("en_US.UTF-8", 1);
    folder.writeFile(QStringLiteral("Telvaro.ini"), content);
    SettingsRecord r = LoadSettings(folder.path());
    QCOMPARE(fieldText(r, field), expected == "@DATA@" ? settingsfile::systemDataFolder() : expected);
}

void TestSettings::sampleTimeCheck_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en keeps 5sec") << QByteArray("en_US.UTF-8") << 0 << "5sec" << "5sec";
    QTest::newRow("en resets Japanese") << QByteArray("en_US.UTF-8") << 0 << QString::fromUtf8("５秒") << "1sec";
    QTest::newRow("ja/0 keeps Japanese") << QByteArray("ja_JP.UTF-8") << 0 << QString::fromUtf8("５秒") << QString::fromUtf8("５秒");
    QTest::newRow("ja/0 resets sec") << QByteArray("ja_JP.UTF-8") << 0 << "5sec" << QString::fromUtf8("１秒");
    QTest::newRow("ja/1 keeps sec") << QByteArray("ja_JP.UTF-8") << 1 << "5sec" << "5sec";
    QTest::newRow("ja/1 resets Japanese") << QByteArray("ja_JP.UTF-8") << 1 << QString::fromUtf8("５秒") << "1sec";
    QTest::newRow("ja/0 keeps Japanese, no code set") << QByteArray("ja_JP") << 0 << QString::fromUtf8("５秒") << QString::fromUtf8("５秒");
    QTest::newRow("zh/0 keeps Chinese") << QByteArray("zh_CN.UTF-8") << 0 << QString::fromUtf8("30秒") << QString::fromUtf8("30秒");
    QTest::newRow("ja/2 keeps anything") << QByteArray("ja_JP.UTF-8") << 2 << "junk" << "junk";
}

void TestSettings::sampleTimeCheck()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, choice);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    TestProgramFolder folder(locale);
    setLanguageState(locale, qint16(choice));
    folder.writeFile(QStringLiteral("Telvaro.ini"), "MeasureSampleTime=" + codepage::toFile(stored) + "\r\n");
    SettingsRecord r = LoadSettings(folder.path());
    QCOMPARE(r.MeasureSampleTime, expected);
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

void TestSettings::legacyEncodedFileReads()
{
    // A file written on a Japanese Windows system (Shift-JIS) read on a Japanese system.
    TestProgramFolder folder("ja_JP.UTF-8");
    setLanguageState("ja_JP.UTF-8", 0);
    QStringEncoder sjis("Shift_JIS");
    QVERIFY(sjis.isValid());
    folder.writeFile(QStringLiteral("Telvaro.ini"), "MeasureSampleTime=" + QByteArray(sjis.encode(QString::fromUtf8("１０秒"))) + "\r\n");
    SettingsRecord r = LoadSettings(folder.path());
    QCOMPARE(r.MeasureSampleTime, QString::fromUtf8("１０秒"));

    TestProgramFolder zh("zh_CN.UTF-8");
    setLanguageState("zh_CN.UTF-8", 0);
    QStringEncoder gbk("GBK");
    zh.writeFile(QStringLiteral("Telvaro.ini"), "MeasureSampleTime=" + QByteArray(gbk.encode(QString::fromUtf8("60秒"))) + "\r\n");
    r = LoadSettings(zh.path());
    QCOMPARE(r.MeasureSampleTime, QString::fromUtf8("60秒"));
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
