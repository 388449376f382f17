#pragma once
// Key pictures by resource name: the component name, the face number and
// "CL" for the pressed picture ("V01ZO1", "V01ZO1CL", "ZR9FBP_K17"). Names
// compare without regard to case; a name without a picture gives the plain
// blue square "V00BLUE".
#include <QPixmap>
#include <QString>

namespace kordex {

inline constexpr char kFallbackPicture[] = "V00BLUE";

// The resource name a key asks for, before any fallback.
QString keyResourceName(const QString &component, int face, bool pressed);

// Whether a picture of that resource name exists (case-insensitive).
bool hasKeyResource(const QString &name);

// The resource actually shown for `name`: itself, or "V00BLUE".
QString resolveKeyResource(const QString &name);

// The picture for a key component (or the ProdName badge) on `face`, drawn
// for a screen of device pixel ratio `dpr`.
QPixmap keyPicture(const QString &component, int face, bool pressed, qreal dpr = 1.0);

}  // namespace kordex
