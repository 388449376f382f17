#include "faces/key_art.h"

#include "face_logic/face_binding.h"
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
    int textPx;   // largest size for words (see faceWordPx)
    int digitPx;  // largest size for a one-character caption (digits, letters)
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

// A caption laid out in one font: its lines, and the heights of its parts.
struct CaptionLayout {
    QFont mainFont, subFont;
    QStringList lines;
    qreal lineH = 0, subH = 0, arrowH = 0;
    bool sideArrow = false;
    int face = 0;
    qreal height() const { return lines.size() * lineH + subH + arrowH; }
};

QString latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

bool isWordCaption(const KeyCaption &cap) { return cap.main.size() > 1; }

// Lays the caption out in `family` at `px` pixels; true when it fits `area`.
bool layOut(const QRectF &area, const KeyCaption &cap, FontFamily family, int px, CaptionLayout *out)
{
    const QString main = latin1(cap.main), sub = latin1(cap.sub);
    CaptionLayout &l = *out;
    l.sideArrow = cap.arrow != Arrow::None && main.size() == 1 && sub.isEmpty();
    l.mainFont = panelFont(family, px, true);
    const QFontMetricsF fm(l.mainFont);
    bool fits = true;
    const qreal width = l.sideArrow ? area.width() - px : area.width();
    l.lines = wrapWords(main.split(QLatin1Char(' '), Qt::SkipEmptyParts), fm, width, &fits);
    l.lineH = fm.ascent() + fm.descent() * 0.6;
    const int subPx = std::max(6, int(std::lround(px * 0.85)));
    l.subFont = panelFont(family, subPx, true);
    const QFontMetricsF sfm(l.subFont);
    l.subH = sub.isEmpty() ? 0 : sfm.ascent() + sfm.descent() * 0.6 + 1;
    if (!sub.isEmpty() && sfm.horizontalAdvance(sub) > area.width())
        fits = false;
    l.arrowH = (cap.arrow != Arrow::None && !l.sideArrow) ? std::max(7.0, px * 1.0) + 2 : 0;
    return fits && l.height() <= area.height();
}

// Arial at `px`, else Arial Narrow at the same size (long words go narrow
// rather than smaller); false when neither fits.
bool layOutAt(const QRectF &area, const KeyCaption &cap, int px, CaptionLayout *out)
{
    return layOut(area, cap, FontFamily::Arial, px, out) || layOut(area, cap, FontFamily::ArialNarrow, px, out);
}

// The largest size at which the caption fits, from `maxPx` down; Arial
// Narrow of a size reads about as well as Arial half a pixel smaller.
CaptionLayout layOutLargest(const QRectF &area, const KeyCaption &cap, int maxPx, int narrowFromPx)
{
    struct Try {
        FontFamily family;
        int px;
        qreal legibility;
    };
    QList<Try> tries;
    for (int px = maxPx; px >= 6; --px) {
        tries.append({FontFamily::Arial, px, qreal(px)});
        if (px <= narrowFromPx)
            tries.append({FontFamily::ArialNarrow, px, px - 0.6});
    }
    std::stable_sort(tries.begin(), tries.end(),
                     [](const Try &a, const Try &b) { return a.legibility > b.legibility; });
    CaptionLayout l;
    for (const Try &t : tries)
        if (layOut(area, cap, t.family, t.px, &l))
            break;
    return l;
}

