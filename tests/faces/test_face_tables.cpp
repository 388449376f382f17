// Every key, lamp, legend, badge and binding row of the four faces and the
// New Zealand display, written out here independently of the face tables so
// that a slip in either shows up as a difference.
#include "face_logic/face_binding.h"
#include "face_logic/face_layout.h"
#include "faces/face_widgets.h"
#include "faces/fonts.h"
#include "faces/key_art.h"
#include "faces/key_picture.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QTest>

#include <set>
#include <string>

using namespace kordex;

namespace {

QString latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

// "MAIN", "MAIN / SUB" or "MAIN / left arrow".
QString describe(const KeyCaption &c)
{
    QString s = latin1(c.main);
    if (!c.sub.empty())
        s += QStringLiteral(" / ") + latin1(c.sub);
    const char *arrows[] = {"", " / left arrow", " / right arrow", " / up arrow", " / down arrow"};  // by Arrow
    return s + QLatin1String(arrows[int(c.arrow)]);
}

// The colour a key picture reads as: the mean of its cap, caption included.
QString colourOf(const QPixmap &pm)
{
    const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() < 250 || c.valueF() < 0.3)
                continue;  // shadow, outline, surround, dark caption
            r += c.redF();
            g += c.greenF();
            b += c.blueF();
            ++n;
        }
    if (n == 0)
        return QStringLiteral("none");
    const QColor mean = QColor::fromRgbF(float(r / n), float(g / n), float(b / n));
    if (mean.hsvSaturationF() > 0.35) {
        const int h = mean.hsvHue();
        if (h < 20 || h > 340)
            return QStringLiteral("red");
        if (h >= 35 && h <= 70)
            return QStringLiteral("yellow");
        if (h >= 90 && h <= 160)
            return QStringLiteral("green");
        if (h >= 200 && h <= 250)
            return QStringLiteral("blue");
        return QStringLiteral("hue %1").arg(h);
    }
    return mean.valueF() > 0.86 ? QStringLiteral("white") : QStringLiteral("grey");
}

struct KeyRow {
    const char *name;
    const char *container;
    const char *caption;   // nullptr: hidden on that face
    const char *caption4;  // AS 1603 face 4; nullptr elsewhere
    int left, top, width, height;
    int code;
    const char *colour;
};

