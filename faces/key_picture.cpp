#include "faces/key_picture.h"

#include "faces/key_art.h"

namespace kordex {

QString keyResourceName(const QString &component, int face, bool pressed)
{
    QString name = component + QString::number(face);
    if (pressed)
        name += QLatin1String("CL");
    return name;
}

bool hasKeyResource(const QString &name) { return keyArt().contains(name); }

QString resolveKeyResource(const QString &name)
{
    return hasKeyResource(name) ? name : QString::fromLatin1(kFallbackPicture);
}

QPixmap keyPicture(const QString &component, int face, bool pressed, qreal dpr)
{
    return keyArt().pixmap(resolveKeyResource(keyResourceName(component, face, pressed)), dpr);
}

}  // namespace kordex
