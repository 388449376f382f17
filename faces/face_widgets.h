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

    QString componentName() const { return m_name; }
    int keyCode() const { return m_code; }
    void setKeyCode(int code) { m_code = code; }

    // Which face's pictures the key uses. Does not change the picture shown.
    void setFace(int panelType) { m_face = panelType; }
    int face() const { return m_face; }
    // Loads KeyPicture(name, face, pressed) into the key.
    void showPicture(bool pressed);

    // What the key shows now: the resource name after fallback, and whether
    // it is the pressed picture.
    QString pictureName() const;
    bool showsPressed() const { return m_showsPressed; }
    bool isDown() const { return m_down; }

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
    QString m_name;
    std::string_view m_caption;
    int m_code;
    int m_face;
    int m_pictureFace;  // the face of the picture shown
    bool m_showsPressed = false;
    bool m_down = false;
    Qt::MouseButton m_downButton = Qt::NoButton;
    QPixmap m_picture;  // drawn at the first paint
};

// A lamp: a filled circle or ellipse with a thin dark outline, white when off.
class LampWidget : public QWidget {
    Q_OBJECT
public:
    explicit LampWidget(QWidget *parent = nullptr);
    void setColor(const QColor &c);
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_color = Qt::white;
};

// A face container or the New Zealand display: paints its fascia and
// drawings from the face table, behind its keys, lamps and legends.
class FaceContainer : public QWidget {
    Q_OBJECT
public:
    FaceContainer(const FaceLayout &layout, QWidget *parent);
    const FaceLayout &layout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override { m_background = QPixmap(); }

private:
    const FaceLayout &m_layout;
    QPixmap m_background;
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
    QWidget *nzDisplay() const { return m_nz; }
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

    QWidget *m_parent;
    mutable QWidget *m_containers[5] = {};  // by Container
    QWidget *m_nz = nullptr;
    mutable QHash<QString, KeyWidget *> m_keys;
    mutable QList<KeyWidget *> m_keysOf[5];
    mutable QHash<QString, QLabel *> m_labels;
    mutable std::unordered_map<std::string_view, LampWidget *> m_lamps;
    mutable QLabel *m_prodName = nullptr;
};

}  // namespace kordex
