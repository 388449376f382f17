#include "reference.h"

namespace reftest {

RefScreen::RefScreen()
{
    indicators.fill('X');
    for (auto &r : cells)
        r.fill(' ');
}

QByteArray RefScreen::lcdRow(int r) const { return QByteArray(cells[size_t(r)].data(), 40); }

QByteArray RefScreen::lcdText() const
{
    QByteArray t;
    for (int r = 0; r < displayRows; ++r)
        t += (r ? "\r\n" : "") + lcdRow(r);
    return t;
}

bool RefScreen::alarmAttention() const
{
    const QByteArray t = lcdText();
    return t.contains(" ALARM") && !t.contains("ALARM ACKD") && t.indexOf("OF") == 34;
}

void RefScreen::feed(QByteArrayView bytes)
{
    for (char b : bytes) {
        if (esc_)
            escapeByte(b);
        else if (b == 0x1B)
            onEscape();
        else if (tandem)
            tandemByte(b);
        else
            terminalText += b;
    }
}

void RefScreen::onEscape()
{
    esc_ = true;
    if (!tandem)
        return;
    if (row == 13)
        indicatorLine();
    if (row == 11 && identPending_)
        identify();
}

void RefScreen::escapeByte(char b)
{
    if (addressing_) {
        if (b == 0x1B) {
            addressing_ = haveRow_ = false;
            return;
        }
        const int v = static_cast<unsigned char>(b) - 32;
        if (!haveRow_) {
            if (v < 24)
                row = v < 0 ? 0 : v;
            haveRow_ = true;
        } else {
            if (v < 99)
                col = v < 0 ? 0 : v;
            esc_ = addressing_ = haveRow_ = false;
        }
        return;
    }
    if (b == 'k') {
        for (auto &r : cells)
            r.fill(' ');
        row = col = 0;
        ++clears;
        esc_ = false;
    } else if (b == 'K') {
        for (int c = col; c <= 40; ++c)
            cells[size_t(row)][size_t(c)] = ' ';
        esc_ = false;
    } else if (b == 'Y') {
        addressing_ = true;
        if (!tandem) {
            if (suppressSwitch)
                tandemSeen = true;
            else
                tandem = true;
        }
    }
}

void RefScreen::tandemByte(char b)
{
    switch (b) {
    case 0x07: ++bells; return;
    case 0x17: cursorVisible = blinking = false; return;
    case 0x18: cursorVisible = true; return;
    case 0x19: blinking = true; return;
    case '\n':
        ++row;
        if (row == 11 || row == 13)
            ++row;
        if (row > 24)
            row = 16;
        return;
    case '\r':
        col = 0;
        if (row > 15) {
            printerLines << printerLine_;
            printerLine_.clear();
        }
        return;
    default: break;
    }
    if (static_cast<unsigned char>(b) == 0xDB)
        b = '_';
    if (col < 100)
        cells[size_t(row)][size_t(col)] = b;
    ++col;
    if (col > 39 && row < displayRows - 1) {
        ++row;
        col = 0;
    }
    if (row == 11)
        identPending_ = true;
    else if (row >= displayRows && row != 13)
        printerLine_ += b;
}

void RefScreen::identify()
{
    identPending_ = false;
    const QByteArray line = QByteArray(cells[11].data(), 80).simplified();
    const QList<QByteArray> words = line.split(' ');
    ident = line;
    ++identCount;
    displayRows = words.value(0) == "ZR9" ? 4 : 2;
    indicators.fill('X');  // a new face starts with every lamp unreported
    cells[11].fill(' ');
}

void RefScreen::indicatorLine()
{
    const auto &c = cells[13];
    bool ok = false;
    const int nn = QByteArray(&c[1], 2).toInt(&ok);
    if (!ok || nn < 3 || nn > 96 || col != nn + 3 || (c[0] != '0' && c[0] != '1')) {
        ++linesRejected;
        return;
    }
    int sum = 0;
    for (int i = 0; i <= nn; ++i)
        sum += static_cast<unsigned char>(c[size_t(i)]);
    const int check = QByteArray(&c[size_t(nn + 1)], 2).toInt(&ok, 16);
    if (!ok || check != sum % 256) {
        ++linesRejected;
        return;
    }
    indicators.fill('X');
    for (int i = 0; i <= nn; ++i)
        indicators[size_t(i)] = c[size_t(i)];
    ++linesAccepted;
    if (identCount == 0)
        ++linesBeforeIdent;
}

int faceFor(const QByteArray &identWords)
{
    const QList<QByteArray> w = identWords.split(' ');
    const QByteArray model = w.value(0), version = w.value(2);
    struct Rule {
        const char *model;
        const char *version;
        int face;
    };
    static const Rule rules[] = {
        {"Q7312", "V01", 1}, {"Q7312", "V10", 1}, {"Q7312", "V12", 1}, {"Q7312", "V11", 5}, {"Q7312", "V13", 5},
        {"Q6150", "V01", 4}, {"Q6150", "V02", 4}, {"ZR9", "V01", 6},   {"ZR9", "V02", 7},
    };
    for (const Rule &r : rules)
        if (model == r.model && version == r.version)
            return r.face;
    return version.contains('V') ? 5 : 0;
}

LoginOutcome runLogin(kordex::VirtualClock &clock, RefScreen &screen, QByteArray &response,
                      const std::function<void(const QByteArray &)> &send, const LoginConfig &cfg)
{
    LoginOutcome out;
    auto put = [&](QByteArray bytes) {
        if (!screen.tandem)
            bytes.replace("\r", "\n\r");  // terminal mode sends CR as LF CR
        out.sent += bytes;
        send(bytes);
    };
    auto line = [&](const QByteArray &text) { put(text + '\r'); };

    screen.suppressSwitch = true;
    screen.tandemSeen = false;
    clock.advance(1000);
    response.clear();
    put("H");
    for (int i = 0; i < 4; ++i) {
        clock.advance(250);
        if (screen.tandemSeen) {
            put("C");
            screen.tandemSeen = false;
        }
    }
    put(QByteArray(10, '\x1b') + "\x08" + "C");
    response.clear();
    screen.suppressSwitch = false;
    put("\r");
    int p = 0, u = 0, cycles = 0;
    bool arrow = false, stop = false;
    clock.advance(250);
    for (;;) {
        const QByteArray t = response, up = response.toUpper();
        enum { None, Password, Dg, Td, Sid, Cr, Q, User, Confirm } action = None;
        auto seen = [&](int rowNo, bool hit, auto act) {
            if (hit) {
                out.rowsSeen << rowNo;
                action = act;
            }
        };
        seen(1, t.contains("ENTER PASSWORD"), Password);
        seen(2, t.contains("ENTER PROGRAMMING ACCESS COMMAND"), Dg);
        seen(3, t.contains("ENTER INFORMATION ACCESS COMMAND"), Td);
        seen(4, t.contains("ENTER DIAGNOSTICS COMMAND"), Td);
        seen(5, up.contains("ENTER L"), Sid);
        seen(6, up.contains("RECONNECT PRINTER"), Cr);
        seen(7, up.contains("ENTER INFORMATION COMMAND"), Q);
        if (t.contains("->")) {
            out.rowsSeen << 8;
            arrow = true;
        }
        seen(9, t.contains("ENTER USERNAME"), User);
        seen(10, t.contains("ZR9 Diagnostics"), Td);
        seen(11, t.contains("LOGIN CANCELLED"), Cr);
        seen(12, t.contains("ACCESS DENIED"), Cr);
        seen(13, u > p && t.contains('*'), Confirm);
        // Cleared before sending: the panel here answers within the call.
        if (action != None)
            response.clear();
        switch (action) {
        case None: break;
        case Password:
            line(cfg.password);
            ++p;
            break;
        case Dg: line("DG"); break;
        case Td: line("TD"); break;
        case Q: line("Q"); break;
        case Sid:
            if (cfg.sid)
                line(QByteArray::number(cfg.sid));
            else if (arrow)
                line("L");
            else
                put("L");
            break;
        case Cr: put("\r"); break;
        case User:
            line(cfg.user);
            ++u;
            break;
        case Confirm:
            put("\r");
            u = p;
            break;
        }
        ++cycles;
        stop = cycles >= 100 || p >= 12;
        clock.advanceUntil([&] { return screen.tandem; }, 250);
        if (screen.tandem || stop)
            break;
    }
    out.passwordsSent = p;
    out.ok = screen.tandem && !stop;
    if (!out.ok)
        out.failure = p >= 12 ? "password" : "timeout";
    return out;
}

}  // namespace reftest
