#pragma once
// "Kordex.ini": where it lives, reading it into the Connection book, sorting
// and writing the book back.
//
// Use: one Configuration per run, made right after start-up:
//     Configuration config(resolveStorageFolders(), prompter);
//     config.loadConnections(session.Book);   // window creation, each dialog show
//     config.saveConnections(session.Book);   // after each dialog change, at close
// loadConnections looks next to the executable, then in the shared data
// folder, and imports the legacy files (or makes the examples) when neither
// has the file. saveConnections sorts the book and writes it where the last
// load found it (shared data folder unless it came from the executable
// folder). Both report to the operator through the Prompter themselves; their
// results are for callers that want to know more. A file that is there but
// cannot be read (or is no regular file) is never saved over; one that reads
// but gives no book is copied to "Kordex.ini.bak" (owner-only) before any
// save can replace it.
//
// Several windows (processes) share the file. Each remembers the book and the
// file as it last read or wrote them: a save of a book that has not changed
// since writes nothing, and a save over a file that changed since is merged
// with it (book_merge.h). Saves hold a lock file beside "Kordex.ini" from
// the read to the rename, so two never interleave.
#include "config/book_merge.h"
#include "config/connection_book.h"
#include "config/ini_file.h"
#include "platform/folders.h"
#include "platform/prompter.h"
#include "platform/serial_ports.h"

#include <QString>

#include <chrono>
#include <optional>

namespace kordex {

inline const QString kIniFileName = QStringLiteral("Kordex.ini");

enum class LoadSource {
    ExecutableFolder,  // "Kordex.ini" next to the executable
    SharedDataFolder,  // "Kordex.ini" in the shared data folder
    LegacyFiles,       // imported from "Kordex.csv"/"Kor-dex.csv" (+ "Kordex.cfg")
    Examples,          // no file at all: the three built-in examples
    UnreadableFile,    // the ini exists but could not be read: examples, and
                       // saves leave that file alone
};

// Ascending by name with a-z folded to A-Z, bytewise; equal names keep their order.
void sortConnections(ConnectionBook &book);

QByteArray connectionSectionName(int n);
// One record section, keyed and ordered by connectionFields(); missing keys
// and malformed numbers take the defaults.
ConnectionRecord readConnectionSection(const IniFile &ini, int n);
void writeConnectionSection(IniFile &ini, int n, const ConnectionRecord &rec);
// The book from "Count" and the record sections, and back (sections and keys
// the book does not write stay as they are).
void loadBook(const IniFile &ini, ConnectionBook &book);
void storeBook(IniFile &ini, const ConnectionBook &book);
// False when a file with content gave no book: no "Connections" section, or
// "Connection" n sections without a usable "Count". Saving over such a file
// would lose what could not be read.
bool holdsReadableBook(const QByteArray &bytes, const IniFile &ini);

class Configuration {
public:
    // How long a save waits for another window's save to end.
    static constexpr std::chrono::milliseconds kLockWait{5000};
    // The lock file of the saves of `ini`.
    static QString lockFileOf(const QString &ini) { return ini + QStringLiteral(".lock"); }

    Configuration(const StorageFolders &folders, Prompter &prompter);

    // Replaces the book with the file's; later saves compare with it.
    LoadSource loadConnections(ConnectionBook &book);
    // False (and the message "File Write Error. Records not saved.") when the
    // file could not be written; the book stays sorted either way. True
    // without writing when the book is as last loaded or saved. When the file
    // changed since, the book becomes the merged one.
    bool saveConnections(ConnectionBook &book);
    // Whether the last save failed (the program's exit status tells).
    bool lastSaveFailed() const { return lastSaveFailed_; }

    // Runs when no "Kordex.ini" exists; fills the book and saves it.
    LoadSource importLegacyConfiguration(ConnectionBook &book);

    const StorageFolders &folders() const { return folders_; }
    bool iniInExecutableFolder() const { return iniInExeFolder_; }
    QString saveTarget() const;
    // COM n to device, with the [Ports] section of the last file loaded.
    const SerialPortMap &ports() const { return ports_; }

private:
    void readPorts(const IniFile &ini);
    void keepUnreadableFile(const QString &path, const QByteArray &bytes);
    // The book and the file as this window last read or wrote them (no file:
    // nullopt). Until the first load, saves write the book as it is.
    struct Synced {
        Records book;
        std::optional<QByteArray> file;
    };
    std::optional<Synced> synced_;

    StorageFolders folders_;
    Prompter &prompter_;
    bool iniInExeFolder_ = false;
    QString protectedFile_;
    bool lastSaveFailed_ = false;
    SerialPortMap ports_;
};

}  // namespace kordex
