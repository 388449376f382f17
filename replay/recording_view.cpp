#include "replay/recording_view.h"

#include "core/engine.h"
#include "face_logic/face_binding.h"

#include <QJsonDocument>
#include <cstdio>

namespace kordex {

RecordingView::RecordingView()
{
    for (const LampDef &l : allLamps())
        lamps[std::string(l.name)] = Lamp{kWhite, !l.hiddenWhenOff};
    // Captions and start states of the main window's menu bar.
    menus[MenuItem::ConnectTo] = {"Co&nnect to...", true, true, false};
    menus[MenuItem::Disconnect] = {"&Disconnect", false, true, false};
    menus[MenuItem::EditConnections] = {"&Edit Connection...", true, true, false};
    menus[MenuItem::CaptureToFile] = {"&Capture to File...", false, true, false};
    menus[MenuItem::SendFile] = {"&Send File...", false, true, false};
    menus[MenuItem::CloseTandemMode] = {"&Close Tandem Mode   C", true, false, false};
    menus[MenuItem::Refresh] = {"&Refresh   F5 or H", false, true, false};
    menus[MenuItem::EventDisplay] = {"&Events", false, true, false};
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

QJsonValue panelString(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

QJsonArray panelStrings(const QByteArrayList &items)
{
    QJsonArray out;
    for (const QByteArray &item : items)
        out.append(panelString(item));
    return out;
}

QByteArray dumpStateJson(const Engine &e, const RecordingView &v, const QByteArray &responseText,
                         std::span<const std::pair<const char *, const Timer *>> moreTimers, const QJsonObject &more)
{
    const SessionState &s = e.session;
    const DisplayModel &d = e.display;

    QByteArrayList rows;
    for (int r = 0; r < DisplayModel::kRows; ++r)
        rows.append(d.row(r));

    QJsonObject timers;
    const std::pair<const char *, const Timer *> timerList[] = {
        {"Timer1", &e.tandemGuardTimer}, {"Timer2", &e.identifyTimer},       {"Timer3", &e.cursorBlinkTimer},
        {"Timer6", &e.eventFlushTimer},  {"Timer7", &e.alarmAttentionTimer}, {"TimerHKI", &e.keyRepeatTimer}};
    for (const auto &[name, t] : timerList)
        timers.insert(QLatin1String(name), t->isRunning());
    for (const auto &[name, t] : moreTimers)
        timers.insert(QLatin1String(name), t->isRunning());

    QJsonObject lamps;
    for (const LampDef &l : allLamps())
        lamps.insert(QLatin1String(l.name.data(), qsizetype(l.name.size())),
                     QString::fromStdString(v.lampState(l.name)));

    const RecordingView::Menu &e1 = v.menu(MenuItem::EventDisplay);
    QJsonObject state{
        {"tandemMode", s.tandemMode},
        {"connected", s.connected},
        {"loggedIn", s.loggedIn},
        {"tandemSeen", s.tandemSeen},
        {"suppressTandemSwitch", s.suppressTandemSwitch},
        {"panelType", s.panelType()},
        {"panelVersion", panelString(s.panelVersion)},
        {"panelSecondWord", panelString(s.panelSecondWord)},
        {"statusText", panelString(s.statusText)},
        {"caption", panelString(v.caption)},
        {"cursorRow", d.cursorRow},
        {"cursorColumn", d.cursorColumn},
        {"cursorVisible", d.cursorVisible},
        {"screen", panelStrings(rows)},
        {"lcdText", panelString(d.lcdText)},
        {"lcdDisplay", panelString(v.lcdText)},
        {"eventScreen", panelStrings(v.eventScreen)},
        {"eventLine", panelString(e.events.eventLine())},
        {"eventLineIndex", e.events.eventLineIndex()},
        {"indicatorTable", panelString(e.indicators.toBytes())},
        {"eventDisplayAllowed", s.eventDisplayAllowed},
        {"nzDisplayVisible", v.nzDisplayVisible},
        {"visibleFace", panelString(containerName(v.container))},
        {"responseText", panelString(responseText)},
        {"timers", timers},
        {"beeps", v.beeps},
        {"lamps", lamps},
        {"sounder", QJsonObject{{"caption", panelString(v.sounderCaption)},
                                {"visible", v.sounderVisible},
                                {"color", panelString(rgbText(v.sounderColor))}}},
        {"events", QJsonObject{{"caption", panelString(v.eventsCaption)},
                               {"visible", v.eventsVisible},
                               {"keyCode", v.eventsKeyCode}}},
        {"events1", QJsonObject{{"enabled", e1.enabled}, {"checked", e1.checked}}},
    };
    for (auto it = more.begin(); it != more.end(); ++it)
        state.insert(it.key(), it.value());
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

QJsonObject menusJson(const RecordingView &v)
{
    QJsonObject o;
    for (const auto &[item, m] : v.menus)
        o.insert(QLatin1String(menuItemName(item)), QJsonObject{{"caption", panelString(m.caption)},
                                                                {"enabled", m.enabled},
                                                                {"visible", m.visible},
                                                                {"checked", m.checked}});
    return o;
}

}  // namespace kordex
