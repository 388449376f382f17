#pragma once
// Where "Kordex.ini" and the legacy files are looked for. Fixed once at start.
#include <QString>

namespace kordex {

struct StorageFolders {
    // Both end with a path delimiter, or are empty (relative to the current
    // directory).
    QString executableFolder;
    QString sharedDataFolder;
    // The user's configuration folder may not exist yet on a first start.
    bool createSharedFolder = false;
};

// The executable's folder, and the user's configuration folder +
// "Corvane/Kordex/": $XDG_CONFIG_HOME/Corvane/Kordex/ on Linux (by default
// ~/.config/Corvane/Kordex/).
StorageFolders resolveStorageFolders();

}  // namespace kordex
