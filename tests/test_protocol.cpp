// The meter's command texts, reply splitters and RSErr.log, without a port.

#include <QtTest>

#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "support/TestEnv.h"
#include "test_serial_support.h"

namespace {

// A splitter's answer as one text: the fields joined by "|", or "refused".
QByteArray joined(const auto &fields)
{
    if (!fields)
        return "refused";
    QByteArrayList parts;
    for (const auto &f : *fields)
        parts << QVariant::fromValue(f).toByteArray();
    return parts.join('|');
}

// kind: T (the command text for page in), "ack" + letter, U, S, P, M, H (header), OA, D (record; d:
// detailed, p: page record).
QByteArray split(const QByteArray &kind, const QByteArray &in)
{
    if (kind == "T")
        return protocol::command("T", in.toInt());
    if (kind.startsWith("ack"))
        return protocol::isBareAck(in, kind[3]) ? "bare" : protocol::isAck(in, kind[3]) ? "ack" : "no";
    if (kind == "U")
        return joined(protocol::splitUnits(in));
    if (kind == "M")
        return joined(protocol::splitM(in));
    if (kind == "OA")
        return joined(protocol::splitOaRecord(in));
    if (kind == "P")
        return QByteArray::number(protocol::splitP(in));
    if (kind == "H")
        return protocol::splitTHeader(in).date + '|' + protocol::splitTHeader(in).time;
    if (kind == "S") {
        const auto s = protocol::splitS(in);
        return s ? QByteArray::number(s->coScaleFlag) + '|' + QByteArray::number(s->atmosPressure) : "refused";
    }
    return joined(protocol::splitDataRecord(in, kind.contains('d'), kind.contains('p')));
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        const auto row = [](const char *name, const char *kind, const QByteArray &in, const char *out) {
            QTest::newRow(name) << QByteArray(kind) << in << QByteArray(out);
        };
        row("page in four digits", "T", "9999", "T9999\r\n");
        row("page beyond four digits", "T", "12345", "T9999\r\n");
        row("AG CR LF", "ackG", "AG\r\n", "bare");
        row("AG without CR LF", "ackG", "AG", "no");
        row("AG CR LF and more", "ackG", "AG\r\nX", "no");
        row("AG CR LF and a line", "ackG", "AG\r\nX\r\n", "ack");
        row("AG LF only", "ackG", "AG\n", "no");
        row("wrong letter", "ackG", "AX\r\n", "no");
        row("noise before", "ackS", QByteArray("\x00" "AS\r\n", 5), "no");
        row("units", "U", "AU\r\nppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C;g/m3;g/kg;hPa\r\n",
            "ppm|ppm|\xDF" "C|%RH|\xDF" "C|\xDF" "C|g/m3|g/kg|hPa\r\n");
        row("units: the ninth runs to the end", "U", "AU\r\n1;2;3;4;5;6;7;8;9;10\r\n", "1|2|3|4|5|6|7|8|9;10\r\n");
        row("units: eight fields", "U", "AU\r\n1;2;3;4;5;6;7;8\r\n", "refused");
        row("units: separator in the acknowledgement", "U", "A;\r\n1;2;3;4;5;6;7;8\r\n", "refused");
        row("units: empty", "U", "", "refused");
        row("S", "S", "AS;1;0;1013\r\n", "1|1013");
        row("S: blanks and decimals", "S", "AS; 1.5;x; 1013.5\r\n", "2|1014");
        row("S: not numbers give 0", "S", "AS;abc;0;hPa\r\n", "0|0");
        row("S: pressure runs to the end", "S", "AS;1;0;1013;7\r\n", "1|1013");
        row("S: two separators", "S", "AS;1;0\r\n", "refused");
        row("S: flag beyond 16 bits", "S", "AS;40000;0;1013\r\n", "refused");
        row("S: pressure beyond 32 bits", "S", "AS;1;0;99999999999\r\n", "refused");
        row("P", "P", "AP\r\nP0012\r\n", "12");
        row("P: right after the P of AP", "P", "APP0003\r\n", "3");
        row("P: no second P", "P", "AP\r\n0012\r\n", "0");
        row("P: short count", "P", "AP\r\nP7\r\n", "7");
        row("P: negative", "P", "AP\r\nP-003\r\n", "0");
        row("P: binary", "P", QByteArray("\xFF\x00PP\x01", 5), "0");
        row("M", "M", "AM0002  001;30;30;TMP;1008\r\n", "001|30|30|TMP|1008\r\n");
        row("M: characters 3 to 8 skipped", "M", "AM;;;;;;000;1;2;INS;999\r\n", "000|1|2|INS|999\r\n");
        row("M: three separators", "M", "AM0001  000;10;20;AVG\r\n", "refused");
        row("M: acknowledgement only", "M", "AM\r\n", "refused");
        row("header", "H", "2026/11/30 09:15:00\r\n", "2026/11/30|09:15:00");
        row("short header", "H", "2026/11", "2026/11|");
        row("live record", "D", "    1.2;  523.0;   22.4;   45.1\r\n", "1.2|523|22.4|45.1|0|0|0|0");
        row("detailed live record", "Dd", "    0.0;  600.0;   23.0;   50.0;   12.0;   16.2;   10.2;    8.8\r\n",
            "0|600|23|50|12|16.2|10.2|8.8");
        row("negative and blank fields", "D", "   -1.5;       ;  -12.0;abc\r\n", "-1.5|0|-12|0|0|0|0|0");
        row("debug line: a fifth number ignored", "D", " 12; 2000; 25; 40; 7", "12|2000|25|40|0|0|0|0");
        row("page record", "Dp", "0001;    1.0;  500.0;   21.0;   40.0\r\n", "1|500|21|40|0|0|0|0");
        row("detailed page record", "Ddp", "0002;1;2;3;4;5;6;7;8\r\n", "1|2|3|4|5|6|7|8");
        row("record lacks a separator", "D", "    1.2;  523.0   22.4;   45.1\r\n", "refused");
        row("detailed record with four values", "Dd", "1;2;3;4\r\n", "refused");
        row("page record without separators", "Dp", "0001\r\n", "refused");
        row("%OA record", "OA", "0001   25.0;   24.1;   18.3;    5.0\r\n", "25|24.1|18.3|5");
        row("%OA: first four characters skipped", "OA", "9;9;12.5;1;2;3\r\n", "12.5|1|2|3");
        row("%OA: two separators", "OA", "000125.0;24.1;18.3\r\n", "refused");
        row("%OA: CR LF only", "OA", "\r\n", "refused");
    }

