#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "datafiles/SampleData.h"
#include "datafiles/SettingsRecord.h"
#include "transfer/TransferState.h"

class SerialLink;

namespace transfer {

// One visit to the meter's stored pages, as a model: the directory, the read of a page and the
// cancel, each opening and closing the line it is lent. It knows no widget; the transfer window
// shows what it reports and turns its clicks into calls.
//
// It takes a copy of the settings when it is made (Run or Debug mode, the port) and reads only
// that copy. Every read yields to the event loop while it waits, so cancel() may arrive in the
// middle of one: the read then ends as Cancelled and touches nothing more.
class PageTransfer : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Ok,
        Empty,          // the directory holds no page
        PortNotOpened,  // the line could not be opened; nothing was sent
        Failed,         // an exchange failed; its entry is in RSErr.log
        Cancelled,      // cancel() was called, the line went away or the program is ending
    };

    struct PageRead {
        Outcome outcome = Outcome::Failed;
        SampleData data;  // the page's samples, units and pressure (outcome Ok)
    };

    PageTransfer(const SettingsRecord &settings, SerialLink *link, QObject *parent = nullptr);

    TransferState &state() { return m_state; }
    const TransferState &state() const { return m_state; }

    // The page directory: P, then T and M for every page in Run mode; five made-up pages in
    // Debug mode. Reports pageCountKnown, then pageRowReady for each page.
    Outcome readDirectory();

    // Page `page` of the directory in the state's output mode. Run mode: U, then G or F, T, the
    // header and the records (a page of a kind the program does not know only has its units
    // read). Debug mode: the fixed unit texts and no records. Reports readStarted once the line
    // is open, recordsBegin once the units are in, then recordRead after each record.
    PageRead readPage(int page);

    // Stops whatever runs: a read in progress ends at its next step; with the line open in Run
    // mode the meter is stopped (N) and the line closed. Later reads end as Cancelled at once.
    void cancel();
    bool cancelled() const;

    // The draws of the Debug-mode directory (default: the program's random generator).
    static void setDebugRandomSource(std::function<double()> source);

signals:
    void pageCountKnown(int count);
    void pageRowReady(int page);
    void readStarted();  // the line is open: the data held so far give way to the page
    void recordsBegin(int count);
    void recordRead(int record, int count);

private:
    bool openLine();
    void closeLine();
    // After a cancelled read: the line is closed unless cancel() has done it (or is doing it).
    Outcome cancelledRead();

    SettingsRecord m_settings;
    QPointer<SerialLink> m_link;
    TransferState m_state;
    bool m_cancelCalled = false;
};

} // namespace transfer
