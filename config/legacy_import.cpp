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
    return splitTextLines(bytes);
}

// The columns of a record line, in the order the old versions wrote them,
// on either side of the type column the oldest files lack; a common-states
// column may follow.
using Rec = ConnectionRecord;
constexpr std::array kColumnsBeforeType = {&connectionField(&Rec::systemName), &connectionField(&Rec::sid),
                                           &connectionField(&Rec::password)};
constexpr std::array kColumnsAfterType = {&connectionField(&Rec::phoneNumber), &connectionField(&Rec::tcpPort),
                                          &connectionField(&Rec::tcpHost),     &connectionField(&Rec::auxPrompt1),
                                          &connectionField(&Rec::auxPrompt2),  &connectionField(&Rec::auxReply1),
                                          &connectionField(&Rec::auxReply2),   &connectionField(&Rec::userName)};

std::optional<int32_t> lineNumber(const QList<QByteArray> &lines, int index)
{
    if (index >= lines.size())
        return std::nullopt;
    return parseIniInteger(stripIniText(lines[index]));
}
}  // namespace

QList<QByteArray> splitLegacyCsvFields(const QByteArray &line)
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

ConnectionRecord parseLegacyCsvLine(const QByteArray &line)
{
    const QList<QByteArray> f = splitLegacyCsvFields(line);
    qsizetype pos = 0;
    auto next = [&]() -> QByteArray { return pos < f.size() ? f[pos++] : QByteArray(); };
    ConnectionRecord r;
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
        r.connectionType = ConnectionType(parseIniInteger(f[pos]).value_or(1));
        ++pos;
    } else {
        r.connectionType = ConnectionType::DirectSerial;
    }
    for (const ConnectionField *field : kColumnsAfterType)
        readColumn(field);
    r.showNzCommonStates = true;
    if (pos < f.size() && !f[pos].isEmpty()) {
        const QByteArray v = f[pos++];
        if (auto num = parseIniInteger(v))
            r.showNzCommonStates = *num != 0;
        else if (equalsIgnoringAsciiCase(v, "False"))
            r.showNzCommonStates = false;
    }
    return r;
}

bool readLegacyCsv(ConnectionBook &book, const QString &executableFolder, Prompter &prompter)
{
    QString path = executableFolder + QStringLiteral("Kordex.csv");
    if (!QFileInfo::exists(path))
        path = executableFolder + QStringLiteral("Kor-dex.csv");
    if (!QFileInfo::exists(path)) {
        prompter.message(kTitle, QStringLiteral("No Configuration Found - Defaults Loaded"));
        return false;
    }
    const FileContents file = readRegularFile(path);
    if (!file.ok) {
        prompter.message(kTitle, file.error + QStringLiteral(" - Default Configuration Loaded"), Prompter::Icon::Error);
        return false;
    }
    parseLegacyCsv(book, file.bytes);
    return true;
}

void parseLegacyCsv(ConnectionBook &book, const QByteArray &bytes)
{
    const QList<QByteArray> lines = textLines(bytes);
    if (lines.isEmpty() || !hasHeaderMark(lines.first()))
        return;
    const QList<QByteArray> header = splitLegacyCsvFields(lines.first());
    const auto count = header.size() >= 2 ? parseIniInteger(header[1]) : std::nullopt;
    if (!count)
        return;
    // Only lines that are there become records, and never more than the book holds.
    const int wanted = std::min<int64_t>(std::max<int32_t>(*count, 0), ConnectionBook::kSlots);
    int i = 0;
    for (qsizetype l = 1; l < lines.size() && i < wanted; ++l, ++i)
        book.at(i) = parseLegacyCsvLine(lines.at(l));
    book.setCount(i);
}

LegacySettings readLegacyCfg(const QString &executableFolder)
{
    const FileContents file = readRegularFile(executableFolder + QStringLiteral("Kordex.cfg"));
    return file.ok ? parseLegacyCfg(file.bytes) : LegacySettings();
}

LegacySettings parseLegacyCfg(const QByteArray &bytes)
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

void applyLegacySettings(ConnectionBook &book, const LegacySettings &s)
{
    for (int i = 0; i < book.count(); ++i) {
        ConnectionRecord &r = book.at(i);
        r.tcpLinePacingMs = s.linePacing;
        r.autoLogin = s.autoLogin;
        r.baudRateIndex = s.baudIndex;
        r.flowControl = FlowControl(s.flowIndex);
        r.comPort = s.portNumber;
    }
}

void loadExampleConnections(ConnectionBook &book)
{
    struct Example {
        const char *name;
        ConnectionType type;
        const char *port;
        QByteArray host;
    };
    const Example examples[3] = {
        {"Example Direct", ConnectionType::DirectSerial, "23", kExampleHost},
        {"Example Modem", ConnectionType::Modem, "23", kExampleHost},
        {"Example TCPIP", ConnectionType::TcpIp, "telnet", "127.0.0.1"},
    };
    book.setCount(3);
    for (int i = 0; i < 3; ++i) {
        ConnectionRecord r;
        r.systemName = examples[i].name;
        r.connectionType = examples[i].type;
        r.phoneNumber = "888";
        r.tcpPort = examples[i].port;
        r.tcpHost = examples[i].host;
        r.password = "QUOLL";
        book.at(i) = r;
    }
}

}  // namespace kordex
