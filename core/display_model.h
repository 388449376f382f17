#pragma once
// The panel's character screen, the display text composed from its first
// rows, and the event line editor that feeds the event screen.
#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>

namespace kordex {

class Engine;

class DisplayModel {
public:
    static constexpr int kRows = 25;
    static constexpr int kColumns = 100;
    static constexpr int kMaxCompletedLines = 301;

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
    // True when ScreenBuffer differs from ShadowBuffer; kept up to date per
    // write instead of comparing all cells per byte.
    bool differsFromShadow() const { return diffCount_ != 0; }
    // The full cell-by-cell comparison the incremental state stands for.
    bool compareAllWithShadow() const { return screen_ != shadow_; }

    int CursorRow = 0;
    int CursorColumn = 0;
    bool CursorVisible = false;
    bool CursorBlinkPhase = false;
    QByteArray LcdText;

    void ClearScreen();
    void ClearToLineEnd();
    QByteArray ComposeLcdText() const;
    void RefreshLcd();
    void applyCursorOverlay();  // on LcdText
    void showLcdText();         // empty the memo and set it to LcdText
    void PutEventChar(uint8_t b);

    // Timer ticks.
    void Timer3Timer();  // cursor blink
    void Timer6Timer();  // event line flush
    void Timer7Timer();  // alarm attention

    // Event line state.
    const QByteArray &eventLine() const { return EventLine; }
    // The login starts each answer on a fresh line of its own.
    void clearEventLine()
    {
        EventLine.clear();
        EventColumn = 1;
    }
    int eventLineIndex() const { return EventLineIndex; }

    // Capture to file hands each completed line here while capturing.
    std::function<void(const QByteArray &)> captureLine;
    // Every completed line, as the event screen shows it (the history).
    std::function<void(const QByteArray &)> lineCompleted;

    static bool alarmActive(const QByteArray &lcdText);
    int displayRows() const;

private:
    void markAll();
    int cursorPosition() const;  // p, counting from 1

    Engine &e_;
    std::array<uint8_t, kRows * kColumns> screen_;
    std::array<uint8_t, kRows * kColumns> shadow_;
    int diffCount_ = 0;
    uint32_t dirtyRows_ = (1u << kRows) - 1;  // rows written since the last refresh
    // The last composed display text, reused until a display row changes.
    mutable QByteArray composed_;
    mutable int composedRows_ = 0;

    QByteArray EventLine;
    int EventLineIndex = 0;
    int EventColumn = 1;
    bool EventLineDirty = false;
    bool alarmBlinkPhase_ = false;
};

}  // namespace kordex
