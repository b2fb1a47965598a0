#include "serial/Exchanges.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <optional>

#include "i18n/CodePage.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"

namespace exchange {

namespace {

using Outcome = ExchangeResult::Outcome;

// A line that keeps talking through ten drain seconds is not going to stop.
constexpr int kDrainRounds = 10;

// The exchange's hold on its link and its caller. Every wait and read is followed by interrupted():
// a window or port that went away, a cancel or the program's end stop the exchange quietly; a
// device that vanished fails it.
class Engine {
public:
    Engine(SerialLink &link, const CancelCheck &cancel) : m_link(&link), m_cancel(cancel) {}

    SerialLink &link() { return *m_link; }

    // Before the first command: a port that is not open cannot answer.
    std::optional<Outcome> notReady()
    {
        if (auto o = interrupted())
            return o;
        return std::nullopt;
    }

    std::optional<Outcome> interrupted()
    {
        if (!m_link || ProgramEnding() || (m_cancel && m_cancel()))
            return Outcome::Cancelled;
        if (m_link->checkLost())
            return Outcome::Failed;
        if (!m_link->isOpen())
            return m_started ? Outcome::Cancelled : Outcome::Failed;
        m_started = true;
        return std::nullopt;
    }

private:
    QPointer<SerialLink> m_link;
    const CancelCheck &m_cancel;
    bool m_started = false;
};

ExchangeResult make(Outcome outcome, const QByteArray &reply, const QString &logName, int logged, int attempts)
{
    ExchangeResult r;
    r.outcome = outcome;
    r.reply = reply;
    r.logName = logName;
    r.loggedAttempts = logged;
    r.attempts = attempts;
    return r;
}

// The attempts a failed exchange logs: its counter, or the table's fixed number.
int logged(int fixed, int counter) { return fixed == kCounter ? counter : fixed; }

} // namespace

// ---------------------------------------------------------------------------------------------
// The engine

ExchangeResult run(SerialLink &link, const Description &d, const CancelCheck &cancel)
{
    Engine e(link, cancel);
    if (auto o = e.notReady())
        return make(*o, {}, d.logName, logged(d.loggedAttempts, 0), 0);
    if (d.discardFirst)
        link.discardInput();
    if (d.inputLen >= 0)
        link.setInputLen(d.inputLen);
    if (!d.command.isEmpty())
        link.output(d.command);

    int counter = 0;
    QByteArray text;
    for (;;) {
        if (d.waitTicks > 0) {
            WaitTicks(d.waitTicks, d.tickMs);
            if (auto o = e.interrupted())
                return make(*o, text, d.logName, logged(d.loggedAttempts, counter), counter);
        }
        text = e.link().input();  // this read's text replaces the last one's
        ++counter;
        if (auto o = e.interrupted())
            return make(*o, text, d.logName, logged(d.loggedAttempts, counter), counter);
        if (d.giveUpRead && counter > d.reads)
            return make(Outcome::Failed, text, d.logName, logged(d.loggedAttempts, counter), counter);
        if (!d.accept || d.accept(text))
            return make(Outcome::Ok, text, d.logName, logged(d.loggedAttempts, counter), counter);
        if (!d.giveUpRead && counter >= d.reads)
            return make(Outcome::Failed, text, d.logName, logged(d.loggedAttempts, counter), counter);
    }
}

ExchangeResult waitForInput(SerialLink &link, int count, int timeoutMs, const CancelCheck &cancel)
{
    Engine e(link, cancel);
    if (auto o = e.interrupted())
        return make(*o, {}, {}, -1, 0);
    if (link.inBufferCount() >= count)
        return make(Outcome::Ok, {}, {}, -1, 0);

    QEventLoop loop;
    QPointer<SerialLink> guard(&link);
    std::optional<Outcome> result;
    auto check = [&] {
        if (result)
            return;
        if (auto o = e.interrupted())
            result = *o;
        else if (guard->inBufferCount() >= count)
            result = Outcome::Ok;
        if (result)
            loop.quit();
    };
    // Characters wake us at once; the cancel flags and the device are looked at every 20 ms.
    QObject::connect(&link, &SerialLink::dataArrived, &loop, check);
    QObject::connect(&link, &SerialLink::deviceLost, &loop, check);
    QObject::connect(&link, &QObject::destroyed, &loop, [&] {
        result = Outcome::Cancelled;
        loop.quit();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, check);
    poll.start(qMin(20, qMax(1, ScaledWaitMs(20))));
    QTimer limit;
    limit.setSingleShot(true);
    if (timeoutMs >= 0) {
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
            check();
            if (!result) {
                result = Outcome::Failed;
                loop.quit();
            }
        });
        limit.start(ScaledWaitMs(timeoutMs));
    }
    loop.exec();
    if (!result)  // the application is quitting
        result = Outcome::Cancelled;
    return make(*result, {}, {}, -1, 0);
}

