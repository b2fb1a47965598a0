// ParseDataRecord and the record splitter, live (skip 0) and page (skip 1), Standard and Detailed.
#include "FuzzCommon.h"
#include "serial/Protocol.h"
#include "startup/Variable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int flags = data[0];
    const QByteArray record = fuzzBytes(data + 1, size - 1);
    Variable::resizeLiveSeries(3);
    ParseDataRecord(record, 1 + (flags & 1), (flags >> 1) & 1, (flags >> 2) & 1);
    protocol::splitDataRecord(record, flags & 8, flags & 16);
    return 0;
}
