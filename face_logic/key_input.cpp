#include "face_logic/key_input.h"

#include "core/engine.h"
#include "platform/prompter.h"

namespace kordex {

KeyInput::KeyInput(Engine &engine, Prompter &prompter, SendSeam send)
    : e_(engine),
      prompter_(prompter),
      send_(std::move(send))
{
    e_.onKeyRepeat = [this] { repeatHeldKey(); };
}

bool KeyInput::connected() const { return e_.session.connected; }

void KeyInput::pressKey(int keyCode)
{
    if (!connected())
        return;
    heldKey = static_cast<uint8_t>(keyCode & 0xFF);
    send(heldKey);
    // A fresh count at every press: the timer runs from start-up, and merely
    // enabling it would let a short click turn into a hold.
    e_.keyRepeatTimer.setInterval(kHoldRepeatMs);
    e_.keyRepeatTimer.restart();
}

void KeyInput::releaseKey()
{
    e_.keyRepeatTimer.stop();
    heldKey = 0;
    if (repeatSent) {
        send(kHoldPrefix);
        send(kHoldPrefix);
        repeatSent = false;
    }
}

void KeyInput::repeatHeldKey()
{
    if (!connected() || heldKey == 0)
        return;
    const uint8_t key = heldKey;
    send(kHoldPrefix);
    send(key);
    repeatSent = true;
}

void KeyInput::typeCharacter(uint8_t ch)
{
    if (!connected())
        return;
    const bool tandem = e_.session.tandemMode;
    if (ch == kEscape && tandem)
        ch = kBackspace;
    if (ch == 'C' && tandem) {
        // The answer comes later: by then the panel may have left tandem
        // mode or the link may have changed (every connection change leaves
        // tandem mode). The C goes only into the stretch it was asked in.
        const unsigned asked = e_.session.tandemEntries;
        prompter_.askYesNo(QStringLiteral("Warning"),
                           QStringLiteral("Do you really want the FIP to leave Tandem Mode?"),
                           guard_.guarded([this, asked](bool yes) {
                               const SessionState &s = e_.session;
                               if (!yes || !connected() || !s.tandemMode || s.tandemEntries != asked)
                                   return;
                               send('C');
                               if (s.tandemMode)  // the send may have lost the link
                                   e_.switchMode();
                           }));
        return;
    }
    send(ch);
}

int KeyInput::translateKey(int panelType, int virtualKey, bool alt)
{
    if (virtualKey == vk::kF5)
        return 'H';
    if (panelType >= 0 && panelType <= 5) {
        switch (virtualKey) {
        case vk::kUp: return 'u';
        case vk::kDown: return 'd';
        case vk::kRight: return '>';
        case vk::kLeft: return '<';
        case vk::kF1:
        case vk::kF2:
        case vk::kF3:
        case vk::kF4: return virtualKey;
        default: return -1;
        }
    }
    if (panelType == 6 || panelType == 7) {
        switch (virtualKey) {
        case vk::kUp: return '2';
        case vk::kDown: return '8';
        case vk::kRight: return '6';
        case vk::kLeft: return '4';
        case vk::kF1: return 'v';
        case vk::kF2: return 'w';
        case vk::kF3: return 'x';
        case vk::kF4: return alt ? 's' : 'y';
        default: return -1;
        }
    }
    return -1;
}

bool KeyInput::pressKeyboardKey(int virtualKey, bool alt)
{
    if (connected() && e_.session.tandemMode) {
        const int b = translateKey(e_.session.panelType(), virtualKey, alt);
        if (b >= 0)
            send(static_cast<uint8_t>(b & 0xFF));
    }
    return !(virtualKey == vk::kF4 && alt);
}

void KeyInput::clickEventsLabel(int labelKeyCode)
{
    if (connected())
        send(static_cast<uint8_t>(labelKeyCode & 0xFF));
}

void KeyInput::refresh()
{
    if (connected() && e_.session.tandemMode)
        send('H');
}

void KeyInput::closeTandemMode() { typeCharacter('C'); }

void KeyInput::toggleEventDisplay(bool wasChecked)
{
    typeCharacter(wasChecked ? kEventsKeyWhileOn : kEventsKeyWhileOff);
}

}  // namespace kordex
