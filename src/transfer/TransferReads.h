#pragma once

#include <functional>

#include "datafiles/SampleData.h"
#include "serial/Exchanges.h"
#include "transfer/TransferState.h"

class SerialLink;

// The two conversations of the transfer window with the meter: the page directory (P, then T and
// M for every page) and the read of one page (G or F, T, header, records). No widget here: the
// window passes callbacks for what it shows and a cancel check for its Close button.
namespace transfer {

struct ReadOutcome {
    enum Kind {
        Ok,         // complete
        Empty,      // the directory holds no page
        Failed,     // an exchange failed; its log entry has been written
        Cancelled,  // the window was closed or the program is ending: nothing more was touched
    };
    Kind kind = Failed;
    ExchangeResult failure;  // the failed exchange (Kind Failed)
};

// Port already open. Fills state.PageCount and state.PageDirectory. onCount(pageCount) runs once
// the P reply is in; onPage(p) after page p's row is complete.
ReadOutcome readDirectory(SerialLink &link, TransferState &state, const CancelCheck &cancel,
                          const std::function<void(int)> &onCount, const std::function<void(int)> &onPage);

// Before a page read (port already open in run mode): data take the page's kind and the state's
// output mode, and the units: from U in run mode (a failure logged as "Unit Read(Data Transfer"
// with an empty reply; the outcome keeps what came back), the fixed texts in debug mode, where the
// page is not read and stays its number of data of zero records.
ReadOutcome readPageUnits(SerialLink &link, const TransferState &state, int page, bool runMode, SampleData &data,
                          const CancelCheck &cancel);

// Port already open, units read. Reads page `page` of kind calculation ("000", in state.DetailedMode)
// or %OA ("001") into data's samples (the values of a calculation page, the %OA series of a %OA
// page); sets PageDate and PageTime. onRecord(i, n) after record i has arrived.
ReadOutcome readPage(SerialLink &link, TransferState &state, int page, SampleData &data, const CancelCheck &cancel,
                     const std::function<void(int, int)> &onRecord);

} // namespace transfer
