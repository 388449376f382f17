#pragma once
// The faces were laid out for Courier New, Arial and Arial Narrow. We ask for
// their metric-compatible Liberation twins by explicit family name, so text
// keeps its width whatever the desktop's generic font aliases say.
#include "face_logic/face_layout.h"

#include <QFont>
#include <QString>

namespace kordex {

QString fontFamilyName(FontFamily family);

// A font of `pixelSize` pixels (not points: the layout is in pixels).
QFont panelFont(FontFamily family, int pixelSize, bool bold = false, bool italic = false);

// Lets code that names the original families ("Courier New", "Arial",
// "Arial Narrow") get the Liberation fonts too. Call once after the
// application object exists; calling again does no harm.
void installFontSubstitutions();

}  // namespace kordex
