// The face tables, the key pictures and the widgets built from them.
#include "face_logic/face_binding.h"
#include "face_logic/face_layout.h"
#include "faces/face_widgets.h"
#include "faces/fonts.h"
#include "faces/key_art.h"
#include "faces/key_picture.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <set>

using namespace kordex;

namespace {

QString latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

int visibleKeys(const FaceSet &fs, Container c)
{
    int n = 0;
    for (KeyWidget *k : fs.keys(c))
        n += k->isVisibleTo(fs.container(c)) ? 1 : 0;
    return n;
}

// The container of each LampHost, in its order.
const char *const kHosts[] = {"AS1603", "AS4428p", "ZR9", "ZR9FBP", "NZDisplay"};

QImage image(const QPixmap &pm) { return pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied); }

}  // namespace

class TestFaces : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void tablesAreConsistent();
    void keyCounts();

    void resourceNames_data();
    void resourceNames();
    void resourceNamesIgnoreCase();
    void everyFaceKeyHasBothPictures();
    void picturesAreDistinct();
    void wordCaptionsShareTheFaceSize_data();
    void wordCaptionsShareTheFaceSize();
    void picturesFollowPixelRatio();
    void keysPaintAtScreenPixelRatio();

    void lampsFollowBindingTable();
    void labelsFitTheirText();
    void fontsAreTheLiberationTwins();

    void prepareAs1603Faces();
    void prepareOtherFaces();
    void keyPressAndRelease();
    void releaseReachesKeyOutsidePointer();
    void hidingHeldKeyReleasesIt();

private:
    QWidget *window_ = nullptr;
    FaceSet *faces_ = nullptr;
};

