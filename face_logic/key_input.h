#pragma once
// Operator input turned into key-code bytes: the pictured keys (press, hold
// repeat, release), typed characters, arrow and function keys, the Events
// tray label and three menu items. No toolkit types: the window translates
// its events into these calls, and every byte leaves through one send seam.
#include "platform/callback_guard.h"

#include <cstdint>
#include <functional>

namespace kordex {

class Engine;
class Prompter;

// Virtual key codes of the keys the keyboard translation knows.
namespace vk {
inline constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
inline constexpr int kF1 = 112, kF2 = 113, kF3 = 114, kF4 = 115, kF5 = 116;
}  // namespace vk

class KeyInput {
public:
    using SendSeam = std::function<void(uint8_t)>;

    static constexpr uint8_t kHoldPrefix = 47;  // "/"
    // What the Events menu item sends: one key while the panel's event
    // display is on, another while it is off (the tray label gets the same
    // codes from the engine).
    static constexpr uint8_t kEventsKeyWhileOn = 39, kEventsKeyWhileOff = 34;
    static constexpr uint8_t kEscape = 27, kBackspace = 8;
    static constexpr int kHoldRepeatMs = 3000;

    // Installs itself as the handler of the engine's key repeat timer.
    KeyInput(Engine &engine, Prompter &prompter, SendSeam send);
    KeyInput(const KeyInput &) = delete;
    KeyInput &operator=(const KeyInput &) = delete;

    // A pictured key went down / came up; the window swaps the pictures.
    void pressKey(int keyCode);
    void releaseKey();
    void repeatHeldKey();

    // A typed character (the window has previewed it). Always consumed.
    void typeCharacter(uint8_t ch);
    // A key went down. Returns false only for Alt+F4, which must go on to
    // close the window; every other key is consumed.
    bool pressKeyboardKey(int virtualKey, bool alt);

    void clickEventsLabel(int labelKeyCode);  // the Events tray label
    void refresh();
    void closeTandemMode();
    void toggleEventDisplay(bool wasChecked);

    uint8_t heldKey = 0;
    bool repeatSent = false;

    // The byte an arrow or function key sends on a face, or -1 when it sends nothing.
    static int translateKey(int panelType, int virtualKey, bool alt);

private:
    bool connected() const;
    void send(uint8_t b)
    {
        if (send_)
            send_(b);
    }

    Engine &e_;
    Prompter &prompter_;
    SendSeam send_;
    CallbackGuard guard_;  // an answer may come after we are gone
};

}  // namespace kordex
