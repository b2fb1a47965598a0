// The transfer window's rules without the window: directory cells and page field limits (the debug
// directory is checked through the window, from the same draws).
#include <QtTest>

#include "transfer/TransferState.h"

class TestTransferState : public QObject {
    Q_OBJECT
private slots:
    void directoryCells()
    {
        using B = TransferState::ModeButtons;
        const struct { const char *code, *shown; B buttons; } modes[] = {
            {"000", "CALCULATION", B::Enable}, {"001", "%OA", B::Disable}, {"002", "%OA", B::Unchanged},
            {"", "%OA", B::Unchanged}};
        TransferState state;
        state.PageCount = 4;
        state.resizeDirectory(4);
        for (int p = 1; p <= 4; ++p) {
            state.PageDirectory[p - 1] = {modes[p - 1].code, "60", "0999", "AVG", "1013\r\n", "2004/06/20 12:00:00"};
            QCOMPARE(state.gridRow(p), QStringList({modes[p - 1].shown, "60", "0999", "AVG", "2004/06/20 12:00:00"}));
            QCOMPARE(int(state.modeButtonsFor(p)), int(modes[p - 1].buttons));
        }
        // Number of data (column 3) and the data file's pressure (column 5).
        const struct { int column; const char *text, *result; } cells[] = {{3, "0999", "999"}, {3, "12.9", "12"},
            {3, "0000", "0"}, {3, "x12", "0"}, {3, "-5", "0"}, {3, "99999999999999999999", "999999"},
            {5, "1013\r\n", "1013"}, {5, "987\r\n", "987"}, {5, "10132\r\n", "1013"}, {5, "1013", "1013"}, {5, "", ""}};
        for (const auto &c : cells) {
            state.setCell(1, c.column, c.text);
            QCOMPARE(c.column == 3 ? QString::number(state.numberOfData(1)) : state.pressureText(1), QString(c.result));
        }
        state.setCell(5, 1, "000");  // outside the table: ignored, and read as nothing
        state.setCell(1, 7, "x");
        QVERIFY(state.cell(0, 1).isEmpty() && state.cell(5, 1).isEmpty() && state.numberOfData(5) == 0);
        QCOMPARE(state.kind(0), TransferState::PageKind::Other);
        // The page field's rule (its edge cases go through the window): the maximum is a page too.
        QCOMPARE(int(TransferState::judgePageField("9999", 1, 9999).page), 9999);
        QVERIFY(!TransferState::judgePageField("12.6", 1, 12).inRange);
    }
};

QTEST_GUILESS_MAIN(TestTransferState)
#include "test_transfer_state.moc"
