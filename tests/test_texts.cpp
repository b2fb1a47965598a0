// The text table, its lookup by system language and choice, and "Language.dat".
#include <QtTest>

#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "support/TestEnv.h"

class TestTexts : public QObject {
    Q_OBJECT
private slots:
    void lookup_data();
    void lookup();
    void everyIdResolves();
    void systemLanguageFromLocale_data();
    void systemLanguageFromLocale();
    void resIdBase_data();
    void resIdBase();
    void languageFileRead_data();
    void languageFileRead();
    void languageFileWrittenByteForByte();
};

void TestTexts::lookup_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en system") << QByteArray("en_US.UTF-8") << 0 << 110 << "Measurement(&M)";
    QTest::newRow("en system, English chosen") << QByteArray("en_GB.UTF-8") << 1 << 110 << "Measurement(&M)";
    QTest::newRow("ja system, own language") << QByteArray("ja_JP.UTF-8") << 0 << 110 << QString::fromUtf8("計測(&M)");
    QTest::newRow("ja system, English from the Japanese block") << QByteArray("ja_JP.UTF-8") << 1 << 110 << "Measurement(&M)";
    QTest::newRow("zh system, own language") << QByteArray("zh_CN.UTF-8") << 0 << 179 << QString::fromUtf8("许可放大");
    QTest::newRow("zh system, English: Measurment") << QByteArray("zh_CN.UTF-8") << 1 << 110 << "Measurment(&M)";
    QTest::newRow("zh system, English: folder label") << QByteArray("zh_CN.UTF-8") << 1 << 140 << "Save Folder of Data";
    QTest::newRow("zh system, English: 192") << QByteArray("zh_CN.UTF-8") << 1 << 192 << "Data is not saved. Does it save?";
    QTest::newRow("zh system, English: others plain") << QByteArray("zh_CN.UTF-8") << 1 << 113 << "Data transfer";
    QTest::newRow("de system, English either way") << QByteArray("de_DE.UTF-8") << 0 << 110 << "Measurement(&M)";
    QTest::newRow("de system, 192") << QByteArray("de_DE.UTF-8") << 1 << 192 << "Data is not saved. Do you save?";
    QTest::newRow("choice 2 keeps own language") << QByteArray("ja_JP.UTF-8") << 2 << 126 << QString::fromUtf8("１秒");
    QTest::newRow("ja block keeps English 175") << QByteArray("ja_JP.UTF-8") << 0 << 175 << "English";
    QTest::newRow("zh one second") << QByteArray("zh_CN.UTF-8") << 0 << 126 << QString::fromUtf8("1秒");
    QTest::newRow("178 is empty") << QByteArray("en_US.UTF-8") << 0 << 178 << "";
}

void TestTexts::lookup()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, choice);
    QFETCH(int, id);
    QFETCH(QString, expected);
    TestProgramFolder folder(locale);
    setLanguageState(locale, qint16(choice));
    QCOMPARE(LoadResString(id), expected);
}

void TestTexts::everyIdResolves()
{
    // Every number the program can form is held by some block, for every kind of system.
    for (const char *lang : {"English", "Japanese", "Chinese", "German"}) {
        for (int base : {0, 10000}) {
            for (int id = 101; id <= 194; ++id) {
                const int k = base + id;
                const bool held = i18n::blockHolds(i18n::Block::English, k) || i18n::blockHolds(i18n::Block::Japanese, k)
                                  || i18n::blockHolds(i18n::Block::Chinese, k);
                QVERIFY2(held, qPrintable(QStringLiteral("%1 for %2").arg(k).arg(QLatin1String(lang))));
                if (id != 178)
                    QVERIFY(!i18n::lookupText(k, QLatin1String(lang)).isEmpty());
            }
        }
    }
    QVERIFY(!i18n::blockHolds(i18n::Block::English, 10101));
    QVERIFY(i18n::blockHolds(i18n::Block::Japanese, 10222));
    QVERIFY(!i18n::blockHolds(i18n::Block::Japanese, 223));
}

void TestTexts::systemLanguageFromLocale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ja") << QByteArray("ja_JP.UTF-8") << "Japanese";
    QTest::newRow("ja sjis") << QByteArray("ja_JP.SJIS") << "Japanese";
    QTest::newRow("zh") << QByteArray("zh_CN.UTF-8") << "Chinese";
    QTest::newRow("zh TW") << QByteArray("zh_TW.UTF-8") << "Chinese";
    QTest::newRow("en") << QByteArray("en_US.UTF-8") << "English";
    QTest::newRow("de") << QByteArray("de_DE.UTF-8") << "German";
    QTest::newRow("fr with modifier") << QByteArray("fr_FR.UTF-8@euro") << "French";
}

void TestTexts::systemLanguageFromLocale()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, expected);
    TestProgramFolder folder(locale);
    QCOMPARE(language::detectSystemLanguage(), expected);
}

void TestTexts::resIdBase_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("expected");
    QTest::newRow("0 ja") << 0 << "Japanese" << 0;
    QTest::newRow("0 zh") << 0 << "Chinese" << 0;
    QTest::newRow("0 en") << 0 << "English" << 0;
    QTest::newRow("0 de") << 0 << "German" << 10000;
    QTest::newRow("1 ja") << 1 << "Japanese" << 10000;
    QTest::newRow("1 en") << 1 << "English" << 0;
    QTest::newRow("1 de") << 1 << "German" << 10000;
    QTest::newRow("2 unchanged") << 2 << "German" << 777;
}

void TestTexts::resIdBase()
{
    QFETCH(int, choice);
    QFETCH(QString, system);
    QFETCH(int, expected);
    QCOMPARE(int(language::computeResIdBase(qint16(choice), system, 777)), expected);
}

void TestTexts::languageFileRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expected");  // -1 = counts as missing
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

void TestTexts::languageFileRead()
{
    QFETCH(QByteArray, content);
    QFETCH(int, expected);
    const auto result = language::parseLanguageFile(content);
    if (expected < 0) {
        QVERIFY(!result.has_value());
    } else {
        QVERIFY(result.has_value());
        QCOMPARE(int(*result), expected);
    }
}

void TestTexts::languageFileWrittenByteForByte()
{
    TestProgramFolder folder;
    i18n::language().choice = 1;
    QVERIFY(WriteLanguageFile());
    QCOMPARE(folder.readFile(QStringLiteral("Language.dat")), QByteArray("Language = 1\r\n"));
    i18n::language().choice = 0;
    QVERIFY(WriteLanguageFile());
    QCOMPARE(folder.readFile(QStringLiteral("Language.dat")), QByteArray("Language = 0\r\n"));
    i18n::language().choice = 5;
    QVERIFY(ReadLanguageFile(folder.path()));
    QCOMPARE(int(i18n::language().choice), 0);
}

QTEST_GUILESS_MAIN(TestTexts)
#include "test_texts.moc"
