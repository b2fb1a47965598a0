// The meter's command texts, the reply splitters, ParseDataRecord and the RSErr.log format:
// plain code over bytes, tested without a port.

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "startup/Variable.h"
#include "support/TestEnv.h"

using Units = std::array<QByteArray, 9>;
using Fields5 = std::array<QByteArray, 5>;
using Values8 = std::array<double, 8>;
using Values4 = std::array<double, 4>;
Q_DECLARE_METATYPE(Units)
Q_DECLARE_METATYPE(Fields5)
Q_DECLARE_METATYPE(Values8)
Q_DECLARE_METATYPE(Values4)

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void commandTexts_data();
    void commandTexts();
    void acknowledgements_data();
    void acknowledgements();
    void units_data();
    void units();
    void sReply_data();
    void sReply();
    void pReply_data();
    void pReply();
    void mReply_data();
    void mReply();
    void tHeader();
    void dataRecord_data();
    void dataRecord();
    void oaRecord_data();
    void oaRecord();
    void parseDataRecordFillsTheSeries();
    void parseDataRecordRefusesWhatItCannotPlace();
    void logEntry_data();
    void logEntry();
    void logFileByteForByte();
    void logFileUnwritableIsSilent();
};

void TestProtocol::commandTexts_data()
{
    QTest::addColumn<QByteArray>("letters");
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("U") << QByteArray("U") << -1 << QByteArray("U\r\n");
    QTest::newRow("D0001") << QByteArray("D0001") << -1 << QByteArray("D0001\r\n");
    QTest::newRow("T page 1") << QByteArray("T") << 1 << QByteArray("T0001\r\n");
    QTest::newRow("T page 7") << QByteArray("T") << 7 << QByteArray("T0007\r\n");
    QTest::newRow("M page 10") << QByteArray("M") << 10 << QByteArray("M0010\r\n");
    QTest::newRow("M page 100") << QByteArray("M") << 100 << QByteArray("M0100\r\n");
    QTest::newRow("T page 123") << QByteArray("T") << 123 << QByteArray("T0123\r\n");
    QTest::newRow("M page 250") << QByteArray("M") << 250 << QByteArray("M0250\r\n");
    QTest::newRow("T page 1000") << QByteArray("T") << 1000 << QByteArray("T1000\r\n");
    QTest::newRow("T page 9999") << QByteArray("T") << 9999 << QByteArray("T9999\r\n");
    // The meter takes four digits and nothing else.
    QTest::newRow("T page 12345 kept to four digits") << QByteArray("T") << 12345 << QByteArray("T9999\r\n");
}

void TestProtocol::commandTexts()
{
    QFETCH(QByteArray, letters);
    QFETCH(int, page);
    QFETCH(QByteArray, expected);
    QCOMPARE(protocol::command(letters.constData(), page), expected);
    if (page >= 0)
        QCOMPARE(protocol::pageArgument(page), expected.mid(1, 4));
}

void TestProtocol::acknowledgements_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("letter");
    QTest::addColumn<bool>("ack");
    QTest::addColumn<bool>("bare");
    QTest::newRow("AG CR LF") << QByteArray("AG\r\n") << 'G' << true << true;
    QTest::newRow("AG without CR LF") << QByteArray("AG") << 'G' << false << false;
    QTest::newRow("AG CR LF and more") << QByteArray("AG\r\nX") << 'G' << false << false;
    QTest::newRow("AG CR LF and a line") << QByteArray("AG\r\nX\r\n") << 'G' << true << false;
    QTest::newRow("AG LF only") << QByteArray("AG\n") << 'G' << false << false;
    QTest::newRow("wrong letter") << QByteArray("AX\r\n") << 'G' << false << false;
    QTest::newRow("lower case") << QByteArray("ag\r\n") << 'G' << false << false;
    QTest::newRow("AU with units") << QByteArray("AU\r\nppm;ppm\r\n") << 'U' << true << false;
    QTest::newRow("empty") << QByteArray() << 'S' << false << false;
    QTest::newRow("noise before") << QByteArray("\x00" "AS\r\n", 5) << 'S' << false << false;
}

void TestProtocol::acknowledgements()
{
    QFETCH(QByteArray, text);
    QFETCH(char, letter);
    QFETCH(bool, ack);
    QFETCH(bool, bare);
    QCOMPARE(protocol::isAck(text, letter), ack);
    QCOMPARE(protocol::isBareAck(text, letter), bare);
}

