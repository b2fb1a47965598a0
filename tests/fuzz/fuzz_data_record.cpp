// The record splitter, live (skip 0) and page (skip 1), Standard and Detailed, and the %OA splitter.
#include "FuzzCommon.h"
#include "serial/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int flags = data[0];
    const QByteArray record = fuzzBytes(data + 1, size - 1);
    protocol::splitDataRecord(record, flags & 1, flags & 2);
    protocol::splitOaRecord(record);
    return 0;
}