// clang-format off
const KeyRow kKeyRows[] = {
    // AS 1603, 41 x 41; V01RP sends 82 on face 4.
    {"V01ZO", "AS1603", "ZONE", "ZONE", 16, 280, 41, 41, 90, "blue"},
    {"V01RP", "AS1603", "POINT", "RELAY", 64, 280, 41, 41, 80, "blue"},
    {"V01SY", "AS1603", "SYSTEM", "SYSTEM", 112, 280, 41, 41, 83, "blue"},
    {"V01PV", "AS1603", "PREV", "PREV", 208, 280, 41, 41, 112, "blue"},
    {"V01RC", "AS1603", "RECALL", "RECALL / (", 312, 280, 41, 41, 63, "blue"},
    {"V01PR", "AS1603", "PRINT", "PRINT / )", 360, 280, 41, 41, 35, "blue"},
    {"V01SE", "AS1603", "SET", "SET / EDIT", 408, 280, 41, 41, 115, "blue"},
    {"V01TE", "AS1603", "TEST", "TEST / left arrow", 496, 280, 41, 41, 116, "blue"},
    {"V01AT", "AS1603", "ALARM TEST", "ALARM TEST / right arrow", 544, 280, 41, 41, 38, "blue"},
    {"V01FT", "AS1603", "FAULT TEST", "FAULT TEST / up arrow", 592, 280, 41, 41, 33, "blue"},
    {"V01BT", "AS1603", "BATT TEST", "BATT TEST / down arrow", 640, 280, 41, 41, 99, "blue"},
    {"V01AI", "AS1603", "ANCIL ISOL", "ANCIL ISOL / INSERT", 688, 280, 41, 41, 65, "blue"},
    {"V01BI", "AS1603", "BELLS ISOL", "BELLS ISOL / DELETE", 736, 280, 41, 41, 66, "blue"},
    {"V01NE", "AS1603", "NEXT", "NEXT", 208, 160, 41, 41, 110, "red"},
    {"V01AK", "AS1603", "ACK", "ACK", 448, 48, 41, 41, 97, "red"},
    {"V01RE", "AS1603", "RESET", "RESET", 448, 99, 41, 41, 114, "red"},
    {"V01IS", "AS1603", "ISOL", "ISOL", 448, 150, 41, 41, 105, "red"},
    {"V01BR", "AS1603", "BRIG TEST", "BRIG TEST", 448, 200, 41, 41, 103, "red"},
    {"V0101", "AS1603", "1", "1", 608, 48, 41, 41, 49, "blue"},
    {"V0102", "AS1603", "2", "2", 656, 48, 41, 41, 50, "blue"},
    {"V0103", "AS1603", "3", "3", 704, 48, 41, 41, 51, "blue"},
    {"V0104", "AS1603", "4", "4", 608, 96, 41, 41, 52, "blue"},
    {"V0105", "AS1603", "5", "5", 656, 96, 41, 41, 53, "blue"},
    {"V0106", "AS1603", "6", "6", 704, 96, 41, 41, 54, "blue"},
    {"V0107", "AS1603", "7", "7", 608, 144, 41, 41, 55, "blue"},
    {"V0108", "AS1603", "8", "8", 656, 144, 41, 41, 56, "blue"},
    {"V0109", "AS1603", "9", "9", 704, 144, 41, 41, 57, "blue"},
    {"V01CE", "AS1603", "CLEAR", "CLEAR / ESC", 608, 192, 41, 41, 8, "blue"},
    {"V0100", "AS1603", "0", "0", 656, 192, 41, 41, 48, "blue"},
    {"V01EN", "AS1603", "ENTER", "ENTER", 704, 192, 41, 41, 13, "blue"},
    {"V01OR", "AS1603", nullptr, "OR / +", 752, 48, 41, 41, 43, "blue"},
    {"V01AN", "AS1603", nullptr, "AND / .", 752, 96, 41, 41, 46, "blue"},
    {"V01XO", "AS1603", nullptr, "XOR / @", 752, 144, 41, 41, 64, "blue"},
    {"V01NO", "AS1603", nullptr, "NOT / ^", 752, 192, 41, 41, 94, "blue"},

    // AS 4428, 48 x 37 unless stated.
    {"V11BI", "AS4428p", "EXTERNAL BELL ISOLATE", nullptr, 26, 184, 48, 47, 69, "red"},
    {"V11WS", "AS4428p", "WARNING SYSTEM ISOLATE", nullptr, 86, 184, 48, 47, 87, "red"},
    {"V11PV", "AS4428p", "PREV / up arrow", nullptr, 144, 194, 48, 37, 112, "red"},
    {"V11NE", "AS4428p", "NEXT / down arrow", nullptr, 202, 194, 48, 37, 110, "red"},
    {"V11AK", "AS4428p", "ACK", nullptr, 260, 194, 48, 37, 97, "red"},
    {"V11RE", "AS4428p", "RESET", nullptr, 318, 194, 48, 37, 114, "red"},
    {"V11IS", "AS4428p", "ISOLATE", nullptr, 376, 194, 47, 37, 105, "red"},
    {"V11ZO", "AS4428p", "ZONE", nullptr, 26, 283, 48, 37, 90, "white"},
    {"V11RP", "AS4428p", "RELAY / POINT", nullptr, 86, 283, 48, 37, 80, "white"},
    {"V11SY", "AS4428p", "SYSTEM", nullptr, 143, 283, 48, 37, 83, "white"},
    {"V11RC", "AS4428p", "RECALL / (", nullptr, 260, 283, 48, 37, 63, "white"},
    {"V11PR", "AS4428p", "PRINT / )", nullptr, 319, 283, 48, 37, 35, "white"},
    {"V11SE", "AS4428p", "SET / EDIT", nullptr, 377, 283, 48, 37, 115, "white"},
    {"V11TE", "AS4428p", "TEST / left arrow", nullptr, 457, 281, 48, 37, 116, "white"},
    {"V11AT", "AS4428p", "ALARM TEST / right arrow", nullptr, 514, 281, 48, 37, 38, "white"},
    {"V11FT", "AS4428p", "FAULT TEST / up arrow", nullptr, 570, 281, 48, 37, 33, "white"},
    {"V11BT", "AS4428p", "BATT TEST / down arrow", nullptr, 626, 281, 48, 37, 99, "white"},
    {"V11AI", "AS4428p", "ANCIL ISOL / INSERT", nullptr, 681, 281, 48, 37, 65, "white"},
    {"V11IF", "AS4428p", "AIF MODE / DELETE", nullptr, 737, 281, 48, 37, 70, "white"},
    {"V1101", "AS4428p", "1", nullptr, 568, 64, 48, 37, 49, "white"},
    {"V1102", "AS4428p", "2", nullptr, 624, 64, 48, 37, 50, "white"},
    {"V1103", "AS4428p", "3", nullptr, 680, 64, 48, 37, 51, "white"},
    {"V1104", "AS4428p", "4", nullptr, 568, 112, 48, 37, 52, "white"},
    {"V1105", "AS4428p", "5", nullptr, 624, 112, 48, 37, 53, "white"},
    {"V1106", "AS4428p", "6", nullptr, 680, 112, 48, 37, 54, "white"},
    {"V1107", "AS4428p", "7", nullptr, 568, 160, 48, 37, 55, "white"},
    {"V1108", "AS4428p", "8", nullptr, 624, 160, 48, 37, 56, "white"},
    {"V1109", "AS4428p", "9", nullptr, 680, 160, 48, 37, 57, "white"},
    {"V11CE", "AS4428p", "CLEAR / ESC", nullptr, 568, 208, 48, 37, 8, "white"},
    {"V1100", "AS4428p", "0", nullptr, 624, 208, 48, 37, 48, "white"},
    {"V11EN", "AS4428p", "ENTER", nullptr, 680, 208, 48, 37, 13, "white"},
    {"V11OR", "AS4428p", "OR / +", nullptr, 736, 64, 48, 37, 43, "white"},
    {"V11AN", "AS4428p", "AND / .", nullptr, 736, 112, 48, 37, 46, "white"},
    {"V11XO", "AS4428p", "XOR / @", nullptr, 736, 160, 48, 37, 64, "white"},
    {"V11NO", "AS4428p", "NOT / ^", nullptr, 736, 208, 48, 37, 94, "white"},

    // ZR9.
    {"ZR9F1", "ZR9", "F1", nullptr, 437, 1, 38, 27, 118, "grey"},
    {"ZR9F2", "ZR9", "F2", nullptr, 482, 13, 38, 27, 119, "grey"},
    {"ZR9F3", "ZR9", "F3", nullptr, 482, 52, 38, 27, 120, "grey"},
    {"ZR9F4", "ZR9", "F4", nullptr, 437, 68, 38, 27, 121, "grey"},
    {"ZR9SW", "ZR9", "SILENCE ALARM DEVICES", nullptr, 318, 86, 89, 38, 87, "red"},
    {"ZR9RE", "ZR9", "RESET", nullptr, 318, 128, 89, 39, 114, "green"},
    {"ZR9DI", "ZR9", "DISABLE", nullptr, 318, 172, 89, 39, 68, "grey"},
    {"ZR9NE", "ZR9", "NEXT", nullptr, 180, 144, 60, 39, 110, "grey"},
    {"ZR9FA", "ZR9", "FAULTS", nullptr, 15, 226, 89, 28, 102, "grey"},
    {"ZR9IS", "ZR9", "DISABLES", nullptr, 16, 258, 89, 27, 105, "grey"},
    {"ZR9SB", "ZR9", "SILENCE BUZZER / AIF ACK", nullptr, 320, 226, 89, 27, 97, "grey"},
    {"ZR9TE", "ZR9", "TESTS", nullptr, 320, 258, 89, 27, 116, "grey"},
    {"ZR9ME", "ZR9", "MENU", nullptr, 437, 129, 47, 27, 77, "grey"},
    {"ZR9ZO", "ZR9", "ZONE", nullptr, 517, 129, 47, 27, 90, "grey"},
    {"ZR9K1", "ZR9", "1", nullptr, 438, 161, 38, 27, 49, "grey"},
    {"ZR9K2", "ZR9", "2 / up arrow", nullptr, 482, 161, 38, 27, 50, "grey"},
    {"ZR9K3", "ZR9", "3", nullptr, 525, 161, 38, 27, 51, "grey"},
    {"ZR9K4", "ZR9", "4 / left arrow", nullptr, 438, 193, 38, 27, 52, "grey"},
    {"ZR9K5", "ZR9", "5", nullptr, 483, 193, 38, 27, 53, "grey"},
    {"ZR9K6", "ZR9", "6 / right arrow", nullptr, 525, 193, 38, 27, 54, "grey"},
    {"ZR9K7", "ZR9", "7", nullptr, 438, 225, 38, 27, 55, "grey"},
    {"ZR9K8", "ZR9", "8 / down arrow", nullptr, 483, 225, 38, 27, 56, "grey"},
    {"ZR9K9", "ZR9", "9", nullptr, 525, 225, 38, 27, 57, "grey"},
    {"ZR9AN", "ZR9", ".", nullptr, 438, 257, 38, 27, 46, "grey"},
    {"ZR9K0", "ZR9", "0", nullptr, 483, 257, 38, 27, 48, "grey"},
    {"ZR9OR", "ZR9", "+", nullptr, 526, 257, 38, 27, 43, "grey"},
    {"ZR9CA", "ZR9", "CANCEL", nullptr, 437, 289, 47, 27, 8, "grey"},
    {"ZR9OK", "ZR9", "OK", nullptr, 517, 289, 47, 27, 13, "grey"},

    // ZR9 fire brigade: the right half repeats the ZR9 block, second
    // column at 482 throughout and F2 at 482, 14.
    {"ZR9FBP_F1", "ZR9FBP", "F1", nullptr, 437, 1, 38, 27, 118, "grey"},
    {"ZR9FBP_F2", "ZR9FBP", "F2", nullptr, 482, 14, 38, 27, 119, "grey"},
    {"ZR9FBP_F3", "ZR9FBP", "F3", nullptr, 482, 52, 38, 27, 120, "grey"},
    {"ZR9FBP_F4", "ZR9FBP", "F4", nullptr, 437, 68, 38, 27, 121, "grey"},
    {"ZR9FBP_ME", "ZR9FBP", "MENU", nullptr, 437, 129, 47, 27, 77, "grey"},
    {"ZR9FBP_ZO", "ZR9FBP", "ZONE", nullptr, 517, 129, 47, 27, 90, "grey"},
    {"ZR9FBP_K1", "ZR9FBP", "1", nullptr, 438, 161, 38, 27, 49, "grey"},
    {"ZR9FBP_K2", "ZR9FBP", "2 / up arrow", nullptr, 482, 161, 38, 27, 50, "grey"},
    {"ZR9FBP_K3", "ZR9FBP", "3", nullptr, 525, 161, 38, 27, 51, "grey"},
    {"ZR9FBP_K4", "ZR9FBP", "4 / left arrow", nullptr, 438, 193, 38, 27, 52, "grey"},
    {"ZR9FBP_K5", "ZR9FBP", "5", nullptr, 482, 193, 38, 27, 53, "grey"},
    {"ZR9FBP_K6", "ZR9FBP", "6 / right arrow", nullptr, 525, 193, 38, 27, 54, "grey"},
    {"ZR9FBP_K7", "ZR9FBP", "7", nullptr, 438, 225, 38, 27, 55, "grey"},
    {"ZR9FBP_K8", "ZR9FBP", "8 / down arrow", nullptr, 482, 225, 38, 27, 56, "grey"},
    {"ZR9FBP_K9", "ZR9FBP", "9", nullptr, 525, 225, 38, 27, 57, "grey"},
    {"ZR9FBP_AN", "ZR9FBP", ".", nullptr, 438, 257, 38, 27, 46, "grey"},
    {"ZR9FBP_K0", "ZR9FBP", "0", nullptr, 482, 257, 38, 27, 48, "grey"},
    {"ZR9FBP_OR", "ZR9FBP", "+", nullptr, 526, 257, 38, 27, 43, "grey"},
    {"ZR9FBP_CA", "ZR9FBP", "CANCEL", nullptr, 437, 289, 47, 27, 8, "grey"},
    {"ZR9FBP_OK", "ZR9FBP", "OK", nullptr, 517, 289, 47, 27, 13, "grey"},
    {"ZR9FBP_SB", "ZR9FBP", "SILENCE BUZZER", nullptr, 330, 93, 75, 27, 97, "grey"},
    {"ZR9FBP_NE", "ZR9FBP", "NEXT", nullptr, 188, 142, 60, 39, 110, "grey"},
    {"ZR9FBP_SW", "ZR9FBP", "SILENCE ALARM DEVICES", nullptr, 330, 148, 74, 27, 87, "red"},
    {"ZR9FBP_RE", "ZR9FBP", "RESET", nullptr, 330, 203, 72, 27, 114, "green"},
    {"ZR9FBP_DI", "ZR9FBP", "DISABLE", nullptr, 330, 258, 74, 27, 68, "yellow"},
    {"ZR9FBP_FA", "ZR9FBP", "FAULTS", nullptr, 42, 330, 49, 27, 102, "grey"},
    {"ZR9FBP_IS", "ZR9FBP", "DISABLES", nullptr, 143, 330, 49, 27, 105, "grey"},
    {"ZR9FBP_TE", "ZR9FBP", "TESTS", nullptr, 245, 330, 49, 27, 116, "grey"},
    {"ZR9FBP_AI", "ZR9FBP", "AIF", nullptr, 347, 330, 49, 27, 70, "grey"},
};

