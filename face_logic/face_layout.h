#pragma once
// The panel faces as plain data: every key, legend, badge and decorative
// drawing of each face container, with its place in the container. The
// widgets and the artwork are both built from these tables, so a key's
// position, code and captions are written down exactly once.
#include "core/engine_view.h"

#include <QRect>
#include <span>
#include <string_view>

namespace kordex {

enum class Arrow : unsigned char { None, Left, Right, Up, Down };

// What a key picture says: a main caption (spaces may break it onto several
// lines), an optional smaller second line, and an optional arrow glyph.
struct KeyCaption {
    std::string_view main{};
    std::string_view sub{};
    Arrow arrow = Arrow::None;
};

// Colour of a key cap. The caption colour follows from it and the face.
enum class KeyTone : unsigned char { Blue, Red, White, Grey, Green, Yellow };

struct KeyDef {
    std::string_view name;
    KeyCaption caption;     // on the AS 1603 face: the face 1 caption
    KeyCaption caption4{};  // AS 1603 face 4 only; empty main elsewhere
    int left, top, width, height;
    int code;
    KeyTone tone;
    bool logic = false;  // AS 1603 logic key: shown on face 4 only
};

enum class FontFamily : unsigned char { CourierNew, Arial, ArialNarrow };
enum class TextAlign : unsigned char { Left, Center, Right };

struct LabelDef {
    std::string_view name;
    std::string_view text;
    int left, top, width, height;
    FontFamily family;
    int pixelSize;
    bool bold;
    bool italic = false;
    TextAlign align = TextAlign::Left;
    bool wrap = false;
};

// Drawings that carry no state. The painter knows how each kind looks.
enum class DecorKind : unsigned char {
    Frame,      // rounded outline around a group of keys or lamps
    Bezel,      // dark surround of the display window
    Banner,     // red lettering on a plain strip (FIREFIGHTER FACILITY)
    PlainRect,  // button-face rectangle without a visible border
    BrigadeOutline,
    FireSign,  // the FIRE legend with its lamp pair
    // Small printed legend. Plain form: lines separated by '\n'. Lamp form:
    // groups "TITLE|Lamp=TEXT|Lamp=TEXT" separated by '\n', each TEXT set
    // level with the named lamp, the group title to its left.
    Legend,
    LampArray,  // a column block of zone lamps with write-in strips
    Bar,        // thin bar from a soft key toward the display
};

struct DecorDef {
    std::string_view name;
    DecorKind kind;
    int left, top, width, height;
    std::string_view text = {};
};

// A picture component that shows a named resource (the product badge).
struct PictureDef {
    std::string_view name;
    int left, top, width, height;
};

struct FaceLayout {
    std::string_view name;  // component name of the container
    Container container;    // None for NZDisplay
    int left, top, width, height;
    int naturalFace;  // the face whose pictures the keys get at creation
    std::span<const KeyDef> keys;
    std::span<const LabelDef> labels;
    std::span<const DecorDef> decor;  // in painting order, back to front
    std::span<const PictureDef> pictures;
};

// AS1603, AS4428p, ZR9, ZR9FBP in that order.
std::span<const FaceLayout> faceLayouts();
const FaceLayout &faceLayout(Container c);  // c must not be None
const FaceLayout &nzDisplayLayout();

// The key component of that name on any face, nullptr when unknown.
const KeyDef *findKeyDef(std::string_view name);
Container containerOfKey(std::string_view name);

// The caption a key shows on face `face`.
const KeyCaption &captionFor(const KeyDef &key, int face);

// The face numbers that have their own key pictures, and the keys that have
// pictures on such a face (all keys of its container except, on face 1, the
// logic keys).
std::span<const int> facesWithPictures();
Container containerForFace(int face);  // None for faces without a container
bool keyHasPicturesOnFace(const KeyDef &key, int face);

// Where the display memo sits in each layout, in the window's client area.
QRect displayGeometry(DisplayLayout layout);
// The event screen is as wide as the client area; each layout gives its band.
struct EventScreenBand {
    int top, height;
    bool operator==(const EventScreenBand &) const = default;
};
EventScreenBand eventScreenBand(EventScreenLayout layout);

// The POINT/RELAY key of the AS 1603 face sends R on face 4, P elsewhere.
inline constexpr std::string_view kRelayPointKey = "V01RP";
inline constexpr int kPointKeyCode = 80;
inline constexpr int kRelayKeyCode = 82;

}  // namespace kordex
