#include "faces/face_art.h"

#include "face_logic/face_binding.h"
#include "faces/fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kordex {

namespace {

const QColor kInk(32, 32, 34);
const QColor kFireRed(200, 24, 28);

QString latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

QRectF rectOf(const DecorDef &d) { return QRectF(d.left, d.top, d.width, d.height); }

// An engraved rounded outline: a dark line with a light line just inside.
void drawFrame(QPainter &p, const QRectF &r, qreal radius, const QColor &fascia)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(fascia.lighter(118), 1));
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(fascia.darker(165), 1.2));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -1.5, -1.5), radius, radius);
}

void drawBezel(QPainter &p, const QRectF &r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(44, 46, 50));
    g.setColorAt(1, QColor(24, 25, 28));
    p.setPen(QPen(QColor(12, 12, 14), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(QPen(QColor(90, 92, 96), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
}

void drawSocket(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(QColor(70, 70, 70), 0.8));
    p.setBrush(QColor(226, 226, 222));
    p.drawEllipse(r);
}

// A block of zone lamps with write-in strips, as fitted beside the keypad.
void drawLampArray(QPainter &p, const FaceLayout &face, const DecorDef &d)
{
    const QRectF r = rectOf(d);
    p.setPen(QPen(QColor(72, 72, 74), 1));
    p.setBrush(QColor(214, 215, 212));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);

    // Header strip; sockets for any status lamp that sits on it.
    const QRectF head(r.left() + 3, r.top() + 3, r.width() - 6, 34);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 238, 234));
    p.drawRoundedRect(head, 3, 3);
    for (const LampDef &l : allLamps()) {
        const QRectF lr(l.left, l.top, l.width, l.height);
        if (l.host == lampHostOf(face.container) && head.contains(lr))
            drawSocket(p, lr.adjusted(-0.5, -0.5, 0.5, 0.5));
    }
    p.setPen(kInk);
    p.setFont(panelFont(FontFamily::ArialNarrow, 9, true));
    p.drawText(QRectF(head.left(), head.top() + 2, head.width(), 11), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("ZONES"));

    const qreal rowH = 13;
    for (qreal y = r.top() + 44; y + rowH <= r.bottom() - 4; y += rowH) {
        drawSocket(p, QRectF(r.left() + 5, y + 3, 7, 7));
        drawSocket(p, QRectF(r.left() + 14, y + 3, 7, 7));
        const QRectF strip(r.left() + 24, y + 1.5, r.width() - 29, rowH - 3);
        p.setPen(QPen(QColor(170, 170, 166), 0.8));
        p.setBrush(QColor(250, 250, 246));
        p.drawRect(strip);
    }
}

void drawFireSign(QPainter &p, const DecorDef &d)
{
    const QRectF r = rectOf(d);
    p.setPen(QPen(kFireRed, 2));
    p.setBrush(QColor(250, 246, 240));
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 4, 4);
    QFont f = panelFont(FontFamily::Arial, int(r.height() * 0.68), true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(f);
    p.setPen(kFireRed);
    p.drawText(r, Qt::AlignCenter, latin1(d.text));
}

void drawLegend(QPainter &p, const DecorDef &d)
{
    const QRectF r = rectOf(d);
    const QString text = latin1(d.text);
    p.setPen(kInk);
    if (!text.contains(QLatin1Char('|'))) {
        p.setFont(panelFont(FontFamily::ArialNarrow, 11, true));
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
        return;
    }
    const QFont f = panelFont(FontFamily::ArialNarrow, 9, true);
    p.setFont(f);
    const QFontMetricsF fm(f);
    for (const QString &group : text.split(QLatin1Char('\n'))) {
        const QStringList parts = group.split(QLatin1Char('|'));
        qreal top = 1e9, bottom = -1e9;
        // The bracket goes midway between the title and the items, so it
        // touches neither whatever the font's widths.
        qreal titleRight = r.left(), itemsLeft = r.right();
        for (const QString &w : parts[0].split(QLatin1Char(' ')))
            titleRight = std::max(titleRight, r.left() + fm.boundingRect(w).right());
        for (int i = 1; i < parts.size(); ++i)
            itemsLeft = std::min(itemsLeft, r.right() - fm.horizontalAdvance(parts[i].section(QLatin1Char('='), 1)));
        for (int i = 1; i < parts.size(); ++i) {
            const QString lampName = parts[i].section(QLatin1Char('='), 0, 0);
            const QString item = parts[i].section(QLatin1Char('='), 1);
            const LampDef *l = findLamp(lampName.toStdString());
            if (!l)
                continue;
            const qreal cy = l->top + l->height / 2.0;
            top = std::min(top, cy - 6);
            bottom = std::max(bottom, cy + 6);
            p.drawText(QRectF(r.left(), cy - 6, r.width(), 12), Qt::AlignRight | Qt::AlignVCenter, item);
        }
        if (top > bottom)
            continue;
        // Title on the left, split over two lines, with a bracket toward the items.
        const QString title = parts[0];
        const QStringList words = title.split(QLatin1Char(' '));
        const qreal lh = 11;
        const qreal y0 = (top + bottom) / 2 - lh * words.size() / 2;
        for (int i = 0; i < words.size(); ++i)
            p.drawText(QRectF(r.left(), y0 + i * lh, r.width(), lh), Qt::AlignLeft | Qt::AlignVCenter, words[i]);
        const qreal bx = std::round((titleRight + itemsLeft) / 2 - 1.5) + 0.5;
        p.setPen(QPen(kInk, 1));
        p.drawLine(QPointF(bx, top + 2), QPointF(bx, bottom - 2));
        p.drawLine(QPointF(bx, top + 2), QPointF(bx + 3, top + 2));
        p.drawLine(QPointF(bx, bottom - 2), QPointF(bx + 3, bottom - 2));
    }
}

