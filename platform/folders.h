#pragma once
// Where "Kordex.ini" and the legacy files are looked for. Fixed once at start.
#include <QString>

namespace kordex {

struct StorageFolders {
    // Both end with a path delimiter, or are empty (relative to the current
    // directory).
    QString executableFolder;
    QString sharedDataFolder;
    // Linux keeps its configuration under the user's XDG folder, which may
    // not exist yet on a first start; Windows expects the installer to have
    // made its machine-wide folder.
    bool createSharedFolder = false;
};

// Windows NT 5+: the executable's folder, and the all-users application-data
// folder + "Corvane\Kordex\"; older Windows: the current directory, and the
// executable's folder. Linux and other systems: the executable's folder, and
// $XDG_CONFIG_HOME/Corvane/Kordex/ (default ~/.config/Corvane/Kordex/).
StorageFolders ResolveStorageFolders();

// The XDG rule on its own, so it can be checked without touching the
// environment of the running process.
QString xdgSharedDataFolder(const QString &xdgConfigHome, const QString &home);

}  // namespace kordex
