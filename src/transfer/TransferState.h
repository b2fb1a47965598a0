#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>
#include <array>
#include <functional>

// The transfer window's state and its rules: the page directory as the meter reported it, the
// chosen page and output mode, and how the page field is judged. No widget here, so the rules are
// tested on their own.
class TransferState {
public:
    // Columns of a directory row: mode code, sampling time, number of data, operation, pressure
    // (with the reply's CR LF), date and time of the page.
    using PageRow = std::array<QString, 6>;

    qint16 PageCount = 0;
    QVector<PageRow> PageDirectory;  // element p-1 holds page p
    qint16 CurrentPage = 1;
    qint16 DetailedMode = 1;          // 1 Detailed Mode (Option2), 0 Standard Mode (Option1)
    QString PageDate, PageTime;       // of the page read last
    bool DirectoryReady = false;
    bool CancelRequested = false;

    // Size the directory for pageCount empty rows.
    void resizeDirectory(int pageCount);
    // PageDirectory(page, column), columns 1 to 6; "" outside the table.
    QString cell(int page, int column) const;
    void setCell(int page, int column, const QString &text);

    // The five cells of a grid row: "CALCULATION" for mode code "000", "%OA" for anything else,
    // then sampling time, number of data, operation and the page's date.
    QStringList gridRow(int page) const;

    enum class PageKind { Calculation, Oa, Other };
    PageKind kind(int page) const;

    // What the mode buttons do for a page: a calculation page enables them, a %OA page disables
    // them, any other code leaves them as they are.
    enum class ModeButtons { Enable, Disable, Unchanged };
    ModeButtons modeButtonsFor(int page) const;

    // Number of data of a page: the whole part of column 3's leading number, never negative.
    int numberOfData(int page) const;
    // Pressure for the data file: the first four characters of column 5, never the reply's line end.
    QString pressureText(int page) const;

    // The page field rule: the leading number of the text, rounded half to even when it lies in
    // minimum..maximum; otherwise the page becomes the minimum and the range message is due.
    struct PageFieldJudgement {
        qint16 page = 0;
        bool inRange = false;
    };
    static PageFieldJudgement judgePageField(const QString &text, int minimum, int maximum);

    // The directory of debug mode: five made-up pages from four draws each (random in [0, 1)).
    void buildDebugDirectory(const std::function<double()> &random);

    // State of a freshly loaded window.
    void resetAtLoad();
};