void drawCaption(QPainter &p, const QRectF &area, const KeyCaption &cap, const QColor &color, const CaptionLayout &l)
{
    const QString main = latin1(cap.main), sub = latin1(cap.sub);
    p.setPen(color);
    qreal y = area.center().y() - l.height() / 2;
    if (l.sideArrow) {
        const QFontMetricsF fm(l.mainFont);
        const qreal tw = fm.horizontalAdvance(main);
        const qreal aw = l.mainFont.pixelSize() * 0.75;
        const qreal gap = 2;
        const qreal x = area.center().x() - (tw + gap + aw) / 2;
        p.setFont(l.mainFont);
        p.drawText(QRectF(x, y, tw + 1, l.lineH), Qt::AlignLeft | Qt::AlignVCenter, main);
        drawArrow(p, QRectF(x + tw + gap, y + (l.lineH - aw) / 2, aw, aw), cap.arrow, color);
        return;
    }
    p.setFont(l.mainFont);
    for (const QString &line : l.lines) {
        p.drawText(QRectF(area.left() - 2, y, area.width() + 4, l.lineH), Qt::AlignHCenter | Qt::AlignVCenter, line);
        y += l.lineH;
    }
    if (!sub.isEmpty()) {
        p.setFont(l.subFont);
        p.drawText(QRectF(area.left() - 2, y + 1, area.width() + 4, l.subH - 1), Qt::AlignHCenter | Qt::AlignVCenter,
                   sub);
        y += l.subH;
    }
    if (l.arrowH > 0) {
        const qreal a = l.arrowH - 2;
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

// Where a key's caption goes, in key coordinates: inside the bevel of a
// square cap, inside a round cap and below its lamp window.
QRectF captionArea(const KeyDef &k, Container c, bool pressed)
{
    const QRectF r(0, 0, k.width, k.height);
    if (c == Container::AS1603)
        return r.adjusted(3.5, 4, -3.5, -4).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    const QRectF cap = pressed ? r.adjusted(1.5, 1.5, -1, -1) : r.adjusted(0.5, 0.5, -2, -2.5);
    QRectF area = cap.adjusted(3, 2, -3, -2);
    if (const QRectF lamp = lampOnKey(k, c); !lamp.isEmpty())
        area.setTop(lamp.bottom() + 2);
    return pressed ? area.translated(0, 1) : area;
}

// One size for the word captions of a face, so that no caption looks
// smaller than its neighbours for being longer: the largest, up to the
// face's own, at which nine in ten of them fit (in Arial or, for long
// words, Arial Narrow). The few that fit only smaller shrink on their own;
// digits have their own size.
int faceWordPx(Container c, int face)
{
    static QHash<int, int> known;
    const int id = int(c) * 100 + face;
    if (const auto it = known.constFind(id); it != known.cend())
        return *it;
    const TextStyle style = textStyle(c);
    int px = style.textPx;
    for (; px > 6; --px) {
        int words = 0, misfits = 0;
        for (const KeyDef &k : faceLayout(c).keys) {
            const KeyCaption &cap = captionFor(k, face);
            if (!keyHasPicturesOnFace(k, face) || !isWordCaption(cap))
                continue;
            CaptionLayout l;
            ++words;
            misfits += layOutAt(captionArea(k, c, false), cap, px, &l) ? 0 : 1;
        }
        if (misfits * 10 <= words)
            break;
    }
    known.insert(id, px);
    return px;
}

CaptionLayout captionLayout(const KeyDef &k, Container c, int face, bool pressed)
{
    const KeyCaption &cap = captionFor(k, face);
    const QRectF area = captionArea(k, c, pressed);
    const TextStyle style = textStyle(c);
    CaptionLayout l;
    if (!isWordCaption(cap))
        l = layOutLargest(area, cap, style.digitPx, style.textPx);
    else if (const int px = faceWordPx(c, face); !layOutAt(area, cap, px, &l))
        l = layOutLargest(area, cap, px - 1, style.textPx);
    l.face = face;
    return l;
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
void drawSquareKey(QPainter &p, const QSizeF &size, const KeyDef &k, const CaptionLayout &caption, bool pressed)
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
    drawCaption(p, captionArea(k, Container::AS1603, pressed), captionFor(k, caption.face),
                pressed ? QColor(225, 228, 235) : Qt::white, caption);
}

// AS 4428 and ZR9: rounded caps standing on the fascia with a soft shadow;
// pressed, the cap sinks, loses its shadow and darkens.
void drawRoundKey(QPainter &p, const QSizeF &size, const KeyDef &k, const CaptionLayout &caption, Container c,
                  bool pressed)
{
    const bool as4428 = c == Container::AS4428p;
    const qreal radius = as4428 ? 7 : 4;
    const QRectF r(QPointF(0, 0), size);
    const QColor base = bodyColor(k.tone, c);
    const QColor body = pressed ? base.darker(k.tone == KeyTone::White ? 112 : 124) : base;
    QRectF keyCap = pressed ? r.adjusted(1.5, 1.5, -1, -1) : r.adjusted(0.5, 0.5, -2, -2.5);

    if (!pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRoundedRect(keyCap.translated(1.2, 1.8), radius, radius);
        p.setBrush(QColor(0, 0, 0, 35));
        p.drawRoundedRect(keyCap.translated(0.6, 0.9).adjusted(0, 0, 1, 1), radius, radius);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius + 1, radius + 1);
    }

    QLinearGradient g(keyCap.topLeft(), keyCap.bottomLeft());
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
    p.drawRoundedRect(keyCap, radius, radius);
    if (!pressed) {
        p.setPen(QPen(QColor(255, 255, 255, k.tone == KeyTone::White ? 220 : 110), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(keyCap.adjusted(1.2, 1.2, -1.2, -1.2), radius - 1, radius - 1);
    } else {
        p.setPen(QPen(QColor(0, 0, 0, 70), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(keyCap.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }

    const QRectF lamp = lampOnKey(k, c);
    if (!lamp.isEmpty()) {
        // A dark window for the lamp; the lamp itself is painted on top.
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(lamp.adjusted(-1.5, -0.5, 1.5, 1.5), 2, 2);
    }
    QColor text = captionColor(k.tone);
    if (pressed)
        text = text == Qt::white ? QColor(230, 230, 230) : QColor(45, 45, 45);
    drawCaption(p, captionArea(k, c, pressed), captionFor(k, caption.face), text, caption);
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

}  // namespace

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
    entries_.insert(name.toLower(), e);
    names_ << name.toUpper();
}

bool KeyArt::contains(const QString &name) const { return entries_.contains(name.toLower()); }

QSize KeyArt::size(const QString &name) const
{
    const auto it = entries_.constFind(name.toLower());
    if (it == entries_.cend())
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
    const auto it = entries_.constFind(lower);
    if (it == entries_.cend())
        return {};
    if (!(dpr > 0))
        dpr = 1;
    const QString cacheKey = lower + QLatin1Char('@') + QString::number(dpr, 'g', 4);
    if (const auto c = cache_.constFind(cacheKey); c != cache_.cend())
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
    cache_.insert(cacheKey, pm);
    return pm;
}

void KeyArt::draw(QPainter &p, const Entry &e) const
{
    switch (e.kind) {
    case Kind::Blue: p.fillRect(QRectF(0, 0, 41, 41), QColor(0, 0, 255)); return;
    case Kind::Badge: drawBadge(p, QSizeF(235, 27), e.badgeCode); return;
    case Kind::Key: {
        const QSizeF sz(e.key->width, e.key->height);
        const CaptionLayout caption = captionLayout(*e.key, e.container, e.face, e.pressed);
        if (e.container == Container::AS1603)
            drawSquareKey(p, sz, *e.key, caption, e.pressed);
        else
            drawRoundKey(p, sz, *e.key, caption, e.container, e.pressed);
        return;
    }
    }
}

int KeyArt::captionPixelSize(const QString &name) const
{
    const auto it = entries_.constFind(name.toLower());
    if (it == entries_.cend() || it->kind != Kind::Key)
        return 0;
    return captionLayout(*it->key, it->container, it->face, it->pressed).mainFont.pixelSize();
}

KeyArt &keyArt()
{
    static KeyArt art;
    return art;
}

}  // namespace kordex
