#pragma once

#include <QByteArray>
#include <QString>
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
    bool ok() const { return outcome == Ok; }
    bool cancelled() const { return outcome == Cancelled; }
};

namespace exchange {

// Write the failed exchange's log entry (WriteRsErrLog with its name, reply and attempts).
void logFailure(const ExchangeResult &result);

// Drain: discard what waits, wait one second, until a second passes with nothing received.
// False when cancelled.
bool drainLine(SerialLink &link, const CancelCheck &cancel);

// U: drain, "U", 300 ms waits, 3 reads examined, accept "AU"...CR LF. Fills the unit texts.
// logName is the caller's ("Unit Read(Measurment)" live, "Unit Read(Data Transfer" transfer).
ExchangeResult readUnits(SerialLink &link, const QString &logName, const CancelCheck &cancel);

// S at a live start: input length 0, 300 ms, 3 reads, accept "AS"...CR LF; log "S Command", 4.
// On success sets COScaleFlag (returned through coScaleFlag) and Variable::AtmosPressure.
ExchangeResult liveS(SerialLink &link, qint16 &coScaleFlag, const CancelCheck &cancel);
// G or F at a live start: discard, input length 4, "G"/"F", 300 ms, one read equal to "AG"/"AF" CR LF.
// Logged as "G Command(Measure)"/"F Command(Measure)" with sTries (the S exchange's count).
ExchangeResult liveGF(SerialLink &link, bool detailed, int sTries, const CancelCheck &cancel);
// Send "D0001" CR LF.
void sendD(SerialLink &link);
// The D reply: ack within 10 one-character reads, record (>= 31 chars, CR LF) by read 100.
// Call when at least 37 (Standard) or 69 (Detailed) characters wait. Reply = the data line.
ExchangeResult liveDReply(SerialLink &link, const CancelCheck &cancel);

// Directory: P (input length 0, drain first, 300 ms, 3 reads, "P Command", 4). Reply as received.
ExchangeResult directoryP(SerialLink &link, const CancelCheck &cancel);
// Directory T: input length 4, 300 ms, 10 reads, "T Command", 11; then the 21-character header
// read once at once (returned in header).
ExchangeResult directoryT(SerialLink &link, int page, QByteArray &header, const CancelCheck &cancel);
// Directory M: input length 0, 200 ms, 10 reads, accept "AM"...CR LF of >= 11 chars and its five
// fields; "M Command Data Read(Cal/%OA)", 11.
ExchangeResult directoryM(SerialLink &link, int page, const CancelCheck &cancel);

// Page read: G/F (input length 4, 300 ms, one read; "G Command(Cal)"/"F Command(Cal)", -1).
ExchangeResult pageGF(SerialLink &link, bool detailed, const CancelCheck &cancel);
// Page read T: input length 4, 300 ms, 3 reads; "T Command(Cal)" or "T Command(%OA)", 4.
ExchangeResult pageT(SerialLink &link, int page, bool oa, const CancelCheck &cancel);
// Page header: input length 21, 300 ms, 3 reads, ends CR LF;
// "T Command Data Read(Cal Header)" / "T Command Data Read(%OA Header)", 4.
ExchangeResult pageHeader(SerialLink &link, bool oa, const CancelCheck &cancel);
// One calculation record, read as characters arrive (> 30 chars ending CR LF, at most 100 chars;
// 100 empty reads in a row: bare "N" sent, logged with the character count).
ExchangeResult pageCalRecord(SerialLink &link, const CancelCheck &cancel);
// One %OA record, read as characters arrive (ends CR LF, at most 100 reads that find nothing,
// each waiting up to 10 ms); "T Command Data Read(%OA Data)", 101.
ExchangeResult pageOaRecord(SerialLink &link, const CancelCheck &cancel);

} // namespace exchange

// N: stop the meter's output and leave the line quiet (drain, "N" again, 500 ms, up to 100 reads
// for "AN" CR LF; "N Command", 101 logged when it never comes). Disables the main window's
// Command1 and Command3 meanwhile.
void SendStopCommand(SerialLink &link, const CancelCheck &cancel = {});
