#include "faces/face_widgets.h"

#include "face_logic/face_binding.h"
#include "face_logic/face_layout.h"
#include "faces/face_art.h"
#include "faces/fonts.h"
#include "faces/key_picture.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kordex {

namespace {

QString latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

int slot(Container c) { return static_cast<int>(c); }

Qt::Alignment alignmentOf(TextAlign a)
{
    switch (a) {
    case TextAlign::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case TextAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlign::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

bool isAs4428LogicKey(const QString &name)
{
    return name == QLatin1String("V11OR") || name == QLatin1String("V11AN") || name == QLatin1String("V11XO") ||
           name == QLatin1String("V11NO");
}

}  // namespace

// ---- KeyWidget ----------------------------------------------------------

// Most keys sit on faces that are never shown: a key draws its picture at
// its first paint and names itself for accessibility when first shown, which
// keeps the program's start quick.
KeyWidget::KeyWidget(const KeyDef &def, int face, QWidget *parent)
    : QWidget(parent),
      name_(latin1(def.name)),
      caption_(def.caption.main),
      code_(def.code),
      face_(face),
      pictureFace_(face)
{
    setObjectName(name_);
    setGeometry(def.left, def.top, def.width, def.height);
}

QSize KeyWidget::sizeHint() const { return size(); }

void KeyWidget::showPicture(bool pressed)
{
    showsPressed_ = pressed;
    pictureFace_ = face_;
    picture_ = QPixmap();
    update();
}

QString KeyWidget::pictureName() const
{
    return resolveKeyResource(keyResourceName(name_, pictureFace_, showsPressed_));
}

void KeyWidget::showEvent(QShowEvent *e)
{
    if (accessibleName().isEmpty())
        setAccessibleName(latin1(caption_));
    QWidget::showEvent(e);
}

void KeyWidget::paintEvent(QPaintEvent *)
{
    // Also when moved to a screen of another pixel ratio.
    if (picture_.isNull() || !qFuzzyCompare(picture_.devicePixelRatio(), devicePixelRatioF()))
        picture_ = keyPicture(name_, pictureFace_, showsPressed_, devicePixelRatioF());
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
}

void KeyWidget::mousePressEvent(QMouseEvent *e)
{
    // Any button presses a key, as on the panel's own membrane; a second
    // button during the press is not a second press.
    e->accept();
    if (down_)
        return;
    down_ = true;
    downButton_ = e->button();
    emit pressed(this);
}

void KeyWidget::mouseReleaseEvent(QMouseEvent *e)
{
    // Qt sends the release to the widget that took the press, wherever the
    // pointer is now. Only the button that pressed releases.
    e->accept();
    if (!down_ || e->button() != downButton_)
        return;
    down_ = false;
    emit released(this);
}

void KeyWidget::mouseDoubleClickEvent(QMouseEvent *e)
{
    // The second click of a double click arrives as this event alone; it is
    // a press like any other.
    mousePressEvent(e);
}

void KeyWidget::hideEvent(QHideEvent *e)
{
    // A face change while a key is held would otherwise swallow the release
    // and leave the hold repeating.
    if (down_) {
        down_ = false;
        emit released(this);
    }
    QWidget::hideEvent(e);
}

// ---- LampWidget ---------------------------------------------------------

LampWidget::LampWidget(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void LampWidget::setColor(const QColor &c)
{
    if (c == color_)
        return;
    color_ = c;
    update();
}

void LampWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(48, 48, 48), 1));
    p.setBrush(color_);
    p.drawEllipse(r);
    // A small glint so the lamp reads as a lens; the middle keeps its colour.
    if (width() >= 9 && height() >= 9) {
        const QRectF glint(r.left() + r.width() * 0.18, r.top() + r.height() * 0.14, r.width() * 0.3,
                           r.height() * 0.26);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, color_ == Qt::white ? 0 : 110));
        p.drawEllipse(glint);
    }
}

// ---- FaceContainer ------------------------------------------------------

FaceContainer::FaceContainer(const FaceLayout &layout, QWidget *parent) : QWidget(parent), layout_(layout)
{
    setObjectName(latin1(layout.name));
    setGeometry(layout.left, layout.top, layout.width, layout.height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Printed legends are dark on the fascia whatever the desktop theme says.
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::WindowText, QColor(24, 24, 26));
        pal.setColor(group, QPalette::Window, fasciaColor(layout.container));
    }
    setPalette(pal);
}

void FaceContainer::paintEvent(QPaintEvent *e)
{
    const qreal dpr = devicePixelRatioF();
    if (background_.isNull() || !qFuzzyCompare(background_.devicePixelRatio(), dpr)) {
        background_ = QPixmap(QSize(qCeil(width() * dpr), qCeil(height() * dpr)));
        background_.setDevicePixelRatio(dpr);
        QPainter bp(&background_);
        paintFaceBackground(bp, layout_);
    }
    QPainter p(this);
    for (const QRect &r : e->region())
        p.drawPixmap(r, background_, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr).toRect());
}

// ---- FaceSet ------------------------------------------------------------

FaceSet::FaceSet(QWidget *parent) : parent_(parent)
{
    auto *nz = new FaceContainer(nzDisplayLayout(), parent);
    // The display only shows state; clicks fall through to nothing.
    nz->setAttribute(Qt::WA_TransparentForMouseEvents);
    nz->hide();
    nz_ = nz;
    build(nzDisplayLayout(), nz);
}

