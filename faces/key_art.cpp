#include "faces/key_art.h"

#include "faces/face_binding.h"
#include "faces/fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kordex {

namespace {

const QColor kDarkCaption(28, 28, 30);

QColor bodyColor(KeyTone t, Container c)
{
    switch (t) {
    case KeyTone::Blue: return QColor(22, 78, 160);
    case KeyTone::Red: return c == Container::AS1603 ? QColor(200, 28, 32) : QColor(204, 36, 36);
    case KeyTone::White: return QColor(246, 245, 240);
    case KeyTone::Grey: return QColor(186, 189, 194);
    case KeyTone::Green: return QColor(32, 138, 62);
    case KeyTone::Yellow: return QColor(244, 200, 22);
    }
    return Qt::gray;
}

QColor captionColor(KeyTone t)
{
    switch (t) {
    case KeyTone::White:
    case KeyTone::Grey:
    case KeyTone::Yellow: return kDarkCaption;
    default: return Qt::white;
    }
}

struct TextStyle {
    int textPx;   // largest size for words
    int digitPx;  // largest size for a one- or two-character caption
};

TextStyle textStyle(Container c)
{
    switch (c) {
    case Container::AS1603: return {10, 18};
    case Container::AS4428p: return {10, 16};
    default: return {11, 14};
    }
}

QStringList wrapWords(const QStringList &words, const QFontMetricsF &fm, qreal width, bool *fits)
{
    QStringList lines;
    QString cur;
    *fits = true;
    for (const QString &w : words) {
        if (fm.horizontalAdvance(w) > width)
            *fits = false;
        const QString tryLine = cur.isEmpty() ? w : cur + QLatin1Char(' ') + w;
        if (cur.isEmpty() || fm.horizontalAdvance(tryLine) <= width)
            cur = tryLine;
        else {
            lines << cur;
            cur = w;
        }
    }
    if (!cur.isEmpty())
        lines << cur;
    return lines;
}

// Lays the caption out at the largest size that fits `area` and draws it.
void drawCaption(QPainter &p, const QRectF &area, const KeyCaption &cap, const QColor &color,
                 const TextStyle &style)
{
    const QString main = QString::fromLatin1(cap.main.data(), qsizetype(cap.main.size()));
    const QString sub = QString::fromLatin1(cap.sub.data(), qsizetype(cap.sub.size()));
    const QStringList words = main.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const bool oneChar = main.size() == 1;
    const bool sideArrow = cap.arrow != Arrow::None && oneChar && sub.isEmpty();
    const int maxPx = oneChar ? style.digitPx : main.size() <= 3 ? style.textPx + 2 : style.textPx;

    // Largest Arial size that fits; long words then go to Arial Narrow
    // rather than shrinking past legibility.
    // Arial Narrow of a size reads about as well as Arial half a pixel smaller.
    struct Try { FontFamily family; int px; qreal legibility; };
    QList<Try> tries;
    for (int px = maxPx; px >= 6; --px) {
        tries.append({FontFamily::Arial, px, qreal(px)});
        if (px <= style.textPx)
            tries.append({FontFamily::ArialNarrow, px, px - 0.6});
    }
    std::stable_sort(tries.begin(), tries.end(),
                     [](const Try &a, const Try &b) { return a.legibility > b.legibility; });

    QFont mainFont, subFont;
    QStringList lines;
    qreal lineH = 0, subH = 0, arrowH = 0;
    for (const Try &t : tries) {
        const int px = t.px;
        mainFont = panelFont(t.family, px, true);
        const QFontMetricsF fm(mainFont);
        bool fits = true;
        const qreal width = sideArrow ? area.width() - px : area.width();
        lines = wrapWords(words, fm, width, &fits);
        lineH = fm.ascent() + fm.descent() * 0.6;
        const int subPx = std::max(6, int(std::lround(px * 0.85)));
        subFont = panelFont(t.family, subPx, true);
        const QFontMetricsF sfm(subFont);
        subH = sub.isEmpty() ? 0 : sfm.ascent() + sfm.descent() * 0.6 + 1;
        if (!sub.isEmpty() && sfm.horizontalAdvance(sub) > area.width())
            fits = false;
        arrowH = (cap.arrow != Arrow::None && !sideArrow) ? std::max(7.0, px * 1.0) + 2 : 0;
        if (fits && lines.size() * lineH + subH + arrowH <= area.height())
            break;
    }

    p.setPen(color);
    const qreal total = lines.size() * lineH + subH + arrowH;
    qreal y = area.center().y() - total / 2;
    if (sideArrow) {
        const QFontMetricsF fm(mainFont);
        const qreal tw = fm.horizontalAdvance(main);
        const qreal aw = mainFont.pixelSize() * 0.75;
        const qreal gap = 2;
        const qreal x = area.center().x() - (tw + gap + aw) / 2;
        p.setFont(mainFont);
        p.drawText(QRectF(x, y, tw + 1, lineH), Qt::AlignLeft | Qt::AlignVCenter, main);
        drawArrow(p, QRectF(x + tw + gap, y + (lineH - aw) / 2, aw, aw), cap.arrow, color);
        return;
    }
    p.setFont(mainFont);
    for (const QString &l : lines) {
        p.drawText(QRectF(area.left() - 2, y, area.width() + 4, lineH), Qt::AlignHCenter | Qt::AlignVCenter, l);
        y += lineH;
    }
    if (!sub.isEmpty()) {
        p.setFont(subFont);
        p.drawText(QRectF(area.left() - 2, y + 1, area.width() + 4, subH - 1), Qt::AlignHCenter | Qt::AlignVCenter,
                   sub);
        y += subH;
    }
    if (arrowH > 0) {
        const qreal a = arrowH - 2;
        drawArrow(p, QRectF(area.center().x() - a / 2, y + 2, a, a), cap.arrow, color);
    }
}

// The lamp window a key carries (AS 4428 isolate keys), in key coordinates.
QRectF lampOnKey(const KeyDef &k, Container c)
{
    LampHost host;
    switch (c) {
    case Container::AS1603: host = LampHost::AS1603; break;
    case Container::AS4428p: host = LampHost::AS4428p; break;
    case Container::ZR9: host = LampHost::ZR9; break;
    case Container::ZR9FBP: host = LampHost::ZR9FBP; break;
    default: return {};
    }
    const QRect key(k.left, k.top, k.width, k.height);
    for (const LampDef &l : allLamps()) {
        const QRect lr(l.left, l.top, l.width, l.height);
        if (l.host == host && key.contains(lr))
            return QRectF(lr.translated(-k.left, -k.top));
    }
    return {};
}

void bevel(QPainter &p, const QRectF &r, qreal b, const QColor &light, const QColor &dark)
{
    const QPointF tl = r.topLeft(), tr = r.topRight(), bl = r.bottomLeft(), br = r.bottomRight();
    QPolygonF top{tl, tr, tr + QPointF(-b, b), tl + QPointF(b, b), bl + QPointF(b, -b), bl};
    QPolygonF bot{br, bl, bl + QPointF(b, -b), br + QPointF(-b, -b), tr + QPointF(-b, b), tr};
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawPolygon(top);
    p.setBrush(dark);
    p.drawPolygon(bot);
}

// AS 1603: flat square caps with a hard bevel, as on the membrane-and-cap
// keypads of that generation.
void drawSquareKey(QPainter &p, const QSizeF &size, const KeyDef &k, const KeyCaption &cap, bool pressed)
{
    const QRectF r(QPointF(0, 0), size);
    const QColor base = bodyColor(k.tone, Container::AS1603);
    const QColor body = pressed ? base.darker(130) : base;
    p.fillRect(r, QColor(18, 20, 28));
    const QRectF face = r.adjusted(1, 1, -1, -1);
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0, pressed ? body.darker(108) : body.lighter(115));
    g.setColorAt(1, pressed ? body.lighter(104) : body.darker(110));
    p.fillRect(face, g);
    if (pressed)
        bevel(p, face, 2.5, body.darker(165), body.lighter(125));
    else
        bevel(p, face, 2.5, base.lighter(165), base.darker(175));
    const QRectF area = face.adjusted(2.5, 3, -2.5, -3).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    drawCaption(p, area, cap, pressed ? QColor(225, 228, 235) : Qt::white, textStyle(Container::AS1603));
}