void TestFaces::initTestCase()
{
    window_ = new QWidget;
    window_->resize(790, 544);
    faces_ = new FaceSet(window_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void TestFaces::cleanup()
{
    for (Container c : {Container::AS1603, Container::AS4428p, Container::ZR9, Container::ZR9FBP})
        faces_->container(c)->hide();
}

// Layout slips that a reader of the tables would not notice: duplicate
// names, keys outside their container, keys covering each other.
void TestFaces::tablesAreConsistent()
{
    std::set<std::string_view> names;
    for (const FaceLayout &f : faceLayouts()) {
        const QRect box(0, 0, f.width, f.height);
        for (size_t i = 0; i < f.keys.size(); ++i) {
            const KeyDef &a = f.keys[i];
            QVERIFY2(names.insert(a.name).second, a.name.data());
            const QRect ra(a.left, a.top, a.width, a.height);
            QVERIFY2(box.contains(ra), a.name.data());
            for (size_t j = i + 1; j < f.keys.size(); ++j) {
                const KeyDef &b = f.keys[j];
                QVERIFY2(!ra.intersects(QRect(b.left, b.top, b.width, b.height)),
                         qPrintable(latin1(a.name) + " overlaps " + latin1(b.name)));
            }
        }
        for (const LabelDef &l : f.labels) {
            const QRect rl(l.left, l.top, l.width, l.height);
            QVERIFY2(box.contains(rl), l.name.data());
            for (const KeyDef &k : f.keys)
                QVERIFY2(!rl.intersects(QRect(k.left, k.top, k.width, k.height)),
                         qPrintable(latin1(l.name) + " covers " + latin1(k.name)));
        }
    }
    // Only the two isolate keys of the AS 4428 face carry a lamp.
    for (const LampDef &l : allLamps()) {
        const std::string_view host = kHosts[int(l.host)];
        for (const FaceLayout &f : faceLayouts()) {
            if (f.name != host)
                continue;
            QVERIFY2(QRect(0, 0, f.width, f.height).contains(QRect(l.left, l.top, l.width, l.height)), l.name.data());
            for (const KeyDef &k : f.keys) {
                const bool onKey =
                    QRect(l.left, l.top, l.width, l.height).intersects(QRect(k.left, k.top, k.width, k.height));
                const bool designed =
                    (l.name == "Ebi_4428" && k.name == "V11BI") || (l.name == "Wsi_4428" && k.name == "V11WS");
                QVERIFY2(onKey == designed, qPrintable(latin1(l.name) + " / " + latin1(k.name)));
            }
        }
    }
}

void TestFaces::keyCounts()
{
    QCOMPARE(faces_->keys(Container::AS1603).size(), 34);
    QCOMPARE(faces_->keys(Container::AS4428p).size(), 35);
    QCOMPARE(faces_->keys(Container::ZR9).size(), 28);
    QCOMPARE(faces_->keys(Container::ZR9FBP).size(), 29);
    QCOMPARE(faces_->keys(Container::None).size(), 0);

    const struct {
        Container c;
        QRect r;
    } boxes[] = {
        {Container::AS1603, {0, 0, 793, 329}},
        {Container::AS4428p, {-1, 0, 801, 329}},
        {Container::ZR9, {-1, 0, 794, 329}},
        {Container::ZR9FBP, {0, 0, 794, 361}},
    };
    for (const auto &b : boxes) {
        QWidget *w = faces_->container(b.c);
        QVERIFY(w);
        QCOMPARE(w->objectName(), QString::fromLatin1(containerName(b.c)));
        QCOMPARE(w->geometry(), b.r);
        QVERIFY(w->isHidden());
    }
    QCOMPARE(faces_->nzDisplay()->objectName(), QStringLiteral("NZDisplay"));
    QCOMPARE(faces_->nzDisplay()->geometry(), QRect(600, 12, 78, 41));
}

void TestFaces::resourceNames_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<int>("face");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("up face 1") << "V01ZO" << 1 << false << "V01ZO1";
    QTest::newRow("pressed face 1") << "V01ZO" << 1 << true << "V01ZO1CL";
    QTest::newRow("face 2 has none") << "V01ZO" << 2 << false << "V00BLUE";
    QTest::newRow("face 3 pressed") << "V01ZO" << 3 << true << "V00BLUE";
    QTest::newRow("logic key face 1") << "V01OR" << 1 << false << "V00BLUE";
    QTest::newRow("logic key face 1 pressed") << "V01NO" << 1 << true << "V00BLUE";
    QTest::newRow("logic key face 4") << "V01OR" << 4 << true << "V01OR4CL";
    QTest::newRow("AS4428") << "V11ZO" << 5 << false << "V11ZO5";
    QTest::newRow("ZR9 digit") << "ZR9K1" << 6 << false << "ZR9K16";
    QTest::newRow("FBP digit") << "ZR9FBP_K1" << 7 << false << "ZR9FBP_K17";
    QTest::newRow("ZR9 key on FBP face") << "ZR9K1" << 7 << false << "V00BLUE";
    QTest::newRow("AS key on face 0") << "V01ZO" << 0 << false << "V00BLUE";
    QTest::newRow("face 12 is not face 1") << "V01ZO" << 12 << false << "V00BLUE";
    QTest::newRow("badge face 1") << "ProdName" << 1 << false << "PRODNAME1";
    QTest::newRow("badge face 4") << "ProdName" << 4 << false << "PRODNAME4";
    QTest::newRow("badge face 2") << "ProdName" << 2 << false << "V00BLUE";
    QTest::newRow("unknown") << "Nothing" << 1 << false << "V00BLUE";
}

void TestFaces::resourceNames()
{
    QFETCH(QString, component);
    QFETCH(int, face);
    QFETCH(bool, pressed);
    QFETCH(QString, shown);
    QCOMPARE(resolveKeyResource(keyResourceName(component, face, pressed)).toUpper(), shown);
    const QPixmap pm = keyPicture(component, face, pressed);
    QCOMPARE(image(pm), image(keyArt().pixmap(shown, 1.0)));
}

void TestFaces::resourceNamesIgnoreCase()
{
    for (const char *n : {"v01zo1cl", "V01zo1CL", "zr9fbp_k17", "ProdName4", "v00blue", "zr9k16"})
        QVERIFY2(hasKeyResource(QString::fromLatin1(n)), n);
    QCOMPARE(image(keyPicture("v01zo", 1, true)), image(keyPicture("V01ZO", 1, true)));
    QCOMPARE(image(keyPicture("zr9fbp_di", 7, false)), image(keyPicture("ZR9FBP_DI", 7, false)));
    QVERIFY(!hasKeyResource("V01OR1"));
    QVERIFY(!hasKeyResource("PRODNAME2"));
}

// Faces 1, 4, 5, 6 and 7 have an up and a pressed picture for each of their
// keys, of the key's size, and the pressed one looks different.
void TestFaces::everyFaceKeyHasBothPictures()
{
    int pictures = 0;
    for (int face : {1, 4, 5, 6, 7}) {
        const FaceLayout &f = faceLayout(containerForFace(face));
        for (const KeyDef &k : f.keys) {
            const QString up = keyResourceName(latin1(k.name), face, false);
            const QString down = keyResourceName(latin1(k.name), face, true);
            if (face == 1 && k.logic) {
                QVERIFY2(!hasKeyResource(up) && !hasKeyResource(down), qPrintable(up));
                continue;
            }
            QVERIFY2(hasKeyResource(up), qPrintable(up));
            QVERIFY2(hasKeyResource(down), qPrintable(down));
            const QPixmap u = keyArt().pixmap(up, 1.0), d = keyArt().pixmap(down, 1.0);
            QCOMPARE(u.size(), QSize(k.width, k.height));
            QCOMPARE(d.size(), u.size());
            QVERIFY2(image(u) != image(d), qPrintable(up));
            pictures += 2;
        }
    }
    QCOMPARE(pictures, (30 + 34 + 35 + 28 + 29) * 2);
    QCOMPARE(keyArt().names().size(), pictures + 3);  // two badges and the blue square
    QCOMPARE(keyArt().pixmap("PRODNAME1", 1).size(), QSize(235, 27));
    QCOMPARE(keyArt().pixmap("V00BLUE", 1).size(), QSize(41, 41));
    QVERIFY(image(keyArt().pixmap("PRODNAME1", 1)) != image(keyArt().pixmap("PRODNAME4", 1)));
}

// Every key of a face shows its own caption: no two up pictures of one face
// are the same, and a caption that changes with the face changes the picture.
void TestFaces::picturesAreDistinct()
{
    for (int face : {1, 4, 5, 6, 7}) {
        QHash<QByteArray, QString> seen;
        for (const KeyDef &k : faceLayout(containerForFace(face)).keys) {
            if (face == 1 && k.logic)
                continue;
            const QImage img = image(keyPicture(latin1(k.name), face, false));
            const QByteArray bytes(reinterpret_cast<const char *>(img.constBits()), img.sizeInBytes());
            const QByteArray key = QByteArray::number(img.width()) + 'x' + bytes;
            QVERIFY2(!seen.contains(key), qPrintable(latin1(k.name) + " looks like " + seen.value(key)));
            seen.insert(key, latin1(k.name));
        }
    }
    QVERIFY(image(keyPicture("V01RP", 1, false)) != image(keyPicture("V01RP", 4, false)));
    QVERIFY(image(keyPicture("V01TE", 1, false)) != image(keyPicture("V01TE", 4, false)));
    QCOMPARE(image(keyPicture("V01ZO", 1, false)), image(keyPicture("V01ZO", 4, false)));
}

void TestFaces::wordCaptionsShareTheFaceSize_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<QStringList>("keys");  // short and long captions of that face, all fitting
    QTest::newRow("AS 1603") << 1 << QStringList{"V01SY", "V01RC", "V01CE", "V01SE", "V01AK", "V01ZO"};
    QTest::newRow("AS 4428") << 5 << QStringList{"V11SY", "V11RC", "V11SE", "V11AK", "V11AT", "V11IF"};
}