struct LabelRow {
    const char *name;
    const char *container;
    const char *text;
    // Font where the face states it; family nullptr: any.
    const char *family;
    int minPx, maxPx;
    bool bold, italic;
    int left = -1, top = -1;  // where the face places it; -1: free
};

const LabelRow kLabelRows[] = {
    {"Label1", "AS1603", "ALARM", "Arial", 11, 12, true, false},
    {"Label2", "AS1603", "ISOLATED", "Arial", 11, 12, true, false},
    {"Label3", "AS1603", "FAULT", "Arial", 11, 12, true, false},
    {"Label10", "AS1603", "MAINS ON", "Arial", 11, 12, true, false},
    {"Label11", "AS1603", "CHGR/BATT FAULT", "Arial", 11, 12, true, false},
    {"Label12", "AS1603", "SYSTEM FAULT", "Arial", 11, 12, true, false},
    {"Label13", "AS1603", "ANCILLARY ISOLATED", "Arial", 11, 12, true, false},
    {"Label14", "AS1603", "BELLS ISOLATED", "Arial", 11, 12, true, false},

    {"Label5", "AS4428p", "ALARM", nullptr, 0, 0, false, false},
    {"Label6", "AS4428p", "FAULT", nullptr, 0, 0, false, false},
    {"Label4", "AS4428p", "ISOLATED", nullptr, 0, 0, false, false},
    {"Label9", "AS4428p", "MAINS ON", nullptr, 0, 0, false, false},
    {"Label8", "AS4428p", "CHGR/BATT FAULT", nullptr, 0, 0, false, false},
    {"Label7", "AS4428p", "SYSTEM FAULT", nullptr, 0, 0, false, false},
    {"Label15", "AS4428p", "AIF ATTENDED", nullptr, 0, 0, false, false},

    {"SysFlt", "ZR9", "  SYSTEM  FAULT", nullptr, 0, 0, false, false},
    {"PowerOn", "ZR9", "POWER ON", nullptr, 0, 0, false, false},
    {"ZR9badge", "ZR9", "ZR9", "Arial", 29, 29, true, true, 184, 294},

    {"Label20", "ZR9FBP", "FIRE PROTECTION", "Arial Narrow", 11, 11, true, false},
    {"Label22", "ZR9FBP", "ACTIVATED", "Arial Narrow", 11, 11, true, false},
    {"Label23", "ZR9FBP", "SMOKE CONTROL", "Arial Narrow", 11, 11, true, false},
    {"Label24", "ZR9FBP", "ACTIVATED", "Arial Narrow", 11, 11, true, false},
    {"Label25", "ZR9FBP", "ALARM DEVICES", "Arial Narrow", 11, 11, true, false},
    {"Label26", "ZR9FBP", "ACTIVATED", "Arial Narrow", 11, 11, true, false},
    {"Label27", "ZR9FBP", "ALARM ROUTING", "Arial Narrow", 11, 11, true, false},
    {"Label28", "ZR9FBP", "ACTIVATED", "Arial Narrow", 11, 11, true, false},
    {"Label29", "ZR9FBP", "OPERATING /", "Arial Narrow", 11, 11, true, false},
    {"Label30", "ZR9FBP", "POWER", "Arial Narrow", 11, 11, true, false},
    {"Label19", "ZR9FBP", "SYSTEM", "Arial Narrow", 11, 11, true, false},
    {"Label31", "ZR9FBP", "FAULT", "Arial Narrow", 11, 11, true, false},
    {"Label32", "ZR9FBP", "ALARM DEVICES", "Arial Narrow", 11, 11, true, false},
    {"Label33", "ZR9FBP", "FLT / DISABLED", "Arial Narrow", 11, 11, true, false},
    {"Label21", "ZR9FBP", "ALARM ROUTING", "Arial Narrow", 11, 11, true, false},
    {"Label34", "ZR9FBP", "FLT / DISABLED", "Arial Narrow", 11, 11, true, false},
    {"ZR9FBP_Badge", "ZR9FBP", "ZR9", "Arial", 29, 29, true, true, 470, 321},

    {"Label16", "NZDisplay", "NORMAL", "Arial", 11, 11, true, false},
    {"Label17", "NZDisplay", "DEFECT", "Arial", 11, 11, true, false},
    {"Label18", "NZDisplay", "FIRE", "Arial", 11, 11, true, false},
};

