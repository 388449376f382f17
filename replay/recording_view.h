#pragma once
// A view that keeps what the window would show, for tests and kordex-replay,
// and the JSON state dump built from it and the engine.
#include "core/engine_view.h"

#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kordex {

class Engine;
class Timer;

class RecordingView : public EngineView {
public:
    RecordingView();

    struct Lamp {
        Rgb color = kWhite;
        bool visible = true;
    };

    QByteArray caption = "Not Connected";
    Container container = Container::None;
    int preparedFace = -1;
    bool logicKeysVisible = false;
    DisplayLayout displayLayout = DisplayLayout::TwoRows;
    EventScreenLayout eventScreenLayout = EventScreenLayout::Full;
    bool nzDisplayVisible = false;
    QByteArray lcdText;
    QByteArrayList eventScreen{QByteArray(), QByteArray()};
    std::map<std::string, Lamp, std::less<>> lamps;
    QByteArray sounderCaption = "Sounder Off";
    Rgb sounderColor = kBlack;
    bool sounderVisible = true;
    QByteArray eventsCaption = "Event Display Off";
    int eventsKeyCode = 34;
    bool eventsVisible = true;
    struct Menu {
        QByteArray caption;
        bool enabled = true, visible = true, checked = false;
    };
    // Every menu item the engine or the link switches, at the window's start state.
    std::map<MenuItem, Menu> menus;
    std::vector<QByteArray> connectMenu;
    Menu &menu(MenuItem item) { return menus[item]; }
    const Menu &menu(MenuItem item) const { return menus.at(item); }
    int beeps = 0;
    int taskbarFlashes = 0;
    bool taskbarHighlighted = false;
    int focusRequests = 0;

    void setCaption(const QByteArray &c) override { caption = c; }
    void setVisibleContainer(Container c) override { container = c; }
    void prepareFace(int t) override { preparedFace = t; }
    void setLogicKeysVisible(bool v) override { logicKeysVisible = v; }
    void setDisplayLayout(DisplayLayout layout) override { displayLayout = layout; }
    void setEventScreenLayout(EventScreenLayout layout) override { eventScreenLayout = layout; }
    void setNzDisplayVisible(bool v) override { nzDisplayVisible = v; }
    void setLcdText(const QByteArray &t) override { lcdText = t; }
    void eventScreenReplace(int i, const QByteArray &line) override;
    void eventScreenInsert(int i, const QByteArray &line) override;
    void eventScreenRemoveFirst() override;
    void setLampColor(std::string_view name, Rgb c) override { lamp(name).color = c; }
    void setLampVisible(std::string_view name, bool v) override { lamp(name).visible = v; }
    void setSounder(const QByteArray &c, Rgb color) override
    {
        sounderCaption = c;
        sounderColor = color;
    }
    void setSounderVisible(bool v) override { sounderVisible = v; }
    void setEventsLabel(const QByteArray &c, int code) override
    {
        eventsCaption = c;
        eventsKeyCode = code;
    }
    void setEventsLabelVisible(bool v) override { eventsVisible = v; }
    void setMenuEnabled(MenuItem item, bool on) override;
    void setMenuChecked(MenuItem item, bool on) override;
    void setMenuVisible(MenuItem item, bool on) override;
    void setMenuCaption(MenuItem item, const QByteArray &text) override { menu(item).caption = text; }
    void setConnectMenu(const std::vector<QByteArray> &captions) override { connectMenu = captions; }
    void setProgress(const QByteArray &text) override { progress = text; }
    QByteArray progress;
    void beep() override { ++beeps; }
    void flashTaskbar(bool invert) override
    {
        taskbarHighlighted = invert ? !taskbarHighlighted : false;
        taskbarFlashes += invert;
    }
    void focusFirstControl() override { ++focusRequests; }

    // "#rrggbb" or "hidden".
    std::string lampState(std::string_view name) const;

private:
    Lamp &lamp(std::string_view name);
};

// The whole observable state as one JSON object on one line; strings carry
// the panel's bytes 1:1 as code points U+0000 to U+00FF.
// `responseText` is the link's; `moreTimers` join the engine's under
// "timers"; the keys of `more` join the object's own.
QByteArray dumpStateJson(const Engine &e, const RecordingView &v, const QByteArray &responseText,
                         std::span<const std::pair<const char *, const Timer *>> moreTimers = {},
                         const QJsonObject &more = {});
// The menu items: name → {caption, enabled, visible, checked}.
QJsonObject menusJson(const RecordingView &v);
// Panel bytes as a JSON string, each byte one code point.
QJsonValue panelString(const QByteArray &bytes);
QJsonArray panelStrings(const QByteArrayList &items);
QByteArray rgbText(Rgb c);

}  // namespace kordex