// AS 4428 and ZR9: rounded caps standing on the fascia with a soft shadow;
// pressed, the cap sinks, loses its shadow and darkens.
void drawRoundKey(QPainter &p, const QSizeF &size, const KeyDef &k, const KeyCaption &cap, Container c,
                  bool pressed)
{
    const bool as4428 = c == Container::AS4428p;
    const qreal radius = as4428 ? 7 : 4;
    const QRectF r(QPointF(0, 0), size);
    const QColor base = bodyColor(k.tone, c);
    const QColor body = pressed ? base.darker(k.tone == KeyTone::White ? 112 : 124) : base;
    QRectF cap_ = pressed ? r.adjusted(1.5, 1.5, -1, -1) : r.adjusted(0.5, 0.5, -2, -2.5);

    if (!pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRoundedRect(cap_.translated(1.2, 1.8), radius, radius);
        p.setBrush(QColor(0, 0, 0, 35));
        p.drawRoundedRect(cap_.translated(0.6, 0.9).adjusted(0, 0, 1, 1), radius, radius);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius + 1, radius + 1);
    }

    QLinearGradient g(cap_.topLeft(), cap_.bottomLeft());
    if (pressed) {
        g.setColorAt(0, body.darker(110));
        g.setColorAt(1, body.lighter(103));
    } else {
        g.setColorAt(0, body.lighter(k.tone == KeyTone::White ? 100 : 118));
        g.setColorAt(0.55, body);
        g.setColorAt(1, body.darker(116));
    }
    const QColor edge = k.tone == KeyTone::White || k.tone == KeyTone::Grey || k.tone == KeyTone::Yellow
                            ? QColor(70, 70, 72)
                            : body.darker(210);
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawRoundedRect(cap_, radius, radius);
    if (!pressed) {
        p.setPen(QPen(QColor(255, 255, 255, k.tone == KeyTone::White ? 220 : 110), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(cap_.adjusted(1.2, 1.2, -1.2, -1.2), radius - 1, radius - 1);
    } else {
        p.setPen(QPen(QColor(0, 0, 0, 70), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(cap_.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }

    QRectF area = cap_.adjusted(3, 2, -3, -2);
    const QRectF lamp = lampOnKey(k, c);
    if (!lamp.isEmpty()) {
        // A dark window for the lamp; the lamp itself is painted on top.
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(lamp.adjusted(-1.5, -0.5, 1.5, 1.5), 2, 2);
        area.setTop(lamp.bottom() + 2);
    }
    if (pressed)
        area.translate(0, 1);
    QColor text = captionColor(k.tone);
    if (pressed)
        text = text == Qt::white ? QColor(230, 230, 230) : QColor(45, 45, 45);
    drawCaption(p, area, cap, text, textStyle(c));
}

void drawBadge(QPainter &p, const QSizeF &size, const QString &code)
{
    const QRectF r(QPointF(0, 0), size);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(206, 206, 206));
    g.setColorAt(1, QColor(176, 176, 176));
    p.fillRect(r, g);
    bevel(p, r, 1.5, QColor(236, 236, 236), QColor(118, 118, 118));

    QFont codeFont = panelFont(FontFamily::Arial, 19, true, true);
    QFont wordFont = panelFont(FontFamily::Arial, 14, true);
    const QString words = QStringLiteral("Fire Alarm System");
    const qreal cw = QFontMetricsF(codeFont).horizontalAdvance(code);
    const qreal ww = QFontMetricsF(wordFont).horizontalAdvance(words);
    const qreal gap = 8;
    qreal x = (r.width() - cw - gap - ww) / 2;
    const qreal base = r.height() / 2 + QFontMetricsF(codeFont).capHeight() / 2;

    // Outline lettering: the code stroked, hollow inside.
    QPainterPath path;
    path.addText(QPointF(x, base), codeFont, code);
    p.setBrush(QColor(238, 238, 238));
    p.setPen(QPen(QColor(20, 20, 20), 1.1));
    p.drawPath(path);

    p.setPen(QColor(20, 20, 20));
    p.setFont(wordFont);
    p.drawText(QPointF(x + cw + gap, base), words);
}

} // namespace

void drawArrow(QPainter &p, const QRectF &box, Arrow a, const QColor &color)
{
    if (a == Arrow::None)
        return;
    qreal angle = 0;
    switch (a) {
    case Arrow::Right: angle = 0; break;
    case Arrow::Down: angle = 90; break;
    case Arrow::Left: angle = 180; break;
    case Arrow::Up: angle = 270; break;
    case Arrow::None: break;
    }
    // A right-pointing arrow in a unit box centred on the origin.
    QPainterPath path;
    path.moveTo(-0.5, -0.13);
    path.lineTo(0.02, -0.13);
    path.lineTo(0.02, -0.42);
    path.lineTo(0.5, 0);
    path.lineTo(0.02, 0.42);
    path.lineTo(0.02, 0.13);
    path.lineTo(-0.5, 0.13);
    path.closeSubpath();
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.rotate(angle);
    const qreal s = std::min(box.width(), box.height());
    t.scale(s, s);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(t.map(path));
    p.restore();
}

KeyArt::KeyArt()
{
    for (int face : facesWithPictures()) {
        const Container c = containerForFace(face);
        for (const KeyDef &k : faceLayout(c).keys) {
            if (!keyHasPicturesOnFace(k, face))
                continue;
            const QString base = QString::fromLatin1(k.name.data(), qsizetype(k.name.size())) + QString::number(face);
            add(base, {Kind::Key, &k, c, face, false, {}});
            add(base + QLatin1String("CL"), {Kind::Key, &k, c, face, true, {}});
        }
    }
    add(QStringLiteral("PRODNAME1"), {Kind::Badge, nullptr, Container::AS1603, 1, false, QStringLiteral("Q7312")});
    add(QStringLiteral("PRODNAME4"), {Kind::Badge, nullptr, Container::AS1603, 4, false, QStringLiteral("Q6150")});
    add(QStringLiteral("V00BLUE"), {Kind::Blue, nullptr, Container::None, 0, false, {}});
}

void KeyArt::add(const QString &name, const Entry &e)
{
    m_entries.insert(name.toLower(), e);
    m_names << name.toUpper();
}

bool KeyArt::contains(const QString &name) const { return m_entries.contains(name.toLower()); }

QSize KeyArt::size(const QString &name) const
{
    const auto it = m_entries.constFind(name.toLower());
    if (it == m_entries.cend())
        return {};
    switch (it->kind) {
    case Kind::Key: return QSize(it->key->width, it->key->height);
    case Kind::Badge: return QSize(235, 27);
    case Kind::Blue: return QSize(41, 41);
    }
    return {};
}

QPixmap KeyArt::pixmap(const QString &name, qreal dpr)
{
    const QString lower = name.toLower();
    const auto it = m_entries.constFind(lower);
    if (it == m_entries.cend())
        return {};
    if (!(dpr > 0))
        dpr = 1;
    const QString cacheKey = lower + QLatin1Char('@') + QString::number(dpr, 'g', 4);
    if (const auto c = m_cache.constFind(cacheKey); c != m_cache.cend())
        return *c;

    const QSize logical = size(name);
    QPixmap pm(QSize(int(std::ceil(logical.width() * dpr)), int(std::ceil(logical.height() * dpr))));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p, *it);
    }
    m_cache.insert(cacheKey, pm);
    return pm;
}

void KeyArt::draw(QPainter &p, const Entry &e) const
{
    switch (e.kind) {
    case Kind::Blue:
        p.fillRect(QRectF(0, 0, 41, 41), QColor(0, 0, 255));
        return;
    case Kind::Badge:
        drawBadge(p, QSizeF(235, 27), e.badgeCode);
        return;
    case Kind::Key: {
        const QSizeF sz(e.key->width, e.key->height);
        const KeyCaption &cap = captionFor(*e.key, e.face);
        if (e.container == Container::AS1603)
            drawSquareKey(p, sz, *e.key, cap, e.pressed);
        else
            drawRoundKey(p, sz, *e.key, cap, e.container, e.pressed);
        return;
    }
    }
}

KeyArt &keyArt()
{
    static KeyArt art;
    return art;
}

} // namespace kordex
