#pragma once
// What the panel, modem or network sent while the link was not up or a login
// was pending. The connection steps ask whether a prompt is in it since it
// was last cleared. It keeps only a bounded tail (a peer that talks for
// minutes must not grow it without end, nor make every check rescan it all);
// for the texts it watches, what leaves the tail is remembered as seen, so a
// question about them has the same answer as over the whole text.
#include <QByteArray>

#include <vector>

namespace kordex {

class ReceivedText {
public:
    static constexpr qsizetype kDefaultKeep = 4096;
    explicit ReceivedText(qsizetype keep = kDefaultKeep) : keep_(keep < 64 ? 64 : keep) {}
    ReceivedText(const QByteArray &text) : ReceivedText() { append(text); }

    void append(char c)
    {
        text_ += c;
        if (text_.size() > 2 * keep_)
            trim();
    }
    void append(const QByteArray &bytes);
    void clear();

    // Exact, case-sensitive.
    bool contains(const QByteArray &needle) const;
    // In the upper-case form of the text (ASCII letters); `upperNeedle` is upper case.
    bool containsUpper(const QByteArray &upperNeedle) const;

    // Texts remembered when they leave the tail. Longer than the tail keeps
    // cannot be watched (they are then looked for in the tail only).
    void watch(const QByteArray &needle, bool upper = false);

    // The tail kept.
    const QByteArray &text() const { return text_; }
    operator const QByteArray &() const { return text_; }

private:
    struct Watched {
        QByteArray needle;
        bool upper;
        bool seen;
    };
    bool remembered(const QByteArray &needle, bool upper) const;
    void trim();

    qsizetype keep_;
    QByteArray text_;
    std::vector<Watched> watched_;
};

}  // namespace kordex
