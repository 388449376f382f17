#pragma once
// What the engine needs of the faces without knowing them: the face switch,
// the mode switch, and which lamp shows which indicator. The faces layer
// implements it; the engine is handed one before it starts.
#include "core/engine_view.h"

#include <span>
#include <string_view>

namespace kordex {

struct IndicatorBinding {
    std::string_view lamps[2];  // empty names: no lamp
    Rgb litColor;
};

class FaceControl {
public:
    virtual ~FaceControl() = default;
    // Re-applies the face of the current panel type, the title and the New
    // Zealand display, and resets the indicator table.
    virtual void selectFace() = 0;
    // Between terminal and tandem mode.
    virtual void switchMode() = 0;
    // The login's verdict where the link gives it (begun anew, failed,
    // logged out); entering tandem mode gives it inside switchMode. Only the
    // mode switch writes it.
    virtual void setLoggedIn(bool on) = 0;
    // Indicator numbers that are painted, in the order one dispatch visits them.
    virtual std::span<const int> paintedIndicators() const = 0;
    // The ordinary lamp(s) of indicator k on face `panelType`; nullptr when
    // it has none there.
    virtual const IndicatorBinding *bindingFor(int panelType, int k) const = 0;
};

}  // namespace kordex
