#pragma once
// The panel types the identification line gives. They are stored and
// printed as numbers (the replay's `paneltype`, its dump), so each keeps its value.
namespace kordex {

enum class PanelType : int {
    Unidentified = 0,  // no face: the display alone
    As1603 = 1,
    As1603Spare2 = 2,  // faces that no identification gives, kept for `paneltype`
    As1603Spare3 = 3,
    As1603Logic = 4,  // the AS 1603 face with the four logic keys
    As4428p = 5,
    Zr9 = 6,
    Zr9Fbp = 7,
};

// The ZR9 faces: a four-line display and three more wrapping rows.
inline constexpr bool isZr9(int type) { return type == int(PanelType::Zr9) || type == int(PanelType::Zr9Fbp); }
// Types numbered below the ZR9s: a two-line display.
inline constexpr bool isTwoLine(int type) { return type < int(PanelType::Zr9); }

}  // namespace kordex