void TestProtocol::units_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Units>("units");
    QTest::newRow("meter's reply")
        << QByteArray("AU\r\nppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C;g/m3;g/kg;hPa\r\n") << true
        << Units{"ppm", "ppm", "\xDF" "C", "%RH", "\xDF" "C", "\xDF" "C", "g/m3", "g/kg", "hPa\r\n"};
    QTest::newRow("empty fields") << QByteArray("AU\r\n;;;;;;;;\r\n") << true
                                  << Units{"", "", "", "", "", "", "", "", "\r\n"};
    QTest::newRow("more fields: the ninth runs to the end")
        << QByteArray("AU\r\n1;2;3;4;5;6;7;8;9;10\r\n") << true
        << Units{"1", "2", "3", "4", "5", "6", "7", "8", "9;10\r\n"};
    QTest::newRow("eight fields") << QByteArray("AU\r\n1;2;3;4;5;6;7;8\r\n") << false << Units{};
    QTest::newRow("acknowledgement only") << QByteArray("AU\r\n") << false << Units{};
    QTest::newRow("separator in the acknowledgement does not count")
        << QByteArray("A;\r\n1;2;3;4;5;6;7;8\r\n") << false << Units{};
    QTest::newRow("empty") << QByteArray() << false << Units{};
}

void TestProtocol::units()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QFETCH(Units, units);
    const auto split = protocol::splitUnits(reply);
    QCOMPARE(split.has_value(), ok);
    if (ok)
        QCOMPARE(*split, units);
}

void TestProtocol::sReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("pressure");
    QTest::newRow("meter's reply") << QByteArray("AS;1;0;1013\r\n") << true << 1 << 1013;
    QTest::newRow("flag 0") << QByteArray("AS;0;0;998\r\n") << true << 0 << 998;
    QTest::newRow("blanks and decimals") << QByteArray("AS; 1.5;x; 1013.5\r\n") << true << 2 << 1014;
    QTest::newRow("not numbers give 0") << QByteArray("AS;abc;0;hPa\r\n") << true << 0 << 0;
    QTest::newRow("empty fields") << QByteArray("AS;;;\r\n") << true << 0 << 0;
    QTest::newRow("pressure runs to the end") << QByteArray("AS;1;0;1013;7\r\n") << true << 1 << 1013;
    QTest::newRow("two separators") << QByteArray("AS;1;0\r\n") << false << 0 << 0;
    QTest::newRow("no separator") << QByteArray("AS\r\n") << false << 0 << 0;
    QTest::newRow("flag beyond 16 bits") << QByteArray("AS;40000;0;1013\r\n") << false << 0 << 0;
    QTest::newRow("pressure beyond 32 bits") << QByteArray("AS;1;0;99999999999\r\n") << false << 0 << 0;
}

void TestProtocol::sReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QFETCH(int, flag);
    QFETCH(int, pressure);
    const auto s = protocol::splitS(reply);
    QCOMPARE(s.has_value(), ok);
    if (ok) {
        QCOMPARE(int(s->coScaleFlag), flag);
        QCOMPARE(int(s->atmosPressure), pressure);
    }
}

void TestProtocol::pReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("pages");
    QTest::newRow("12 pages") << QByteArray("AP\r\nP0012\r\n") << 12;
    QTest::newRow("no pages") << QByteArray("AP\r\nP0000\r\n") << 0;
    QTest::newRow("9999 pages") << QByteArray("AP\r\nP9999\r\n") << 9999;
    QTest::newRow("count right after the P of AP") << QByteArray("APP0003\r\n") << 3;
    QTest::newRow("no second P") << QByteArray("AP\r\n0012\r\n") << 0;
    QTest::newRow("acknowledgement only") << QByteArray("AP\r\n") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("short count") << QByteArray("AP\r\nP7\r\n") << 7;
    QTest::newRow("negative count") << QByteArray("AP\r\nP-003\r\n") << 0;
    QTest::newRow("binary") << QByteArray("\xFF\x00PP\x01", 5) << 0;
}

void TestProtocol::pReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, pages);
    QCOMPARE(protocol::splitP(reply), pages);
}

void TestProtocol::mReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Fields5>("fields");
    QTest::newRow("calculation page") << QByteArray("AM0001  000;10;20;AVG;1013\r\n") << true
                                      << Fields5{"000", "10", "20", "AVG", "1013\r\n"};
    QTest::newRow("%OA page") << QByteArray("AM0002  001;30;30;TMP;1008\r\n") << true
                              << Fields5{"001", "30", "30", "TMP", "1008\r\n"};
    QTest::newRow("characters 3 to 8 skipped whatever they hold")
        << QByteArray("AM;;;;;;000;1;2;INS;999\r\n") << true << Fields5{"000", "1", "2", "INS", "999\r\n"};
    QTest::newRow("three separators") << QByteArray("AM0001  000;10;20;AVG\r\n") << false << Fields5{};
    QTest::newRow("acknowledgement only") << QByteArray("AM\r\n") << false << Fields5{};
    QTest::newRow("eleven characters") << QByteArray("AM0001  0\r\n") << false << Fields5{};
}

