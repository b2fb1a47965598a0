#include "transfer/TransferReads.h"

#include <QVector>
#include <optional>

#include "i18n/CodePage.h"
#include "serial/Protocol.h"

namespace transfer {

namespace {

ReadOutcome ok() { return {ReadOutcome::Ok, {}}; }
ReadOutcome cancelled() { return {ReadOutcome::Cancelled, {}}; }

// A failed exchange: the meter is stopped first when it may still be streaming, then the entry
// goes to RSErr.log.
ReadOutcome failed(SerialLink &link, const ExchangeResult &result, bool stopMeter, const CancelCheck &cancel)
{
    if (stopMeter)
        SendStopCommand(link, cancel);
    if (cancel && cancel())
        return cancelled();
    exchange::logFailure(result);
    return {ReadOutcome::Failed, result};
}

// A reply that passed its test but cannot be split is a failed exchange of the same name.
ExchangeResult refused(const ExchangeResult &result)
{
    ExchangeResult r = result;
    r.outcome = ExchangeResult::Failed;
    return r;
}

ExchangeResult refusedRecord(const char *logName, const QByteArray &record, int attempts)
{
    ExchangeResult r;
    r.outcome = ExchangeResult::Failed;
    r.reply = record;
    r.logName = QString::fromLatin1(logName);
    r.loggedAttempts = attempts;
    return r;
}

} // namespace

ReadOutcome readDirectory(SerialLink &link, TransferState &state, const CancelCheck &cancel,
                          const std::function<void(int)> &onCount, const std::function<void(int)> &onPage)
{
    const ExchangeResult p = exchange::directoryP(link, cancel);
    if (p.cancelled())
        return cancelled();
    if (!p.ok())
        return failed(link, p, false, cancel);

    state.PageCount = qint16(qBound(0, protocol::splitP(p.reply), 9999));
    if (onCount)
        onCount(state.PageCount);
    if (state.PageCount == 0)
        return {ReadOutcome::Empty, {}};
    state.resizeDirectory(state.PageCount);

    for (int page = 1; page <= state.PageCount; ++page) {
        QByteArray header;
        const ExchangeResult t = exchange::directoryT(link, page, header, cancel);
        if (t.cancelled())
            return cancelled();
        if (!t.ok())
            return failed(link, t, true, cancel);
        const protocol::THeader h = protocol::splitTHeader(header);
        state.setCell(page, 6, codepage::fromMeter(h.date) + QLatin1Char(' ') + codepage::fromMeter(h.time));

        // The meter goes on with the page's records after the header; stop it before asking M.
        SendStopCommand(link, cancel);
        if (cancel && cancel())
            return cancelled();

        const ExchangeResult m = exchange::directoryM(link, page, cancel);
        if (m.cancelled())
            return cancelled();
        if (!m.ok())
            return failed(link, m, true, cancel);
        const auto fields = protocol::splitM(m.reply);
        if (!fields)
            return failed(link, refused(m), true, cancel);
        for (int c = 0; c < 5; ++c)
            state.setCell(page, c + 1, codepage::fromMeter((*fields)[c]));
        if (onPage)
            onPage(page);
    }
    return ok();
}

namespace {

// T and the page header; the page's date and time go to the state. Nothing when both went well.
std::optional<ReadOutcome> readPageStart(SerialLink &link, TransferState &state, int page, bool oa,
                                         const CancelCheck &cancel)
{
    const ExchangeResult t = exchange::pageT(link, page, oa, cancel);
    if (t.cancelled())
        return cancelled();
    if (!t.ok())
        return failed(link, t, true, cancel);

    const ExchangeResult header = exchange::pageHeader(link, oa, cancel);
    if (header.cancelled())
        return cancelled();
    if (!header.ok())
        return failed(link, header, true, cancel);
    const protocol::THeader h = protocol::splitTHeader(header.reply);
    state.PageDate = codepage::fromMeter(h.date);
    state.PageTime = codepage::fromMeter(h.time);
    return std::nullopt;
}

// The page's n records, each taken by readOne as its characters arrive. Nothing when all came.
std::optional<ReadOutcome> readRecords(SerialLink &link, int n, QVector<QByteArray> &records,
                                       const std::function<ExchangeResult()> &readOne, const CancelCheck &cancel,
                                       const std::function<void(int, int)> &onRecord)
{
    records = QVector<QByteArray>(n + 1);
    for (int i = 1; i <= n; ++i) {
        const ExchangeResult record = readOne();
        if (record.cancelled())
            return cancelled();
        if (!record.ok())  // the record exchange has already stopped the meter
            return failed(link, record, false, cancel);
        records[i] = record.reply;
        if (cancel && cancel())
            return cancelled();
        if (onRecord)
            onRecord(i, n);
    }
    return std::nullopt;
}

ReadOutcome readCalculationPage(SerialLink &link, TransferState &state, int page, int n, SampleData &data,
                                const CancelCheck &cancel, const std::function<void(int, int)> &onRecord)
{
    const bool detailed = state.DetailedMode != 0;
    const ExchangeResult gf = exchange::pageGF(link, detailed, cancel);
    if (gf.cancelled())
        return cancelled();
    if (!gf.ok())
        return failed(link, gf, false, cancel);
    if (const auto ended = readPageStart(link, state, page, false, cancel))
        return *ended;

    QVector<QByteArray> records;
    const auto readOne = [&] { return exchange::pageCalRecord(link, detailed, cancel); };
    if (const auto ended = readRecords(link, n, records, readOne, cancel, onRecord))
        return *ended;

    // The whole page is in; a record that cannot be split fails the read rather than leaving
    // zeros that look like measurements.
    for (int i = 1; i <= n; ++i) {
        const auto values = protocol::splitDataRecord(records[i], detailed, true);
        if (!values)
            return failed(link, refusedRecord("T Command Data Read(Cal Data)", records[i], -1), false, cancel);
        data.append(0.0, QByteArray(), *values);
    }
    return ok();
}

ReadOutcome readOaPage(SerialLink &link, TransferState &state, int page, int n, SampleData &data,
                       const CancelCheck &cancel, const std::function<void(int, int)> &onRecord)
{
    if (const auto ended = readPageStart(link, state, page, true, cancel))
        return *ended;

    QVector<QByteArray> records;
    const auto readOne = [&] { return exchange::pageOaRecord(link, cancel); };
    if (const auto ended = readRecords(link, n, records, readOne, cancel, onRecord))
        return *ended;

    for (int i = 1; i <= n; ++i) {
        const auto values = protocol::splitOaRecord(records[i]);
        if (!values)
            return failed(link, refusedRecord("T Command Data Read(%OA Data)", records[i], -1), false, cancel);
        // The record sends percent outdoor air first; the file writes it last.
        data.appendOa({(*values)[1], (*values)[2], (*values)[3], (*values)[0]});
    }
    return ok();
}

} // namespace

ReadOutcome readPageUnits(SerialLink &link, const TransferState &state, int page, bool runMode, SampleData &data,
                          const CancelCheck &cancel)
{
    const TransferState::PageKind kind = state.kind(page);
    data.origin = kind == TransferState::PageKind::Oa ? SampleData::Origin::OaPage
                                                      : SampleData::Origin::CalculationPage;
    data.measureMode = state.DetailedMode;
    if (runMode) {
        const QString logName = QStringLiteral("Unit Read(Data Transfer");
        const ExchangeResult units = exchange::readUnits(link, logName, data.units, cancel);
        if (units.cancelled() || (cancel && cancel()))
            return cancelled();
        if (!units.ok()) {
            ExchangeResult entry = units;
            entry.logName = logName;
            entry.reply.clear();
            entry.loggedAttempts = -1;
            exchange::logFailure(entry);
            return {ReadOutcome::Failed, units};
        }
        return ok();
    }
    const QString degrees = QStringLiteral("℃");
    data.unit(Quantity::CO) = QStringLiteral("ppm");
    data.unit(Quantity::CO2) = QStringLiteral("ppm");
    data.unit(Quantity::Temperature) = degrees;
    data.unit(Quantity::Humidity) = QStringLiteral("%RH");
    data.unit(Quantity::DewPoint) = degrees;
    data.unit(Quantity::WetBulb) = degrees;
    data.unit(Quantity::AbsHumidity) = QStringLiteral("g/m3");
    data.unit(Quantity::HumidityRatio) = QStringLiteral("g/kg");
    for (int i = 0; i < state.numberOfData(page); ++i) {
        if (kind == TransferState::PageKind::Calculation)
            data.append(0.0, QByteArray(), {});
        else if (kind == TransferState::PageKind::Oa)
            data.appendOa({});
    }
    return ok();
}

ReadOutcome readPage(SerialLink &link, TransferState &state, int page, SampleData &data, const CancelCheck &cancel,
                     const std::function<void(int, int)> &onRecord)
{
    const int n = state.numberOfData(page);
    data.clearSamples();
    data.reserve(n);
    switch (state.kind(page)) {
    case TransferState::PageKind::Calculation:
        return readCalculationPage(link, state, page, n, data, cancel, onRecord);
    case TransferState::PageKind::Oa:
        return readOaPage(link, state, page, n, data, cancel, onRecord);
    case TransferState::PageKind::Other:
        break;
    }
    return ok();
}

} // namespace transfer