enum Shape { Circle, Ellipse, AnyShape };
struct LampRow {
    const char *name;
    const char *host;
    int left, top, width, height;  // width 0: size not stated
    Shape shape;
    bool hiddenWhenOff = false;
};

const LampRow kLampRows[] = {
    {"FFAlm_1603", "AS1603", 40, 120, 17, 17, Circle},
    {"FFiso_1603", "AS1603", 40, 160, 17, 17, Circle},
    {"FFflt_1603", "AS1603", 40, 200, 17, 17, Circle},
    {"Mains_1603", "AS1603", 517, 64, 17, 17, Circle},
    {"Chgr_1603", "AS1603", 517, 101, 17, 17, Circle},
    {"Sysf_1603", "AS1603", 517, 139, 17, 17, Circle},
    {"Anciso_1603", "AS1603", 517, 176, 17, 17, Circle},
    {"belliso_1603", "AS1603", 517, 212, 17, 17, Circle},

    {"FFAlm_4428", "AS4428p", 56, 95, 17, 17, AnyShape},
    {"FFflt_4428", "AS4428p", 56, 123, 17, 17, AnyShape},
    {"FFiso_4428", "AS4428p", 56, 151, 17, 17, AnyShape},
    {"Ebi_4428", "AS4428p", 31, 185, 15, 12, AnyShape},
    {"Wsi_4428", "AS4428p", 93, 185, 11, 12, AnyShape},
    {"Mains_4428", "AS4428p", 457, 80, 17, 17, AnyShape},
    {"Chgr_4428", "AS4428p", 457, 110, 17, 17, AnyShape},
    {"Sysf_4428", "AS4428p", 457, 138, 17, 17, AnyShape},
    {"Aif_4428", "AS4428p", 457, 165, 17, 17, AnyShape},

    {"FireLed1", "ZR9", 117, 111, 11, 11, Ellipse},
    {"FireLed2", "ZR9", 117, 121, 11, 11, Ellipse},
    {"NextLED", "ZR9", 200, 107, 17, 17, Ellipse},
    {"BrigActLed", "ZR9", 117, 152, 11, 11, Ellipse},
    {"BrigFltIsoLed", "ZR9", 117, 162, 11, 11, Ellipse},
    {"WSActiveLed", "ZR9", 117, 186, 11, 11, Ellipse},
    {"WSFltIsoLed", "ZR9", 117, 197, 11, 11, Ellipse},
    {"Fltled2", "ZR9", 118, 240, 11, 10, Ellipse},
    {"Isoled2", "ZR9", 118, 271, 11, 11, Ellipse},
    {"SysFltLED", "ZR9", 118, 298, 11, 11, Ellipse},
    {"PowerLED", "ZR9", 294, 298, 11, 11, Ellipse},
    {"SilLED1", "ZR9", 294, 229, 11, 11, Ellipse},
    {"SilLed2", "ZR9", 294, 239, 11, 11, Ellipse},
    {"testLED1", "ZR9", 294, 261, 11, 11, Ellipse},
    {"TestLED2", "ZR9", 294, 271, 11, 11, Ellipse},
    {"ZRNZFireLed", "ZR9", 589, 32, 9, 9, Circle, true},
    {"ZRNZDefectLed", "ZR9", 597, 32, 9, 9, Circle, true},
    {"ZRNZNormalLed", "ZR9", 621, 31, 9, 9, Circle, true},
    // The partners of Fltled2 and Isoled2; only their places are given.
    {"Fltled1", "ZR9", 118, 229, 0, 0, Ellipse},
    {"IsoLED1", "ZR9", 118, 261, 0, 0, Ellipse},

    {"ZR9FBP_FireLED1", "ZR9FBP", 29, 99, 11, 11, Ellipse},
    {"ZR9FBP_FireLED2", "ZR9FBP", 103, 99, 11, 11, Ellipse},
    {"ZR9FBP_FireProtActivatedLED", "ZR9FBP", 29, 132, 11, 11, Ellipse},
    {"ZR9FBP_SmokeCtrlActivatedLED", "ZR9FBP", 29, 163, 11, 11, Ellipse},
    {"ZR9FBP_AlarmDevActivatedLED", "ZR9FBP", 29, 194, 11, 11, Ellipse},
    {"ZR9FBP_AlarmRoutActivatedLED", "ZR9FBP", 29, 225, 11, 11, Ellipse},
    {"ZR9FBP_PowerLED", "ZR9FBP", 29, 265, 11, 11, Ellipse},
    {"ZR9FBP_SysFaultLED", "ZR9FBP", 29, 305, 11, 11, Ellipse},
    {"ZR9FBP_AlarmDevDisabledLED", "ZR9FBP", 130, 305, 11, 11, Ellipse},
    {"ZR9FBP_AlarmRoutDisabledLED", "ZR9FBP", 232, 305, 11, 11, Ellipse},
    {"ZR9FBP_SpareLED", "ZR9FBP", 334, 305, 11, 11, Ellipse},
    {"ZR9FBP_FaultLED", "ZR9FBP", 29, 338, 11, 11, Ellipse},
    {"ZR9FBP_DisablesLED", "ZR9FBP", 130, 338, 11, 11, Ellipse},
    {"ZR9FBP_TestLED", "ZR9FBP", 232, 338, 11, 11, Ellipse},
    {"ZR9FBP_AIFLED", "ZR9FBP", 334, 338, 11, 11, Ellipse},
    {"ZR9FBP_NextLED", "ZR9FBP", 210, 107, 17, 17, Ellipse},
    {"ZR9FBP_NZFireLed", "ZR9FBP", 588, 33, 10, 10, Circle, true},
    {"ZR9FBP_NZDefectLED", "ZR9FBP", 597, 33, 10, 10, Circle, true},
    {"ZR9FBP_NZNormalLED", "ZR9FBP", 621, 33, 10, 10, Circle, true},

    {"NormalLed", "NZDisplay", 6, 5, 9, 9, Circle},
    {"DefectLed", "NZDisplay", 6, 17, 9, 9, Circle},
    {"Fireled", "NZDisplay", 6, 28, 9, 9, Circle},
};

