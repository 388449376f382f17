#include "core/display_model.h"

#include "core/engine.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace kordex {

namespace {
// The panel's solid block; the display has no such glyph.
constexpr uint8_t kBlock = 0xDB;
constexpr int kLastAddressableRow = 23;
constexpr int kLastAddressableColumn = 98;
// Only so many columns of a display row reach the display text.
constexpr int kDisplayColumns = 40;
// Where a line feed past the last row wraps to: the printer area's top.
constexpr int kPrinterWrapRow = 16;
}  // namespace

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

int DisplayModel::displayRows() const { return isZr9(e_.session.panelType()) ? 4 : 2; }

// The rows below the display text print, except the machine lines.
bool DisplayModel::printerArea(int row) const
{
    const int type = e_.session.panelType();
    return ((isTwoLine(type) && row > 1) || (isZr9(type) && row > 3)) && row != kIdentificationRow &&
           row != kIndicatorRow;
}

// Display rows that continue on the next row after column 40.
bool DisplayModel::wrapsAt(int row) const
{
    const int type = e_.session.panelType();
    return (isTwoLine(type) && row == 0) || (isZr9(type) && row < 3);
}

void DisplayModel::writeText(const uint8_t *bytes, size_t n)
{
    const uint8_t *const end = bytes + n;
    while (bytes != end) {
        // With the cursor shown each byte draws it anew.
        if (cursorVisible) {
            writeCharacter(*bytes++);
            showCursor();
            continue;
        }
        const bool wraps = wrapsAt(cursorRow);
        // A printer row never wraps, so the whole rest goes there.
        if (!wraps && printerArea(cursorRow)) {
            writePrinterRun(bytes, size_t(end - bytes));
            return;
        }
        // The bytes that leave the cursor on this row.
        size_t stay = size_t(end - bytes);
        if (wraps)
            stay = std::min(stay, size_t(std::max(0, kDisplayColumns - 1 - cursorColumn)));
        if (stay == 0) {
            writeCharacter(*bytes++);
            continue;
        }
        writeRowRun(bytes, stay);
        bytes += stay;
    }
}

// Bytes that stay on the cursor's row, which is no printer row: each
// refreshes the display when the screen then differs from what it shows.
void DisplayModel::writeRowRun(const uint8_t *bytes, size_t n)
{
    const bool onScreen = cursorRow >= 0 && cursorRow < kRows;
    const bool displayRow = cursorRow < 4;
    uint8_t *const screenRow = onScreen ? screen_.data() + cursorRow * kColumns : nullptr;
    const uint8_t *const shadowRow = onScreen ? shadow_.data() + cursorRow * kColumns : nullptr;
    for (const uint8_t *const end = bytes + n; bytes != end; ++bytes) {
        const uint8_t b = *bytes == kBlock ? uint8_t('_') : *bytes;
        const int c = cursorColumn++;
        if (onScreen && c >= 0 && c < kColumns) {
            dirtyRows_ |= 1u << cursorRow;
            const uint8_t was = screenRow[c];
            if (was != b) {
                // Only a changed display row needs a new display text.
                if (displayRow)
                    composedRows_ = 0;
                diffCount_ += int(b != shadowRow[c]) - int(was != shadowRow[c]);
                screenRow[c] = b;
            }
        }
        if (diffCount_ != 0)
            refreshLcd();
    }
}

void DisplayModel::writePrinterRun(const uint8_t *bytes, size_t n)
{
    uint8_t shown[128];
    while (n > 0) {
        const size_t m = std::min(n, sizeof shown);
        for (size_t i = 0; i < m; ++i) {
            const uint8_t b = bytes[i] == kBlock ? uint8_t('_') : bytes[i];
            shown[i] = b;
            setCell(cursorRow, cursorColumn + int(i), b);
        }
        cursorColumn += int(m);
        e_.events.put(shown, m);
        bytes += m;
        n -= m;
    }
}

void DisplayModel::writeCharacter(uint8_t b)
{
    if (b == kBlock)
        b = '_';
    // Columns 100 and beyond do not exist; such characters are still routed below.
    setCell(cursorRow, cursorColumn, b);
    ++cursorColumn;
    if (cursorColumn >= kDisplayColumns && wrapsAt(cursorRow)) {
        ++cursorRow;
        cursorColumn = 0;
    }
    if (printerArea(cursorRow))
        e_.events.put(b);
    else if (differsFromShadow())
        refreshLcd();
}

void DisplayModel::showCursor()
{
    if (cursorVisible) {
        applyCursorOverlay();
        showLcdText();
    }
}

void DisplayModel::lineFeed()
{
    ++cursorRow;
    if (cursorRow == kIdentificationRow)
        cursorRow = kIdentificationRow + 1;
    else if (cursorRow == kIndicatorRow)
        cursorRow = kIndicatorRow + 1;
    else if (cursorRow >= kRows)
        cursorRow = kPrinterWrapRow;
}