QWidget *FaceSet::make(Container c) const
{
    if (c == Container::None)
        return nullptr;
    if (QWidget *made = containers_[slot(c)])
        return made;
    const FaceLayout &layout = faceLayout(c);
    auto *w = new FaceContainer(layout, parent_);
    w->hide();
    w->lower();  // the faces lie under everything else of the window
    containers_[slot(c)] = w;
    build(layout, w);
    if (onMade)
        onMade(c, w);
    return w;
}

void FaceSet::makeAll()
{
    for (const FaceLayout &layout : faceLayouts())
        make(layout.container);
}

QWidget *FaceSet::madeContainer(Container c) const { return c == Container::None ? nullptr : containers_[slot(c)]; }

void FaceSet::build(const FaceLayout &layout, QWidget *w) const
{
    for (const LabelDef &l : layout.labels) {
        auto *label = new QLabel(latin1(l.text), w);
        label->setObjectName(latin1(l.name));
        label->setGeometry(l.left, l.top, l.width, l.height);
        label->setFont(panelFont(l.family, l.pixelSize, l.bold, l.italic));
        label->setAlignment(alignmentOf(l.align));
        label->setWordWrap(l.wrap);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        labels_.insert(label->objectName(), label);
    }
    for (const PictureDef &pic : layout.pictures) {
        auto *label = new QLabel(w);
        label->setObjectName(latin1(pic.name));
        label->setGeometry(pic.left, pic.top, pic.width, pic.height);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        labels_.insert(label->objectName(), label);
        // The badge is drawn when its face is prepared (prepareFace).
        if (label->objectName() == QLatin1String("ProdName"))
            prodName_ = label;
    }
    for (const KeyDef &k : layout.keys) {
        auto *key = new KeyWidget(k, k.logic ? 4 : layout.naturalFace, w);
        if (k.logic)
            key->hide();
        keys_.insert(key->objectName(), key);
        keysOf_[slot(layout.container)].append(key);
    }
    // Lamps last: some sit on keys and must stay on top of them.
    const LampHost host = lampHostOf(layout.container);
    for (const LampDef &l : allLamps()) {
        if (l.host != host)
            continue;
        auto *lamp = new LampWidget(w);
        lamp->setObjectName(latin1(l.name));
        lamp->setGeometry(l.left, l.top, l.width, l.height);
        if (l.hiddenWhenOff)
            lamp->hide();
        lamps_.emplace(l.name, lamp);
    }
}

QWidget *FaceSet::container(Container c) const { return make(c); }

LampWidget *FaceSet::lamp(std::string_view name) const
{
    auto it = lamps_.find(name);
    if (it == lamps_.end()) {
        const LampDef *def = findLamp(name);
        if (!def)
            return nullptr;
        for (const FaceLayout &layout : faceLayouts())
            if (lampHostOf(layout.container) == def->host)
                make(layout.container);
        it = lamps_.find(name);
    }
    return it == lamps_.end() ? nullptr : it->second;
}

QList<KeyWidget *> FaceSet::keys(Container c) const
{
    make(c);
    return c == Container::None ? QList<KeyWidget *>() : keysOf_[slot(c)];
}

KeyWidget *FaceSet::key(const QString &name) const
{
    make(containerOfKey(name.toStdString()));
    return keys_.value(name);
}

QLabel *FaceSet::label(const QString &name) const
{
    if (QLabel *l = labels_.value(name))
        return l;
    const QByteArray wanted = name.toLatin1();
    const std::string_view n(wanted.constData(), size_t(wanted.size()));
    for (const FaceLayout &layout : faceLayouts()) {
        const bool here =
            std::any_of(layout.labels.begin(), layout.labels.end(), [&](const LabelDef &l) { return l.name == n; }) ||
            std::any_of(layout.pictures.begin(), layout.pictures.end(),
                        [&](const PictureDef &p) { return p.name == n; });
        if (here)
            make(layout.container);
    }
    return labels_.value(name);
}

void FaceSet::setLogicKeysVisible(bool visible)
{
    for (KeyWidget *k : keys(Container::AS1603))
        if (const KeyDef *d = findKeyDef(k->componentName().toStdString()); d && d->logic)
            k->setVisible(visible);
}

void FaceSet::prepareFace(int panelType)
{
    const Container c = containerForFace(panelType);
    if (c == Container::None)
        return;
    const bool face4 = panelType == 4;
    if (c == Container::AS1603) {
        setLogicKeysVisible(face4);
        if (KeyWidget *rp = key(latin1(kRelayPointKey)))
            rp->setKeyCode(face4 ? kRelayKeyCode : kPointKeyCode);
    }
    for (KeyWidget *k : keys(c)) {
        if (c == Container::AS1603 && !face4 && findKeyDef(k->componentName().toStdString())->logic)
            continue;  // hidden on this face; keeps what it had
        k->setFace(panelType);
        // The AS 4428 logic keys keep the pictures they were created with,
        // which are their up pictures anyway.
        if (c == Container::AS4428p && isAs4428LogicKey(k->componentName()))
            continue;
        k->showPicture(false);
    }
    if (c == Container::AS1603 && prodName_)
        prodName_->setPixmap(keyPicture(QStringLiteral("ProdName"), panelType, false, prodName_->devicePixelRatioF()));
}

}  // namespace kordex
