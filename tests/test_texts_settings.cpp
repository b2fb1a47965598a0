// The text table, its lookup by system language and choice, and "Language.dat"; "Telvaro.ini": the
// 20-line layout byte for byte, the reader's rules and its fall-backs.
#include <QStringEncoder>
#include <QtTest>

#include "datafiles/SettingsFile.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "support/TestEnv.h"

namespace {
// A file under tests/data/settings, "@FOLDER@" standing for the data folder.
QByteArray expectedFile(const QString &name, const QString &folder)
{
    return readTestFile(QStringLiteral(TELVARO_TEST_DATA "/settings/") + name).replace("@FOLDER@", folder.toUtf8());
}
} // namespace

class TestTextsSettings : public QObject {
    Q_OBJECT
private slots:
    void lookup_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("system");
        QTest::addColumn<int>("base");  // 777 before: a choice out of range leaves it
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *locale, int choice, const char *system, int base, int id,
                            const char *text) {
            QTest::newRow(name) << QByteArray(locale) << choice << QString(system) << base << id << QString(text);
        };
        row("en system", "en_US.UTF-8", 0, "English", 0, 110, "Measurement(&M)");
        row("en system, English chosen", "en_GB.UTF-8", 1, "English", 0, 110, "Measurement(&M)");
        row("ja SJIS, English from the ja block", "ja_JP.SJIS", 1, "Japanese", 10000, 110, "Measurement(&M)");
        row("zh system, own language", "zh_CN.UTF-8", 0, "Chinese", 0, 179, "许可放大");
        row("zh system, English: folder label", "zh_CN.UTF-8", 1, "Chinese", 10000, 140, "Save Folder of Data");
        row("zh system, English: 192", "zh_CN.UTF-8", 1, "Chinese", 10000, 192, "Data is not saved. Does it save?");
        row("zh system, English: others plain", "zh_CN.UTF-8", 1, "Chinese", 10000, 113, "Data transfer");
        row("de system, English either way", "de_DE.UTF-8", 0, "German", 10000, 110, "Measurement(&M)");
        row("de system, 192", "de_DE.UTF-8", 1, "German", 10000, 192, "Data is not saved. Do you save?");
        row("choice 2 keeps own language", "ja_JP.UTF-8", 2, "Japanese", 777, 126, "１秒");
        row("fr with modifier, choice 2", "fr_FR.UTF-8@euro", 2, "French", 777, 110, "Measurement(&M)");
        row("ja block keeps English 175", "ja_JP.UTF-8", 0, "Japanese", 0, 175, "English");
        row("zh TW, one second", "zh_TW.UTF-8", 0, "Chinese", 0, 126, "1秒");
        row("178 is empty", "en_US.UTF-8", 0, "English", 0, 178, "");
    }
    void lookup()
    {
        QFETCH(QByteArray, locale);
        QFETCH(int, choice);
        QFETCH(int, id);
        TestProgramFolder folder(locale);
        setLanguageState(locale, qint16(choice));
        const QString system = i18n::language().systemLanguage;
        QTEST(system, "system");
        QTEST(int(language::computeResIdBase(qint16(choice), system, 777)), "base");
        QTEST(LoadResString(id), "expected");
    }

    void everyIdResolves()
    {
        // Every number the program can form finds a text, for every kind of system (178 is empty).
        for (const QString lang : {"English", "Japanese", "Chinese", "German"})
            for (int base : {0, 10000})
                for (int k = base + 101; k <= base + 194; ++k)
                    QVERIFY2(k % 10000 == 178 || !i18n::lookupText(k, lang).isEmpty(),
                             qPrintable(QString::number(k) + lang));
    }

    void languageFileRead_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expected");  // -1 = counts as missing: the choice is left as it was
        QTest::newRow("written form 1") << QByteArray("Language = 1\r\n") << 1;
        QTest::newRow("written form 0") << QByteArray("Language = 0\r\n") << 0;
        QTest::newRow("no blank after =") << QByteArray("Language =1\r\n") << 1;
        QTest::newRow("letters") << QByteArray("Language = abc\r\n") << 0;
        QTest::newRow("no blank before =") << QByteArray("Language= 1\r\n") << 0;
        QTest::newRow("lower-case key") << QByteArray("language = 1\r\n") << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("last one wins") << QByteArray("Language = 1\r\nLanguage = 0\r\n") << 0;
        QTest::newRow("field after comma") << QByteArray("x=2,Language = 1\r\n") << 1;
        QTest::newRow("rounds half to even") << QByteArray("Language = 2.5\r\n") << 2;
        QTest::newRow("too large") << QByteArray("Language = 40000\r\n") << -1;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe=\x01\r\n\x80", 8) << 0;
    }
    void languageFileRead()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, expected);
        TestProgramFolder folder;
        folder.writeFile(QStringLiteral("Language.dat"), content);
        i18n::language().choice = -1;
        QCOMPARE(ReadLanguageFile(folder.path()), expected >= 0);
        QCOMPARE(int(i18n::language().choice), expected);
    }

    void defaultsWhenMissing_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<bool>("documents");  // the user has a documents folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("ja") << QByteArray("ja_JP.UTF-8") << true << "default-ja.ini";
        QTest::newRow("ja, no code set") << QByteArray("ja_JP") << false << "default-ja.ini";
        QTest::newRow("zh") << QByteArray("zh_CN.UTF-8") << false << "default-zh.ini";
        QTest::newRow("de (English texts)") << QByteArray("de_DE.UTF-8") << false << "default-en.ini";
        QTest::newRow("C") << QByteArray("C") << true << "default-en.ini";
    }
    void defaultsWhenMissing()
    {
        QFETCH(QByteArray, locale);
        QFETCH(bool, documents);
        QFETCH(QString, expected);
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
        QVERIFY(SaveSettings(folder.path(), r));
        const QString data = documents ? folder.filePath("Documents") : folder.path();
        QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")), expectedFile(expected, data));
    }

    void readRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &content, const char *field, const char *value) {
            QTest::newRow(name) << content << QString(field) << QString(value);
        };
        row("ProgMode with blank", "ProgMode= True\r\n", "ProgMode", "true");
        row("ProgMode without blank", "ProgMode=True\r\n", "ProgMode", "false");
        row("folder with comma kept whole", "DefaultFolder=/srv/Survey, 2026\r\n", "DefaultFolder",
            "/srv/Survey, 2026");
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
    void readRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        TestProgramFolder folder;
        setLanguageState("en_US.UTF-8", 1);
        folder.writeFile(QStringLiteral("Telvaro.ini"), content);
        const SettingsRecord r = LoadSettings(folder.path());
        const QMap<QString, QString> fields{{"ProgMode", r.ProgMode ? "true" : "false"},
            {"DefaultFolder", r.DefaultFolder}, {"RsPort", r.RsPort}, {"RsSpeed", r.RsSpeed},
            {"RsDataBit", r.RsDataBit}, {"RsStopBit", r.RsStopBit}, {"RsFlow", QString::number(r.RsFlow)},
            {"MeasureMode", QString::number(r.MeasureMode)},
            {"MeasureSampleValue", QString::number(r.MeasureSampleValue)}};
        QCOMPARE(fields.value(field), expected == "@DATA@" ? settingsfile::systemDataFolder() : expected);
    }

    void sampleTimeCheck_data()
    {
        // Stored as a Windows system of the language writes it: Shift_JIS, GBK, Windows-1252.
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *locale, int choice, const char *stored, const char *now) {
            QTest::newRow(name) << QByteArray(locale) << choice << QString::fromUtf8(stored) << QString::fromUtf8(now);
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
    void sampleTimeCheck()
    {
        QFETCH(QByteArray, locale);
        QFETCH(int, choice);
        QFETCH(QString, stored);
        TestProgramFolder folder(locale);
        setLanguageState(locale, qint16(choice));
        const char *codePage = locale.startsWith("ja") ? "Shift_JIS" : locale.startsWith("zh") ? "GBK" : "windows-1252";
        QStringEncoder encode(codePage);
        QVERIFY(encode.isValid());
        folder.writeFile(QStringLiteral("Telvaro.ini"), "MeasureSampleTime=" + QByteArray(encode(stored)) + "\r\n");
        QTEST(LoadSettings(folder.path()).MeasureSampleTime, "expected");
    }

    void badFilesNeverStopTheStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");  // what the next exit writes: every field empty, or all defaults
        QTest::newRow("empty") << QByteArray() << "empty-fields.ini";
        QTest::newRow("overflow 16-bit") << QByteArray("RsPort_CH1=COM7\r\nMeasureMode=40000\r\n") << "default-en.ini";
        QTest::newRow("overflow 32-bit") << QByteArray("MeasureSampleValue=99999999999\r\n") << "default-en.ini";
        QTest::newRow("half-written") << QByteArray("[Computer Setting]\r\nProgMode= Tr") << "empty-fields.ini";
        QTest::newRow("one line of 100,000 bytes") << QByteArray(100000, 'x') << "empty-fields.ini";
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 131) & 0xff);
        QTest::newRow("binary") << binary << "empty-fields.ini";
    }
    void badFilesNeverStopTheStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        TestProgramFolder folder;
        setLanguageState("en_US.UTF-8", 1);
        folder.writeFile(QStringLiteral("Telvaro.ini"), content);
        SettingsRecord r = LoadSettings(folder.path());
        // The next exit replaces it whole, a comma in the folder written as it is; no temporary file is left.
        r.DefaultFolder = QStringLiteral("/home/tech/Survey, 2026");
        QVERIFY(SaveSettings(folder.path(), r));
        QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")), expectedFile(expected, r.DefaultFolder));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("Telvaro.ini")});
    }
};

QTEST_GUILESS_MAIN(TestTextsSettings)
#include "test_texts_settings.moc"
