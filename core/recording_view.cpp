#include "core/recording_view.h"

#include "core/engine.h"
#include "faces/face_binding.h"

#include <cstdio>

namespace kordex {

RecordingView::RecordingView()
{
    for (const LampDef &l : allLamps())
        lamps[std::string(l.name)] = Lamp{kWhite, !l.hiddenWhenOff};
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

void RecordingView::setMenuEnabled(MenuItem item, bool on)
{
    if (item == MenuItem::Events1)
        events1Enabled = on;
    else if (item == MenuItem::Refresh1)
        refresh1Enabled = on;
}

void RecordingView::setMenuChecked(MenuItem item, bool on)
{
    if (item == MenuItem::Events1)
        events1Checked = on;
}

void RecordingView::setMenuVisible(MenuItem item, bool on)
{
    if (item == MenuItem::CloseTandemMode1)
        closeTandemVisible = on;
}

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

namespace {
class JsonObject {
public:
    JsonObject &raw(const char *key, const QByteArray &value)
    {
        out_ += (out_.size() > 1 ? ",\"" : "\"");
        out_ += key;
        out_ += "\":";
        out_ += value;
        return *this;
    }
    JsonObject &str(const char *key, const QByteArray &v) { return raw(key, jsonString(v)); }
    JsonObject &boolean(const char *key, bool v) { return raw(key, v ? "true" : "false"); }
    JsonObject &num(const char *key, long long v) { return raw(key, QByteArray::number(v)); }
    QByteArray done() { return out_ + "}"; }

private:
    QByteArray out_ = "{";
};

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
} // namespace

QByteArray dumpStateJson(const Engine &e, const RecordingView &v)
{
    const SessionState &s = e.session;
    const DisplayModel &d = e.display;

    QByteArrayList rows;
    for (int r = 0; r < DisplayModel::kRows; ++r)
        rows.append(d.row(r));

    JsonObject timers;
    const std::pair<const char *, const Timer *> timerList[] = {
        {"Timer1", &e.Timer1}, {"Timer2", &e.Timer2}, {"Timer3", &e.Timer3},
        {"Timer4", &e.Timer4}, {"Timer5", &e.Timer5}, {"Timer6", &e.Timer6},
        {"Timer7", &e.Timer7}, {"Timer8", &e.Timer8}, {"TimerHKI", &e.TimerHKI}};
    for (const auto &[name, t] : timerList)
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
    const QByteArray events1 =
        JsonObject().boolean("enabled", v.events1Enabled).boolean("checked", v.events1Checked).done();

    return JsonObject()
        .boolean("tandemMode", s.TandemMode)
        .boolean("connected", s.Connected)
        .boolean("loggedIn", s.LoggedIn)
        .boolean("tandemSeen", s.TandemSeen)
        .boolean("suppressTandemSwitch", s.SuppressTandemSwitch)
        .num("panelType", s.panelType())
        .str("panelVersion", s.PanelVersion)
        .str("panelSecondWord", s.PanelSecondWord)
        .str("statusText", s.StatusText)
        .str("caption", v.caption)
        .num("cursorRow", d.CursorRow)
        .num("cursorColumn", d.CursorColumn)
        .boolean("cursorVisible", d.CursorVisible)
        .raw("screen", stringArray(rows))
        .str("lcdText", d.LcdText)
        .str("lcdDisplay", v.lcdText)
        .raw("eventScreen", stringArray(v.eventScreen))
        .str("eventLine", d.eventLine())
        .num("eventLineIndex", d.eventLineIndex())
        .str("indicatorTable", e.indicators.toBytes())
        .boolean("eventDisplayAllowed", s.EventDisplayAllowed)
        .boolean("nzDisplayVisible", v.nzDisplayVisible)
        .str("visibleFace", containerName(v.container))
        .str("responseText", s.ResponseText)
        .raw("timers", timers.done())
        .num("beeps", v.beeps)
        .raw("lamps", lamps.done())
        .raw("sounder", sounder)
        .raw("events", events)
        .raw("events1", events1)
        .done();
}

} // namespace kordex