// One cell of the binding table: "A" or "A+B" with its colour; "" for none
// (or for a tray label the painter handles itself).
struct Cell {
    const char *lamps;
    const char *colour;
};
struct BindingRow {
    int indicator;
    Cell face[4];  // AS 1603 group (0-4), AS 4428 (5), ZR9 (6), ZR9 fire brigade (7)
};

const BindingRow kBindingRows[] = {
    {3, {{"FFAlm_1603", "red"}, {"FFAlm_4428", "red"}, {"FireLed1+FireLed2", "red"},
         {"ZR9FBP_FireLED1+ZR9FBP_FireLED2", "red"}}},
    {4, {{"FFiso_1603", "amber"}, {"FFiso_4428", "amber"}, {"Fltled2", "amber"}, {"ZR9FBP_FaultLED", "amber"}}},
    {5, {{"FFflt_1603", "amber"}, {"FFflt_4428", "amber"}, {"Isoled2", "amber"}, {"ZR9FBP_DisablesLED", "amber"}}},
    {6, {{"Wsi_4428", "amber"}, {"Wsi_4428", "amber"}, {"SysFltLED", "amber"}, {"ZR9FBP_SysFaultLED", "amber"}}},
    {7, {{"Ebi_4428", "amber"}, {"Ebi_4428", "amber"}, {"BrigActLed", "red"},
         {"ZR9FBP_AlarmRoutActivatedLED", "red"}}},
    {8, {{"Sysf_1603", "amber"}, {"Sysf_4428", "amber"}, {"BrigFltIsoLed", "amber"},
         {"ZR9FBP_AlarmRoutDisabledLED", "amber"}}},
    {9, {{"Chgr_1603", "amber"}, {"Chgr_4428", "amber"}, {"WSActiveLed", "red"},
         {"ZR9FBP_AlarmDevActivatedLED", "red"}}},
    {10, {{"Mains_1603", "green"}, {"Mains_4428", "green"}, {"WSFltIsoLed", "amber"},
          {"ZR9FBP_AlarmDevDisabledLED", "amber"}}},
    {11, {{"Aif_4428", "amber"}, {"Aif_4428", "amber"}, {"PowerLED", "green"}, {"ZR9FBP_PowerLED", "green"}}},
    {12, {{"", ""}, {"", ""}, {"SilLED1+SilLed2", "amber"}, {"ZR9FBP_AIFLED", "amber"}}},
    {13, {{"", ""}, {"", ""}, {"testLED1+TestLED2", "amber"}, {"ZR9FBP_TestLED", "amber"}}},
    {14, {{"", ""}, {"", ""}, {"NextLED", "red"}, {"ZR9FBP_NextLED", "red"}}},
    {17, {{"", ""}, {"", ""}, {"", ""}, {"ZR9FBP_FireProtActivatedLED", "red"}}},
    {18, {{"", ""}, {"", ""}, {"", ""}, {"ZR9FBP_SmokeCtrlActivatedLED", "red"}}},
    {19, {{"", ""}, {"", ""}, {"", ""}, {"ZR9FBP_SpareLED", "amber"}}},
    {21, {{"NormalLed", "green"}, {"NormalLed", "green"}, {"NormalLed", "green"}, {"NormalLed", "green"}}},
    {22, {{"Fireled", "red"}, {"Fireled", "red"}, {"Fireled", "red"}, {"Fireled", "red"}}},
    {23, {{"DefectLed", "amber"}, {"DefectLed", "amber"}, {"ZRNZNormalLed", "green"},
          {"ZR9FBP_NZNormalLED", "green"}}},
    {24, {{"Anciso_1603", "amber"}, {"Anciso_1603", "amber"}, {"ZRNZFireLed", "red"},
          {"ZR9FBP_NZFireLed", "red"}}},
    {25, {{"belliso_1603", "amber"}, {"belliso_1603", "amber"}, {"ZRNZDefectLed", "amber"},
          {"ZR9FBP_NZDefectLED", "amber"}}},
    {28, {{"", ""}, {"", ""}, {"", ""}, {"", ""}}},
};
// clang-format on

