// The transfer window's rules without the window: page field, directory rows, debug directory.
#include <QtTest>

#include "transfer/TransferState.h"

class TestTransferState : public QObject {
    Q_OBJECT
private slots:
    void pageField_data();
    void pageField();
    void gridRowAndModeButtons_data();
    void gridRowAndModeButtons();
    void numberOfData_data();
    void numberOfData();
    void pressureText_data();
    void pressureText();
    void debugDirectory();
    void cellsOutsideTheTable();
};

void TestTransferState::pageField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("inRange");
    QTest::newRow("3 of 5") << "3" << 5 << 3 << true;
    QTest::newRow("9 of 5") << "9" << 5 << 1 << false;
    QTest::newRow("2.6 rounds up") << "2.6" << 5 << 3 << true;
    QTest::newRow("2a leading number") << "2a" << 5 << 2 << true;
    QTest::newRow("empty is 0") << "" << 5 << 1 << false;
    QTest::newRow("not a number") << "abc" << 5 << 1 << false;
    QTest::newRow("leading blanks") << "  4" << 5 << 4 << true;
    QTest::newRow("half to even down") << "2.5" << 5 << 2 << true;
    QTest::newRow("half to even up") << "3.5" << 5 << 4 << true;
    QTest::newRow("just above the maximum") << "5.4" << 5 << 1 << false;
    QTest::newRow("just below the minimum") << "0.6" << 5 << 1 << false;
    QTest::newRow("negative") << "-1" << 5 << 1 << false;
    QTest::newRow("maximum") << "12" << 12 << 12 << true;
    QTest::newRow("four-digit page") << "9999" << 9999 << 9999 << true;
}

void TestTransferState::pageField()
{
    QFETCH(QString, text);
    QFETCH(int, maximum);
    QFETCH(int, page);
    QFETCH(bool, inRange);
    const auto judgement = TransferState::judgePageField(text, 1, maximum);
    QCOMPARE(int(judgement.page), page);
    QCOMPARE(judgement.inRange, inRange);
}

void TestTransferState::gridRowAndModeButtons_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("buttons");
    QTest::newRow("calculation") << "000" << "CALCULATION" << int(TransferState::ModeButtons::Enable);
    QTest::newRow("%OA") << "001" << "%OA" << int(TransferState::ModeButtons::Disable);
    QTest::newRow("unknown code") << "002" << "%OA" << int(TransferState::ModeButtons::Unchanged);
    QTest::newRow("empty code") << "" << "%OA" << int(TransferState::ModeButtons::Unchanged);
}

void TestTransferState::gridRowAndModeButtons()
{
    QFETCH(QString, code);
    QFETCH(QString, shown);
    QFETCH(int, buttons);
    TransferState state;
    state.PageCount = 2;
    state.resizeDirectory(2);
    state.PageDirectory[1] = {code, "60", "0999", "AVG", "1013\r\n", "2004/06/20 12:00:00"};
    QCOMPARE(state.gridRow(2), QStringList({shown, "60", "0999", "AVG", "2004/06/20 12:00:00"}));
    QCOMPARE(int(state.modeButtonsFor(2)), buttons);
}

void TestTransferState::numberOfData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::newRow("four digits") << "0999" << 999;
    QTest::newRow("plain") << "3" << 3;
    QTest::newRow("fraction is cut") << "12.9" << 12;
    QTest::newRow("zero") << "0000" << 0;
    QTest::newRow("garbage") << "x12" << 0;
    QTest::newRow("negative") << "-5" << 0;
    QTest::newRow("absurd") << "99999999999999999999" << 999999;
}

void TestTransferState::numberOfData()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    TransferState state;
    state.resizeDirectory(1);
    state.setCell(1, 3, text);
    QCOMPARE(state.numberOfData(1), n);
}

void TestTransferState::pressureText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("pressure");
    QTest::newRow("four digits and line end") << "1013\r\n" << "1013";
    QTest::newRow("three digits keep no CR") << "987\r\n" << "987";
    QTest::newRow("longer field") << "10132\r\n" << "1013";
    QTest::newRow("debug page") << "1013" << "1013";
    QTest::newRow("empty") << "" << "";
}

void TestTransferState::pressureText()
{
    QFETCH(QString, field);
    QFETCH(QString, pressure);
    TransferState state;
    state.resizeDirectory(1);
    state.setCell(1, 5, field);
    QCOMPARE(state.pressureText(1), pressure);
}

void TestTransferState::debugDirectory()
{
    // Four draws per page: mode, sampling time, number of data, operation.
    const QList<double> draws = {0.7, 0.5,   0.1,   0.9,    // 000, 499, 99, AVG
                                 0.2, 0.3,   0.4,   0.1,    // 001, 299, 399, CO2
                                 0.55, 0.999, 0.004, 0.65,  // 5 is not above 5: 001, 998, 3, TMP
                                 0.5, 0.0,  0.0,   0.55,    // 001, 0, 0, CO2
                                 0.6, 0.25, 0.0011, 0.0};   // 6 is: 000, 249, 1, INS
    int next = 0;
    TransferState state;
    state.buildDebugDirectory([&] { return draws.at(next++); });
    QCOMPARE(next, 20);
    QCOMPARE(int(state.PageCount), 5);
    const QList<TransferState::PageRow> expected = {
        {"000", "499", "99", "AVG", "1013", "2004/06/20 12:00:00"},
        {"001", "299", "399", "CO2", "1013", "2004/06/20 12:00:00"},
        {"001", "998", "3", "TMP", "1013", "2004/06/20 12:00:00"},
        {"001", "0", "0", "CO2", "1013", "2004/06/20 12:00:00"},
        {"000", "249", "1", "INS", "1013", "2004/06/20 12:00:00"},
    };
    for (int p = 1; p <= 5; ++p)
        QCOMPARE(state.PageDirectory.at(p - 1), expected.at(p - 1));
}

void TestTransferState::cellsOutsideTheTable()
{
    TransferState state;
    state.resizeDirectory(2);
    state.setCell(3, 1, "000");
    state.setCell(1, 7, "x");
    QCOMPARE(state.cell(0, 1), QString());
    QCOMPARE(state.cell(3, 1), QString());
    QCOMPARE(state.numberOfData(5), 0);
    QCOMPARE(state.kind(0), TransferState::PageKind::Other);
}

QTEST_GUILESS_MAIN(TestTransferState)
#include "test_transfer_state.moc"
