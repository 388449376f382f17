#include "config/configuration.h"

#include "config/connection_fields.h"
#include "config/legacy_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace kordex {

namespace {
const QString kTitle = QStringLiteral("Kordex");
const QString kWriteError = QStringLiteral("File Write Error. Records not saved.");
const QByteArray kConnections = "Connections";
const QByteArray kCount = "Count";
const QByteArray kPorts = "Ports";

struct ReadResult {
    bool ok = false;
    QByteArray bytes;
    QString error;
};

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
    if (!existed)   // it holds panel passwords
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
#ifdef Q_OS_UNIX
    if (::fsync(out.handle()) != 0) {
        out.cancelWriting();
        out.commit();
        return false;
    }
#endif
    return out.commit();
}

ReadResult readWholeFile(const QString &path)
{
    ReadResult r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return r;
    }
    r.bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        r.error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), f.errorString());
        return r;
    }
    r.ok = true;
    return r;
}
} // namespace

void SortConnections(ConnectionBook &book)
{
    // A stable sort gives exactly the order of the bubble passes the file
    // format was made with: equal folded names keep their order.
    if (book.count() > 1)
        book.sortByName();
}

QByteArray connectionSectionName(int n)
{
    return "Connection" + QByteArray::number(n);
}

TConnectionRec ReadConnectionSection(const IniFile &ini, int n)
{
    const QByteArray s = connectionSectionName(n);
    TConnectionRec r;   // a missing key keeps the default
    for (const ConnectionField &f : connectionFields())
        if (const std::optional<QByteArray> v = ini.value(s, f.name))
            setFieldFromText(r, f, *v);
    return r;
}

void WriteConnectionSection(IniFile &ini, int n, const TConnectionRec &r)
{
    const QByteArray s = connectionSectionName(n);
    for (const ConnectionField &f : connectionFields())
        ini.setValue(s, f.name, fieldText(r, f));
}

Configuration::Configuration(const StorageFolders &folders, Prompter &prompter)
    : folders_(folders), prompter_(prompter)
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

LoadSource Configuration::LoadConnections(ConnectionBook &book)
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
            return ImportLegacyConfiguration(book);
        }
    }

    ReadResult file = readWholeFile(path);
    if (!file.ok) {
        // The operator's real book may still be in there: work with the
        // examples, and never let a save replace that file.
        ports_.clear();
        protectedFile_ = path;
        LoadDefaultConnections(book);
        prompter_.message(kTitle, file.error + QStringLiteral(" - Default Configuration Loaded."),
                          Prompter::Icon::Error);
        return LoadSource::UnreadableFile;
    }

    const IniFile ini = IniFile::parse(file.bytes);
    book.setCount(ini.readInteger(kConnections, kCount, 0));
    for (int n = 0; n < book.count(); ++n)
        book.at(n) = ReadConnectionSection(ini, n);
    readPorts(ini);
    return source;
}

bool Configuration::SaveConnections(ConnectionBook &book)
{
    SortConnections(book);
    const QString target = saveTarget();
    auto fail = [this] {
        prompter_.message(kTitle, kWriteError, Prompter::Icon::Error);
        return false;
    };
    if (!protectedFile_.isEmpty() && QFileInfo(protectedFile_) == QFileInfo(target))
        return fail();

    if (!iniInExeFolder_ && folders_.createSharedFolder && !folders_.sharedDataFolder.isEmpty())
        QDir().mkpath(folders_.sharedDataFolder);

    // Sections and keys that this save does not write stay where they were.
    IniFile ini;
    if (QFileInfo::exists(target)) {
        ReadResult present = readWholeFile(target);
        if (!present.ok)
            return fail();
        ini = IniFile::parse(present.bytes);
    }
    ini.setInteger(kConnections, kCount, book.count());
    for (int n = 0; n < book.count(); ++n)
        WriteConnectionSection(ini, n, book.at(n));
    const QByteArray bytes = ini.serialize();

    // Written beside the old file and renamed over it, so a crash or a full
    // disk leaves the old book rather than a truncated one.
    if (!writeAtomically(target, bytes))
        return fail();
    return true;
}

LoadSource Configuration::ImportLegacyConfiguration(ConnectionBook &book)
{
    LoadSource source;
    if (ReadLegacyCsv(book, folders_.executableFolder, prompter_)) {
        ApplyLegacyCfg(book, ReadLegacyCfg(folders_.executableFolder));
        source = LoadSource::LegacyFiles;
    } else {
        LoadDefaultConnections(book);
        source = LoadSource::Examples;
    }
    SaveConnections(book);
    return source;
}

} // namespace kordex
