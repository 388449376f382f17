#include "tools/recording_view.h"

#include "core/engine.h"
#include "faces/face_binding.h"

#include <cstdio>

namespace kordex {

RecordingView::RecordingView()
{
    for (const LampDef &l : allLamps())
        lamps[std::string(l.name)] = Lamp{kWhite, !l.hiddenWhenOff};
    // Captions and start states of the main window's menu bar.
    menus[MenuItem::Connect1] = {"Co&nnect to...", true, true, false};
    menus[MenuItem::Disconnect] = {"&Disconnect", false, true, false};
    menus[MenuItem::EditConnection1] = {"&Edit Connection...", true, true, false};
    menus[MenuItem::SaveDatabase1] = {"&Capture to File...", false, true, false};
    menus[MenuItem::LoadDatabase1] = {"&Send File...", false, true, false};
    menus[MenuItem::CloseTandemMode1] = {"&Close Tandem Mode   C", true, false, false};
    menus[MenuItem::Refresh1] = {"&Refresh   F5 or H", false, true, false};
    menus[MenuItem::Events1] = {"&Events", false, true, false};
    menus[MenuItem::ConnectMenu] = {"&Connect", true, true, false};
}

RecordingView::Lamp &RecordingView::lamp(std::string_view name)
{
    auto it = lamps.find(name);
    if (it == lamps.end())
        it = lamps.emplace(std::string(name), Lamp{}).first;
    return it->second;
}

void RecordingView::eventScreenReplace(int i, const QByteArray &line)
{
    while (eventScreen.size() <= i)
        eventScreen.append(QByteArray());
    eventScreen[i] = line;
}

void RecordingView::eventScreenInsert(int i, const QByteArray &line)
{
    while (eventScreen.size() < i)
        eventScreen.append(QByteArray());
    eventScreen.insert(i, line);
}

void RecordingView::eventScreenRemoveFirst()
{
    if (!eventScreen.isEmpty())
        eventScreen.removeFirst();
}

void RecordingView::setMenuEnabled(MenuItem item, bool on) { menu(item).enabled = on; }

void RecordingView::setMenuChecked(MenuItem item, bool on) { menu(item).checked = on; }

void RecordingView::setMenuVisible(MenuItem item, bool on) { menu(item).visible = on; }

std::string RecordingView::lampState(std::string_view name) const
{
    auto it = lamps.find(name);
    if (it == lamps.end())
        return "missing";
    if (!it->second.visible)
        return "hidden";
    return rgbText(it->second.color).toStdString();
}

QByteArray rgbText(Rgb c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return QByteArray(buf, 7);
}

QByteArray jsonString(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 2);
    out.append('"');
    for (char ch : bytes) {
        const auto b = uint8_t(ch);
        switch (b) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (b < 0x20 || b == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", b);
                out.append(buf);
            } else if (b < 0x80) {
                out.append(char(b));
            } else {  // U+0080..U+00FF in UTF-8
                out.append(char(0xC0 | (b >> 6)));
                out.append(char(0x80 | (b & 0x3F)));
            }
        }
    }
    out.append('"');
    return out;
}

QByteArray stringArray(const QByteArrayList &items)
{
    QByteArray out = "[";
    for (int i = 0; i < items.size(); ++i) {
        if (i)
            out += ',';
        out += jsonString(items[i]);
    }
    return out + "]";
}

QByteArray dumpStateJson(const Engine &e, const RecordingView &v, const QByteArray &responseText,
                         std::span<const std::pair<const char *, const Timer *>> moreTimers, const QByteArray &more)
{
    const SessionState &s = e.session;
    const DisplayModel &d = e.display;

    QByteArrayList rows;
    for (int r = 0; r < DisplayModel::kRows; ++r)
        rows.append(d.row(r));

    JsonObject timers;
    const std::pair<const char *, const Timer *> timerList[] = {
        {"Timer1", &e.tandemGuardTimer}, {"Timer2", &e.identifyTimer},       {"Timer3", &e.cursorBlinkTimer},
        {"Timer6", &e.eventFlushTimer},  {"Timer7", &e.alarmAttentionTimer}, {"TimerHKI", &e.keyRepeatTimer}};
    for (const auto &[name, t] : timerList)
        timers.boolean(name, t->isRunning());
    for (const auto &[name, t] : moreTimers)
        timers.boolean(name, t->isRunning());

    JsonObject lamps;
    for (const LampDef &l : allLamps())
        lamps.str(std::string(l.name).c_str(), QByteArray::fromStdString(v.lampState(l.name)));

    const QByteArray sounder = JsonObject()
                                   .str("caption", v.sounderCaption)
                                   .boolean("visible", v.sounderVisible)
                                   .str("color", rgbText(v.sounderColor))
                                   .done();
    const QByteArray events = JsonObject()
                                  .str("caption", v.eventsCaption)
                                  .boolean("visible", v.eventsVisible)
                                  .num("keyCode", v.eventsKeyCode)
                                  .done();
    const RecordingView::Menu &e1 = v.menu(MenuItem::Events1);
    const QByteArray events1 = JsonObject().boolean("enabled", e1.enabled).boolean("checked", e1.checked).done();

    QByteArray state = JsonObject()
                           .boolean("tandemMode", s.tandemMode)
                           .boolean("connected", s.connected)
                           .boolean("loggedIn", s.loggedIn)
                           .boolean("tandemSeen", s.tandemSeen)
                           .boolean("suppressTandemSwitch", s.suppressTandemSwitch)
                           .num("panelType", s.panelType())
                           .str("panelVersion", s.panelVersion)
                           .str("panelSecondWord", s.panelSecondWord)
                           .str("statusText", s.statusText)
                           .str("caption", v.caption)
                           .num("cursorRow", d.cursorRow)
                           .num("cursorColumn", d.cursorColumn)
                           .boolean("cursorVisible", d.cursorVisible)
                           .raw("screen", stringArray(rows))
                           .str("lcdText", d.lcdText)
                           .str("lcdDisplay", v.lcdText)
                           .raw("eventScreen", stringArray(v.eventScreen))
                           .str("eventLine", e.events.eventLine())
                           .num("eventLineIndex", e.events.eventLineIndex())
                           .str("indicatorTable", e.indicators.toBytes())
                           .boolean("eventDisplayAllowed", s.eventDisplayAllowed)
                           .boolean("nzDisplayVisible", v.nzDisplayVisible)
                           .str("visibleFace", containerName(v.container))
                           .str("responseText", responseText)
                           .raw("timers", timers.done())
                           .num("beeps", v.beeps)
                           .raw("lamps", lamps.done())
                           .raw("sounder", sounder)
                           .raw("events", events)
                           .raw("events1", events1)
                           .done();
    if (more.size() > 2) {
        state.chop(1);
        state += ',' + more.mid(1);
    }
    return state;
}

QByteArray menusJson(const RecordingView &v)
{
    JsonObject o;
    for (const auto &[item, m] : v.menus)
        o.raw(menuItemName(item), JsonObject()
                                      .str("caption", m.caption)
                                      .boolean("enabled", m.enabled)
                                      .boolean("visible", m.visible)
                                      .boolean("checked", m.checked)
                                      .done());
    return o.done();
}

}  // namespace kordex
