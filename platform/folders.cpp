#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>

#ifdef Q_OS_WIN
#include <shlobj.h>
#include <windows.h>
#endif

namespace kordex {

namespace {
QString withDelimiter(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}
}  // namespace

QString xdgSharedDataFolder(const QString &xdgConfigHome, const QString &home)
{
    // An unset, empty or relative XDG_CONFIG_HOME is ignored, as the XDG rules ask.
    QString base = xdgConfigHome;
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = withDelimiter(home) + QStringLiteral(".config");
    return withDelimiter(QDir::cleanPath(base)) + QStringLiteral("Corvane/Kordex/");
}

StorageFolders ResolveStorageFolders()
{
    StorageFolders f;
    QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    f.executableFolder = withDelimiter(exeDir);
#ifdef Q_OS_WIN
    f.executableFolder = QDir::toNativeSeparators(f.executableFolder);
    f.sharedDataFolder = f.executableFolder;
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
#pragma warning(suppress : 4996)
    if (!GetVersionExW(&vi) || vi.dwPlatformId != VER_PLATFORM_WIN32_NT || vi.dwMajorVersion < 5) {
        // Older systems keep everything beside the program and name the
        // executable folder's files relative to the current directory.
        f.executableFolder.clear();
    } else {
        wchar_t buf[MAX_PATH + 1] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buf)))
            f.sharedDataFolder =
                withDelimiter(QString::fromWCharArray(buf)).replace(QLatin1Char('/'), QLatin1Char('\\')) +
                QStringLiteral("Corvane\\Kordex\\");
    }
    f.createSharedFolder = false;
#else
    f.sharedDataFolder = xdgSharedDataFolder(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
    f.createSharedFolder = true;
#endif
    return f;
}

}  // namespace kordex