void DisplayModel::carriageReturn()
{
    cursorColumn = 0;
    const int type = e_.session.panelType();
    const PanelType t = PanelType(type);
    // Rows below the display text end a printed line.
    if (((t == PanelType::As1603Logic || t == PanelType::As4428p) && cursorRow > 1) ||
        ((t == PanelType::Unidentified || t == PanelType::As1603 || isZr9(type)) && cursorRow > 15))
        e_.events.put(uint8_t('\r'));
}

void DisplayModel::addressRow(int row)
{
    if (row <= kLastAddressableRow)
        cursorRow = row;
    if (cursorRow < 0)
        cursorRow = 0;
    recomposeAfterCoordinate();
}

void DisplayModel::addressColumn(int column)
{
    if (column <= kLastAddressableColumn)
        cursorColumn = column;
    if (cursorColumn < 0)
        cursorColumn = 0;
    recomposeAfterCoordinate();
}

void DisplayModel::recomposeAfterCoordinate()
{
    lcdText = composeLcdText();
    if (cursorVisible)
        applyCursorOverlay();
    showLcdText();
}

void DisplayModel::clearScreen()
{
    screen_.fill(' ');
    dirtyRows_ = (1u << kRows) - 1;
    composedRows_ = 0;
    markAll();
    cursorRow = 0;
    cursorColumn = 0;
    e_.panel.setLcdText(QByteArray());
}

void DisplayModel::clearToLineEnd()
{
    if (cursorColumn <= kDisplayColumns)
        for (int c = cursorColumn; c <= kDisplayColumns; ++c)
            setCell(cursorRow, c, ' ');
    lcdText = composeLcdText();
    e_.panel.setLcdText(lcdText);
}

QByteArray DisplayModel::composeLcdText() const
{
    const int rows = displayRows();
    if (composedRows_ == rows)
        return composed_;
    int lengths[4];
    int total = 2 * (rows - 1);
    for (int r = 0; r < rows; ++r) {
        const uint8_t *cells = screen_.data() + r * kColumns;
        const void *nul = std::memchr(cells, 0, kDisplayColumns);  // a zero byte ends the line
        lengths[r] = nul ? int(static_cast<const uint8_t *>(nul) - cells) : kDisplayColumns;
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

void DisplayModel::refreshLcd()
{
    for (uint32_t rows = dirtyRows_; rows; rows &= rows - 1) {
        const int offset = std::countr_zero(rows) * kColumns;
        std::memcpy(shadow_.data() + offset, screen_.data() + offset, kColumns);
    }
    dirtyRows_ = 0;
    diffCount_ = 0;
    if (composedRows_ != displayRows() || !lcdText.isSharedWith(composed_))
        lcdText = composeLcdText();
    e_.panel.setLcdText(lcdText);
    // Most refreshes come from rows below the display text: the same text as last time.
    if (!lcdText.isSharedWith(alarmTestedText_)) {
        alarmTestedText_ = lcdText;
        alarmTested_ = alarmActive(lcdText);
    }
    if (alarmTested_)
        e_.alarmAttentionTimer.start();
    else
        e_.alarmAttentionTimer.stop();  // the taskbar reset of old Windows versions has no counterpart here
    if (cursorRow == kIdentificationRow)
        e_.identifyTimer.restart();
}

int DisplayModel::cursorPosition() const { return cursorRow * 42 + cursorColumn + 1; }

void DisplayModel::applyCursorOverlay()
{
    const int p = cursorPosition();
    if (p >= 1 && p < lcdText.size())
        lcdText[p - 1] = '_';
}

void DisplayModel::showLcdText() { e_.panel.setLcdText(lcdText); }

void DisplayModel::blinkCursor()
{
    cursorBlinkPhase_ = !cursorBlinkPhase_;
    const int p = cursorPosition();
    if (p < 1 || p >= lcdText.size())
        return;
    char under = ' ';
    if (cursorRow >= 0 && cursorRow < kRows && cursorColumn >= 0 && cursorColumn < kColumns)
        under = char(cell(cursorRow, cursorColumn));
    lcdText[p - 1] = cursorBlinkPhase_ ? under : '_';
    e_.panel.setLcdText(lcdText);
}

void DisplayModel::alarmAttentionTick()
{
    if (alarmBlinkPhase_) {
        e_.shell.flashTaskbar(true);
        alarmBlinkPhase_ = false;
        e_.shell.beep();
    } else {
        e_.shell.flashTaskbar(false);
        alarmBlinkPhase_ = true;
        if (e_.session.abortRequested)
            e_.alarmAttentionTimer.stop();
    }
}

}  // namespace kordex
