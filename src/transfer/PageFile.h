#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "datafiles/SampleData.h"
#include "transfer/TransferState.h"

// The data file of a page that was read: the header values come from the page's directory row
// (sampling time, operation, number of data, pressure) and its header (date, time), in the layout
// of its kind (%OA, or calculation in the state's output mode).
namespace transfer {

// The file's bytes; nothing when the data hold fewer records than the page's number of data.
std::optional<QByteArray> pageFileBytes(const TransferState &state, int page, const SampleData &data);
// Written whole to fileName (an old file stays as it was when this fails).
bool writePageFile(const QString &fileName, const TransferState &state, int page, const SampleData &data);

} // namespace transfer
