#pragma once
// The key and badge pictures, drawn by our own code. Every picture has a
// resource name; pixmaps are drawn on first use for a device pixel ratio and
// kept. Use from the GUI thread only.
#include "face_logic/face_layout.h"

#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

namespace kordex {

class KeyArt {
public:
    KeyArt();

    bool contains(const QString &name) const;
    // All resource names, upper case, in table order.
    QStringList names() const { return names_; }
    QSize size(const QString &name) const;  // logical pixels; empty if unknown
    // Null pixmap for an unknown name.
    QPixmap pixmap(const QString &name, qreal dpr);
    // The pixel size of a key picture's main caption; 0 for no key picture.
    int captionPixelSize(const QString &name) const;

private:
    enum class Kind { Key, Badge, Blue };
    struct Entry {
        Kind kind;
        const KeyDef *key;
        Container container;
        int face;
        bool pressed;
        QString badgeCode;  // "Q7312"
    };
    void add(const QString &name, const Entry &e);
    void draw(QPainter &p, const Entry &e) const;

    QHash<QString, Entry> entries_;  // by lower-case name
    QStringList names_;
    QHash<QString, QPixmap> cache_;  // by lower-case name + dpr
};

KeyArt &keyArt();

// Pieces of the drawing that the faces use as well.
void drawArrow(QPainter &p, const QRectF &box, Arrow a, const QColor &color);

}  // namespace kordex
