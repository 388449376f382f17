#pragma once
// The fascia of each face and its stateless drawings (frames, bezels,
// banners, legends, lamp arrays), painted in container coordinates.
#include "face_logic/face_layout.h"

#include <QColor>

class QPainter;

namespace kordex {

QColor fasciaColor(Container c);  // None: the New Zealand display
void paintFaceBackground(QPainter &p, const FaceLayout &face);
void paintDecor(QPainter &p, const FaceLayout &face, const DecorDef &d);

}  // namespace kordex
