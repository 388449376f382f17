#pragma once
// Temporary executable and shared data folders, and file helpers.
#include "config/configuration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace kordex::test {

struct Folders {
    QTemporaryDir root;
    StorageFolders folders;
    explicit Folders(bool createShared = true)
    {
        QDir(root.path()).mkpath(QStringLiteral("exe"));
        QDir(root.path()).mkpath(QStringLiteral("shared"));
        folders.executableFolder = root.path() + QStringLiteral("/exe/");
        folders.sharedDataFolder = root.path() + QStringLiteral("/shared/");
        folders.createSharedFolder = createShared;
    }
    QString exe(const QString &name) const { return folders.executableFolder + name; }
    QString shared(const QString &name) const { return folders.sharedDataFolder + name; }
};

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline TConnectionRec named(const QByteArray &name)
{
    TConnectionRec r;
    r.SystemName = name;
    return r;
}

}  // namespace kordex::test
