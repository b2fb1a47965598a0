#include "transfer/TransferState.h"

#include <cmath>

#include "datafiles/NumberText.h"

void TransferState::resizeDirectory(int pageCount)
{
    PageDirectory.clear();
    PageDirectory.resize(qMax(0, pageCount));
}

QString TransferState::cell(int page, int column) const
{
    if (page < 1 || page > PageDirectory.size() || column < 1 || column > 6)
        return {};
    return PageDirectory.at(page - 1)[column - 1];
}

void TransferState::setCell(int page, int column, const QString &text)
{
    if (page < 1 || page > PageDirectory.size() || column < 1 || column > 6)
        return;
    PageDirectory[page - 1][column - 1] = text;
}

QStringList TransferState::gridRow(int page) const
{
    const QString mode = cell(page, 1) == QLatin1String("000") ? QStringLiteral("CALCULATION") : QStringLiteral("%OA");
    return {mode, cell(page, 2), cell(page, 3), cell(page, 4), cell(page, 6)};
}

TransferState::PageKind TransferState::kind(int page) const
{
    const QString code = cell(page, 1);
    if (code == QLatin1String("000"))
        return PageKind::Calculation;
    if (code == QLatin1String("001"))
        return PageKind::Oa;
    return PageKind::Other;
}

TransferState::ModeButtons TransferState::modeButtonsFor(int page) const
{
    switch (kind(page)) {
    case PageKind::Calculation:
        return ModeButtons::Enable;
    case PageKind::Oa:
        return ModeButtons::Disable;
    case PageKind::Other:
        break;
    }
    return ModeButtons::Unchanged;
}

int TransferState::numberOfData(int page) const
{
    const double value = numtext::leadingNumber(QStringView(cell(page, 3)));
    // The meter counts records in four digits; anything beyond is garbage, not a reason to
    // allocate without bound.
    if (!(value >= 1))
        return 0;
    return int(std::trunc(qMin(value, 999999.0)));
}

QString TransferState::pressureText(int page) const
{
    QString text = cell(page, 5).left(4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n')) {
            text.truncate(i);
            break;
        }
    }
    return text;
}

TransferState::PageFieldJudgement TransferState::judgePageField(const QString &text, int minimum, int maximum)
{
    const double value = numtext::leadingNumber(QStringView(text));
    PageFieldJudgement judgement;
    if (value >= minimum && value <= maximum) {
        judgement.page = qint16(numtext::roundHalfEven(value));
        judgement.inRange = true;
    } else {
        judgement.page = qint16(minimum);
        judgement.inRange = false;
    }
    return judgement;
}

void TransferState::buildDebugDirectory(const std::function<double()> &random)
{
    PageCount = 5;
    resizeDirectory(5);
    for (int p = 1; p <= 5; ++p) {
        const bool calculation = int(random() * 10) > 5;
        const QString mode = calculation ? QStringLiteral("000") : QStringLiteral("001");
        const QString samplingTime = QString::number(int(random() * 999));
        const QString count = QString::number(int(random() * 999));
        const bool high = int(random() * 10) > 5;
        QString operation;
        if (high)
            operation = calculation ? QStringLiteral("AVG") : QStringLiteral("TMP");
        else
            operation = calculation ? QStringLiteral("INS") : QStringLiteral("CO2");
        PageDirectory[p - 1] = {mode, samplingTime, count, operation, QStringLiteral("1013"),
                                QStringLiteral("2004/06/20 12:00:00")};
    }
}

void TransferState::resetAtLoad()
{
    DetailedMode = 1;
    CurrentPage = 1;
    CancelRequested = false;
    DirectoryReady = false;
}
