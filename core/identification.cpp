#include "core/engine.h"

namespace kordex {

namespace {
int typeFor(const QByteArray &model, const QByteArray &version)
{
    int type = 0;
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
        type = 5;
    if (is("Q7312", {"V01"}))
        type = 1;
    if (is("Q7312", {"V13", "V11"}))
        type = 5;
    if (is("Q7312", {"V10", "V12"}))
        type = 1;
    if (is("Q6150", {"V02", "V01"}))
        type = 4;
    if (is("Q6150", {"V11"}))
        type = 5;
    if (is("HBX", {"V02", "V01"}))
        type = 4;
    if (is("HBX", {"V11"}))
        type = 5;
    if (is("JBX", {"V11"}))
        type = 5;
    if (is("ZR9", {"V01"}))
        type = 6;
    if (is("ZR9", {"V02"}))
        type = 7;
    if (is("WBX", {"V02"}))
        type = 4;
    if (is("WBX", {"V11"}))
        type = 5;
    return type;
}
}  // namespace

void Engine::IdentifyPanel()
{
    constexpr int kRow = 11;
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

    s.PanelSecondWord = second;
    s.PanelModel = model;
    s.PanelVersion = version;
    const int type = typeFor(model, version);
    s.setPanelType(type);

    // Repeat the line (and its CR) into the event screen.
    int last = 78;
    for (int c = kCells - 1; c >= 0; --c)
        if (at(c) != ' ') {
            last = c;
            break;
        }
    d.setCell(kRow, last + 1, '\r');
    d.PutEventChar('\r');
    for (int c = 0; c <= last + 1; ++c)
        d.PutEventChar(d.cell(kRow, c));
    for (int c = 0; c < kCells; ++c)
        d.setCell(kRow, c, ' ');

    const bool offersEvents = (model == "Q6150" || model == "JBX" || model == "HBX" || model == "WBX") &&
                              !s.ArrowPromptSeen && !s.DiagnosticsBannerSeen;
    s.EventDisplayAllowed = offersEvents;
    view.setMenuEnabled(MenuItem::Events1, offersEvents);
    view.setEventsLabelVisible(offersEvents);

    s.StatusText = (model == "Q7312" && type == 5) ? QByteArray("ZR8816") : model;
    s.StatusText += ": " + s.current().SystemName;
    SelectFace();
}

void Engine::Timer2Timer()
{
    Timer2.stop();
    for (int c = 0; c < 80; ++c)
        if (display.cell(11, c) != ' ') {
            IdentifyPanel();
            return;
        }
}

}  // namespace kordex