// One size for the word captions of a face: a longer caption does not come
// out smaller than a short one beside it (long words go narrow instead), and
// at most one in ten, which fits at no such size, is smaller.
void TestFaces::wordCaptionsShareTheFaceSize()
{
    QFETCH(int, face);
    QFETCH(QStringList, keys);
    QMap<int, int> sizes;  // pixel size -> captions
    int words = 0;
    const Container c = containerForFace(face);
    for (const KeyDef &k : faceLayout(c).keys) {
        if (!keyHasPicturesOnFace(k, face) || captionFor(k, face).main.size() < 2)
            continue;
        ++words;
        ++sizes[keyArt().captionPixelSize(
            keyResourceName(QString::fromLatin1(k.name.data(), k.name.size()), face, false))];
    }
    const int faceSize = sizes.lastKey();
    QVERIFY2((words - sizes[faceSize]) * 10 <= words, qPrintable(QString::number(words - sizes[faceSize])));
    for (const QString &key : keys)
        QCOMPARE(keyArt().captionPixelSize(keyResourceName(key, face, false)), faceSize);
}

void TestFaces::picturesFollowPixelRatio()
{
    const QPixmap one = keyPicture("ZR9SW", 6, false, 1.0);
    const QPixmap two = keyPicture("ZR9SW", 6, false, 2.0);
    QCOMPARE(two.devicePixelRatio(), 2.0);
    QCOMPARE(two.size(), one.size() * 2);
    QCOMPARE(two.deviceIndependentSize(), QSizeF(one.size()));
    const QPixmap odd = keyPicture("V01ZO", 1, false, 1.5);
    QCOMPARE(odd.deviceIndependentSize().toSize(), QSize(41, 41));
}

