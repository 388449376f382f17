#include "link/received_text.h"

#include "config/connection_book.h"

namespace kordex {

void ReceivedText::append(const QByteArray &bytes)
{
    text_ += bytes;
    if (text_.size() > 2 * keep_)
        trim();
}

void ReceivedText::clear()
{
    text_.clear();
    for (Watched &w : watched_)
        w.seen = false;
}

// Drops all but the last `keep_` bytes, remembering every watched text that
// the tail would no longer hold whole.
void ReceivedText::trim()
{
    const qsizetype cut = text_.size() - keep_;
    QByteArray upper;
    for (Watched &w : watched_) {
        if (w.seen)
            continue;
        if (w.upper && upper.isEmpty())
            upper = foldAsciiUpper(text_);
        const QByteArray &in = w.upper ? upper : text_;
        const qsizetype at = in.indexOf(w.needle);
        w.seen = at >= 0 && at < cut;
    }
    text_.remove(0, cut);
}

void ReceivedText::watch(const QByteArray &needle, bool upper)
{
    if (needle.isEmpty() || needle.size() > keep_ || remembered(needle, upper))
        return;
    for (const Watched &w : watched_)
        if (w.needle == needle && w.upper == upper)
            return;
    watched_.push_back({needle, upper, false});
}

bool ReceivedText::remembered(const QByteArray &needle, bool upper) const
{
    for (const Watched &w : watched_)
        if (w.seen && w.upper == upper && w.needle == needle)
            return true;
    return false;
}

bool ReceivedText::contains(const QByteArray &needle) const
{
    return text_.contains(needle) || remembered(needle, false);
}

bool ReceivedText::containsUpper(const QByteArray &upperNeedle) const
{
    return foldAsciiUpper(text_).contains(upperNeedle) || remembered(upperNeedle, true);
}

}  // namespace kordex
