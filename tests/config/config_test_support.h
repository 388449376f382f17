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

// The folders, a prompter, the configuration over them and a book to load into.
struct Store {
    Folders dirs;
    ScriptedPrompter p;
    Configuration cfg{dirs.folders, p};
    ConnectionBook book;
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

inline ConnectionRecord named(const QByteArray &name)
{
    ConnectionRecord r;
    r.systemName = name;
    return r;
}

// A file holding these names, loaded into `book` as the program does at start.
inline void storeBook(Configuration &config, ConnectionBook &book, const QList<QByteArray> &names)
{
    ConnectionBook stored;
    for (const QByteArray &n : names)
        stored.add(named(n));
    config.saveConnections(stored);
    config.loadConnections(book);
}

}  // namespace kordex::test