// The fascia shades gently from top to bottom, like a lit moulding.
QBrush fasciaBrush(const FaceLayout &face)
{
    const QColor fascia = fasciaColor(face.container);
    QLinearGradient g(QPointF(0, 0), QPointF(0, face.height));
    g.setColorAt(0, fascia.lighter(104));
    g.setColorAt(1, fascia.darker(104));
    return g;
}

}  // namespace

QColor fasciaColor(Container c)
{
    switch (c) {
    case Container::AS1603: return QColor(226, 223, 212);
    case Container::AS4428p: return QColor(224, 222, 214);
    case Container::ZR9:
    case Container::ZR9FBP: return QColor(196, 198, 200);
    case Container::None: break;
    }
    return QColor(212, 212, 210);
}

void paintDecor(QPainter &p, const FaceLayout &face, const DecorDef &d)
{
    const QColor fascia = fasciaColor(face.container);
    const QRectF r = rectOf(d);
    switch (d.kind) {
    case DecorKind::Frame: drawFrame(p, r, 6, fascia); break;
    case DecorKind::Bezel: drawBezel(p, r); break;
    case DecorKind::PlainRect: p.fillRect(r, fasciaBrush(face)); break;
    case DecorKind::Banner: {
        QFont f = panelFont(FontFamily::Arial, 13, true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        p.setFont(f);
        p.setPen(kFireRed);
        p.drawText(r, Qt::AlignCenter, latin1(d.text));
        break;
    }
    case DecorKind::BrigadeOutline: {
        p.setPen(Qt::NoPen);
        p.setBrush(fascia.lighter(107));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 10, 10);
        p.setPen(QPen(kFireRed, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 10, 10);
        break;
    }
    case DecorKind::FireSign: drawFireSign(p, d); break;
    case DecorKind::Legend: drawLegend(p, d); break;
    case DecorKind::LampArray: drawLampArray(p, face, d); break;
    case DecorKind::Bar: p.fillRect(r, QColor(70, 72, 76)); break;
    }
}

void paintFaceBackground(QPainter &p, const FaceLayout &face)
{
    const QRectF all(0, 0, face.width, face.height);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(all, fasciaBrush(face));
    if (face.container == Container::None) {
        // The small status display is a raised plate of its own.
        p.setPen(QPen(QColor(250, 250, 250), 1));
        p.drawLine(QPointF(0.5, 0.5), QPointF(all.right() - 0.5, 0.5));
        p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, all.bottom() - 0.5));
        p.setPen(QPen(QColor(110, 110, 110), 1));
        p.drawLine(QPointF(all.right() - 0.5, 0.5), QPointF(all.right() - 0.5, all.bottom() - 0.5));
        p.drawLine(QPointF(0.5, all.bottom() - 0.5), QPointF(all.right() - 0.5, all.bottom() - 0.5));
    }
    for (const DecorDef &d : face.decor)
        paintDecor(p, face, d);
    // Each lamp sits in a small dark bezel; lamps on keys have theirs on the
    // key picture, and the hidden status lamps their sockets on the array.
    const QColor ring = fasciaColor(face.container).darker(150);
    for (const LampDef &l : allLamps()) {
        if (l.host != lampHostOf(face.container) || l.hiddenWhenOff)
            continue;
        if (face.container == Container::AS4428p && (l.name == "Ebi_4428" || l.name == "Wsi_4428"))
            continue;
        const QRectF lr(l.left, l.top, l.width, l.height);
        p.setPen(QPen(fasciaColor(face.container).lighter(115), 1));
        p.setBrush(ring);
        p.drawEllipse(lr.adjusted(-1.6, -1.6, 1.6, 1.6));
    }
    p.restore();
}

}  // namespace kordex
