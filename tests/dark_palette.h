#pragma once
// A dark desktop palette, as a dark theme gives the program, for pictures
// and checks of readability.
#include <QPalette>

namespace kordex::test {

inline QPalette darkPalette()
{
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 32), text(225, 225, 225), button(58, 58, 62);
    for (auto g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::WindowText, text);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::AlternateBase, window);
        p.setColor(g, QPalette::Text, text);
        p.setColor(g, QPalette::Button, button);
        p.setColor(g, QPalette::ButtonText, text);
        p.setColor(g, QPalette::Highlight, QColor(42, 110, 190));
        p.setColor(g, QPalette::HighlightedText, Qt::white);
        p.setColor(g, QPalette::ToolTipBase, base);
        p.setColor(g, QPalette::ToolTipText, text);
        p.setColor(g, QPalette::Link, QColor(110, 170, 255));
        p.setColor(g, QPalette::PlaceholderText, QColor(140, 140, 140));
        p.setColor(g, QPalette::Light, QColor(80, 80, 84));
        p.setColor(g, QPalette::Midlight, QColor(68, 68, 72));
        p.setColor(g, QPalette::Mid, QColor(40, 40, 42));
        p.setColor(g, QPalette::Dark, QColor(25, 25, 26));
        p.setColor(g, QPalette::Shadow, Qt::black);
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Button, button);
    return p;
}

}  // namespace kordex::test