Rgb rgbOf(const char *colour)
{
    const std::string c(colour);
    if (c == "red")
        return Rgb{255, 0, 0};
    if (c == "amber")
        return Rgb{247, 152, 41};
    return Rgb{0, 128, 0};
}

const DecorDef *findDecor(const FaceLayout &f, std::string_view name)
{
    for (const DecorDef &d : f.decor)
        if (d.name == name)
            return &d;
    return nullptr;
}

}  // namespace

class TestFaceTables : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void everyKeyRow_data();
    void everyKeyRow();
    void noKeysBeyondTheRows();
    void everyLabelRow_data();
    void everyLabelRow();
    void everyLampRow();
    void everyBindingRow();
    void badgesAndDrawings();
    void legendInkClearOfFramesAndLamps();

private:
    QWidget *window_ = nullptr;
    FaceSet *faces_ = nullptr;
};

void TestFaceTables::initTestCase()
{
    window_ = new QWidget;
    window_->resize(790, 544);
    faces_ = new FaceSet(window_);
}

void TestFaceTables::everyKeyRow_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kKeyRows)); ++i)
        QTest::newRow(kKeyRows[i].name) << i;
}

void TestFaceTables::everyKeyRow()
{
    QFETCH(int, row);
    const KeyRow &r = kKeyRows[row];
    const QString name = QString::fromLatin1(r.name);

    const KeyDef *def = findKeyDef(r.name);
    QVERIFY(def);
    QCOMPARE(QString::fromLatin1(containerName(containerOfKey(r.name))), QString::fromLatin1(r.container));

    const bool as1603 = QByteArray(r.container) == "AS1603";
    const int natural = faceLayout(containerOfKey(r.name)).naturalFace;
    if (r.caption)
        QCOMPARE(describe(captionFor(*def, as1603 ? 1 : natural)), QString::fromLatin1(r.caption));
    if (as1603)
        QCOMPARE(describe(captionFor(*def, 4)), QString::fromLatin1(r.caption4));

    KeyWidget *k = faces_->key(name);
    QVERIFY(k);
    QCOMPARE(k->objectName(), name);
    QCOMPARE(k->parentWidget()->objectName(), QString::fromLatin1(r.container));
    QCOMPARE(k->geometry(), QRect(r.left, r.top, r.width, r.height));
    QCOMPARE(k->keyCode(), r.code);

    // The pictures: on every face with pictures that shows this container,
    // of the key's size, in the key's colour, and pressed different from up.
    const QList<int> faces = as1603 ? QList<int>{1, 4} : QList<int>{natural};
    for (int face : faces) {
        const QString up = keyResourceName(name, face, false);
        if (face == 1 && !r.caption) {
            QCOMPARE(resolveKeyResource(up), QString::fromLatin1(kFallbackPicture));
            continue;
        }
        QCOMPARE(resolveKeyResource(up), up);
        const QPixmap pu = keyPicture(name, face, false), pd = keyPicture(name, face, true);
        QCOMPARE(pu.size(), QSize(r.width, r.height));
        QCOMPARE(pd.size(), QSize(r.width, r.height));
        QCOMPARE(colourOf(pu), QString::fromLatin1(r.colour));
        QVERIFY(pu.toImage() != pd.toImage());
    }
    // Faces 2 and 3 have no pictures of their own: the blue square.
    if (as1603)
        for (int face : {2, 3})
            for (bool pressed : {false, true})
                QCOMPARE(resolveKeyResource(keyResourceName(name, face, pressed)), QStringLiteral("V00BLUE"));

    // The relay/point key follows the face; every other code is fixed.
    if (as1603) {
        faces_->prepareFace(4);
        QCOMPARE(k->keyCode(), name == QLatin1String("V01RP") ? 82 : r.code);
        faces_->prepareFace(1);
        QCOMPARE(k->keyCode(), r.code);
        QCOMPARE(k->isHidden(), r.caption == nullptr);
    }
}

