#include "dialogs/DialogRules.h"

#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>

#include "datafiles/NumberText.h"

namespace dialogrules {

std::optional<qint32> sampleValueFromText(QStringView text)
{
    const double v = numtext::leadingNumber(text);
    if (!(v >= 0.0 && v <= double(kMaxSampleValue)))
        return std::nullopt;
    return qint32(numtext::roundHalfEven(v));
}

QStringList speedEntries()
{
    return {QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")};
}
QStringList dataBitEntries() { return {QStringLiteral("7"), QStringLiteral("8")}; }
QStringList parityEntries() { return {QStringLiteral("Even"), QStringLiteral("Odd"), QStringLiteral("None")}; }
QStringList stopBitEntries() { return {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")}; }
QStringList flowEntries()
{
    return {QStringLiteral("None"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS"), QStringLiteral("Xon/RTS")};
}

QString parityCode(const QString &entry) { return entry.left(1); }

int parityIndex(const QString &stored)
{
    const QString p = stored.toLower();
    if (p == QLatin1String("e"))
        return 0;
    if (p == QLatin1String("o"))
        return 1;
    if (p == QLatin1String("n"))
        return 2;
    return -1;
}

qint16 flowCode(int index) { return qint16(index + 1); }

int flowIndex(qint16 stored) { return stored >= 1 && stored <= 4 ? stored - 1 : -1; }

int exactIndex(const QStringList &entries, const QString &stored)
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries.at(i) == stored)
            return i;
    return -1;
}

Lookup lookUpPath(const QString &path)
{
    if (path.isEmpty())
        return Lookup::Missing;
    // A name with NUL in it cannot be handed to the system at all.
    if (path.contains(QChar(0)))
        return Lookup::Error;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0)
        return Lookup::Found;
    if (errno == ENOENT || errno == ENOTDIR)
        return Lookup::Missing;
    return errno == EACCES ? Lookup::Denied : Lookup::Error;
}

int lookupFailureText(Lookup lookup) { return lookup == Lookup::Denied ? kFolderNotReadableText : 194; }

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version ") + QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QString::number(revision);
}

QString programVersionText()
{
    return versionText(TELVARO_VERSION_MAJOR, TELVARO_VERSION_MINOR, TELVARO_VERSION_REVISION);
}

QString legalNotice() { return QStringLiteral("Copyright (C) 2026 Telvaro. All rights reserved."); }

int twipsToPixels(int twips, int dpi) { return int(std::lround(double(twips) * dpi / 1440.0)); }

QStringList systemInfoCandidates()
{
    return {QStringLiteral("gnome-system-monitor"), QStringLiteral("kinfocenter"), QStringLiteral("hardinfo2"),
            QStringLiteral("hardinfo"), QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lxtask")};
}

QString findSystemInfoProgram()
{
    for (const QString &name : systemInfoCandidates()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QStringList drivesToOffer(const QList<Volume> &volumes, const QString &home)
{
    static const QByteArrayList network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "davfs",
                                           "fuse.davfs2"};
    static const QByteArrayList system = {"squashfs", "tmpfs", "devtmpfs", "proc", "sysfs", "overlay", "autofs",
                                          "efivarfs", "iso9660", "udf"};
    auto under = [](const QString &path, const QString &folder) {
        const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        return !folder.isEmpty() && path.startsWith(prefix);
    };
    QStringList drives{QStringLiteral("/")};
    if (!home.isEmpty() && home != QLatin1String("/"))
        drives << home;
    QStringList others;
    for (const Volume &v : volumes) {
        const bool removable = under(v.root, QStringLiteral("/media")) || under(v.root, QStringLiteral("/run/media")) ||
                               under(v.root, QStringLiteral("/mnt"));
        const bool offered = removable || under(v.root, home) || network.contains(v.fileSystemType);
        if (offered && !v.readOnly && !system.contains(v.fileSystemType) && !drives.contains(v.root) &&
            !others.contains(v.root))
            others << v.root;
    }
    others.sort();
    return drives + others;
}

QString mountPointOf(const QString &path, const QStringList &mountPoints)
{
    QString best = QStringLiteral("/");
    for (const QString &mount : mountPoints) {
        const bool holds = mount == QLatin1String("/") || path == mount ||
                           path.startsWith(mount.endsWith(QLatin1Char('/')) ? mount : mount + QLatin1Char('/'));
        if (holds && mount.size() > best.size())
            best = mount;
    }
    return best;
}

} // namespace dialogrules