// Run also with QT_SCALE_FACTOR=2: the key copies a picture drawn for the
// screen's ratio pixel for pixel, never a scaled-up 1x picture.
void TestFaces::keysPaintAtScreenPixelRatio()
{
    QWidget *c = faces_->container(Container::AS1603);
    faces_->prepareFace(1);
    c->show();
    KeyWidget *k = faces_->key("V01AK");
    const qreal dpr = k->devicePixelRatioF();
    const QImage shot = k->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(shot.devicePixelRatio(), dpr);
    QImage want = image(keyPicture("V01AK", 1, false, dpr));
    want.setDevicePixelRatio(dpr);
    QCOMPARE(shot, want);
}

void TestFaces::lampsFollowBindingTable()
{
    int count = 0;
    for (const LampDef &l : allLamps()) {
        LampWidget *w = faces_->lamp(l.name);
        QVERIFY2(w, l.name.data());
        QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(kHosts[int(l.host)]));
        QCOMPARE(w->objectName(), latin1(l.name));
        QCOMPARE(w->geometry(), QRect(l.left, l.top, l.width, l.height));
        QCOMPARE(w->isHidden(), l.hiddenWhenOff);
        QCOMPARE(w->color(), QColor(Qt::white));
        // Lamps lying on a key must be above it and must not eat its clicks.
        QVERIFY(w->testAttribute(Qt::WA_TransparentForMouseEvents));
        ++count;
    }
    QCOMPARE(count, int(allLamps().size()));
    QVERIFY(!faces_->lamp("NoSuchLamp"));

    // The lamp on the EXTERNAL BELL ISOLATE key is painted over the key.
    QWidget *as4428 = faces_->container(Container::AS4428p);
    QVERIFY(as4428->children().indexOf(faces_->lamp("Ebi_4428")) > as4428->children().indexOf(faces_->key("V11BI")));

    LampWidget *lamp = faces_->lamp("FFAlm_1603");
    lamp->setColor(QColor(255, 0, 0));
    QCOMPARE(lamp->color(), QColor(255, 0, 0));
    const QImage shot = lamp->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2 + 2), QColor(255, 0, 0));
    lamp->setColor(Qt::white);
}

// A legend that does not fit its rectangle is cut off on screen.
void TestFaces::labelsFitTheirText()
{
    std::vector<const FaceLayout *> layouts{&nzDisplayLayout()};
    for (const FaceLayout &f : faceLayouts())
        layouts.push_back(&f);
    for (const FaceLayout *f : layouts) {
        for (const LabelDef &l : f->labels) {
            const QFontMetrics fm(panelFont(l.family, l.pixelSize, l.bold, l.italic));
            const int flags = l.wrap ? int(Qt::TextWordWrap) : 0;
            const QRect need = fm.boundingRect(QRect(0, 0, l.width, 1000), flags, latin1(l.text));
            QVERIFY2(
                need.width() <= l.width && need.height() <= l.height + 1,
                qPrintable(QStringLiteral("%1 needs %2x%3").arg(latin1(l.name)).arg(need.width()).arg(need.height())));
        }
    }

    QLabel *badge = faces_->label("ZR9badge");
    QVERIFY(badge);
    QCOMPARE(badge->text(), QStringLiteral("ZR9"));
    QCOMPARE(badge->font().pixelSize(), 29);
    QVERIFY(badge->font().bold() && badge->font().italic());
    QCOMPARE(faces_->label("Label13")->text(), QStringLiteral("ANCILLARY ISOLATED"));
    QCOMPARE(faces_->label("Label13")->parentWidget()->objectName(), QStringLiteral("AS1603"));
    QCOMPARE(faces_->label("Label34")->text(), QStringLiteral("FLT / DISABLED"));
    QCOMPARE(faces_->label("Label18")->parentWidget()->objectName(), QStringLiteral("NZDisplay"));
}

