#pragma once
// The widgets of the panel faces: keys (pictures swapped on press and
// release), lamps (filled shapes) and the face containers with their legends
// and drawings, all built from the face tables.
#include "core/engine_view.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>
#include <string_view>
#include <unordered_map>

class QLabel;

namespace kordex {

struct KeyDef;
struct FaceLayout;

class KeyWidget : public QWidget {
    Q_OBJECT
public:
    KeyWidget(const KeyDef &def, int face, QWidget *parent);

    QString componentName() const { return name_; }
    int keyCode() const { return code_; }
    void setKeyCode(int code) { code_ = code; }

    // Which face's pictures the key uses. Does not change the picture shown.
    void setFace(int panelType) { face_ = panelType; }
    int face() const { return face_; }
    // Loads keyPicture(name, face, pressed) into the key.
    void showPicture(bool pressed);

    // What the key shows now: the resource name after fallback, and whether
    // it is the pressed picture.
    QString pictureName() const;
    bool showsPressed() const { return showsPressed_; }
    bool isDown() const { return down_; }

    QSize sizeHint() const override;

signals:
    // Any mouse button presses.
    void pressed(kordex::KeyWidget *key);
    // Reaches the pressed key even when the pointer has left it, and also
    // when the key is hidden while held, so no hold is left running.
    void released(kordex::KeyWidget *key);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;

private:
    QString name_;
    std::string_view caption_;
    int code_;
    int face_;
    int pictureFace_;  // the face of the picture shown
    bool showsPressed_ = false;
    bool down_ = false;
    Qt::MouseButton downButton_ = Qt::NoButton;
    QPixmap picture_;  // drawn at the first paint
};

// A lamp: a filled circle or ellipse with a thin dark outline, white when off.
class LampWidget : public QWidget {
    Q_OBJECT
public:
    explicit LampWidget(QWidget *parent = nullptr);
    void setColor(const QColor &c);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor color_ = Qt::white;
};

// A face container or the New Zealand display: paints its fascia and
// drawings from the face table, behind its keys, lamps and legends.
class FaceContainer : public QWidget {
    Q_OBJECT
public:
    FaceContainer(const FaceLayout &layout, QWidget *parent);
    const FaceLayout &layout() const { return layout_; }

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override { background_ = QPixmap(); }

private:
    const FaceLayout &layout_;
    QPixmap background_;
};

class FaceSet {
public:
    // The four face containers AS1603, AS4428p, ZR9, ZR9FBP and NZDisplay
    // become hidden children of `parent` at their rectangles, each object
    // named after its component. NZDisplay is made at once; a face container
    // when something of it is first asked for (or by makeAll()), below its
    // siblings, so the program's start does not wait for faces it may never
    // show.
    explicit FaceSet(QWidget *parent);
    FaceSet(const FaceSet &) = delete;
    FaceSet &operator=(const FaceSet &) = delete;

    // Runs for each face container as it is made, after its children.
    std::function<void(Container, QWidget *)> onMade;
    void makeAll();
    // Null while that container has not been made.
    QWidget *madeContainer(Container c) const;

    QWidget *container(Container c) const;
    QWidget *nzDisplay() const { return nz_; }
    LampWidget *lamp(std::string_view name) const;
    QList<KeyWidget *> keys(Container c) const;
    KeyWidget *key(const QString &name) const;
    // Legends and badges by component name, "ProdName" included.
    QLabel *label(const QString &name) const;

    // Face preparation: the up pictures of that face's keys; on the AS 1603
    // face the logic keys, the POINT/RELAY code and the badge follow the face.
    void prepareFace(int panelType);
    void setLogicKeysVisible(bool visible);

private:
    QWidget *make(Container c) const;
    void build(const FaceLayout &layout, QWidget *w) const;

    QWidget *parent_;
    mutable QWidget *containers_[5] = {};  // by Container
    QWidget *nz_ = nullptr;
    mutable QHash<QString, KeyWidget *> keys_;
    mutable QList<KeyWidget *> keysOf_[5];
    mutable QHash<QString, QLabel *> labels_;
    mutable std::unordered_map<std::string_view, LampWidget *> lamps_;
    mutable QLabel *prodName_ = nullptr;
};

}  // namespace kordex
