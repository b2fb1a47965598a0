#include "transfer/PageTransfer.h"

#include <QRandomGenerator>

#include "serial/Exchanges.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "transfer/TransferReads.h"

namespace transfer {

namespace {

std::function<double()> &debugRandom()
{
    static std::function<double()> source;
    return source;
}

double drawRandom()
{
    if (debugRandom())
        return debugRandom()();
    return QRandomGenerator::global()->generateDouble();
}

} // namespace

void PageTransfer::setDebugRandomSource(std::function<double()> source) { debugRandom() = std::move(source); }

PageTransfer::PageTransfer(const SettingsRecord &settings, SerialLink *link, QObject *parent)
    : QObject(parent), m_settings(settings), m_link(link)
{
}

bool PageTransfer::cancelled() const { return m_state.CancelRequested || ProgramEnding() || !m_link; }

bool PageTransfer::openLine() { return m_link && OpenComPort(*m_link, m_settings); }

void PageTransfer::closeLine()
{
    if (m_link)
        CloseComPort(*m_link);
}

PageTransfer::Outcome PageTransfer::cancelledRead()
{
    // cancel() stops the meter and closes the line itself; a program that is ending has not.
    if (!m_cancelCalled)
        closeLine();
    return Outcome::Cancelled;
}

PageTransfer::Outcome PageTransfer::readDirectory()
{
    m_state.DirectoryReady = false;
    if (!m_settings.ProgMode) {
        m_state.buildDebugDirectory(drawRandom);
        emit pageCountKnown(m_state.PageCount);
        for (int p = 1; p <= m_state.PageCount; ++p)
            emit pageRowReady(p);
        m_state.DirectoryReady = true;
        return Outcome::Ok;
    }
    if (cancelled())
        return Outcome::Cancelled;
    if (!openLine()) {
        closeLine();
        return Outcome::PortNotOpened;
    }
    const ReadOutcome outcome = transfer::readDirectory(
        *m_link, m_state, [this] { return cancelled(); }, [this](int count) { emit pageCountKnown(count); },
        [this](int page) { emit pageRowReady(page); });
    if (outcome.kind == ReadOutcome::Cancelled || cancelled())
        return cancelledRead();
    closeLine();
    switch (outcome.kind) {
    case ReadOutcome::Empty:
        return Outcome::Empty;
    case ReadOutcome::Failed:
        return Outcome::Failed;
    default:
        m_state.DirectoryReady = true;
        return Outcome::Ok;
    }
}

PageTransfer::PageRead PageTransfer::readPage(int page)
{
    PageRead read;
    if (cancelled()) {
        read.outcome = Outcome::Cancelled;
        return read;
    }
    if (m_settings.ProgMode && !openLine()) {
        closeLine();
        read.outcome = Outcome::PortNotOpened;
        return read;
    }
    emit readStarted();

    const auto cancel = [this] { return cancelled(); };
    const TransferState::PageKind kind = m_state.kind(page);
    ReadOutcome outcome = readPageUnits(*m_link, m_state, page, m_settings.ProgMode, read.data, cancel);
    if (outcome.kind == ReadOutcome::Ok && !cancelled() && m_settings.ProgMode
        && kind != TransferState::PageKind::Other) {
        emit recordsBegin(m_state.numberOfData(page));
        outcome = transfer::readPage(*m_link, m_state, page, read.data, cancel,
                                     [this](int record, int count) { emit recordRead(record, count); });
    }
    if (outcome.kind == ReadOutcome::Cancelled || cancelled()) {
        read.outcome = cancelledRead();
        return read;
    }
    closeLine();
    if (outcome.kind == ReadOutcome::Failed) {
        read.outcome = Outcome::Failed;
        return read;
    }
    read.data.atmosPressure = m_state.pressureText(page).toInt();
    read.outcome = Outcome::Ok;
    return read;
}

void PageTransfer::cancel()
{
    m_state.CancelRequested = true;
    m_cancelCalled = true;
    if (m_settings.ProgMode && m_link && m_link->isOpen()) {
        SendStopCommand(*m_link, [] { return ProgramEnding(); });
        closeLine();
    }
}

} // namespace transfer