    void replies()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(split(kind, in), out);
    }

    void logFile()
    {
        TestProgramFolder folder;
        QCOMPARE(formatRsErrLogEntry(QStringLiteral("2004/06/20 12:00:00"), QStringLiteral("T"), "0001;", 0),
                 QByteArray("2004/06/20 12:00:00,T,0001;, 0\r\n"));
        WriteRsErrLog(QStringLiteral("P Command"), QByteArray(), 4);
        WriteRsErrLog(QStringLiteral("Unit Read(Measurment)"), QByteArray(), -1);
        WriteRsErrLog(QStringLiteral("S Command"), QByteArray("AS;1;0\r\nAS", 10), 4);
        WriteRsErrLog(QStringLiteral("D Command Data Read"), QByteArray("\x00\x01\xFE\xFF", 4), 101);
        QCOMPARE(maskedLog(), maskedLog(QStringLiteral(TELVARO_TEST_DATA "/serial/RSErr.log")));

        // A folder where the log should be: the entry is lost, nothing else happens.
        QVERIFY(QFile::remove(QStringLiteral("RSErr.log")) && QDir().mkdir(QStringLiteral("RSErr.log")));
        WriteRsErrLog(QStringLiteral("P Command"), QByteArray(), 4);
        QVERIFY(QFileInfo(QStringLiteral("RSErr.log")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "test_protocol.moc"
