#include "core/engine.h"

namespace kordex {

namespace {
PanelType typeFor(const QByteArray &model, const QByteArray &version)
{
    using enum PanelType;
    PanelType type = Unidentified;
    auto is = [&](const char *m, std::initializer_list<const char *> versions) {
        if (model != m)
            return false;
        for (const char *v : versions)
            if (version == v)
                return true;
        return false;
    };
    // Later rules override earlier ones.
    if (version.contains('V'))
        type = As4428p;
    if (is("Q7312", {"V01"}))
        type = As1603;
    if (is("Q7312", {"V13", "V11"}))
        type = As4428p;
    if (is("Q7312", {"V10", "V12"}))
        type = As1603;
    if (is("Q6150", {"V02", "V01"}))
        type = As1603Logic;
    if (is("Q6150", {"V11"}))
        type = As4428p;
    if (is("HBX", {"V02", "V01"}))
        type = As1603Logic;
    if (is("HBX", {"V11"}))
        type = As4428p;
    if (is("JBX", {"V11"}))
        type = As4428p;
    if (is("ZR9", {"V01"}))
        type = Zr9;
    if (is("ZR9", {"V02"}))
        type = Zr9Fbp;
    if (is("WBX", {"V02"}))
        type = As1603Logic;
    if (is("WBX", {"V11"}))
        type = As4428p;
    return type;
}
}  // namespace

void Engine::identifyPanel()
{
    constexpr int kRow = DisplayModel::kIdentificationRow;
    // The line is read no further than this.
    constexpr int kCells = 80;
    SessionState &s = session;
    DisplayModel &d = display;

    QByteArray model, second, version;
    int i = 0;
    auto at = [&](int c) { return char(d.cell(kRow, c)); };
    while (i < kCells && at(i) != ' ')
        model.append(at(i++));
    while (i < kCells && at(i) == ' ')
        ++i;
    while (i < kCells && at(i) != ' ')
        second.append(at(i++));
    while (i < kCells && at(i) == ' ')
        ++i;
    while (i < kCells && at(i) != ' ' && at(i) != '*')
        version.append(at(i++));

    s.panelSecondWord = second;
    s.panelVersion = version;
    const PanelType type = typeFor(model, version);
    s.setPanelType(int(type));

    // Repeat the line (and its CR) into the event screen.
    int last = 78;
    for (int c = kCells - 1; c >= 0; --c)
        if (at(c) != ' ') {
            last = c;
            break;
        }
    d.setCell(kRow, last + 1, '\r');
    events.put(uint8_t('\r'));
    for (int c = 0; c <= last + 1; ++c)
        events.put(d.cell(kRow, c));
    for (int c = 0; c < kCells; ++c)
        d.setCell(kRow, c, ' ');

    const bool offersEvents = (model == "Q6150" || model == "JBX" || model == "HBX" || model == "WBX") &&
                              !s.arrowPromptSeen && !s.diagnosticsBannerSeen;
    s.eventDisplayAllowed = offersEvents;
    view.setMenuEnabled(MenuItem::Events1, offersEvents);
    view.setEventsLabelVisible(offersEvents);

    s.statusText = (model == "Q7312" && type == PanelType::As4428p) ? QByteArray("ZR8816") : model;
    s.statusText += ": " + s.linkSettings().systemName;
    selectFace();
}

void Engine::onIdentifyTimer()
{
    identifyTimer.stop();
    for (int c = 0; c < 80; ++c)
        if (display.cell(DisplayModel::kIdentificationRow, c) != ' ') {
            identifyPanel();
            return;
        }
}

}  // namespace kordex
