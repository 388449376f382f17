#include "face_logic/face_layout.h"

namespace kordex {

namespace {
using T = KeyTone;
using A = Arrow;
using F = FontFamily;

// ---- AS 1603 -------------------------------------------------------------
constexpr KeyDef kAs1603Keys[] = {
    {"V01ZO", {"ZONE"}, {}, 16, 280, 41, 41, 90, T::Blue},
    {"V01RP", {"POINT"}, {"RELAY"}, 64, 280, 41, 41, kPointKeyCode, T::Blue},
    {"V01SY", {"SYSTEM"}, {}, 112, 280, 41, 41, 83, T::Blue},
    {"V01PV", {"PREV"}, {}, 208, 280, 41, 41, 112, T::Blue},
    {"V01RC", {"RECALL"}, {"RECALL", "("}, 312, 280, 41, 41, 63, T::Blue},
    {"V01PR", {"PRINT"}, {"PRINT", ")"}, 360, 280, 41, 41, 35, T::Blue},
    {"V01SE", {"SET"}, {"SET", "EDIT"}, 408, 280, 41, 41, 115, T::Blue},
    {"V01TE", {"TEST"}, {"TEST", {}, A::Left}, 496, 280, 41, 41, 116, T::Blue},
    {"V01AT", {"ALARM TEST"}, {"ALARM TEST", {}, A::Right}, 544, 280, 41, 41, 38, T::Blue},
    {"V01FT", {"FAULT TEST"}, {"FAULT TEST", {}, A::Up}, 592, 280, 41, 41, 33, T::Blue},
    {"V01BT", {"BATT TEST"}, {"BATT TEST", {}, A::Down}, 640, 280, 41, 41, 99, T::Blue},
    {"V01AI", {"ANCIL ISOL"}, {"ANCIL ISOL", "INSERT"}, 688, 280, 41, 41, 65, T::Blue},
    {"V01BI", {"BELLS ISOL"}, {"BELLS ISOL", "DELETE"}, 736, 280, 41, 41, 66, T::Blue},
    {"V01NE", {"NEXT"}, {}, 208, 160, 41, 41, 110, T::Red},
    {"V01AK", {"ACK"}, {}, 448, 48, 41, 41, 97, T::Red},
    {"V01RE", {"RESET"}, {}, 448, 99, 41, 41, 114, T::Red},
    {"V01IS", {"ISOL"}, {}, 448, 150, 41, 41, 105, T::Red},
    {"V01BR", {"BRIG TEST"}, {}, 448, 200, 41, 41, 103, T::Red},
    {"V0101", {"1"}, {}, 608, 48, 41, 41, 49, T::Blue},
    {"V0102", {"2"}, {}, 656, 48, 41, 41, 50, T::Blue},
    {"V0103", {"3"}, {}, 704, 48, 41, 41, 51, T::Blue},
    {"V0104", {"4"}, {}, 608, 96, 41, 41, 52, T::Blue},
    {"V0105", {"5"}, {}, 656, 96, 41, 41, 53, T::Blue},
    {"V0106", {"6"}, {}, 704, 96, 41, 41, 54, T::Blue},
    {"V0107", {"7"}, {}, 608, 144, 41, 41, 55, T::Blue},
    {"V0108", {"8"}, {}, 656, 144, 41, 41, 56, T::Blue},
    {"V0109", {"9"}, {}, 704, 144, 41, 41, 57, T::Blue},
    {"V01CE", {"CLEAR"}, {"CLEAR", "ESC"}, 608, 192, 41, 41, 8, T::Blue},
    {"V0100", {"0"}, {}, 656, 192, 41, 41, 48, T::Blue},
    {"V01EN", {"ENTER"}, {}, 704, 192, 41, 41, 13, T::Blue},
    {"V01OR", {"OR", "+"}, {"OR", "+"}, 752, 48, 41, 41, 43, T::Blue, true},
    {"V01AN", {"AND", "."}, {"AND", "."}, 752, 96, 41, 41, 46, T::Blue, true},
    {"V01XO", {"XOR", "@"}, {"XOR", "@"}, 752, 144, 41, 41, 64, T::Blue, true},
    {"V01NO", {"NOT", "^"}, {"NOT", "^"}, 752, 192, 41, 41, 94, T::Blue, true},
};

// Left legends sit beside their lamps; the right-hand ones wrap onto two lines,
// and "CHGR/BATT" alone needs 65 pixels, so they start close to their lamps.
constexpr LabelDef kAs1603Labels[] = {
    {"Label1", "ALARM", 64, 120, 110, 17, F::Arial, 12, true},
    {"Label2", "ISOLATED", 64, 160, 110, 17, F::Arial, 12, true},
    {"Label3", "FAULT", 64, 200, 110, 17, F::Arial, 12, true},
    {"Label10", "MAINS ON", 536, 60, 66, 26, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label11", "CHGR/BATT FAULT", 536, 97, 66, 26, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label12", "SYSTEM FAULT", 536, 135, 66, 26, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label13", "ANCILLARY ISOLATED", 536, 172, 66, 26, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label14", "BELLS ISOLATED", 536, 208, 66, 26, F::Arial, 11, true, false, TextAlign::Left, true},
};

constexpr DecorDef kAs1603Decor[] = {
    {"Image1", DecorKind::Frame, 3, 20, 508, 249},   {"DisplayBezel", DecorKind::Bezel, 18, 26, 421, 53},
    {"Image2", DecorKind::Frame, 605, 42, 145, 197}, {"Image3", DecorKind::Frame, 9, 273, 447, 55},
    {"Image4", DecorKind::Frame, 510, 42, 94, 194},  {"Image5", DecorKind::Frame, 489, 273, 295, 55},
};

constexpr PictureDef kAs1603Pictures[] = {
    {"ProdName", 520, 240, 241, 33},
};

// ---- AS 4428 -------------------------------------------------------------
constexpr KeyDef kAs4428Keys[] = {
    {"V11BI", {"EXTERNAL BELL ISOLATE"}, {}, 26, 184, 48, 47, 69, T::Red},
    {"V11WS", {"WARNING SYSTEM ISOLATE"}, {}, 86, 184, 48, 47, 87, T::Red},
    {"V11PV", {"PREV", {}, A::Up}, {}, 144, 194, 48, 37, 112, T::Red},
    {"V11NE", {"NEXT", {}, A::Down}, {}, 202, 194, 48, 37, 110, T::Red},
    {"V11AK", {"ACK"}, {}, 260, 194, 48, 37, 97, T::Red},
    {"V11RE", {"RESET"}, {}, 318, 194, 48, 37, 114, T::Red},
    {"V11IS", {"ISOLATE"}, {}, 376, 194, 47, 37, 105, T::Red},
    {"V11ZO", {"ZONE"}, {}, 26, 283, 48, 37, 90, T::White},
    {"V11RP", {"RELAY", "POINT"}, {}, 86, 283, 48, 37, 80, T::White},
    {"V11SY", {"SYSTEM"}, {}, 143, 283, 48, 37, 83, T::White},
    {"V11RC", {"RECALL", "("}, {}, 260, 283, 48, 37, 63, T::White},
    {"V11PR", {"PRINT", ")"}, {}, 319, 283, 48, 37, 35, T::White},
    {"V11SE", {"SET", "EDIT"}, {}, 377, 283, 48, 37, 115, T::White},
    {"V11TE", {"TEST", {}, A::Left}, {}, 457, 281, 48, 37, 116, T::White},
    {"V11AT", {"ALARM TEST", {}, A::Right}, {}, 514, 281, 48, 37, 38, T::White},
    {"V11FT", {"FAULT TEST", {}, A::Up}, {}, 570, 281, 48, 37, 33, T::White},
    {"V11BT", {"BATT TEST", {}, A::Down}, {}, 626, 281, 48, 37, 99, T::White},
    {"V11AI", {"ANCIL ISOL", "INSERT"}, {}, 681, 281, 48, 37, 65, T::White},
    {"V11IF", {"AIF MODE", "DELETE"}, {}, 737, 281, 48, 37, 70, T::White},
    {"V1101", {"1"}, {}, 568, 64, 48, 37, 49, T::White},
    {"V1102", {"2"}, {}, 624, 64, 48, 37, 50, T::White},
    {"V1103", {"3"}, {}, 680, 64, 48, 37, 51, T::White},
    {"V1104", {"4"}, {}, 568, 112, 48, 37, 52, T::White},
    {"V1105", {"5"}, {}, 624, 112, 48, 37, 53, T::White},
    {"V1106", {"6"}, {}, 680, 112, 48, 37, 54, T::White},
    {"V1107", {"7"}, {}, 568, 160, 48, 37, 55, T::White},
    {"V1108", {"8"}, {}, 624, 160, 48, 37, 56, T::White},
    {"V1109", {"9"}, {}, 680, 160, 48, 37, 57, T::White},
    {"V11CE", {"CLEAR", "ESC"}, {}, 568, 208, 48, 37, 8, T::White},
    {"V1100", {"0"}, {}, 624, 208, 48, 37, 48, T::White},
    {"V11EN", {"ENTER"}, {}, 680, 208, 48, 37, 13, T::White},
    {"V11OR", {"OR", "+"}, {}, 736, 64, 48, 37, 43, T::White},
    {"V11AN", {"AND", "."}, {}, 736, 112, 48, 37, 46, T::White},
    {"V11XO", {"XOR", "@"}, {}, 736, 160, 48, 37, 64, T::White},
    {"V11NO", {"NOT", "^"}, {}, 736, 208, 48, 37, 94, T::White},
};

constexpr LabelDef kAs4428Labels[] = {
    {"Label5", "ALARM", 80, 95, 110, 17, F::Arial, 12, true},
    {"Label6", "FAULT", 80, 123, 110, 17, F::Arial, 12, true},
    {"Label4", "ISOLATED", 80, 151, 110, 17, F::Arial, 12, true},
    {"Label9", "MAINS ON", 479, 75, 78, 27, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label8", "CHGR/BATT FAULT", 479, 105, 78, 27, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label7", "SYSTEM FAULT", 479, 133, 78, 27, F::Arial, 11, true, false, TextAlign::Left, true},
    {"Label15", "AIF ATTENDED", 479, 160, 78, 27, F::Arial, 11, true, false, TextAlign::Left, true},
};

constexpr DecorDef kAs4428Decor[] = {
    {"Image13", DecorKind::Frame, 7, 9, 444, 249},
    {"DisplayBezel", DecorKind::Bezel, 18, 26, 421, 53},
    {"StatusFrame", DecorKind::Frame, 452, 66, 107, 128},
    {"KeypadFrame", DecorKind::Frame, 562, 57, 228, 195},
    {"ControlFrame", DecorKind::Frame, 20, 276, 411, 51},
    {"TestFrame", DecorKind::Frame, 451, 274, 340, 51},
    {"Shape1", DecorKind::PlainRect, 117, 5, 201, 17},
    {"Image14", DecorKind::Banner, 117, 5, 201, 17, "FIREFIGHTER FACILITY"},
};

// ---- ZR9 -----------------------------------------------------------------
constexpr KeyDef kZr9Keys[] = {
    {"ZR9F1", {"F1"}, {}, 437, 1, 38, 27, 118, T::Grey},
    {"ZR9F2", {"F2"}, {}, 482, 13, 38, 27, 119, T::Grey},
    {"ZR9F3", {"F3"}, {}, 482, 52, 38, 27, 120, T::Grey},
    {"ZR9F4", {"F4"}, {}, 437, 68, 38, 27, 121, T::Grey},
    {"ZR9SW", {"SILENCE ALARM DEVICES"}, {}, 318, 86, 89, 38, 87, T::Red},
    {"ZR9RE", {"RESET"}, {}, 318, 128, 89, 39, 114, T::Green},
    {"ZR9DI", {"DISABLE"}, {}, 318, 172, 89, 39, 68, T::Grey},
    {"ZR9NE", {"NEXT"}, {}, 180, 144, 60, 39, 110, T::Grey},
    {"ZR9FA", {"FAULTS"}, {}, 15, 226, 89, 28, 102, T::Grey},
    {"ZR9IS", {"DISABLES"}, {}, 16, 258, 89, 27, 105, T::Grey},
    {"ZR9SB", {"SILENCE BUZZER", "AIF ACK"}, {}, 320, 226, 89, 27, 97, T::Grey},
    {"ZR9TE", {"TESTS"}, {}, 320, 258, 89, 27, 116, T::Grey},
    {"ZR9ME", {"MENU"}, {}, 437, 129, 47, 27, 77, T::Grey},
    {"ZR9ZO", {"ZONE"}, {}, 517, 129, 47, 27, 90, T::Grey},
    {"ZR9K1", {"1"}, {}, 438, 161, 38, 27, 49, T::Grey},
    {"ZR9K2", {"2", {}, A::Up}, {}, 482, 161, 38, 27, 50, T::Grey},
    {"ZR9K3", {"3"}, {}, 525, 161, 38, 27, 51, T::Grey},
    {"ZR9K4", {"4", {}, A::Left}, {}, 438, 193, 38, 27, 52, T::Grey},
    {"ZR9K5", {"5"}, {}, 483, 193, 38, 27, 53, T::Grey},
    {"ZR9K6", {"6", {}, A::Right}, {}, 525, 193, 38, 27, 54, T::Grey},
    {"ZR9K7", {"7"}, {}, 438, 225, 38, 27, 55, T::Grey},
    {"ZR9K8", {"8", {}, A::Down}, {}, 483, 225, 38, 27, 56, T::Grey},
    {"ZR9K9", {"9"}, {}, 525, 225, 38, 27, 57, T::Grey},
    {"ZR9AN", {"."}, {}, 438, 257, 38, 27, 46, T::Grey},
    {"ZR9K0", {"0"}, {}, 483, 257, 38, 27, 48, T::Grey},
    {"ZR9OR", {"+"}, {}, 526, 257, 38, 27, 43, T::Grey},
    {"ZR9CA", {"CANCEL"}, {}, 437, 289, 47, 27, 8, T::Grey},
    {"ZR9OK", {"OK"}, {}, 517, 289, 47, 27, 13, T::Grey},
};

constexpr LabelDef kZr9Labels[] = {
    {"SysFlt", "  SYSTEM  FAULT", 14, 296, 100, 15, F::Arial, 11, true},
    {"PowerOn", "POWER ON", 312, 296, 96, 15, F::Arial, 11, true},
    {"ZR9badge", "ZR9", 184, 294, 72, 35, F::Arial, 29, true, true},
};

constexpr DecorDef kZr9Decor[] = {
    {"BrigPanelBorder", DecorKind::BrigadeOutline, 8, 2, 417, 218},
    {"DisplayBezel", DecorKind::Bezel, 19, 5, 387, 80},
    {"ZR9FI", DecorKind::FireSign, 16, 108, 96, 26, "FIRE"},
    {"ZR9BR", DecorKind::Legend, 15, 146, 99, 64,
     "ALARM ROUTING|BrigActLed=ACTIVATED|BrigFltIsoLed=FLT / DISABLED\n"
     "ALARM DEVICES|WSActiveLed=ACTIVATED|WSFltIsoLed=FLT / DISABLED"},
    {"Image6", DecorKind::Legend, 222, 104, 90, 24, "SEVERAL\nALARMS"},
    {"LEDArray1", DecorKind::LampArray, 584, 8, 97, 305},
    {"LEDArray2", DecorKind::LampArray, 688, 8, 97, 305},
    {"FaultBorder", DecorKind::Frame, 11, 226, 121, 28},
    {"IsolateBorder", DecorKind::Frame, 11, 258, 121, 27},
    {"SysFltBorder", DecorKind::Frame, 11, 290, 121, 27},
    {"SilBorder", DecorKind::Frame, 289, 226, 121, 27},
    {"TestBorder", DecorKind::Frame, 289, 258, 121, 27},
    {"PowerOnBorder", DecorKind::Frame, 289, 290, 121, 27},
    {"F1Line", DecorKind::Bar, 406, 14, 31, 2},
    {"F2Line", DecorKind::Bar, 406, 33, 76, 2},
    {"F3Line", DecorKind::Bar, 406, 58, 76, 2},
    {"F4Line", DecorKind::Bar, 406, 80, 31, 2},
};

// ---- ZR9 fire brigade ----------------------------------------------------
constexpr KeyDef kZr9FbpKeys[] = {
    {"ZR9FBP_F1", {"F1"}, {}, 437, 1, 38, 27, 118, T::Grey},
    {"ZR9FBP_F2", {"F2"}, {}, 482, 14, 38, 27, 119, T::Grey},
    {"ZR9FBP_F3", {"F3"}, {}, 482, 52, 38, 27, 120, T::Grey},
    {"ZR9FBP_F4", {"F4"}, {}, 437, 68, 38, 27, 121, T::Grey},
    {"ZR9FBP_ME", {"MENU"}, {}, 437, 129, 47, 27, 77, T::Grey},
    {"ZR9FBP_ZO", {"ZONE"}, {}, 517, 129, 47, 27, 90, T::Grey},
    {"ZR9FBP_K1", {"1"}, {}, 438, 161, 38, 27, 49, T::Grey},
    {"ZR9FBP_K2", {"2", {}, A::Up}, {}, 482, 161, 38, 27, 50, T::Grey},
    {"ZR9FBP_K3", {"3"}, {}, 525, 161, 38, 27, 51, T::Grey},
    {"ZR9FBP_K4", {"4", {}, A::Left}, {}, 438, 193, 38, 27, 52, T::Grey},
    {"ZR9FBP_K5", {"5"}, {}, 482, 193, 38, 27, 53, T::Grey},
    {"ZR9FBP_K6", {"6", {}, A::Right}, {}, 525, 193, 38, 27, 54, T::Grey},
    {"ZR9FBP_K7", {"7"}, {}, 438, 225, 38, 27, 55, T::Grey},
    {"ZR9FBP_K8", {"8", {}, A::Down}, {}, 482, 225, 38, 27, 56, T::Grey},
    {"ZR9FBP_K9", {"9"}, {}, 525, 225, 38, 27, 57, T::Grey},
    {"ZR9FBP_AN", {"."}, {}, 438, 257, 38, 27, 46, T::Grey},
    {"ZR9FBP_K0", {"0"}, {}, 482, 257, 38, 27, 48, T::Grey},
    {"ZR9FBP_OR", {"+"}, {}, 526, 257, 38, 27, 43, T::Grey},
    {"ZR9FBP_CA", {"CANCEL"}, {}, 437, 289, 47, 27, 8, T::Grey},
    {"ZR9FBP_OK", {"OK"}, {}, 517, 289, 47, 27, 13, T::Grey},
    {"ZR9FBP_SB", {"SILENCE BUZZER"}, {}, 330, 93, 75, 27, 97, T::Grey},
    {"ZR9FBP_NE", {"NEXT"}, {}, 188, 142, 60, 39, 110, T::Grey},
    {"ZR9FBP_SW", {"SILENCE ALARM DEVICES"}, {}, 330, 148, 74, 27, 87, T::Red},
    {"ZR9FBP_RE", {"RESET"}, {}, 330, 203, 72, 27, 114, T::Green},
    {"ZR9FBP_DI", {"DISABLE"}, {}, 330, 258, 74, 27, 68, T::Yellow},
    {"ZR9FBP_FA", {"FAULTS"}, {}, 42, 330, 49, 27, 102, T::Grey},
    {"ZR9FBP_IS", {"DISABLES"}, {}, 143, 330, 49, 27, 105, T::Grey},
    {"ZR9FBP_TE", {"TESTS"}, {}, 245, 330, 49, 27, 116, T::Grey},
    {"ZR9FBP_AI", {"AIF"}, {}, 347, 330, 49, 27, 70, T::Grey},
};

// Each two-line legend is two label components, one per line.
#define LEG(n, t, l, tp, w)                                                                                            \
    {                                                                                                                  \
        n, t, l, tp, w, 12, F::ArialNarrow, 11, true                                                                   \
    }
constexpr LabelDef kZr9FbpLabels[] = {
    LEG("Label20", "FIRE PROTECTION", 44, 126, 130),
    LEG("Label22", "ACTIVATED", 44, 138, 130),
    LEG("Label23", "SMOKE CONTROL", 44, 157, 130),
    LEG("Label24", "ACTIVATED", 44, 169, 130),
    LEG("Label25", "ALARM DEVICES", 44, 188, 130),
    LEG("Label26", "ACTIVATED", 44, 200, 130),
    LEG("Label27", "ALARM ROUTING", 44, 219, 130),
    LEG("Label28", "ACTIVATED", 44, 231, 130),
    LEG("Label29", "OPERATING /", 44, 259, 130),
    LEG("Label30", "POWER", 44, 271, 130),
    LEG("Label19", "SYSTEM", 44, 299, 84),
    LEG("Label31", "FAULT", 44, 311, 84),
    LEG("Label32", "ALARM DEVICES", 145, 299, 86),
    LEG("Label33", "FLT / DISABLED", 145, 311, 86),
    LEG("Label21", "ALARM ROUTING", 247, 299, 86),
    LEG("Label34", "FLT / DISABLED", 247, 311, 86),
    {"ZR9FBP_Badge", "ZR9", 470, 321, 72, 35, F::Arial, 29, true, true},
};
#undef LEG

constexpr DecorDef kZr9FbpDecor[] = {
    {"ZR9FBP_BrigPanelBorder", DecorKind::BrigadeOutline, 9, 2, 417, 295},
    {"DisplayBezel", DecorKind::Bezel, 19, 5, 387, 80},
    {"StatusPlate", DecorKind::Frame, 20, 296, 406, 64},
    {"ZR9FBP_FI", DecorKind::FireSign, 24, 92, 94, 25, "FIRE"},
    {"Image7", DecorKind::Legend, 232, 104, 90, 24, "SEVERAL\nALARMS"},
    {"Image15", DecorKind::LampArray, 584, 8, 97, 337},
    {"Image16", DecorKind::LampArray, 688, 8, 97, 337},
    {"Shape16", DecorKind::Bar, 406, 14, 31, 2},
    {"Shape17", DecorKind::Bar, 406, 34, 76, 2},
    {"Shape18", DecorKind::Bar, 406, 58, 76, 2},
    {"Shape19", DecorKind::Bar, 406, 80, 31, 2},
};

// ---- New Zealand status display -----------------------------------------
constexpr LabelDef kNzLabels[] = {
    {"Label16", "NORMAL", 19, 3, 56, 13, F::Arial, 11, true},
    {"Label17", "DEFECT", 19, 15, 56, 13, F::Arial, 11, true},
    {"Label18", "FIRE", 19, 26, 56, 13, F::Arial, 11, true},
};

const FaceLayout kFaces[] = {
    {"AS1603", Container::AS1603, 0, 0, 793, 329, 1, kAs1603Keys, kAs1603Labels, kAs1603Decor, kAs1603Pictures},
    {"AS4428p", Container::AS4428p, -1, 0, 801, 329, 5, kAs4428Keys, kAs4428Labels, kAs4428Decor, {}},
    {"ZR9", Container::ZR9, -1, 0, 794, 329, 6, kZr9Keys, kZr9Labels, kZr9Decor, {}},
    {"ZR9FBP", Container::ZR9FBP, 0, 0, 794, 361, 7, kZr9FbpKeys, kZr9FbpLabels, kZr9FbpDecor, {}},
};

const FaceLayout kNz{"NZDisplay", Container::None, 600, 12, 78, 41, 0, {}, kNzLabels, {}, {}};

constexpr int kPictureFaces[] = {1, 4, 5, 6, 7};
}  // namespace

std::span<const FaceLayout> faceLayouts() { return kFaces; }

const FaceLayout &faceLayout(Container c)
{
    for (const FaceLayout &f : kFaces)
        if (f.container == c)
            return f;
    return kNz;  // None: callers asked for something without keys
}

const FaceLayout &nzDisplayLayout() { return kNz; }

const KeyDef *findKeyDef(std::string_view name)
{
    for (const FaceLayout &f : kFaces)
        for (const KeyDef &k : f.keys)
            if (k.name == name)
                return &k;
    return nullptr;
}

Container containerOfKey(std::string_view name)
{
    for (const FaceLayout &f : kFaces)
        for (const KeyDef &k : f.keys)
            if (k.name == name)
                return f.container;
    return Container::None;
}

const KeyCaption &captionFor(const KeyDef &key, int face)
{
    if (face == 4 && !key.caption4.main.empty())
        return key.caption4;
    return key.caption;
}

std::span<const int> facesWithPictures() { return kPictureFaces; }

Container containerForFace(int face)
{
    switch (face) {
    case 1:
    case 2:
    case 3:
    case 4: return Container::AS1603;
    case 5: return Container::AS4428p;
    case 6: return Container::ZR9;
    case 7: return Container::ZR9FBP;
    default: return Container::None;
    }
}

bool keyHasPicturesOnFace(const KeyDef &key, int face)
{
    if (face != 1 && face != 4 && face != 5 && face != 6 && face != 7)
        return false;
    if (containerOfKey(key.name) != containerForFace(face))
        return false;
    return !(face == 1 && key.logic);
}

QRect displayGeometry(DisplayLayout layout)
{
    switch (layout) {
    case DisplayLayout::TwoRows: return {24, 32, 409, 41};
    case DisplayLayout::FourRows: return {24, 9, 377, 74};
    }
    return {};
}

EventScreenBand eventScreenBand(EventScreenLayout layout)
{
    switch (layout) {
    case EventScreenLayout::Full: return {0, 522};
    case EventScreenLayout::BelowFace: return {328, 193};
    case EventScreenLayout::BelowTallFace: return {360, 161};
    }
    return {};
}

}  // namespace kordex
