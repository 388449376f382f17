#include "core/engine.h"

namespace kordex {

namespace {
// Model and version words of the identification line, and the panel type
// they give. Later rows override earlier ones.
struct TypeRule {
    const char *model;
    const char *versions[2];
    PanelType type;
};
constexpr TypeRule kTypeRules[] = {
    {"Q7312", {"V01"}, PanelType::As1603},
    {"Q7312", {"V13", "V11"}, PanelType::As4428p},
    {"Q7312", {"V10", "V12"}, PanelType::As1603},
    {"Q6150", {"V02", "V01"}, PanelType::As1603Logic},
    {"Q6150", {"V11"}, PanelType::As4428p},
    {"HBX", {"V02", "V01"}, PanelType::As1603Logic},
    {"HBX", {"V11"}, PanelType::As4428p},
    {"JBX", {"V11"}, PanelType::As4428p},
    {"ZR9", {"V01"}, PanelType::Zr9},
    {"ZR9", {"V02"}, PanelType::Zr9Fbp},
    {"WBX", {"V02"}, PanelType::As1603Logic},
    {"WBX", {"V11"}, PanelType::As4428p},
};

PanelType typeFor(const QByteArray &model, const QByteArray &version)
{
    // Any version word with a V in it that no rule names.
    PanelType type = version.contains('V') ? PanelType::As4428p : PanelType::Unidentified;
    for (const TypeRule &rule : kTypeRules)
        if (model == rule.model)
            for (const char *v : rule.versions)
                if (v && version == v)
                    type = rule.type;
    return type;
}

struct IdentificationWords {
    QByteArray model, second, version;
};

// The line is read no further than this.
constexpr int kIdentificationCells = 80;

IdentificationWords readWords(const DisplayModel &d)
{
    IdentificationWords w;
    int i = 0;
    auto at = [&](int c) { return char(d.cell(DisplayModel::kIdentificationRow, c)); };
    while (i < kIdentificationCells && at(i) != ' ')
        w.model.append(at(i++));
    while (i < kIdentificationCells && at(i) == ' ')
        ++i;
    while (i < kIdentificationCells && at(i) != ' ')
        w.second.append(at(i++));
    while (i < kIdentificationCells && at(i) == ' ')
        ++i;
    while (i < kIdentificationCells && at(i) != ' ' && at(i) != '*')
        w.version.append(at(i++));
    return w;
}

// Repeats the line (and its CR) into the event screen and blanks it.
void echoAndClear(DisplayModel &d, EventLineEditor &events)
{
    constexpr int kRow = DisplayModel::kIdentificationRow;
    int last = 78;
    for (int c = kIdentificationCells - 1; c >= 0; --c)
        if (d.cell(kRow, c) != ' ') {
            last = c;
            break;
        }
    d.setCell(kRow, last + 1, '\r');
    events.put(uint8_t('\r'));
    for (int c = 0; c <= last + 1; ++c)
        events.put(d.cell(kRow, c));
    for (int c = 0; c < kIdentificationCells; ++c)
        d.setCell(kRow, c, ' ');
}
}  // namespace

void Engine::identifyPanel()
{
    SessionState &s = session;
    const auto [model, second, version] = readWords(display);
    s.panelSecondWord = second;
    s.panelModel = model;
    s.panelVersion = version;
    const PanelType type = typeFor(model, version);
    s.setPanelType(int(type));
    echoAndClear(display, events);

    const bool offersEvents = (model == "Q6150" || model == "JBX" || model == "HBX" || model == "WBX") &&
                              !s.arrowPromptSeen && !s.diagnosticsBannerSeen;
    s.eventDisplayAllowed = offersEvents;
    shell.setMenuEnabled(MenuItem::EventDisplay, offersEvents);
    panel.setEventsLabelVisible(offersEvents);

    s.statusText = (model == "Q7312" && type == PanelType::As4428p) ? QByteArray("ZR8816") : model;
    s.statusText += ": " + s.linkSettings().systemName;
    selectFace();
}

void Engine::onIdentifyTimer()
{
    identifyTimer.stop();
    for (int c = 0; c < kIdentificationCells; ++c)
        if (display.cell(DisplayModel::kIdentificationRow, c) != ' ') {
            identifyPanel();
            return;
        }
}

}  // namespace kordex
