// The leading-number rule and the rounding of its result into 16- and 32-bit fields.
#include "datafiles/NumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const double a = numtext::leadingNumber(bytes);
    const double b = numtext::leadingNumber(QString::fromLatin1(bytes));
    if (!(a == b || (a != a && b != b)))
        __builtin_trap();  // the byte and text forms must agree
    numtext::toInt16(a);
    numtext::toInt32(a);
    (void)numtext::generalNumber(a);
    return 0;
}
