#pragma once
// What the benchmarks feed: mixed tandem traffic as a panel streams it, and
// a view that shows nothing, for the engine's own cost.
#include "core/engine_view.h"

#include <QByteArray>

namespace kordex::bench {

class NullView final : public EngineView {
public:
    const QByteArray *lastText = nullptr;
    void setCaption(const QByteArray &) override {}
    void setVisibleContainer(Container) override {}
    void prepareFace(int) override {}
    void setLogicKeysVisible(bool) override {}
    void setDisplayLayout(DisplayLayout) override {}
    void setEventScreenLayout(EventScreenLayout) override {}
    void setNzDisplayVisible(bool) override {}
    void setLcdText(const QByteArray &t) override { lastText = &t; }
    void eventScreenReplace(int, const QByteArray &) override {}
    void eventScreenInsert(int, const QByteArray &) override {}
    void eventScreenRemoveFirst() override {}
    void setLampColor(std::string_view, Rgb) override {}
    void setLampVisible(std::string_view, bool) override {}
    void setSounder(const QByteArray &, Rgb) override {}
    void setSounderVisible(bool) override {}
    void setEventsLabel(const QByteArray &, int) override {}
    void setEventsLabelVisible(bool) override {}
    void setMenuEnabled(MenuItem, bool) override {}
    void setMenuChecked(MenuItem, bool) override {}
    void setMenuVisible(MenuItem, bool) override {}
    void setMenuCaption(MenuItem, const QByteArray &) override {}
    void setConnectMenu(const std::vector<QByteArray> &) override {}
    void setProgress(const QByteArray &) override {}
    void beep() override {}
    void flashTaskbar(bool) override {}
    void focusFirstControl() override {}
};

inline QByteArray indicatorLine(int n)
{
    QByteArray body = "025";
    const char states[] = "QFSNO";
    for (int k = 3; k <= 25; ++k)
        body += states[(k + n) % 5];
    int sum = 0;
    for (char c : body)
        sum += uint8_t(c);
    return body + QByteArray::number(sum % 256, 16).rightJustified(2, '0').toUpper();
}

// One "screenful" per n: the display rewritten (partly changed), an
// indicator line, and a printer line.
inline QByteArray traffic(int screens = 64)
{
    QByteArray t;
    for (int n = 0; n < screens; ++n) {
        t += "\x1bY  ";
        t += QByteArray("ZONE 12 ALARM ") + QByteArray::number(n % 10) + "      12:0" + QByteArray::number(n % 10) +
             " 01/12/26  ";
        t += "\x1bY! ";
        t += "Q7312 Fire Alarm System  Level 2 Floor";
        t += "\x1bY- " + indicatorLine(n) + "\x1b";
        t += "\x1bY0 12:00:0" + QByteArray::number(n % 10) + " ZONE 12 DETECTOR 3 ALARM  PLANT ROOM 2\r\n";
    }
    return t;
}

// The display alone, rewritten screen after screen.
inline QByteArray displayText(int screens = 64)
{
    QByteArray t;
    for (int n = 0; n < screens; ++n) {
        t += "\x1bY  ZONE 12 ALARM " + QByteArray::number(n % 10) + "      12:0" + QByteArray::number(n % 10) +
             " 01/12/26  ";
        t += "\x1bY! Q7312 Fire Alarm System  Level 2 Floor";
    }
    return t;
}

// Printed event lines only, as during a history print-out.
inline QByteArray printerLines(int lines = 100)
{
    QByteArray t = "\x1bY0 ";
    for (int i = 0; i < lines; ++i)
        t += "12:00:00 ZONE 12 DETECTOR 3 ALARM  PLANT ROOM 2 LEVEL 4\r\n";
    return t;
}

// At least `bytes` of it, whole screenfuls.
inline QByteArray trafficOf(qsizetype bytes)
{
    const QByteArray one = traffic();
    QByteArray t;
    t.reserve(bytes + one.size());
    while (t.size() < bytes)
        t += one;
    return t;
}

}  // namespace kordex::bench
