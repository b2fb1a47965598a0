#include "transfer/PageFile.h"

#include "datafiles/CsvExport.h"

namespace transfer {

std::optional<QByteArray> pageFileBytes(const TransferState &state, int page, const SampleData &data)
{
    const csvexport::CsvHeader header{state.PageDate, state.PageTime, state.pressureText(page),
                                      state.numberOfData(page), state.cell(page, 2)};
    if (state.kind(page) == TransferState::PageKind::Oa)
        return csvexport::oaCsvBytes(header, state.cell(page, 4), data);
    return csvexport::measureCsvBytes(header, state.cell(page, 4), state.DetailedMode, data);
}

bool writePageFile(const QString &fileName, const TransferState &state, int page, const SampleData &data)
{
    const auto bytes = pageFileBytes(state, page, data);
    return bytes && csvexport::writeFileWhole(fileName, *bytes);
}

} // namespace transfer
