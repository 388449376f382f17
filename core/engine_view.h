#pragma once
// Everything the engine shows goes out through these interfaces, so the same
// engine drives the window, kordex-replay and the tests. Calls arrive on the
// main thread. Texts are the panel's 8-bit bytes; the window converts them.
#include <QByteArray>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kordex {

enum class Container { None, AS1603, AS4428p, ZR9, ZR9FBP };
const char *containerName(Container c);  // "" for None

// Menu items the engine and the link session switch; menuItemName() gives the
// object name each has in the window, in traces and in kordex-replay dumps.
enum class MenuItem {
    Refresh,
    EventDisplay,
    CloseTandemMode,
    ConnectTo,
    Disconnect,
    EditConnections,
    CaptureToFile,
    SendFile,
    ConnectMenu,
};
const char *menuItemName(MenuItem item);

struct Rgb {
    uint8_t r = 255, g = 255, b = 255;
    bool operator==(const Rgb &) const = default;
};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kAmber{247, 152, 41};
inline constexpr Rgb kGreen{0, 128, 0};

// Named placements; the faces own the geometry behind each name.
// The display memo: two rows over the AS faces, four over the ZR9 faces.
enum class DisplayLayout { TwoRows, FourRows };
// The event screen: over the whole client area (terminal mode), below a face,
// or below the taller ZR9 brigade face.
enum class EventScreenLayout { Full, BelowFace, BelowTallFace };

// What the panel shows: the display, the event lines, the lamps and the tray
// labels.
class PanelView {
public:
    virtual ~PanelView() = default;

    // The LCDisplay memo.
    virtual void setLcdText(const QByteArray &text) = 0;
    // The EventScreen memo, a list of lines.
    virtual void eventScreenReplace(int index, const QByteArray &line) = 0;
    virtual void eventScreenInsert(int index, const QByteArray &line) = 0;
    virtual void eventScreenRemoveFirst() = 0;

    // Lamps by component name. Hidden lamps keep their colour.
    virtual void setLampColor(std::string_view name, Rgb color) = 0;
    virtual void setLampVisible(std::string_view name, bool visible) = 0;
    // The tray labels.
    virtual void setSounder(const QByteArray &caption, Rgb textColor) = 0;
    virtual void setSounderVisible(bool visible) = 0;
    // A click on the Events label sends keyCode.
    virtual void setEventsLabel(const QByteArray &caption, int keyCode) = 0;
    virtual void setEventsLabelVisible(bool visible) = 0;
};

// The window around the panel: caption, which face shows and where the memos
// sit, menus, the file send note, beep, taskbar and focus.
class ShellView {
public:
    virtual ~ShellView() = default;

    virtual void setCaption(const QByteArray &caption) = 0;
    virtual void setVisibleContainer(Container c) = 0;
    // Loads the up pictures of the face's keys (and the badge on AS 1603 faces).
    virtual void prepareFace(int panelType) = 0;
    // AS 1603 face: the four logic keys are shown only on face 4.
    virtual void setLogicKeysVisible(bool visible) = 0;
    virtual void setDisplayLayout(DisplayLayout layout) = 0;
    virtual void setEventScreenLayout(EventScreenLayout layout) = 0;
    virtual void setNzDisplayVisible(bool visible) = 0;

    virtual void setMenuEnabled(MenuItem item, bool enabled) = 0;
    virtual void setMenuChecked(MenuItem item, bool checked) = 0;
    virtual void setMenuVisible(MenuItem item, bool visible) = 0;
    virtual void setMenuCaption(MenuItem item, const QByteArray &caption) = 0;
    // The Connect menu: one item per caption, item i connects to book record i.
    virtual void setConnectMenu(const std::vector<QByteArray> &captions) = 0;
    // The tray's note on a running file send; empty hides it.
    virtual void setProgress(const QByteArray &text) = 0;

    virtual void beep() = 0;
    // Taskbar attention: `invert` toggles the highlight, otherwise it is switched off.
    virtual void flashTaskbar(bool invert) = 0;
    virtual void focusFirstControl() = 0;
};

// One object that is both, as the window, the recording view and the trace are.
class EngineView : public PanelView, public ShellView {};

}  // namespace kordex
