#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// The rules of the settings dialogs and the About box that need no window: the number-of-data
// rule, the serial list mappings, the folder lookup, the version text, the system-information tool.
namespace dialogrules {

// The largest number of samples a live run may take (the meter's own limit).
inline constexpr qint32 kMaxSampleValue = 65500;

// Number of data typed into the measurement dialog: its leading number rounded halves-to-even
// when it lies in 0..65500, nothing when it lies outside (the dialog then resets it to 0).
std::optional<qint32> sampleValueFromText(QStringView text);

// The fixed lists of the serial dialog, in the order they are shown.
QStringList speedEntries();
QStringList dataBitEntries();
QStringList parityEntries();
QStringList stopBitEntries();
QStringList flowEntries();
// Stored parity: the entry's first letter ("Even" -> "E").
QString parityCode(const QString &entry);
// The entry a stored parity selects ("e"/"E" -> 0 ...), -1 for anything else.
int parityIndex(const QString &stored);
// Stored flow: the entry's position plus one; the position a stored code selects, -1 outside 1..4.
qint16 flowCode(int index);
int flowIndex(qint16 stored);
// The entry whose text equals the stored one exactly, -1 when none does.
int exactIndex(const QStringList &entries, const QString &stored);

// A directory lookup of the path itself: a path naming an existing file counts as found.
// Error: the path cannot be looked up at all (too long, embedded NUL...); Denied: the user may not
// read a folder on the way.
enum class Lookup { Found, Missing, Error, Denied };
// "The folder cannot be read. ..."
inline constexpr int kFolderNotReadableText = 196;
// The message for a lookup that failed: text 196 for Denied, else text 194 (no disk inserted).
int lookupFailureText(Lookup lookup);
Lookup lookUpPath(const QString &path);

// "Version 1.04": major, ".", minor and revision run together, no leading zeros.
QString versionText(int major, int minor, int revision);
// The program's own version text.
QString programVersionText();
// The legal notice shown in the About box.
QString legalNotice();

// A width in twips (1/1440 inch) in pixels at the given resolution.
int twipsToPixels(int twips, int dpi);

// The desktop's own system-information programs, the preferred first.
QStringList systemInfoCandidates();
// The first of them found on the PATH; empty when none is installed.
QString findSystemInfoProgram();

// A mounted volume as the system lists it.
struct Volume {
    QString root;
    QByteArray fileSystemType;
    bool readOnly = false;
};
// The drives the folder picker offers: the root, the home folder, then the writable removable
// volumes (under /media, /run/media, /mnt), volumes in the home folder and network volumes, sorted.
// Pseudo and system mounts (squashfs snaps, /boot/efi, ...) are no drives a user saves to.
QStringList drivesToOffer(const QList<Volume> &volumes, const QString &home);

// Mount points: the one that holds path (longest matching prefix); "/" when none does.
QString mountPointOf(const QString &path, const QStringList &mountPoints);

} // namespace dialogrules
