#pragma once
// The few settings of the connection in use that the engine reads. The link
// fills them from its connection record; the engine never sees the record.
#include <QByteArray>

namespace kordex {

struct PanelLinkSettings {
    QByteArray systemName = "Default";
    // The link logs in: until it has, what arrives is the login's, not the panel's events.
    bool autoLogin = true;
    // Shows what the login would hide and echoes each indicator line.
    bool diagnosticMode = false;
    bool showNzCommonStates = true;
    bool operator==(const PanelLinkSettings &) const = default;
};

}  // namespace kordex
