#include "core/display_model.h"

#include "core/engine.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace kordex {

DisplayModel::DisplayModel(Engine &e) : e_(e)
{
    screen_.fill(' ');
    shadow_.fill(0);  // so the first comparison after start-up finds a difference
    diffCount_ = kRows * kColumns;
}

QByteArray DisplayModel::row(int r) const
{
    return QByteArray(reinterpret_cast<const char *>(screen_.data()) + r * kColumns, kColumns);
}

void DisplayModel::markAll()
{
    diffCount_ = 0;
    for (int i = 0; i < kRows * kColumns; ++i)
        diffCount_ += screen_[i] != shadow_[i];
}

int DisplayModel::displayRows() const
{
    const int t = e_.session.panelType();
    return (t == 6 || t == 7) ? 4 : 2;
}

void DisplayModel::ClearScreen()
{
    screen_.fill(' ');
    dirtyRows_ = (1u << kRows) - 1;
    composedRows_ = 0;
    markAll();
    CursorRow = 0;
    CursorColumn = 0;
    e_.view.setLcdText(QByteArray());
}

void DisplayModel::ClearToLineEnd()
{
    if (CursorColumn <= 40)
        for (int c = CursorColumn; c <= 40; ++c)
            setCell(CursorRow, c, ' ');
    LcdText = ComposeLcdText();
    e_.view.setLcdText(LcdText);
}

QByteArray DisplayModel::ComposeLcdText() const
{
    const int rows = displayRows();
    if (composedRows_ == rows)
        return composed_;
    int lengths[4];
    int total = 2 * (rows - 1);
    for (int r = 0; r < rows; ++r) {
        const uint8_t *cells = screen_.data() + r * kColumns;
        const void *nul = std::memchr(cells, 0, 40);  // a zero byte ends the line
        lengths[r] = nul ? int(static_cast<const uint8_t *>(nul) - cells) : 40;
        total += lengths[r];
    }
    QByteArray text(total, Qt::Uninitialized);
    char *out = text.data();
    for (int r = 0; r < rows; ++r) {
        if (r > 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        std::memcpy(out, screen_.data() + r * kColumns, size_t(lengths[r]));
        out += lengths[r];
    }
    composed_ = text;
    composedRows_ = rows;
    return text;
}

bool DisplayModel::alarmActive(const QByteArray &t)
{
    // Cheapest test first: it runs on every display refresh.
    const std::string_view v(t.constData(), size_t(t.size()));
    return v.find("OF") == 34 && v.find(" ALARM") != v.npos && v.find("ALARM ACKD") == v.npos;
}

void DisplayModel::RefreshLcd()
{
    for (uint32_t rows = dirtyRows_; rows; rows &= rows - 1) {
        const int offset = std::countr_zero(rows) * kColumns;
        std::memcpy(shadow_.data() + offset, screen_.data() + offset, kColumns);
    }
    dirtyRows_ = 0;
    diffCount_ = 0;
    LcdText = ComposeLcdText();
    e_.view.setLcdText(LcdText);
    if (alarmActive(LcdText))
        e_.Timer7.start();
    else
        e_.Timer7.stop();  // the taskbar reset of old Windows versions has no counterpart here
    if (CursorRow == 11)
        e_.Timer2.restart();
}

int DisplayModel::cursorPosition() const { return CursorRow * 42 + CursorColumn + 1; }

void DisplayModel::applyCursorOverlay()
{
    const int p = cursorPosition();
    if (p >= 1 && p < LcdText.size())
        LcdText[p - 1] = '_';
}

void DisplayModel::showLcdText() { e_.view.setLcdText(LcdText); }

void DisplayModel::Timer3Timer()
{
    CursorBlinkPhase = !CursorBlinkPhase;
    const int p = cursorPosition();
    if (p < 1 || p >= LcdText.size())
        return;
    char under = ' ';
    if (CursorRow >= 0 && CursorRow < kRows && CursorColumn >= 0 && CursorColumn < kColumns)
        under = char(cell(CursorRow, CursorColumn));
    LcdText[p - 1] = CursorBlinkPhase ? under : '_';
    e_.view.setLcdText(LcdText);
}

void DisplayModel::PutEventChar(uint8_t b)
{
    if (b == 0x1B)
        e_.decoder.EscapePending = true;
    if (!(b == 0x07 || b == 0x08 || b == 0x0D || (b >= 0x20 && b <= 0x7E)))
        return;
    const SessionState &s = e_.session;
    const bool shown = (s.Connected && (s.LoggedIn || !s.current().AutoLogin)) || s.current().DiagnosticMode;
    if (!shown)
        return;

    switch (b) {
    case 0x07: e_.view.beep(); return;
    case 0x08:
        if (EventColumn <= 1)
            return;
        e_.Timer6.restart();
        if (EventLineDirty)
            e_.view.eventScreenReplace(EventLineIndex, EventLine);
        --EventColumn;
        EventLine.remove(EventColumn - 1, 1);
        EventLineDirty = false;
        return;
    case 0x0D:
        if (EventLineIndex > kMaxCompletedLines - 1) {
            e_.view.eventScreenRemoveFirst();
            --EventLineIndex;
        }
        if (s.Capturing && captureLine)
            captureLine(EventLine);
        if (lineCompleted)
            lineCompleted(EventLine);
        e_.Timer6.stop();
        e_.view.eventScreenInsert(EventLineIndex, EventLine);
        ++EventLineIndex;
        // Blank the copy of the unfinished line the flush may have shown here.
        e_.view.eventScreenReplace(EventLineIndex, QByteArray());
        EventLine.clear();
        EventColumn = 1;
        EventLineDirty = true;
        return;
    default:
        e_.Timer6.restart();
        EventLine.append(char(b));
        ++EventColumn;
        EventLineDirty = true;
        return;
    }
}

void DisplayModel::Timer6Timer()
{
    e_.Timer6.stop();
    if (!EventLine.isEmpty())
        e_.view.eventScreenReplace(EventLineIndex, EventLine);
}

void DisplayModel::Timer7Timer()
{
    if (alarmBlinkPhase_) {
        e_.view.flashTaskbar(true);
        alarmBlinkPhase_ = false;
        e_.view.beep();
    } else {
        e_.view.flashTaskbar(false);
        alarmBlinkPhase_ = true;
        if (e_.session.AbortRequested)
            e_.Timer7.stop();
    }
}

}  // namespace kordex