void TestProtocol::mReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QFETCH(Fields5, fields);
    const auto split = protocol::splitM(reply);
    QCOMPARE(split.has_value(), ok);
    if (ok)
        QCOMPARE(*split, fields);
}

void TestProtocol::tHeader()
{
    const auto h = protocol::splitTHeader("2026/11/30 09:15:00\r\n");
    QCOMPARE(h.date, QByteArray("2026/11/30"));
    QCOMPARE(h.time, QByteArray("09:15:00"));
    const auto shortHeader = protocol::splitTHeader("2026/11");
    QCOMPARE(shortHeader.date, QByteArray("2026/11"));
    QCOMPARE(shortHeader.time, QByteArray());
}

void TestProtocol::dataRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Values8>("values");
    QTest::newRow("standard live record")
        << QByteArray("    1.2;  523.0;   22.4;   45.1\r\n") << false << false << true
        << Values8{1.2, 523, 22.4, 45.1, 0, 0, 0, 0};
    QTest::newRow("detailed live record")
        << QByteArray("    0.0;  600.0;   23.0;   50.0;   12.0;   16.2;   10.2;    8.8\r\n") << true << false
        << true << Values8{0, 600, 23, 50, 12, 16.2, 10.2, 8.8};
    QTest::newRow("negative and blank fields")
        << QByteArray("   -1.5;       ;  -12.0;abc\r\n") << false << false << true
        << Values8{-1.5, 0, -12, 0, 0, 0, 0, 0};
    QTest::newRow("debug line: the fifth number is ignored")
        << QByteArray(" 12; 2000; 25; 40; 7") << false << false << true << Values8{12, 2000, 25, 40, 0, 0, 0, 0};
    QTest::newRow("page record, first field skipped")
        << QByteArray("0001;    1.0;  500.0;   21.0;   40.0\r\n") << false << true << true
        << Values8{1, 500, 21, 40, 0, 0, 0, 0};
    QTest::newRow("detailed page record")
        << QByteArray("0002;1;2;3;4;5;6;7;8\r\n") << true << true << true << Values8{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("standard lacks a separator") << QByteArray("    1.2;  523.0   22.4;   45.1\r\n") << false
                                                << false << false << Values8{};
    QTest::newRow("detailed record with four values") << QByteArray("1;2;3;4\r\n") << true << false << false
                                                      << Values8{};
    QTest::newRow("blanks where separators belong")
        << QByteArray("    1.2    523.0    22.4    45.1\r\n") << false << false << false << Values8{};
    QTest::newRow("page record without any separator") << QByteArray("0001\r\n") << false << true << false
                                                       << Values8{};
    QTest::newRow("empty") << QByteArray() << false << false << false << Values8{};
}

void TestProtocol::dataRecord()
{
    QFETCH(QByteArray, record);
    QFETCH(bool, detailed);
    QFETCH(bool, skip);
    QFETCH(bool, ok);
    QFETCH(Values8, values);
    const auto split = protocol::splitDataRecord(record, detailed, skip);
    QCOMPARE(split.has_value(), ok);
    if (ok)
        QCOMPARE(*split, values);
}

void TestProtocol::oaRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Values4>("values");
    QTest::newRow("meter's record") << QByteArray("0001   25.0;   24.1;   18.3;    5.0\r\n") << true
                                    << Values4{25, 24.1, 18.3, 5};
    QTest::newRow("leading four characters whatever they hold") << QByteArray("9;9;12.5;1;2;3\r\n") << true
                                                                << Values4{12.5, 1, 2, 3};
    QTest::newRow("two separators") << QByteArray("000125.0;24.1;18.3\r\n") << false << Values4{};
    QTest::newRow("CR LF only") << QByteArray("\r\n") << false << Values4{};
}

void TestProtocol::oaRecord()
{
    QFETCH(QByteArray, record);
    QFETCH(bool, ok);
    QFETCH(Values4, values);
    const auto split = protocol::splitOaRecord(record);
    QCOMPARE(split.has_value(), ok);
    if (ok)
        QCOMPARE(*split, values);
}

