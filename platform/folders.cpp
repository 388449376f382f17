#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace kordex {

namespace {
QString withDelimiter(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}
}  // namespace

StorageFolders resolveStorageFolders()
{
    StorageFolders f;
    if (QCoreApplication::instance())
        f.executableFolder = withDelimiter(QCoreApplication::applicationDirPath());
    // The XDG rules ignore a relative XDG_CONFIG_HOME; Qt 6.4 hands it on.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = withDelimiter(QDir::homePath()) + QStringLiteral(".config");
    f.sharedDataFolder = withDelimiter(QDir::cleanPath(base)) + QStringLiteral("Corvane/Kordex/");
    f.createSharedFolder = true;
    return f;
}

}  // namespace kordex