void TestFaceTables::noKeysBeyondTheRows()
{
    std::set<std::string_view> listed;
    for (const KeyRow &r : kKeyRows)
        listed.insert(r.name);
    int n = 0;
    for (const FaceLayout &f : faceLayouts())
        for (const KeyDef &k : f.keys) {
            QVERIFY2(listed.count(k.name), k.name.data());
            ++n;
        }
    QCOMPARE(n, int(std::size(kKeyRows)));
}

void TestFaceTables::everyLabelRow_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kLabelRows)); ++i)
        QTest::newRow(kLabelRows[i].name) << i;
}

void TestFaceTables::everyLabelRow()
{
    QFETCH(int, row);
    const LabelRow &r = kLabelRows[row];
    QLabel *l = faces_->label(QString::fromLatin1(r.name));
    QVERIFY(l);
    QCOMPARE(l->parentWidget()->objectName(), QString::fromLatin1(r.container));
    QCOMPARE(l->text(), QString::fromLatin1(r.text));
    if (r.left >= 0)
        QCOMPARE(l->pos(), QPoint(r.left, r.top));
    if (!r.family)
        return;
    const std::string fam(r.family);
    const FontFamily f = fam == "Arial" ? FontFamily::Arial : FontFamily::ArialNarrow;
    QCOMPARE(l->font().family(), fontFamilyName(f));
    QVERIFY2(l->font().pixelSize() >= r.minPx && l->font().pixelSize() <= r.maxPx,
             qPrintable(QString::number(l->font().pixelSize())));
    QCOMPARE(l->font().bold(), r.bold);
    QCOMPARE(l->font().italic(), r.italic);
}

void TestFaceTables::everyLampRow()
{
    std::set<std::string_view> listed;
    for (const LampRow &r : kLampRows) {
        listed.insert(r.name);
        const LampDef *d = findLamp(r.name);
        QVERIFY2(d, r.name);
        LampWidget *w = faces_->lamp(r.name);
        QVERIFY2(w, r.name);
        QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(r.host));
        QCOMPARE(w->pos(), QPoint(r.left, r.top));
        if (r.width > 0)
            QCOMPARE(w->size(), QSize(r.width, r.height));
        // A circle is drawn into a square; our lamp fills its rectangle.
        if (r.shape == Circle)
            QCOMPARE(w->width(), w->height());
        QCOMPARE(d->hiddenWhenOff, r.hiddenWhenOff);
    }
    for (const LampDef &l : allLamps())
        QVERIFY2(listed.count(l.name), l.name.data());
}

void TestFaceTables::everyBindingRow()
{
    std::set<int> bound;
    for (const BindingRow &r : kBindingRows) {
        bound.insert(r.indicator);
        for (int face = 0; face <= 7; ++face) {
            const Cell &cell = r.face[face <= 4 ? 0 : face - 4];
            const IndicatorBinding *b = bindingFor(face, r.indicator);
            const QString where = QStringLiteral("indicator %1 face %2").arg(r.indicator).arg(face);
            if (!*cell.lamps) {
                QVERIFY2(!b, qPrintable(where));
                continue;
            }
            QVERIFY2(b, qPrintable(where));
            QString lamps = latin1(b->lamps[0]);
            if (!b->lamps[1].empty())
                lamps += QLatin1Char('+') + latin1(b->lamps[1]);
            QCOMPARE(lamps, QString::fromLatin1(cell.lamps));
            QVERIFY2(b->litColor == rgbOf(cell.colour), qPrintable(where));
        }
    }
    // Everything else has no lamp on any face.
    for (int k = 0; k < 100; ++k)
        if (!bound.count(k))
            for (int face = 0; face <= 7; ++face)
                QVERIFY2(!bindingFor(face, k), qPrintable(QStringLiteral("indicator %1 face %2").arg(k).arg(face)));
    // Faces beyond 7 paint nothing.
    QVERIFY(!bindingFor(8, 3));
}

