#pragma once
// Which lamp shows which indicator on which face, with its lit colour, and
// the geometry of every lamp. Plain data: the window builds its lamps from it
// and the flash painter looks indicators up in it.
#include "core/face_control.h"

#include <span>
#include <string_view>

namespace kordex {

enum class LampHost { AS1603, AS4428p, ZR9, ZR9FBP, NZDisplay };

struct LampDef {
    std::string_view name;
    LampHost host;
    int left, top, width, height;
    bool hiddenWhenOff;  // the New Zealand lamps of the ZR9 faces
};

// The lamp host of a face container; NZDisplay for Container::None.
LampHost lampHostOf(Container c);

// Every lamp component of every face and of NZDisplay.
std::span<const LampDef> allLamps();
const LampDef *findLamp(std::string_view name);

// Indicator numbers that are painted, in the order one dispatch visits them.
std::span<const int> paintedIndicators();

// The ordinary lamp(s) of indicator k on face `panelType`; nullptr when the
// indicator has no ordinary lamp there (the Sounder and Events labels are
// handled by the painter).
const IndicatorBinding *bindingFor(int panelType, int k);

}  // namespace kordex