void logFailure(const ExchangeResult &result)
{
    if (result.outcome == ExchangeResult::Failed)
        WriteRsErrLog(result.logName, result.reply, result.loggedAttempts);
}

bool drainLine(SerialLink &link, const CancelCheck &cancel)
{
    Engine e(link, cancel);
    if (auto o = e.interrupted())
        return *o != Outcome::Cancelled;
    link.discardInput();
    for (int round = 0; round < kDrainRounds; ++round) {
        WaitTicks(1, 1000);
        if (auto o = e.interrupted())
            return *o != Outcome::Cancelled;
        if (link.inBufferCount() == 0)
            return true;  // one silent second
        link.discardInput();
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The exchanges of the table

ExchangeResult readUnits(SerialLink &link, const QString &logName, UnitTexts &unitTexts, const CancelCheck &cancel)
{
    if (!drainLine(link, cancel))
        return make(Outcome::Cancelled, {}, logName, -1, 0);
    Description d;
    d.command = protocol::command("U");
    d.waitTicks = 3;
    d.reads = 3;
    d.accept = [](const QByteArray &t) { return protocol::isAck(t, 'U'); };
    d.logName = logName;
    d.loggedAttempts = -1;
    ExchangeResult r = run(link, d, cancel);
    if (r.outcome != Outcome::Ok) {
        r.reply.clear();  // the unit read is logged with an empty reply
        return r;
    }
    const auto units = protocol::splitUnits(r.reply);
    if (!units)
        return make(Outcome::Failed, {}, logName, -1, r.attempts);
    for (size_t i = 0; i < 9; ++i)
        unitTexts[i] = codepage::fromMeter((*units)[i]);
    return r;
}

ExchangeResult liveS(SerialLink &link, qint16 &coScaleFlag, qint32 &atmosPressure, const CancelCheck &cancel)
{
    Description d;
    d.command = protocol::command("S");
    d.inputLen = 0;
    d.waitTicks = 3;
    d.reads = 3;
    d.accept = [](const QByteArray &t) { return protocol::isAck(t, 'S'); };
    d.logName = QStringLiteral("S Command");
    ExchangeResult r = run(link, d, cancel);
    if (!r.ok())
        return r;
    const auto s = protocol::splitS(r.reply);
    if (!s) {
        r.outcome = Outcome::Failed;
        return r;
    }
    coScaleFlag = s->coScaleFlag;
    atmosPressure = s->atmosPressure;
    return r;
}

namespace {

// G or F: one read of four characters that must be the bare acknowledgement, and nothing after it.
ExchangeResult selectOutput(SerialLink &link, bool detailed, const QString &logName, int loggedAttempts,
                            const CancelCheck &cancel)
{
    const char letter = detailed ? 'F' : 'G';
    Description d;
    d.command = protocol::command(detailed ? "F" : "G");
    d.discardFirst = true;
    d.inputLen = 4;
    d.waitTicks = 3;
    d.reads = 1;
    d.giveUpRead = false;
    d.accept = [letter](const QByteArray &t) { return protocol::isBareAck(t, letter); };
    d.logName = logName;
    d.loggedAttempts = loggedAttempts;
    ExchangeResult r = run(link, d, cancel);
    if (r.ok() && link.inBufferCount() > 0) {
        // "AG" CR LF followed by anything is not the meter's answer: log all that came.
        link.setInputLen(0);
        r.reply += link.input();
        link.setInputLen(4);
        r.outcome = Outcome::Failed;
    }
    return r;
}

} // namespace

ExchangeResult liveGF(SerialLink &link, bool detailed, int sTries, const CancelCheck &cancel)
{
    const QString name = detailed ? QStringLiteral("F Command(Measure)") : QStringLiteral("G Command(Measure)");
    ExchangeResult r = selectOutput(link, detailed, name, sTries, cancel);
    if (r.ok())
        link.setInputLen(detailed ? 69 : 37);
    return r;
}

void sendD(SerialLink &link) { link.output(protocol::command("D0001")); }

ExchangeResult liveDReply(SerialLink &link, bool detailed, const CancelCheck &cancel)
{
    const QString ackName = QStringLiteral("D Command(Measure)");
    const QString recordName = QStringLiteral("D Command Data Read");
    Engine e(link, cancel);
    if (auto o = e.notReady())
        return make(*o, {}, ackName, 0, 0);
    link.setInputLen(1);

    // One counter for both: the acknowledgement within 10 reads, the record by the 100th.
    int counter = 0;
    QByteArray text;
    for (;;) {
        text += e.link().input();
        ++counter;
        if (auto o = e.interrupted())
            return make(*o, text, ackName, counter, counter);
        if (counter > 10)
            return make(Outcome::Failed, text, ackName, 11, counter);
        if (text.startsWith("AD") && protocol::endsWithCrLf(text))
            break;
    }
    QByteArray record;
    for (;;) {
        record += e.link().input();
        ++counter;
        if (auto o = e.interrupted())
            return make(*o, record, recordName, counter, counter);
        if (counter > 100)
            return make(Outcome::Failed, record, recordName, 101, counter);
        if (record == "AD\r\n") {
            record.clear();  // a second acknowledgement: the record starts after it
            continue;
        }
        if (protocol::endsWithCrLf(record) && record.size() >= 31)
            break;
    }
    if (!protocol::splitDataRecord(record, detailed, false))
        return make(Outcome::Failed, record, recordName, counter, counter);
    return make(Outcome::Ok, record, recordName, counter, counter);
}

ExchangeResult directoryP(SerialLink &link, const CancelCheck &cancel)
{
    const QString name = QStringLiteral("P Command");
    link.setInputLen(0);
    if (!drainLine(link, cancel))
        return make(Outcome::Cancelled, {}, name, 0, 0);
    Description d;
    d.command = protocol::command("P");
    d.inputLen = 0;
    d.waitTicks = 3;
    d.reads = 3;
    d.accept = [](const QByteArray &t) { return protocol::isAck(t, 'P'); };
    d.logName = name;
    return run(link, d, cancel);
}

ExchangeResult directoryT(SerialLink &link, int page, QByteArray &header, const CancelCheck &cancel)
{
    Description d;
    d.command = protocol::command("T", page);
    d.inputLen = 4;
    d.waitTicks = 3;
    d.reads = 10;
    d.accept = [](const QByteArray &t) { return protocol::isAck(t, 'T'); };
    d.logName = QStringLiteral("T Command");
    ExchangeResult r = run(link, d, cancel);
    if (!r.ok())
        return r;
    // The header follows the acknowledgement at once; it is read as it stands.
    link.setInputLen(21);
    header = link.input();
    return r;
}

ExchangeResult directoryM(SerialLink &link, int page, const CancelCheck &cancel)
{
    Description d;
    d.command = protocol::command("M", page);
    d.inputLen = 0;
    d.waitTicks = 2;
    d.reads = 10;
    d.accept = [](const QByteArray &t) { return protocol::isAck(t, 'M') && t.size() >= 11; };
    d.logName = QStringLiteral("M Command Data Read(Cal/%OA)");
    ExchangeResult r = run(link, d, cancel);
    if (r.ok() && !protocol::splitM(r.reply))
        r.outcome = Outcome::Failed;
    return r;
}

ExchangeResult pageGF(SerialLink &link, bool detailed, const CancelCheck &cancel)
{
    return selectOutput(link, detailed, detailed ? QStringLiteral("F Command(Cal)") : QStringLiteral("G Command(Cal)"),
                        -1, cancel);
}

ExchangeResult pageT(SerialLink &link, int page, bool oa, const CancelCheck &cancel)
{
    Description d;
    d.command = protocol::command("T", page);
    d.inputLen = 4;
    d.waitTicks = 3;
    d.reads = 3;
    d.accept = [](const QByteArray &t) { return protocol::isAck(t, 'T'); };
    d.logName = oa ? QStringLiteral("T Command(%OA)") : QStringLiteral("T Command(Cal)");
    return run(link, d, cancel);
}

ExchangeResult pageHeader(SerialLink &link, bool oa, const CancelCheck &cancel)
{
    Description d;
    d.inputLen = 21;
    d.waitTicks = 3;
    d.reads = 3;
    d.accept = [](const QByteArray &t) { return protocol::endsWithCrLf(t); };
    d.logName =
        oa ? QStringLiteral("T Command Data Read(%OA Header)") : QStringLiteral("T Command Data Read(Cal Header)");
    return run(link, d, cancel);
}

namespace {

ExchangeResult calRecord(SerialLink &link, std::optional<bool> detailed, const CancelCheck &cancel)
{
    const QString name = QStringLiteral("T Command Data Read(Cal Data)");
    Engine e(link, cancel);
    if (auto o = e.notReady())
        return make(*o, {}, name, 0, 0);
    link.setInputLen(1);
    QByteArray record;
    int chars = 0;
    for (;;) {
        // The meter sends at its own pace: wait for a character without a time limit.
        const ExchangeResult waited = waitForInput(link, 1, -1, cancel);
        if (!waited.ok())
            return make(waited.outcome, record, name, chars, chars);
        QByteArray c;
        int empty = 0;
        for (;;) {
            c = e.link().input();
            if (auto o = e.interrupted())
                return make(*o, record, name, chars, chars);
            if (!c.isEmpty())
                break;
            if (++empty >= 100) {
                e.link().output(protocol::command("N"));
                return make(Outcome::Failed, record, name, chars, chars);
            }
        }
        record += c;
        ++chars;
        if (chars > 100) {
            SendStopCommand(link, cancel);
            return make(Outcome::Failed, record, name, 101, chars);
        }
        if (protocol::endsWithCrLf(record) && record.size() > 30)
            break;
    }
    if (detailed && !protocol::splitDataRecord(record, *detailed, true)) {
        SendStopCommand(link, cancel);
        return make(Outcome::Failed, record, name, chars, chars);
    }
    return make(Outcome::Ok, record, name, chars, chars);
}

} // namespace

ExchangeResult pageCalRecord(SerialLink &link, const CancelCheck &cancel)
{
    return calRecord(link, std::nullopt, cancel);
}

ExchangeResult pageCalRecord(SerialLink &link, bool detailed, const CancelCheck &cancel)
{
    return calRecord(link, detailed, cancel);
}

ExchangeResult pageOaRecord(SerialLink &link, const CancelCheck &cancel)
{
    const QString name = QStringLiteral("T Command Data Read(%OA Data)");
    Engine e(link, cancel);
    if (auto o = e.notReady())
        return make(*o, {}, name, 0, 0);
    link.setInputLen(1);
    QByteArray record;
    int reads = 0;
    for (;;) {
        // Take characters as they come; a read that would find nothing first waits up to 10 ms,
        // so a silent meter still gives up after about a second.
        if (e.link().inBufferCount() == 0) {
            const ExchangeResult waited = waitForInput(link, 1, 10, cancel);
            if (waited.outcome == Outcome::Cancelled)
                return make(Outcome::Cancelled, record, name, reads, reads);
        }
        if (auto o = e.interrupted())
            return make(*o, record, name, reads, reads);
        record += e.link().input();
        ++reads;
        if (reads > 100) {
            SendStopCommand(link, cancel);
            return make(Outcome::Failed, record, name, 101, reads);
        }
        if (protocol::endsWithCrLf(record))
            break;
    }
    if (!protocol::splitOaRecord(record)) {
        SendStopCommand(link, cancel);
        return make(Outcome::Failed, record, name, reads, reads);
    }
    return make(Outcome::Ok, record, name, reads, reads);
}

} // namespace exchange

// ---------------------------------------------------------------------------------------------
// N

void SendStopCommand(SerialLink &link, const CancelCheck &cancel)
{
    // A device that went away cannot be quietened: nothing to wait for, nothing to log.
    if (link.lost() || link.checkLost())
        return;
    // While the meter is being quietened nobody may start new serial work on the line.
    QPointer<SerialLink> guard(&link);
    link.markBusy(true);
    auto done = [&] {
        if (guard) {
            guard->setInputLen(0);
            guard->markBusy(false);
        }
    };
    auto gone = [&] { return !guard || ProgramEnding() || (cancel && cancel()) || guard->checkLost(); };

    link.discardInput();
    link.setInputLen(0);
    link.input();
    link.output(protocol::command("N"));
    if (!exchange::drainLine(link, cancel) || gone()) {
        done();
        return;
    }
    link.setInputLen(1);
    link.output(protocol::command("N"));
    WaitTicks(5, 100);
    if (gone()) {
        done();
        return;
    }
    QByteArray text;
    int counter = 0;
    for (;;) {
        text += link.input();
        ++counter;
        if (counter > 100) {
            if (!link.lost())
                WriteRsErrLog(QStringLiteral("N Command"), text, counter);
            break;
        }
        if (text == "AN\r\n")
            break;
    }
    done();
}
