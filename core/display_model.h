#pragma once
// The panel's character screen and the display text composed from its first
// rows. It applies what the parser reports in tandem mode; text on the
// printer rows also goes to the event line editor.
#include <QByteArray>
#include <array>
#include <cstddef>
#include <cstdint>

namespace kordex {

class Engine;

class DisplayModel {
public:
    static constexpr int kRows = 25;
    static constexpr int kColumns = 100;
    // Rows the panel keeps for machine lines: line feeds skip them, and
    // text on them stays off the event screen.
    static constexpr int kIdentificationRow = 11;
    static constexpr int kIndicatorRow = 13;

    explicit DisplayModel(Engine &e);

    // Screen cells. Writes outside the screen are ignored.
    uint8_t cell(int row, int column) const { return screen_[row * kColumns + column]; }
    void setCell(int row, int column, uint8_t b)
    {
        if (row < 0 || row >= kRows || column < 0 || column >= kColumns)
            return;
        const int i = row * kColumns + column;
        dirtyRows_ |= 1u << row;
        if (row < 4)
            composedRows_ = 0;
        diffCount_ += int(b != shadow_[i]) - int(screen_[i] != shadow_[i]);
        screen_[i] = b;
    }
    QByteArray row(int r) const;
    // True when the screen differs from its copy at the last refresh; kept
    // up to date per write instead of comparing all cells per byte.
    bool differsFromShadow() const { return diffCount_ != 0; }
    // The full cell-by-cell comparison the incremental state stands for.
    bool compareAllWithShadow() const { return screen_ != shadow_; }

    int cursorRow = 0;
    int cursorColumn = 0;
    bool cursorVisible = false;
    QByteArray lcdText;

    // What the parser reports in tandem mode.
    void writeText(const uint8_t *bytes, size_t n);
    void lineFeed();
    void carriageReturn();
    void clearScreen();
    void clearToLineEnd();
    void addressRow(int row);
    void addressColumn(int column);
    // After each byte in tandem mode: the cursor drawn over the display text.
    void showCursor();

    QByteArray composeLcdText() const;
    void refreshLcd();
    void applyCursorOverlay();  // on lcdText
    void showLcdText();         // empty the memo and set it to lcdText

    // Timer ticks.
    void blinkCursor();
    void alarmAttentionTick();

    static bool alarmActive(const QByteArray &lcdText);
    int displayRows() const;

private:
    void writeCharacter(uint8_t b);
    void writeRowRun(const uint8_t *bytes, size_t n);
    void writePrinterRun(const uint8_t *bytes, size_t n);
    bool printerArea(int row) const;
    bool wrapsAt(int row) const;
    void markAll();
    void recomposeAfterCoordinate();
    int cursorPosition() const;  // p, counting from 1

    Engine &e_;
    std::array<uint8_t, kRows * kColumns> screen_;
    std::array<uint8_t, kRows * kColumns> shadow_;
    int diffCount_ = 0;
    uint32_t dirtyRows_ = (1u << kRows) - 1;  // rows written since the last refresh
    // The last composed display text, reused until a display row changes,
    // and whether it shows an alarm.
    mutable QByteArray composed_;
    mutable int composedRows_ = 0;
    QByteArray alarmTestedText_;
    bool alarmTested_ = false;
    bool cursorBlinkPhase_ = false;
    bool alarmBlinkPhase_ = false;
};

}  // namespace kordex