void TestFaceTables::badgesAndDrawings()
{
    QLabel *prod = faces_->label(QStringLiteral("ProdName"));
    QVERIFY(prod);
    QCOMPARE(prod->parentWidget()->objectName(), QStringLiteral("AS1603"));
    QCOMPARE(prod->geometry(), QRect(520, 240, 241, 33));
    QCOMPARE(keyArt().size(QStringLiteral("PRODNAME1")), QSize(235, 27));
    QCOMPARE(keyArt().size(QStringLiteral("PRODNAME4")), QSize(235, 27));
    QCOMPARE(keyArt().size(QStringLiteral("V00BLUE")), QSize(41, 41));
    QCOMPARE(colourOf(keyArt().pixmap(QStringLiteral("V00BLUE"), 1.0)), QStringLiteral("blue"));

    const struct {
        Container c;
        const char *name;
        QRect r;
    } rows[] = {
        {Container::AS1603, "Image1", {3, 20, 508, 249}},
        {Container::AS4428p, "Image13", {7, 9, 444, 249}},
        {Container::AS4428p, "Image14", {117, 5, 201, 17}},
        {Container::AS4428p, "Shape1", {117, 5, 201, 17}},
        {Container::ZR9, "BrigPanelBorder", {8, 2, 417, 218}},
        {Container::ZR9, "LEDArray1", {584, 8, 97, 305}},
        {Container::ZR9, "LEDArray2", {688, 8, 97, 305}},
        {Container::ZR9FBP, "ZR9FBP_BrigPanelBorder", {9, 2, 417, 295}},
    };
    for (const auto &row : rows) {
        const DecorDef *d = findDecor(faceLayout(row.c), row.name);
        QVERIFY2(d, row.name);
        QCOMPARE(QRect(d->left, d->top, d->width, d->height), row.r);
    }
    // The banner sits in front of its plain backing.
    const FaceLayout &as4428 = faceLayout(Container::AS4428p);
    QVERIFY(findDecor(as4428, "Shape1") < findDecor(as4428, "Image14"));
    QCOMPARE(latin1(findDecor(as4428, "Image14")->text), QStringLiteral("FIREFIGHTER FACILITY"));
    for (const char *n : {"Image15", "Image16"})
        QCOMPARE(QSize(findDecor(faceLayout(Container::ZR9FBP), n)->width,
                       findDecor(faceLayout(Container::ZR9FBP), n)->height),
                 QSize(97, 337));
    for (const char *n : {"FaultBorder", "IsolateBorder", "SysFltBorder", "SilBorder", "TestBorder", "PowerOnBorder"}) {
        const DecorDef *d = findDecor(faceLayout(Container::ZR9), n);
        QVERIFY2(d, n);
        QCOMPARE(d->width, 121);
        QVERIFY2(d->height == 27 || d->height == 28, n);
    }
}

// A legend's letters, as drawn, stay inside its label, off any lamp, and a
// frame line never runs through them.
void TestFaceTables::legendInkClearOfFramesAndLamps()
{
    std::vector<const FaceLayout *> layouts{&nzDisplayLayout()};
    for (const FaceLayout &f : faceLayouts())
        layouts.push_back(&f);
    const char *hosts[] = {"AS1603", "AS4428p", "ZR9", "ZR9FBP", "NZDisplay"};
    for (const FaceLayout *f : layouts) {
        for (const LabelDef &l : f->labels) {
            if (l.align != TextAlign::Left)
                continue;
            const QFontMetricsF fm(panelFont(l.family, l.pixelSize, l.bold, l.italic));
            const QString text = latin1(l.text);
            const QStringList pieces = l.wrap ? text.split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList{text};
            qreal inkLeft = 1e9, inkRight = 0;
            for (const QString &piece : pieces) {
                const QRectF b = fm.boundingRect(piece);
                inkLeft = std::min(inkLeft, b.left());
                inkRight = std::max(inkRight, b.right());
            }
            const QString what = latin1(l.name) + QStringLiteral(" \"") + text + QLatin1Char('"');
            QVERIFY2(inkRight <= l.width, qPrintable(what + QStringLiteral(" needs %1").arg(inkRight)));
            const QRectF ink(l.left + inkLeft, l.top, inkRight - inkLeft, l.height);
            for (const DecorDef &d : f->decor) {
                if (d.kind != DecorKind::Frame)
                    continue;
                const QRectF frame(d.left, d.top, d.width, d.height);
                const bool inside = frame.adjusted(2, 2, -2, -2).contains(ink);
                QVERIFY2(inside || !frame.intersects(ink),
                         qPrintable(what + QStringLiteral(" crosses ") + latin1(d.name)));
            }
            for (const LampDef &lamp : allLamps()) {
                if (f->name != hosts[int(lamp.host)])
                    continue;
                // The lamp with its bezel ring.
                const QRectF lr = QRectF(lamp.left, lamp.top, lamp.width, lamp.height).adjusted(-1.6, -1.6, 1.6, 1.6);
                QVERIFY2(!lr.intersects(ink.adjusted(0, 2, 0, -2)),
                         qPrintable(what + QStringLiteral(" touches ") + latin1(lamp.name)));
            }
        }
    }
}

QTEST_MAIN(TestFaceTables)
#include "test_face_tables.moc"
