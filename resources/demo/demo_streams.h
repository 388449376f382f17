#pragma once
// Demo panel sessions, one per face: a terminal banner, the switch into
// tandem mode, the identification line, the display text, an indicator line
// with lamps in every state and a few printer events. Raw bytes as a panel
// sends them; `kordex --replay` plays them on the real window.
#include <QByteArray>
#include <span>

namespace kordex::demo {

struct DemoFace {
    int face;              // the PanelType the identification line gives
    const char *fileName;  // under resources/demo/
    const char *identification;
};

std::span<const DemoFace> demoFaces();
QByteArray demoStream(int face);

// The indicator state line for indicators 3 to 2 + letters.size(): kind "0",
// length, the letters and the checksum, as the panel writes it on row 13.
QByteArray indicatorLine(const QByteArray &letters);

}  // namespace kordex::demo
