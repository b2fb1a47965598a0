// The U, S, P, M, T-header and %OA splitters and the acknowledgement tests on the whole input; the
// record splitter on what follows the first byte, live or page (bit 1), Standard or Detailed (bit 0).
#include "serial/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    protocol::splitUnits(reply);
    protocol::splitS(reply);
    const int pages = protocol::splitP(reply);
    if (pages < -9999 || pages > 9999)
        __builtin_trap();  // four characters never make more than four digits
    protocol::splitM(reply);
    protocol::splitTHeader(reply);
    protocol::splitOaRecord(reply);
    for (char letter : {'U', 'S', 'G', 'F', 'D', 'N', 'P', 'T', 'M'}) {
        protocol::isAck(reply, letter);
        protocol::isBareAck(reply, letter);
    }
    if (size > 0)
        protocol::splitDataRecord(reply.mid(1), data[0] & 1, data[0] & 2);
    return 0;
}
