#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>

class SerialLink;

// Every exchange with the meter, written once. Each is described by the numbers of the meter's
// exchange table (input length, wait, reads, acceptance, log name) and run by one engine.
//
// Waiting never blocks the window: waits run the event loop (WaitTicks). While an exchange waits
// the user may close a window or press Close; the caller's cancel check is asked after every wait
// and every read, and the exchange then ends as Cancelled without touching the port again.
// A device that vanished ends the exchange as Failed.

// True when the exchange must stop quietly (window gone, Close pressed, stop requested, program ending).
using CancelCheck = std::function<bool()>;

struct ExchangeResult {
    enum Outcome { Ok, Failed, Cancelled };
    Outcome outcome = Failed;
    QByteArray reply;       // the accepted text, or the last read's text on failure
    QString logName;        // what RSErr.log records on failure
    int loggedAttempts = -1;  // the attempts field of the log entry
    int attempts = 0;         // reads the exchange made (the S exchange's count goes into G/F's log)
    bool ok() const { return outcome == Ok; }
    bool cancelled() const { return outcome == Cancelled; }
};

namespace exchange {

// "The attempt counter" as the logged attempts of a description.
inline constexpr int kCounter = -32768;

// The numbers of one line of the exchange table, run by run() (the standard exchange: each read
// is judged alone, the text of a read replaces the one before).
struct Description {
    QByteArray command;         // sent (with its CR LF) before the first read; empty: nothing sent
    int inputLen = -1;          // set before the command; -1 leaves it as it is
    bool discardFirst = false;  // discard what waits before sending
    int waitTicks = 0;          // WaitTicks(waitTicks, tickMs) before every read; 0: no wait
    int tickMs = 100;
    int reads = 1;              // reads examined
    // true: after the last examined read one more wait and read follow, and that text is logged
    // (so 3 reads give up at the 4th); false: the last examined read ends the exchange (G, F).
    bool giveUpRead = true;
    std::function<bool(const QByteArray &)> accept;  // empty: any text passes
    QString logName;
    int loggedAttempts = kCounter;  // kCounter: the attempt counter; else this number
};
ExchangeResult run(SerialLink &link, const Description &description, const CancelCheck &cancel);

// Wait, handing control to the event loop, until at least count characters wait. timeoutMs < 0:
// no time limit (scaled like every wait). Ok when they wait, Failed on time-out or a lost
// device, Cancelled when the cancel check (or the program's end) says so.
ExchangeResult waitForInput(SerialLink &link, int count, int timeoutMs, const CancelCheck &cancel);

// Write the failed exchange's log entry (WriteRsErrLog with its name, reply and attempts).
void logFailure(const ExchangeResult &result);

// Drain: discard what waits, wait one second, until a second passes with nothing received.
// False when cancelled. A line that never falls silent is given up after ten seconds (true: the
// exchange that follows judges what comes); a lost device ends it at once (true: the next
// exchange fails).
bool drainLine(SerialLink &link, const CancelCheck &cancel);

// The nine unit texts of the U reply (CO, CO2, temperature, humidity, dew point, wet bulb,
// absolute humidity, humidity ratio, ninth field), decoded as the system's code page reads them.
using UnitTexts = std::array<QString, 9>;

// U: drain, "U", 300 ms waits, 3 reads examined, accept "AU"...CR LF. Fills units on success.
// logName is the caller's ("Unit Read(Measurment)" live, "Unit Read(Data Transfer" transfer).
ExchangeResult readUnits(SerialLink &link, const QString &logName, UnitTexts &units, const CancelCheck &cancel);

// S at a live start: input length 0, 300 ms, 3 reads, accept "AS"...CR LF; log "S Command", 4.
// On success sets coScaleFlag and atmosPressure from the reply.
ExchangeResult liveS(SerialLink &link, qint16 &coScaleFlag, qint32 &atmosPressure, const CancelCheck &cancel);
// G or F at a live start: discard, input length 4, "G"/"F", 300 ms, one read equal to "AG"/"AF" CR LF
// with nothing waiting after it (what followed is logged with it).
// Logged as "G Command(Measure)"/"F Command(Measure)" with sTries (the S exchange's count).
ExchangeResult liveGF(SerialLink &link, bool detailed, int sTries, const CancelCheck &cancel);
// Send "D0001" CR LF.
void sendD(SerialLink &link);
// The D reply: ack within 10 one-character reads, record (>= 31 chars, CR LF) by read 100.
// Call when at least 37 (Standard) or 69 (Detailed) characters wait (waitForInput). Reply = the
// data line. A record without the ";" of its layout fails as "D Command Data Read" with the reads made.
ExchangeResult liveDReply(SerialLink &link, bool detailed, const CancelCheck &cancel);

// Directory: P (input length 0, drain first, 300 ms, 3 reads, "P Command", 4). Reply as received.
ExchangeResult directoryP(SerialLink &link, const CancelCheck &cancel);
// Directory T: input length 4, 300 ms, 10 reads, "T Command", 11; then the 21-character header
// read once at once (returned in header).
ExchangeResult directoryT(SerialLink &link, int page, QByteArray &header, const CancelCheck &cancel);
// Directory M: input length 0, 200 ms, 10 reads, accept "AM"...CR LF of >= 11 chars and its five
// fields; "M Command Data Read(Cal/%OA)", 11.
ExchangeResult directoryM(SerialLink &link, int page, const CancelCheck &cancel);

// Page read: G/F (input length 4, 300 ms, one read as at the live start; "G Command(Cal)"/"F Command(Cal)", -1).
ExchangeResult pageGF(SerialLink &link, bool detailed, const CancelCheck &cancel);
// Page read T: input length 4, 300 ms, 3 reads; "T Command(Cal)" or "T Command(%OA)", 4.
// (The caller runs SendStopCommand after a failed T, header, directory T or M exchange.)
ExchangeResult pageT(SerialLink &link, int page, bool oa, const CancelCheck &cancel);
// Page header: input length 21, 300 ms, 3 reads, ends CR LF;
// "T Command Data Read(Cal Header)" / "T Command Data Read(%OA Header)", 4.
ExchangeResult pageHeader(SerialLink &link, bool oa, const CancelCheck &cancel);
// One calculation record, read as characters arrive (> 30 chars ending CR LF, at most 100 chars;
// 100 empty reads in a row: bare "N" sent, logged with the character count). Waits for the
// first character without a time limit (until cancelled or the device is lost).
// "T Command Data Read(Cal Data)". The record ends the exchange: on failure this routine has
// already stopped the meter (bare "N", or SendStopCommand after 100 characters), so the caller
// only logs, closes and reports. With detailed given, a record without the ";" of its layout
// fails too (after SendStopCommand), logged with its character count.
ExchangeResult pageCalRecord(SerialLink &link, const CancelCheck &cancel);
ExchangeResult pageCalRecord(SerialLink &link, bool detailed, const CancelCheck &cancel);
// One %OA record, read as characters arrive (ends CR LF, at most 100 reads, an empty read waiting
// up to 10 ms, so a silent meter fails after about a second); "T Command Data Read(%OA Data)", 101.
// A record without the ";" of its layout fails, logged with its read count. On failure this
// routine has already run SendStopCommand.
ExchangeResult pageOaRecord(SerialLink &link, const CancelCheck &cancel);

} // namespace exchange

// N: stop the meter's output and leave the line quiet (drain, "N" again, 500 ms, up to 100 reads
// for "AN" CR LF; "N Command", 101 logged when it never comes). The link is marked busy meanwhile.
// A device that went away is given up at once.
void SendStopCommand(SerialLink &link, const CancelCheck &cancel = {});
