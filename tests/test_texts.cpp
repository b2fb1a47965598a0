// The text table, its lookup by system language and choice, and "Language.dat".
#include <QtTest>

#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "support/TestEnv.h"

class TestTexts : public QObject {
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
};

QTEST_GUILESS_MAIN(TestTexts)
#include "test_texts.moc"