void TestProtocol::parseDataRecordFillsTheSeries()
{
    Variable::resetAll();
    Variable::resizeLiveSeries(3);
    QVERIFY(ParseDataRecord("    1.0;  500.0;   21.0;   40.0\r\n", 1, 0, 0));
    QVERIFY(ParseDataRecord("0003;1;2;3;4;5;6;7;8\r\n", 3, 1, 1));
    const QVector<double> expected[8] = {{0, 1, 0, 1}, {0, 500, 0, 2}, {0, 21, 0, 3}, {0, 40, 0, 4},
                                         {0, 0, 0, 5}, {0, 0, 0, 6},   {0, 0, 0, 7},  {0, 0, 0, 8}};
    const QVector<double> *series[8] = {&Variable::COData,       &Variable::CO2Data,     &Variable::TempData,
                                        &Variable::HumData,      &Variable::DewPointData, &Variable::WetBulbData,
                                        &Variable::AbsHumData,   &Variable::HumRatioData};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(*series[i], expected[i]);
}

void TestProtocol::parseDataRecordRefusesWhatItCannotPlace()
{
    Variable::resetAll();
    Variable::resizeLiveSeries(2);
    // A record without its separators, or an index the buffers were not sized for: nothing written.
    QVERIFY(!ParseDataRecord("1 2 3 4\r\n", 1, 0, 0));
    QVERIFY(!ParseDataRecord("1;2;3;4\r\n", 3, 0, 0));
    QVERIFY(!ParseDataRecord("1;2;3;4\r\n", -1, 0, 0));
    Variable::DewPointData.clear();  // detailed needs all eight
    QVERIFY(!ParseDataRecord("1;2;3;4;5;6;7;8\r\n", 1, 1, 0));
    QCOMPARE(Variable::COData, QVector<double>({0, 0, 0}));
}

void TestProtocol::logEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("P gave up, nothing received") << "P Command" << QByteArray() << 4
                                                 << QByteArray("2004/06/20 12:00:00,P Command,, 4\r\n");
    QTest::newRow("no retry loop") << "G Command(Cal)" << QByteArray("AX\r\n") << -1
                                   << QByteArray("2004/06/20 12:00:00,G Command(Cal),AX\r\n,-1\r\n");
    QTest::newRow("101 attempts") << "N Command" << QByteArray("A") << 101
                                  << QByteArray("2004/06/20 12:00:00,N Command,A, 101\r\n");
    QTest::newRow("zero") << "T Command Data Read(Cal Data)" << QByteArray("0001;") << 0
                          << QByteArray("2004/06/20 12:00:00,T Command Data Read(Cal Data),0001;, 0\r\n");
    QTest::newRow("binary reply kept") << "S Command" << QByteArray("\x00\xFF\r", 3) << 4
                                       << QByteArray("2004/06/20 12:00:00,S Command,\x00\xFF\r, 4\r\n", 38);
}

void TestProtocol::logEntry()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, reply);
    QFETCH(int, attempts);
    QFETCH(QByteArray, expected);
    QCOMPARE(formatRsErrLogEntry(QStringLiteral("2004/06/20 12:00:00"), name, reply, attempts), expected);
}

void TestProtocol::logFileByteForByte()
{
    TestProgramFolder folder;
    WriteRsErrLog(QStringLiteral("P Command"), QByteArray(), 4);
    WriteRsErrLog(QStringLiteral("Unit Read(Measurment)"), QByteArray(), -1);
    WriteRsErrLog(QStringLiteral("S Command"), QByteArray("AS;1;0\r\nAS", 10), 4);
    WriteRsErrLog(QStringLiteral("D Command Data Read"), QByteArray("\x00\x01\xFE\xFF", 4), 101);
    QByteArray written = folder.readFile(QStringLiteral("RSErr.log"));

    // The stamps are the local time of writing, in the fixed format; mask them for the comparison.
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2},"));
    int at = 0;
    int stamps = 0;
    while ((at = written.indexOf("\r\n", at)) >= 0) {
        at += 2;
        const QString head = QString::fromLatin1(written.mid(at, 20));
        if (stamp.match(head).hasMatch()) {
            written.replace(at, 19, "yyyy/MM/dd HH:mm:ss");
            ++stamps;
        }
    }
    QCOMPARE(stamps, 4);
    QFile expected(QStringLiteral(TELVARO_TEST_DATA "/serial/RSErr.log"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(written, expected.readAll());
}

void TestProtocol::logFileUnwritableIsSilent()
{
    TestProgramFolder folder;
    // A folder where the log should be: the entry is lost, nothing else happens.
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("RSErr.log")));
    WriteRsErrLog(QStringLiteral("P Command"), QByteArray(), 4);
    QVERIFY(QFileInfo(folder.filePath(QStringLiteral("RSErr.log"))).isDir());
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "test_protocol.moc"
