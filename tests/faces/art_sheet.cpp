// Writes pictures to look at: every key picture up and pressed side by side
// (art-sheet.png, also at twice the pixel ratio), and each face container
// with its lamps lit (facepanel-NAME.png). Exits non-zero if a file cannot
// be written.
#include "face_logic/face_binding.h"
#include "face_logic/face_layout.h"
#include "faces/face_widgets.h"
#include "faces/fonts.h"
#include "faces/key_art.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <cstdio>

using namespace kordex;

namespace {

bool writeSheet(const QString &path, qreal dpr)
{
    KeyArt &art = keyArt();
    const QStringList names = art.names();
    const int cellW = 2 * 92 + 12, cellH = 62, cols = 6;
    const int rows = int((names.size() + 1) / 2 + cols - 1) / cols + 1;
    QImage sheet(QSize(cols * cellW, rows * cellH) * dpr, QImage::Format_RGB32);
    sheet.setDevicePixelRatio(dpr);
    sheet.fill(QColor(214, 213, 208));
    QPainter p(&sheet);
    p.setFont(panelFont(FontFamily::ArialNarrow, 10));
    int i = 0;
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String("CL")))
            continue;  // drawn beside its up picture
        const int x = (i % cols) * cellW + 6, y = (i / cols) * cellH + 4;
        p.setPen(Qt::black);
        p.drawText(QRect(x, y, cellW - 8, 12), Qt::AlignLeft, name);
        p.drawPixmap(x, y + 14, art.pixmap(name, dpr));
        const QString down = name + QLatin1String("CL");
        if (art.contains(down))
            p.drawPixmap(x + 96, y + 14, art.pixmap(down, dpr));
        i += art.size(name).width() > 92 ? 2 : 1;
    }
    p.end();
    return sheet.save(path);
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screens");
    QDir().mkpath(dir);
    bool ok = writeSheet(dir + QStringLiteral("/art-sheet.png"), 1.0);
    ok = writeSheet(dir + QStringLiteral("/art-sheet@2x.png"), 2.0) && ok;

    QWidget window;
    window.resize(801, 361);
    FaceSet faces(&window);
    // Light every lamp in its colour on one face, so lit and unlit can be judged.
    const struct {
        Container c;
        int face;
    } shots[] = {
        {Container::AS1603, 1}, {Container::AS1603, 4}, {Container::AS4428p, 5},
        {Container::ZR9, 6},    {Container::ZR9FBP, 7},
    };
    for (const auto &s : shots) {
        faces.prepareFace(s.face);
        QWidget *c = faces.container(s.c);
        c->move(0, 0);
        c->show();
        int n = 0;
        for (const LampDef &l : allLamps()) {
            LampWidget *lamp = faces.lamp(l.name);
            const IndicatorBinding *b = nullptr;
            for (int k : paintedIndicators())
                if (const IndicatorBinding *ib = bindingFor(s.face, k))
                    if (ib->lamps[0] == l.name || ib->lamps[1] == l.name)
                        b = ib;
            const bool lit = b && (n++ % 3 != 2);
            lamp->setColor(lit ? QColor(b->litColor.r, b->litColor.g, b->litColor.b) : QColor(Qt::white));
            if (l.hiddenWhenOff)
                lamp->setVisible(lit);
        }
        if (s.face == 1)
            faces.key(QStringLiteral("V01ZO"))->showPicture(true);
        const QString file = dir + QStringLiteral("/facepanel-%1-%2.png").arg(c->objectName()).arg(s.face);
        ok = c->grab().save(file) && ok;
        faces.key(QStringLiteral("V01ZO"))->showPicture(false);
        c->hide();
    }
    QWidget *nz = faces.nzDisplay();
    nz->show();
    ok = nz->grab().save(dir + QStringLiteral("/facepanel-NZDisplay.png")) && ok;
    if (!ok)
        std::fprintf(stderr, "could not write pictures to %s\n", qPrintable(dir));
    return ok ? 0 : 1;
}