void TestFaces::fontsAreTheLiberationTwins()
{
    const QStringList families = QFontDatabase::families();
    for (const char *fam : {"Liberation Mono", "Liberation Sans", "Liberation Sans Narrow"})
        if (!families.contains(QString::fromLatin1(fam)))
            QSKIP("fonts-liberation is not installed");

    const struct {
        FontFamily f;
        const char *family;
    } rows[] = {
        {FontFamily::CourierNew, "Liberation Mono"},
        {FontFamily::Arial, "Liberation Sans"},
        {FontFamily::ArialNarrow, "Liberation Sans Narrow"},
    };
    for (const auto &r : rows) {
        const QFont f = panelFont(r.f, 15, true);
        QCOMPARE(QFontInfo(f).family(), QString::fromLatin1(r.family));
        QCOMPARE(QFontInfo(f).pixelSize(), 15);
        QVERIFY(QFontInfo(f).bold());
    }
    installFontSubstitutions();
    QFont courier(QStringLiteral("Courier New"));
    courier.setPixelSize(15);
    QCOMPARE(QFontInfo(courier).family(), QStringLiteral("Liberation Mono"));
    QFont narrow(QStringLiteral("Arial Narrow"));
    QCOMPARE(QFontInfo(narrow).family(), QStringLiteral("Liberation Sans Narrow"));
}

void TestFaces::prepareAs1603Faces()
{
    FaceSet &fs = *faces_;
    QLabel *badge = fs.label("ProdName");
    QVERIFY(badge);

    fs.prepareFace(4);
    QCOMPARE(visibleKeys(fs, Container::AS1603), 34);
    QCOMPARE(fs.key("V01RP")->keyCode(), 82);
    QCOMPARE(fs.key("V01RP")->pictureName().toUpper(), QStringLiteral("V01RP4"));
    QCOMPARE(fs.key("V01OR")->pictureName().toUpper(), QStringLiteral("V01OR4"));
    QCOMPARE(image(badge->pixmap()), image(keyPicture("ProdName", 4, false, badge->devicePixelRatioF())));

    fs.prepareFace(1);
    QCOMPARE(visibleKeys(fs, Container::AS1603), 30);
    QVERIFY(fs.key("V01OR")->isHidden() && fs.key("V01NO")->isHidden());
    QCOMPARE(fs.key("V01RP")->keyCode(), 80);
    QCOMPARE(fs.key("V01RP")->pictureName().toUpper(), QStringLiteral("V01RP1"));
    QCOMPARE(fs.key("V01TE")->pictureName().toUpper(), QStringLiteral("V01TE1"));
    QCOMPARE(image(badge->pixmap()), image(keyPicture("ProdName", 1, false, badge->devicePixelRatioF())));
    QVERIFY(image(badge->pixmap()) != image(keyPicture("ProdName", 4, false, badge->devicePixelRatioF())));

    fs.prepareFace(2);
    QCOMPARE(visibleKeys(fs, Container::AS1603), 30);
    for (KeyWidget *k : fs.keys(Container::AS1603))
        if (!k->isHidden())
            QCOMPARE(k->pictureName(), QStringLiteral("V00BLUE"));
    QCOMPARE(image(badge->pixmap()), image(keyArt().pixmap("V00BLUE", badge->devicePixelRatioF())));

    // The key shows the picture of the face it was prepared for, up or pressed.
    fs.prepareFace(4);
    fs.key("V01BT")->showPicture(true);
    QCOMPARE(fs.key("V01BT")->pictureName().toUpper(), QStringLiteral("V01BT4CL"));
    QVERIFY(fs.key("V01BT")->showsPressed());
    fs.key("V01BT")->showPicture(false);
    QCOMPARE(fs.key("V01BT")->pictureName().toUpper(), QStringLiteral("V01BT4"));
    fs.prepareFace(1);
}

