// The "Language.dat" reader.
#include "i18n/Language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto choice = language::parseLanguageFile(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (choice) {
        // What we read we can write back, and it reads the same.
        const auto again = language::parseLanguageFile(language::formatLanguageFile(*choice));
        if (!again || *again != *choice)
            __builtin_trap();
    }
    return 0;
}
