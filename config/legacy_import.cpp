#include "config/legacy_import.h"

#include "config/connection_fields.h"
#include "config/ini_file.h"
#include "platform/file_io.h"

#include <QFileInfo>

#include <type_traits>

namespace kordex {

namespace {
const QString kTitle = QStringLiteral("Kordex");

bool hasHeaderMark(const QByteArray &line) { return line.contains("Kordex V") || line.contains("Kor-dex V1"); }

bool isBlankOrControl(char c) { return c >= 1 && uchar(c) <= 32; }

// Lines as the old versions' text files were read: CR LF, LF or CR end a
// line, and a Ctrl-Z ends the file.
QList<QByteArray> textLines(QByteArray bytes)
{
    if (qsizetype eof = bytes.indexOf('\x1a'); eof >= 0)
        bytes.truncate(eof);
    return SplitTextLines(bytes);
}

// The columns of a record line, in the order the old versions wrote them,
// on either side of the type column the oldest files lack; a common-states
// column may follow.
using Rec = TConnectionRec;
constexpr std::array kColumnsBeforeType = {&connectionField(&Rec::SystemName), &connectionField(&Rec::SID),
                                           &connectionField(&Rec::Password)};
constexpr std::array kColumnsAfterType = {&connectionField(&Rec::PhoneNum),   &connectionField(&Rec::SocketPort),
                                          &connectionField(&Rec::SocketHost), &connectionField(&Rec::AlPrompt1),
                                          &connectionField(&Rec::AlPrompt2),  &connectionField(&Rec::AlResult1),
                                          &connectionField(&Rec::AlResult2),  &connectionField(&Rec::UserName)};

std::optional<int32_t> lineNumber(const QList<QByteArray> &lines, int index)
{
    if (index >= lines.size())
        return std::nullopt;
    return parseIniInteger(stripIniText(lines[index]));
}
}  // namespace

QList<QByteArray> SplitLegacyCsvFields(const QByteArray &line)
{
    QList<QByteArray> fields;
    // A NUL ended the line for the old readers.
    const qsizetype n = line.contains('\0') ? line.indexOf('\0') : line.size();
    qsizetype p = 0;
    while (p < n && isBlankOrControl(line[p]))
        ++p;
    while (p < n) {
        QByteArray field;
        if (line[p] == '"') {
            ++p;
            while (p < n) {
                if (line[p] == '"') {
                    if (p + 1 < n && line[p + 1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += line[p++];
            }
        } else {
            const qsizetype b = p;
            while (p < n && !isBlankOrControl(line[p]) && line[p] != ',')
                ++p;
            field = line.mid(b, p - b);
        }
        fields.append(field);
        while (p < n && isBlankOrControl(line[p]))
            ++p;
        if (p < n && line[p] == ',') {
            if (p + 1 == n)
                fields.append(QByteArray());
            ++p;
            while (p < n && isBlankOrControl(line[p]))
                ++p;
        }
    }
    return fields;
}

TConnectionRec ParseLegacyCsvLine(const QByteArray &line)
{
    const QList<QByteArray> f = SplitLegacyCsvFields(line);
    qsizetype pos = 0;
    auto next = [&]() -> QByteArray { return pos < f.size() ? f[pos++] : QByteArray(); };
    TConnectionRec r;
    // The old versions read a malformed number as 0, and what the file does
    // not hold is 0 too, not the record's default.
    auto zero = [&r](const ConnectionField &field) {
        std::visit([&r](auto m) { r.*m = std::remove_reference_t<decltype(r.*m)>(); }, field.member);
    };
    auto readColumn = [&](const ConnectionField *field) {
        if (!setFieldFromText(r, *field, next()))
            zero(*field);
    };

    for (const ConnectionField &field : connectionFields())
        zero(field);
    for (const ConnectionField *field : kColumnsBeforeType)
        readColumn(field);
    // Files without a type field have the phone number here.
    if (pos < f.size() && !f[pos].isEmpty() && QByteArray("012").contains(f[pos])) {
        r.ConnectionType = uint8_t(parseIniInteger(f[pos]).value_or(1));
        ++pos;
    } else {
        r.ConnectionType = 1;
    }
    for (const ConnectionField *field : kColumnsAfterType)
        readColumn(field);
    r.ShowNZCommonStates = true;
    if (pos < f.size() && !f[pos].isEmpty()) {
        const QByteArray v = f[pos++];
        if (auto num = parseIniInteger(v))
            r.ShowNZCommonStates = *num != 0;
        else if (equalsIgnoringAsciiCase(v, "False"))
            r.ShowNZCommonStates = false;
    }
    return r;
}

bool ReadLegacyCsv(ConnectionBook &book, const QString &executableFolder, Prompter &prompter)
{
    QString path = executableFolder + QStringLiteral("Kordex.csv");
    if (!QFileInfo::exists(path))
        path = executableFolder + QStringLiteral("Kor-dex.csv");
    if (!QFileInfo::exists(path)) {
        prompter.message(kTitle, QStringLiteral("No Configuration Found - Defaults Loaded"));
        return false;
    }
    const FileContents file = ReadRegularFile(path);
    if (!file.ok) {
        prompter.message(kTitle, file.error + QStringLiteral(" - Default Configuration Loaded"), Prompter::Icon::Error);
        return false;
    }
    ParseLegacyCsv(book, file.bytes);
    return true;
}

void ParseLegacyCsv(ConnectionBook &book, const QByteArray &bytes)
{
    const QList<QByteArray> lines = textLines(bytes);
    if (lines.isEmpty() || !hasHeaderMark(lines.first()))
        return;
    const QList<QByteArray> header = SplitLegacyCsvFields(lines.first());
    const auto count = header.size() >= 2 ? parseIniInteger(header[1]) : std::nullopt;
    if (!count)
        return;
    // Only lines that are there become records, and never more than the book holds.
    const int wanted = std::min<int64_t>(std::max<int32_t>(*count, 0), ConnectionBook::kSlots);
    int i = 0;
    for (qsizetype l = 1; l < lines.size() && i < wanted; ++l, ++i)
        book.at(i) = ParseLegacyCsvLine(lines.at(l));
    book.setCount(i);
}

LegacySettings ReadLegacyCfg(const QString &executableFolder)
{
    const FileContents file = ReadRegularFile(executableFolder + QStringLiteral("Kordex.cfg"));
    return file.ok ? ParseLegacyCfg(file.bytes) : LegacySettings();
}

LegacySettings ParseLegacyCfg(const QByteArray &bytes)
{
    LegacySettings s;
    const QList<QByteArray> lines = textLines(bytes);
    if (lines.isEmpty() || !hasHeaderMark(lines.first()))
        return s;
    if (auto v = lineNumber(lines, 1))
        s.linePacing = *v;
    if (lines.size() > 2)
        s.autoLogin = lines.at(2) == "1";
    if (auto v = lineNumber(lines, 3))
        s.baudIndex = uint8_t(*v);
    if (auto v = lineNumber(lines, 7))
        s.flowIndex = uint8_t(*v);
    // Line 9 reads like "COM3": only its fourth character counts.
    if (lines.size() > 8 && lines.at(8).size() >= 4) {
        char c = lines.at(8)[3];
        if (c >= '0' && c <= '9')
            s.portNumber = int16_t(c - '0');
    }
    return s;
}

void ApplyLegacyCfg(ConnectionBook &book, const LegacySettings &s)
{
    for (int i = 0; i < book.count(); ++i) {
        TConnectionRec &r = book.at(i);
        r.TcpIpLinePacing = s.linePacing;
        r.AutoLogin = s.autoLogin;
        r.BaudRate = s.baudIndex;
        r.FlowControl = s.flowIndex;
        r.ComNumber = s.portNumber;
    }
}

void LoadDefaultConnections(ConnectionBook &book)
{
    struct Example {
        const char *name;
        uint8_t type;
        const char *port;
        QByteArray host;
    };
    const Example examples[3] = {
        {"Example Direct", 1, "23", kExampleHost},
        {"Example Modem", 0, "23", kExampleHost},
        {"Example TCPIP", 2, "telnet", "127.0.0.1"},
    };
    book.setCount(3);
    for (int i = 0; i < 3; ++i) {
        TConnectionRec r;
        r.SystemName = examples[i].name;
        r.ConnectionType = examples[i].type;
        r.PhoneNum = "888";
        r.SocketPort = examples[i].port;
        r.SocketHost = examples[i].host;
        r.Password = "QUOLL";
        book.at(i) = r;
    }
}

}  // namespace kordex
