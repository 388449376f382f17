#pragma once
// The event line editor: builds the line the panel is printing and hands
// each completed line to the event screen (and to a capture when one runs).
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kordex {

class Engine;

class EventLineEditor {
public:
    // The event screen keeps this many completed lines, dropping the oldest.
    static constexpr int kMaxCompletedLines = 301;

    explicit EventLineEditor(Engine &e) : e_(e) {}

    // One byte, or a run of them, from the printer area or terminal mode;
    // bytes the event screen cannot show are dropped.
    void put(uint8_t b);
    void put(const uint8_t *bytes, size_t n);

    // The flush timer's tick: shows the unfinished line.
    void flush();

    const QByteArray &eventLine() const { return line_; }
    // The login starts each answer on a fresh line of its own.
    void clearEventLine()
    {
        line_.clear();
        column_ = 1;
    }
    int eventLineIndex() const { return index_; }

    // Capture to file hands each completed line here while capturing.
    std::function<void(const QByteArray &)> captureLine;
    // Every completed line, as the event screen shows it (the history).
    std::function<void(const QByteArray &)> lineCompleted;

private:
    bool shown() const;
    void backspace();
    void completeLine();

    Engine &e_;
    QByteArray line_;
    int index_ = 0;
    int column_ = 1;
    bool dirty_ = false;
};

}  // namespace kordex
