#include "faces/fonts.h"

namespace kordex {

QString fontFamilyName(FontFamily family)
{
    switch (family) {
    case FontFamily::CourierNew: return QStringLiteral("Liberation Mono");
    case FontFamily::Arial: return QStringLiteral("Liberation Sans");
    case FontFamily::ArialNarrow: return QStringLiteral("Liberation Sans Narrow");
    }
    return QStringLiteral("Liberation Sans");
}

QFont panelFont(FontFamily family, int pixelSize, bool bold, bool italic)
{
    QFont f(fontFamilyName(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    // Fall back to a face of the same kind rather than whatever fontconfig
    // ranks first, should the Liberation fonts be missing.
    f.setStyleHint(family == FontFamily::CourierNew ? QFont::TypeWriter : QFont::SansSerif);
    f.setKerning(true);
    return f;
}

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("Courier New"), fontFamilyName(FontFamily::CourierNew));
    QFont::insertSubstitution(QStringLiteral("Arial"), fontFamilyName(FontFamily::Arial));
    QFont::insertSubstitution(QStringLiteral("Arial Narrow"), fontFamilyName(FontFamily::ArialNarrow));
}

}  // namespace kordex
