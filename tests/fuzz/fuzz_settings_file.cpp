// The "Telvaro.ini" reader, then the writer on what it read: always the 20 lines.
#include "datafiles/SettingsFile.h"
#include "i18n/CodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const char *languages[] = {"English", "Japanese", "Chinese", "German"};
    const QString language = QString::fromLatin1(languages[data[0] & 3]);
    const qint16 choice = qint16((data[0] >> 2) & 3);
    const QString text = codepage::fromFile(QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1));
    SettingsRecord record;
    settingsfile::parseSettings(text, record, language, choice, QStringLiteral("1sec"));
    const QString written = settingsfile::formatSettings(record);
    if (written.count(QStringLiteral("\r\n")) < 20)
        __builtin_trap();
    return 0;
}
