#include "config/configuration.h"

#include "config/connection_fields.h"
#include "config/legacy_import.h"
#include "platform/file_io.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>

namespace kordex {

namespace {
const QString kTitle = QStringLiteral("Kordex");
const QString kWriteError = QStringLiteral("File Write Error. Records not saved.");
const QByteArray kConnections = "Connections";
const QByteArray kCount = "Count";
const QByteArray kPorts = "Ports";

// QSaveFile alone is not enough: a buffered write that runs into a full disk
// comes back short without an error and the short file is committed. So the
// write is unbuffered, every byte is accounted for, and the data is on the
// disk before the rename.
bool writeAtomically(const QString &target, const QByteArray &bytes)
{
    const bool existed = QFileInfo::exists(target);
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (!existed)  // it holds panel passwords
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = out.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            out.cancelWriting();
            out.commit();
            return false;
        }
        done += n;
    }
    if (!flushToDisk(out.handle())) {
        out.cancelWriting();
        out.commit();
        return false;
    }
    return out.commit();
}

// QLockFile's own wait doubles its pauses up to seconds, and a save that
// keeps missing the other window's short gaps between saves runs out of
// time: a save behind another lasts milliseconds, so look often.
bool lockWithin(QLockFile &lock, std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    while (!lock.tryLock(0)) {  // a lock whose owner is gone is taken over here
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

// Writes `bytes` to the first free "<path>.bak", ".bak2" ...: an older copy
// is never replaced, and one with the same bytes is used again (then
// `alreadyKept`). The copy's name, or empty when none could be made.
QString keepCopy(const QString &path, const QByteArray &bytes, bool *alreadyKept = nullptr)
{
    for (int i = 1; i < 100; ++i) {
        const QString copy = path + QStringLiteral(".bak") + (i > 1 ? QString::number(i) : QString());
        if (QFileInfo(copy).exists() || QFileInfo(copy).isSymLink()) {
            const FileContents kept = readRegularFile(copy);
            if (kept.ok && kept.bytes == bytes) {
                if (alreadyKept)
                    *alreadyKept = true;
                return copy;
            }
            continue;
        }
        return writeAtomically(copy, bytes) ? copy : QString();
    }
    return {};
}

// "Connection" followed by a decimal number, letter case ignored.
bool isConnectionSectionName(const QByteArray &name)
{
    const qsizetype n = qsizetype(qstrlen("Connection"));
    if (name.size() <= n || !equalsIgnoringAsciiCase(name.left(n), "Connection"))
        return false;
    for (qsizetype i = n; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}
}  // namespace

bool holdsReadableBook(const QByteArray &bytes, const IniFile &ini)
{
    if (stripIniText(bytes).isEmpty())
        return true;  // nothing to lose
    if (!ini.section(kConnections))
        return false;
    if (parseIniInteger(ini.readString(kConnections, kCount, {})).value_or(-1) >= 0)
        return true;
    for (const IniFile::Section &s : ini.sections())
        if (isConnectionSectionName(s.name))
            return false;
    return true;
}

void loadBook(const IniFile &ini, ConnectionBook &book)
{
    book.setCount(ini.readInteger(kConnections, kCount, 0));
    for (int n = 0; n < book.count(); ++n)
        book.at(n) = readConnectionSection(ini, n);
}

void storeBook(IniFile &ini, const ConnectionBook &book)
{
    ini.setInteger(kConnections, kCount, book.count());
    for (int n = 0; n < book.count(); ++n)
        writeConnectionSection(ini, n, book.at(n));
}

void sortConnections(ConnectionBook &book)
{
    // A stable sort gives exactly the order of the bubble passes the file
    // format was made with: equal folded names keep their order.
    if (book.count() > 1)
        book.sortByName();
}

QByteArray connectionSectionName(int n) { return "Connection" + QByteArray::number(n); }

ConnectionRecord readConnectionSection(const IniFile &ini, int n)
{
    const QByteArray s = connectionSectionName(n);
    ConnectionRecord r;  // a missing key keeps the default
    for (const ConnectionField &f : connectionFields())
        if (const std::optional<QByteArray> v = ini.value(s, f.name))
            setFieldFromText(r, f, *v);
    return r;
}

void writeConnectionSection(IniFile &ini, int n, const ConnectionRecord &r)
{
    const QByteArray s = connectionSectionName(n);
    for (const ConnectionField &f : connectionFields())
        ini.setValue(s, f.name, fieldText(r, f));
}

Configuration::Configuration(const StorageFolders &folders, Prompter &prompter) : folders_(folders), prompter_(prompter)
{
}

QString Configuration::saveTarget() const
{
    return (iniInExeFolder_ ? folders_.executableFolder : folders_.sharedDataFolder) + kIniFileName;
}

void Configuration::readPorts(const IniFile &ini)
{
    ports_.clear();
    const IniFile::Section *s = ini.section(kPorts);
    if (!s)
        return;
    for (const IniFile::Line &l : s->lines) {
        if (!l.isKey || l.value.isEmpty())
            continue;
        if (int n = SerialPortMap::parsePortKey(l.key); n > 0 && !ports_.overrides().contains(n))
            ports_.setOverride(n, QFile::decodeName(l.value));
    }
}

LoadSource Configuration::loadConnections(ConnectionBook &book)
{
    protectedFile_.clear();
    LoadSource source;
    QString path;
    iniInExeFolder_ = true;
    path = folders_.executableFolder + kIniFileName;
    source = LoadSource::ExecutableFolder;
    if (!QFileInfo::exists(path)) {
        iniInExeFolder_ = false;
        path = folders_.sharedDataFolder + kIniFileName;
        source = LoadSource::SharedDataFolder;
        if (!QFileInfo::exists(path)) {
            ports_.clear();
            return importLegacyConfiguration(book);
        }
    }

    const FileContents file = readRegularFile(path);
    if (!file.ok) {
        // The operator's real book may still be in there: work with the
        // examples, and never let a save replace that file.
        ports_.clear();
        protectedFile_ = path;
        loadExampleConnections(book);
        synced_ = Synced{book.records(), std::nullopt};
        prompter_.message(kTitle, file.error + QStringLiteral(" - Default Configuration Loaded."),
                          Prompter::Icon::Error);
        return LoadSource::UnreadableFile;
    }

    const IniFile ini = IniFile::parse(file.bytes);
    loadBook(ini, book);
    readPorts(ini);
    synced_ = Synced{book.records(), file.bytes};
    if (!holdsReadableBook(file.bytes, ini))
        keepUnreadableFile(path, file.bytes);
    return source;
}

// The file had content but gave no book (saved as UTF-16 by an editor,
// damaged, a Count that is no number): the next save would replace it with
// what the program holds, so a copy is kept beside it first. The same content
// is copied and reported once, however often it is loaded.
void Configuration::keepUnreadableFile(const QString &path, const QByteArray &bytes)
{
    bool alreadyKept = false;
    if (const QString copy = keepCopy(path, bytes, &alreadyKept); alreadyKept) {
        return;
    } else if (!copy.isEmpty()) {
        prompter_.message(kTitle,
                          QStringLiteral("%1 holds no connections Kordex can read (another text encoding, or "
                                         "damage). It is kept as %2; Kordex saves its connections in a new %3.")
                              .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(copy), kIniFileName),
                          Prompter::Icon::Warning);
        return;
    }
    // No copy: saves leave the file alone, as an unreadable one.
    protectedFile_ = path;
    prompter_.message(kTitle,
                      QStringLiteral("%1 holds no connections Kordex can read, and no copy of it could be kept. "
                                     "Kordex will not save over it.")
                          .arg(QDir::toNativeSeparators(path)),
                      Prompter::Icon::Error);
}

bool Configuration::saveConnections(ConnectionBook &book)
{
    sortConnections(book);
    const QString target = saveTarget();
    lastSaveFailed_ = true;
    auto fail = [this] {
        prompter_.message(kTitle, kWriteError, Prompter::Icon::Error);
        return false;
    };
    auto isProtected = [&] { return !protectedFile_.isEmpty() && QFileInfo(protectedFile_) == QFileInfo(target); };
    if (isProtected())
        return fail();
    const Records ours = book.records();
    if (synced_ && sameRecords(ours, synced_->book)) {
        // Nothing of this window's to save: whatever another window or a
        // hand edit put in the file since stays as it is.
        lastSaveFailed_ = false;
        return true;
    }

    // The folder holds panel passwords: made for its owner only.
    if (!iniInExeFolder_ && folders_.createSharedFolder && !folders_.sharedDataFolder.isEmpty())
        makeOwnerOnlyPath(folders_.sharedDataFolder);

    std::vector<MergeConflict> conflicts;
    QString backup;
    {
        // From the read to the rename: another window's save in between
        // would be lost.
        QLockFile lock(lockFileOf(target));
        if (!lockWithin(lock, kLockWait))
            return fail();

        // Sections and keys that this save does not write stay where they were.
        std::optional<QByteArray> present;
        IniFile ini;
        if (QFileInfo::exists(target)) {
            const FileContents file = readRegularFile(target);
            if (!file.ok)
                return fail();
            present = file.bytes;
            ini = IniFile::parse(file.bytes);
        }

        Records saved = ours;
        bool onDiskAlready = false;
        // A file that is gone was taken away by hand (windows never remove
        // it), likely on the way to being replaced: the whole book is written
        // then, rather than taking every record as deleted.
        if (synced_ && present && present != synced_->file) {
            // Another window, a hand edit or a copy changed the file since
            // this window read or wrote it.
            if (!holdsReadableBook(*present, ini)) {
                // What took its place gives no book: kept beside, as at a load.
                keepUnreadableFile(target, *present);
                if (isProtected())
                    return fail();
            } else {
                ConnectionBook onDisk;
                loadBook(ini, onDisk);
                MergedBook merged = mergeBooks(synced_->book, ours, onDisk.records());
                if (merged.records.size() > size_t(ConnectionBook::kSlots))
                    return fail();
                if (merged.needsBackup() && (backup = keepCopy(target, *present)).isEmpty())
                    return fail();
                saved = std::move(merged.records);
                conflicts = std::move(merged.conflicts);
                onDiskAlready = sameRecords(saved, onDisk.records());
            }
        }

        if (onDiskAlready) {
            synced_ = Synced{saved, present};
        } else {
            ConnectionBook written;
            written.assign(saved);
            storeBook(ini, written);
            const QByteArray bytes = ini.serialize();
            // Written beside the old file and renamed over it, so a crash or
            // a full disk leaves the old book rather than a truncated one.
            if (!writeAtomically(target, bytes))
                return fail();
            synced_ = Synced{saved, bytes};
        }
        book.assign(saved);
    }
    lastSaveFailed_ = false;
    if (!conflicts.empty())
        prompter_.message(kTitle, mergeMessage(conflicts, target, backup), Prompter::Icon::Warning);
    return true;
}

LoadSource Configuration::importLegacyConfiguration(ConnectionBook &book)
{
    // A new book: nothing in a file that it came from.
    synced_ = Synced{{}, std::nullopt};
    LoadSource source;
    if (readLegacyCsv(book, folders_.executableFolder, prompter_)) {
        applyLegacySettings(book, readLegacyCfg(folders_.executableFolder));
        source = LoadSource::LegacyFiles;
    } else {
        loadExampleConnections(book);
        source = LoadSource::Examples;
    }
    saveConnections(book);
    return source;
}

}  // namespace kordex
