#include "core/stream_decoder.h"

#include "core/engine.h"

namespace kordex {

void StreamDecoder::processByte(uint8_t b)
{
    SessionState &s = e_.session;
    // The connection set-up and the login read what arrives before the link is up.
    if (!s.Connected || (!s.LoggedIn && s.current().autoLogin))
        s.ResponseText.append(char(b));

    if (EscapePending)
        DecodeEscapeByte(b);
    else if (s.TandemMode)
        DecodeTandemByte(b);
    else
        e_.display.PutEventChar(b);
}

void StreamDecoder::recomposeAfterCoordinate()
{
    DisplayModel &d = e_.display;
    d.LcdText = d.ComposeLcdText();
    if (d.CursorVisible)
        d.applyCursorOverlay();
    d.showLcdText();
}

void StreamDecoder::DecodeEscapeByte(uint8_t b)
{
    DisplayModel &d = e_.display;
    if (!CursorAddressing) {
        switch (b) {
        case 'k':
            d.ClearScreen();
            EscapePending = false;
            break;
        case 'K':
            d.ClearToLineEnd();
            EscapePending = false;
            break;
        case 'Y':
            CursorAddressing = true;
            if (!e_.session.TandemMode) {
                if (!e_.session.SuppressTandemSwitch)
                    e_.ModeChange();
                else if (e_.onTandemHeld)
                    e_.onTandemHeld();
            }
            break;
        default: break;  // unknown commands are discarded until k, K or Y
        }
        return;
    }

    if (b == 0x1B) {
        CursorAddressing = false;
        RowReceived = false;
        return;
    }
    const int v = int(b) - 32;
    if (!RowReceived) {
        if (v < 24)
            d.CursorRow = v;
        if (d.CursorRow < 0)
            d.CursorRow = 0;
        RowReceived = true;
    } else {
        if (v < 99)
            d.CursorColumn = v;
        if (d.CursorColumn < 0)
            d.CursorColumn = 0;
        EscapePending = CursorAddressing = RowReceived = false;
    }
    recomposeAfterCoordinate();
}

void StreamDecoder::DecodeTandemByte(uint8_t b)
{
    DisplayModel &d = e_.display;
    const int type = e_.session.panelType();
    switch (b) {
    case 0x07: e_.view.beep(); break;
    case 0x0A:
        ++d.CursorRow;
        // Rows 11 and 13 carry machine lines; line feeds skip them and wrap into the printer area.
        if (d.CursorRow == 11)
            d.CursorRow = 12;
        else if (d.CursorRow == 13)
            d.CursorRow = 14;
        else if (d.CursorRow > 24)
            d.CursorRow = 16;
        break;
    case 0x0D:
        d.CursorColumn = 0;
        if (((type == 4 || type == 5) && d.CursorRow > 1) ||
            ((type == 0 || type == 1 || type == 6 || type == 7) && d.CursorRow > 15))
            d.PutEventChar(0x0D);
        break;
    case 0x17:
        d.CursorVisible = false;
        e_.Timer3.stop();
        break;
    case 0x18: d.CursorVisible = true; break;
    case 0x19: e_.Timer3.start(); break;
    case 0x1B:
        EscapePending = true;
        if (d.CursorRow == 13)
            ProcessIndicatorLine(e_);
        if (e_.Timer2.isRunning()) {
            e_.Timer2.stop();
            if (d.CursorRow == 11)
                e_.IdentifyPanel();
        }
        break;
    default: writeCharacter(b); break;
    }
    afterTandemByte();
}

void StreamDecoder::writeCharacter(uint8_t b)
{
    DisplayModel &d = e_.display;
    const int type = e_.session.panelType();
    if (b == 0xDB)
        b = '_';
    // Columns 100 and beyond do not exist; such characters are still routed below.
    d.setCell(d.CursorRow, d.CursorColumn, b);
    ++d.CursorColumn;
    if (d.CursorColumn > 39 && ((type < 6 && d.CursorRow == 0) || ((type == 6 || type == 7) && d.CursorRow < 3))) {
        ++d.CursorRow;
        d.CursorColumn = 0;
    }
    const bool printerArea = ((type < 6 && d.CursorRow > 1) || ((type == 6 || type == 7) && d.CursorRow > 3)) &&
                             d.CursorRow != 11 && d.CursorRow != 13;
    if (printerArea) {
        d.PutEventChar(b);
        return;
    }
    if (d.differsFromShadow())
        ScreenChanged = true;
}

void StreamDecoder::afterTandemByte()
{
    DisplayModel &d = e_.display;
    if (ScreenChanged) {
        ScreenChanged = false;
        d.RefreshLcd();
    }
    if (d.CursorVisible) {
        d.applyCursorOverlay();
        d.showLcdText();
    }
}

}  // namespace kordex