void TestFaces::prepareOtherFaces()
{
    FaceSet &fs = *faces_;
    const struct {
        int face;
        Container c;
        const char *key;
        const char *picture;
    } rows[] = {
        {5, Container::AS4428p, "V11ZO", "V11ZO5"},
        {5, Container::AS4428p, "V11NO", "V11NO5"},
        {6, Container::ZR9, "ZR9K1", "ZR9K16"},
        {7, Container::ZR9FBP, "ZR9FBP_K1", "ZR9FBP_K17"},
    };
    for (const auto &r : rows) {
        fs.key(r.key)->showPicture(true);
        fs.prepareFace(r.face);
        const bool keepsCreationPicture = QByteArray(r.key) == "V11NO";
        QCOMPARE(fs.key(r.key)->showsPressed(), keepsCreationPicture);
        fs.key(r.key)->showPicture(false);
        QCOMPARE(fs.key(r.key)->pictureName().toUpper(), QString::fromLatin1(r.picture));
        QCOMPARE(visibleKeys(fs, r.c), int(fs.keys(r.c).size()));
        QCOMPARE(fs.key(r.key)->face(), r.face);
    }
    // Faces without a container change nothing.
    fs.prepareFace(0);
    fs.prepareFace(8);
    QCOMPARE(fs.key("ZR9FBP_K1")->face(), 7);
}

void TestFaces::keyPressAndRelease()
{
    faces_->container(Container::ZR9)->show();
    KeyWidget *k = faces_->key("ZR9ZO");
    QSignalSpy pressed(k, &KeyWidget::pressed), released(k, &KeyWidget::released);
    QTest::mousePress(k, Qt::LeftButton);
    QCOMPARE(pressed.size(), 1);
    QCOMPARE(pressed.at(0).at(0).value<KeyWidget *>(), k);
    QVERIFY(k->isDown());
    // Another button during the press neither presses again nor releases.
    QTest::mousePress(k, Qt::RightButton);
    QTest::mouseRelease(k, Qt::RightButton);
    QCOMPARE(pressed.size(), 1);
    QCOMPARE(released.size(), 0);
    QTest::mouseRelease(k, Qt::LeftButton);
    QCOMPARE(released.size(), 1);
    QCOMPARE(released.at(0).at(0).value<KeyWidget *>(), k);
    QVERIFY(!k->isDown());
    // Any button presses.
    QTest::mouseClick(k, Qt::RightButton);
    QCOMPARE(pressed.size(), 2);
    QCOMPARE(released.size(), 2);
    // A double click, as the window delivers it, is two presses and two releases.
    QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, {}, k->mapTo(window_, QPoint(5, 5)));
    QCOMPARE(pressed.size(), 4);
    QCOMPARE(released.size(), 4);
}

// The release is delivered to the pressed key through the window, as a real
// pointer would, even though the pointer is over another key by then.
void TestFaces::releaseReachesKeyOutsidePointer()
{
    faces_->container(Container::AS4428p)->show();
    KeyWidget *zone = faces_->key("V11ZO");
    KeyWidget *relay = faces_->key("V11RP");
    QSignalSpy zoneUp(zone, &KeyWidget::released), relayDown(relay, &KeyWidget::pressed),
        relayUp(relay, &KeyWidget::released);
    QWindow *win = window_->windowHandle();
    QVERIFY(win);
    const QPoint onZone = zone->mapTo(window_, QPoint(10, 10));
    const QPoint onRelay = relay->mapTo(window_, QPoint(10, 10));
    QTest::mousePress(win, Qt::LeftButton, {}, onZone);
    QVERIFY(zone->isDown());
    QTest::mouseMove(win, onRelay);
    QTest::mouseRelease(win, Qt::LeftButton, {}, onRelay);
    QCOMPARE(zoneUp.size(), 1);
    QCOMPARE(relayDown.size(), 0);
    QCOMPARE(relayUp.size(), 0);
}

void TestFaces::hidingHeldKeyReleasesIt()
{
    QWidget *c = faces_->container(Container::ZR9FBP);
    c->show();
    KeyWidget *k = faces_->key("ZR9FBP_SW");
    QSignalSpy released(k, &KeyWidget::released);
    QTest::mousePress(k, Qt::LeftButton);
    QVERIFY(k->isDown());
    c->hide();  // a face change while the key is held
    QCOMPARE(released.size(), 1);
    QVERIFY(!k->isDown());
    c->show();
    QTest::mouseRelease(k, Qt::LeftButton);  // the late release is not a second one
    QCOMPARE(released.size(), 1);
}

QTEST_MAIN(TestFaces)
#include "test_faces.moc"
